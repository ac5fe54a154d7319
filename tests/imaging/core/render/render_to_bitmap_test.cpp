// Where RenderToBitmap paints and what it works from: the row table and maps built, handed
// back and passed in, the clip rectangle, fitting of negative and overflowing rectangles,
// device bitmap targets, targets it cannot paint, renderers as virtual operations, a failing
// renderer, and sources wider than 32-bit fixed point can map.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "imaging/base/debug_log.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/core/render/render_model.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::RenderCall;

class RenderToBitmap : public ::testing::Test {
 protected:
  test::TempFolderScope temp_;
};

std::unique_ptr<TPVBitmap> RandomBitmap(int32_t width, int32_t height, TPVPixelFormat format,
                                        uint32_t seed,
                                        test::Storage storage = test::Storage::MemoryBlock) {
  auto bitmap = test::MakeBitmap(storage, width, height, format);
  test::FillRandom(*bitmap, seed);
  return bitmap;
}

RenderCall Scaled(int32_t tx, int32_t ty, int32_t tw, int32_t th, int32_t sx, int32_t sy,
                  int32_t sw, int32_t sh) {
  RenderCall call;
  call.TargetX = tx, call.TargetY = ty, call.TargetWidth = tw, call.TargetHeight = th;
  call.SourceX = sx, call.SourceY = sy, call.SourceWidth = sw, call.SourceHeight = sh;
  return call;
}

// The render with the caller's tables.
void RenderWith(TPVBitmap& source, TPVBitmap& target, const RenderCall& c,
                TPVRenderRowTable& rows, TPVRenderMap& xMap, TPVRenderMap& yMap,
                bool freeTables) {
  source.RenderToBitmap(target, rows, xMap, yMap, c.Clip ? &*c.Clip : nullptr, c.TargetX,
                        c.TargetY, c.TargetWidth, c.TargetHeight, c.SourceX, c.SourceY,
                        c.SourceWidth, c.SourceHeight, c.UseAlpha, c.RowReuse, c.Transparency,
                        rfNone, freeTables, c.Operation);
}

TEST_F(RenderToBitmap, TablesHandedBackAndPassedInGiveTheSameFrame) {
  auto source = RandomBitmap(30, 20, pv24RGB, 1);
  source->DisplayContrast = 5;  // maps are built even at this scale
  auto target = RandomBitmap(50, 40, pv24RGB, 2);
  const test::RGBImage before = test::ImageOf(*target);
  const RenderCall call = Scaled(3, 4, 45, 33, 2, 1, 27, 18);

  TPVRenderRowTable rows;
  TPVRenderMap xMap, yMap;
  RenderWith(*source, *target, call, rows, xMap, yMap, false);
  const test::RGBImage frame = test::ImageOf(*target);
  EXPECT_TRUE(test::SameImage(test::ExpectedRender(*source, before, call), frame));
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows[7], target->GetScanline(7));
  ASSERT_EQ(xMap.size(), 45u) << "one entry per painted column";
  ASSERT_EQ(yMap.size(), 33u);

  // The next frame of the same geometry over the same background, from the kept tables.
  const TPVRenderRowTable keptRows = rows;
  const TPVRenderMap keptX = xMap, keptY = yMap;
  for (int32_t y = 0; y < 40; ++y) std::memcpy(target->GetScanline(y), before[y].data(), 150);
  RenderWith(*source, *target, call, rows, xMap, yMap, false);
  EXPECT_TRUE(test::SameImage(frame, test::ImageOf(*target)));
  EXPECT_EQ(rows, keptRows) << "tables passed in are left as they are";
  EXPECT_EQ(xMap, keptX);
  EXPECT_EQ(yMap, keptY);

  TPVRenderRowTable freedRows;
  TPVRenderMap freedX, freedY;
  RenderWith(*source, *target, call, freedRows, freedX, freedY, true);
  EXPECT_TRUE(freedRows.empty() && freedX.empty() && freedY.empty());
}

TEST_F(RenderToBitmap, APassedMapIsReadFromTheFirstPaintedColumn) {
  auto source = RandomBitmap(10, 10, pv8g, 3);
  auto target = RandomBitmap(20, 20, pv24RGB, 4);
  // Maps that show source column 9 - i and row 9 - i at entry i, read from entry 0 at the
  // target rectangle's corner (2, 3) whatever the clip leaves out.
  TPVRenderMap xMap, yMap;
  for (int32_t i = 0; i < 10; ++i) xMap.push_back(9 - i), yMap.push_back(9 - i);
  TPVRenderRowTable rows;
  RenderCall call = Scaled(2, 3, 10, 10, 0, 0, 10, 10);
  call.Clip = TRect{5, 0, 100, 100};
  RenderWith(*source, *target, call, rows, xMap, yMap, true);
  for (int32_t y = 3; y < 13; ++y)
    for (int32_t x = 5; x < 12; ++x) {
      const uint8_t grey = source->GetPixel8(9 - (x - 2), 9 - (y - 3));
      ASSERT_EQ(target->GetPixel24(x, y), (TPVRGB{grey, grey, grey})) << x << ", " << y;
    }
}

TEST_F(RenderToBitmap, PaintingStopsAtTheEndOfAPassedMapOrAtAnEntryOutsideTheSource) {
  auto source = RandomBitmap(10, 10, pv24RGB, 5);
  source->DisplayContrast = 1;  // no straight copies: every pixel goes through the maps
  struct Case {
    const char* Name;
    TPVRenderMap XMap;
    int32_t PaintedColumns;
  };
  const Case cases[] = {{"short map", {0, 1, 2}, 3},
                        {"column past the source", {0, 1, 10, 2}, 2},
                        {"negative column", {4, -1, 3}, 1},
                        {"last column of the source", {9, 9, 9, 9, 9, 9, 9, 9, 9, 9}, 10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto target = test::MakeBitmap(test::Storage::MemoryBlock, 10, 10, pv24RGB);
    test::FillRandom(*target, 77);  // a fresh block may still hold the previous case's frame
    const test::RGBImage before = test::ImageOf(*target);
    TPVRenderRowTable rows;
    TPVRenderMap xMap = c.XMap, yMap;
    RenderWith(*source, *target, Scaled(0, 0, 10, 10, 0, 0, 10, 10), rows, xMap, yMap, true);
    const test::RGBImage after = test::ImageOf(*target);
    int32_t painted = 0;
    while (painted < 10 && !(after[0][painted] == before[0][painted])) ++painted;
    EXPECT_EQ(painted, c.PaintedColumns);
    for (int32_t x = painted; x < 10; ++x) EXPECT_EQ(after[5][x], before[5][x]);
  }
}

TEST_F(RenderToBitmap, TheClipRectangleLimitsThePainting) {
  auto source = RandomBitmap(16, 16, pv24RGB, 6);
  auto target = RandomBitmap(40, 30, pv24RGB, 7);
  const test::RGBImage before = test::ImageOf(*target);
  RenderCall call = Scaled(2, 2, 32, 24, 0, 0, 16, 16);
  call.Clip = TRect{10, 5, 20, 12};
  test::Render(*source, *target, call);
  const test::RGBImage after = test::ImageOf(*target);
  EXPECT_TRUE(test::SameImage(test::ExpectedRender(*source, before, call), after));
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x <= 20 && y >= 5 && y <= 12;
      ASSERT_EQ(after[y][x] == before[y][x], !inside) << x << ", " << y;
    }
}

TEST_F(RenderToBitmap, NegativeTargetStartsDropTheSourcePixelsTheyHideRoundedHalfToEven) {
  // Five source rows on two target rows: 2.5 rows each. A target start of -1 hides 2.5 rows,
  // rounded to 2 (3 if halves went up), so the target's first row shows source row 2.
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 1, 5, pv8g);
  for (int32_t y = 0; y < 5; ++y) source->SetPixel8(0, y, static_cast<uint8_t>(10 * y));
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 1, 2, pv24RGB);
  test::Render(*source, *target, Scaled(0, -1, 1, 2, 0, 0, 1, 5));
  EXPECT_EQ(target->GetPixel24(0, 0), (TPVRGB{20, 20, 20}));
}

TEST_F(RenderToBitmap, AOneToOneRectangleReachingPastTheSourceRepeatsItsLastRowAndColumn) {
  auto source = RandomBitmap(8, 6, pv24RGB, 8);
  auto target = RandomBitmap(10, 10, pv24RGB, 9);
  const test::RGBImage before = test::ImageOf(*target);
  const RenderCall call = Scaled(0, 0, 8, 6, 5, 3, 8, 6);
  test::Render(*source, *target, call);
  EXPECT_TRUE(test::SameImage(test::ExpectedRender(*source, before, call), test::ImageOf(*target)));
  EXPECT_EQ(target->GetPixel24(7, 5), source->GetPixel24(7, 5));
}

TEST_F(RenderToBitmap, TargetsItCannotPaintAndEmptyRectanglesStayAsTheyAre) {
  auto source = RandomBitmap(8, 8, pv24RGB, 10);
  auto grey = RandomBitmap(8, 8, pv8g, 11);
  const auto greyBefore = test::ReadRows(*grey);
  test::Render(*source, *grey, Scaled(0, 0, 8, 8, 0, 0, 8, 8));
  EXPECT_EQ(test::ReadRows(*grey), greyBefore) << "only pv24RGB targets are painted";

  auto target = RandomBitmap(8, 8, pv24RGB, 12);
  const auto before = test::ReadRows(*target);
  const RenderCall nothing[] = {Scaled(0, 0, 0, 8, 0, 0, 8, 8), Scaled(0, 0, 8, 8, 0, 0, 8, 0),
                                Scaled(8, 0, 8, 8, 0, 0, 8, 8), Scaled(0, 8, 8, 8, 0, 0, 8, 8),
                                Scaled(-8, 0, 8, 8, 0, 0, 8, 8), Scaled(0, 0, -5, 8, 0, 0, 8, 8)};
  for (const RenderCall& call : nothing) test::Render(*source, *target, call);
  TPVBitmap empty;
  test::Render(empty, *target, Scaled(0, 0, 8, 8, 0, 0, 8, 8));
  EXPECT_EQ(test::ReadRows(*target), before);
}

TEST_F(RenderToBitmap, FileStoredTargetsAndSourcesArePaintedAndWrittenBack) {
  for (const test::Storage storage : test::kMemoryAndFile) {
    SCOPED_TRACE(test::StorageName(storage));
    auto source = RandomBitmap(20, 15, pv24RGB, 13, storage);
    auto target = RandomBitmap(33, 27, pv24RGB, 14, test::Storage::File);
    const test::RGBImage before = test::ImageOf(*target);
    RenderCall call = Scaled(-3, 2, 40, 30, 1, 1, 18, 13);
    call.Transparency = 200;
    TPVRenderRowTable rows;
    TPVRenderMap xMap, yMap;
    RenderWith(*source, *target, call, rows, xMap, yMap, false);
    EXPECT_TRUE(rows.empty()) << "mapped rows of a file are not handed out";
    EXPECT_TRUE(test::SameImage(test::ExpectedRender(*source, before, call),
                                test::ImageOf(*target)));
  }
}

TEST_F(RenderToBitmap, DeviceBitmapsArePaintedInPlaceAndStayTheCallers) {
  auto source = RandomBitmap(12, 9, pv24RGB, 15);
  platform::TBitmap device;  // freeing it would be an invalid free of this stack object
  ASSERT_TRUE(device.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(device.SetSize(30, 20));
  auto expected = test::MakeBitmap(test::Storage::MemoryBlock, 30, 20, pv24RGB);
  for (int32_t y = 0; y < 20; ++y)
    std::memcpy(expected->GetScanline(y), device.GetScanLine(y), 90);

  TPVRenderRowTable rows;
  TPVRenderMap xMap, yMap;
  source->RenderToTBitmap(&device, rows, xMap, yMap, nullptr, 1, 2, 24, 18, 0, 0, 12, 9, false,
                          false, 150, rfNone, false, pvboNormal);
  TPVRenderRowTable ownRows;
  TPVRenderMap ownX, ownY;
  source->RenderToBitmap(*expected, ownRows, ownX, ownY, nullptr, 1, 2, 24, 18, 0, 0, 12, 9,
                         false, false, 150, rfNone, true, pvboNormal);
  EXPECT_EQ(rows[0], device.GetScanLine(0)) << "the handed-back table holds the device rows";
  source->DrawToTBitmap(&device, 5, 5, 6, 6, 0, 0, 12, 9, 100, rfNone, pvboNormal);
  source->DrawToBitmap(*expected, 5, 5, 6, 6, 0, 0, 12, 9, 100, rfNone, pvboNormal);
  for (int32_t y = 0; y < 20; ++y)
    ASSERT_EQ(std::memcmp(expected->GetScanline(y), device.GetScanLine(y), 90), 0) << y;
  source->DrawToTBitmap(nullptr, 0, 0, 6, 6, 0, 0, 12, 9, 100, rfNone, pvboNormal);
}

TEST_F(RenderToBitmap, DrawToBitmapBlendsByTheAlphaPlane) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 2, 1, pv24RGB);
  source->SetPixel24(0, 0, TPVRGB{255, 255, 255});
  source->SetPixel24(1, 0, TPVRGB{255, 255, 255});
  source->SetAlpha(0, 0, 0);
  source->SetAlpha(1, 0, 128);
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 2, 1, pv24RGB);
  target->Fill(0);
  source->DrawToBitmap(*target, 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, pvboNormal);
  EXPECT_EQ(target->GetPixel24(0, 0), (TPVRGB{0, 0, 0}));
  EXPECT_EQ(target->GetPixel24(1, 0), (TPVRGB{127, 127, 127}));
}

TEST_F(RenderToBitmap, WithoutTheProcessingUnitAFilterScalesByNearestNeighbour) {
  auto source = RandomBitmap(20, 20, pv24RGB, 16);
  auto nearest = test::MakeBitmap(test::Storage::MemoryBlock, 30, 30, pv24RGB);
  auto filtered = test::MakeBitmap(test::Storage::MemoryBlock, 30, 30, pv24RGB);
  const RenderCall call = Scaled(0, 0, 30, 30, 0, 0, 20, 20);
  test::Render(*source, *nearest, call);
  test::Render(*source, *filtered, call, rfTriangle);
  EXPECT_TRUE(test::SameImage(test::ImageOf(*nearest), test::ImageOf(*filtered)));
}

// A bitmap whose renderers are replaced: records the calls, and throws when asked to.
class ProbeBitmap : public TPVBitmap {
 public:
  mutable std::string Calls;
  bool Throws = false;

  void Render8g(TPVRenderRows, TPVBitmap&, const TPVRenderArea& area) const override {
    Calls += "8g " + std::to_string(area.FirstColumn) + "," + std::to_string(area.LastColumn);
    if (Throws) throw std::runtime_error("the disk went away");
  }
  void Render8gBlended(TPVRenderRows, TPVBitmap&, const TPVRenderArea&,
                       const TPVRenderOpacity& opacity) const override {
    Calls += "8g blended " + std::to_string(opacity.Transparency);
  }
};

TEST_F(RenderToBitmap, RenderersAreVirtualOperationsChosenByFormatAndOpacity) {
  ProbeBitmap source;
  source.Location = pvMemory;
  ASSERT_TRUE(source.Allocate(4, 4, pv8g));
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 10, 10, pv24RGB);
  test::Render(source, *target, Scaled(2, 0, 4, 4, 0, 0, 4, 4));
  EXPECT_EQ(source.Calls, "8g 2,5");
  source.Calls.clear();
  RenderCall call = Scaled(0, 0, 4, 4, 0, 0, 4, 4);
  call.Transparency = 90;
  test::Render(source, *target, call);
  EXPECT_EQ(source.Calls, "8g blended 90");
}

TEST_F(RenderToBitmap, AFailingRendererEndsTheRenderQuietly) {
  test::ScratchFolder folder("calmora-render-log");
  test::ScopedOverride<std::string> log(DebugLogFileName, folder.File("debug.log"));
  ProbeBitmap source;
  source.Location = pvMemory;
  ASSERT_TRUE(source.Allocate(4, 4, pv8g));
  source.Throws = true;
  source.DataAccess = pvdRead | pvdWrite;
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 4, 4, pv24RGB);
  EXPECT_NO_THROW(test::Render(source, *target, Scaled(0, 0, 4, 4, 0, 0, 4, 4)));
  EXPECT_EQ(source.DataAccess, pvdRead | pvdWrite) << "the source's access comes back";
#ifndef NDEBUG
  EXPECT_NE(test::ReadFileBytes(folder.File("debug.log")).find("the disk went away"),
            std::string::npos);
#endif
}

// Mend: positions times a 14-bit scale overflow 32 bits on sources wider than about 131,000
// pixels. Two hundred thousand columns, white from 190,000 on, shown in 100 columns: exactly
// the last five are white.
TEST_F(RenderToBitmap, VeryWideSourcesMapRight) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 200000, 2, pv1g);
  source->Fill(0);
  for (int32_t y = 0; y < 2; ++y) source->FillRect(190000, y, 199999, y, 1);
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 100, 2, pv24RGB);
  test::Render(*source, *target, Scaled(0, 0, 100, 2, 0, 0, 200000, 2));
  for (int32_t x = 0; x < 100; ++x)
    ASSERT_EQ(target->GetPixel24(x, 1).g, x >= 95 ? 255 : 0) << x;
}

}  // namespace
}  // namespace calmora
