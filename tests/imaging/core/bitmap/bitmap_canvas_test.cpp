// Size changes that keep the content, in memory, in the file and in a device bitmap: SetWidth
// and SetHeight against a pixel model, ResizeCanvas against ImageMagick's crop and extent with
// gravity (the alpha plane likewise), and the literal cases of odd differences.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FillRandom;
using test::kAllFormats;
using test::kMemoryAndFile;
using test::MakeBitmap;
using test::ModelOf;
using test::PixelModel;
using test::RunTool;
using test::SameModel;
using test::ShellQuoted;
using test::Storage;
using test::StorageName;
using test::TempFolderScope;

// The model's top-left width x height part, new pixels (0 bytes) where it is smaller.
PixelModel TopLeft(const PixelModel& model, int32_t width, int32_t height) {
  PixelModel part = model;
  part.Width = width;
  part.Height = height;
  part.Rows.assign(static_cast<size_t>(height),
                   std::vector<uint8_t>(static_cast<size_t>(width) * model.Size, 0));
  for (int32_t y = 0; y < std::min(height, model.Height); ++y)
    for (int32_t x = 0; x < std::min(width, model.Width); ++x)
      std::memcpy(part.At(x, y), model.At(x, y), model.Size);
  return part;
}

const Storage kAllStorages[] = {Storage::MemoryBlock, Storage::File, Storage::Device};

class SizeChangesIn : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(SizeChangesIn, SetWidthAndSetHeightKeepTheTopLeftContentAndThePlanes) {
  auto bitmap = MakeBitmap(GetParam(), 7, 5, pv24RGB);
  FillRandom(*bitmap, 1);
  FillRandom(*bitmap->GetAlphaChannel(), 2);
  const platform::TBitmap* device = bitmap->Storage.WrappedTBitmap.get();
  PixelModel pixels = ModelOf(*bitmap), alpha = ModelOf(*bitmap->AlphaBitmap);
  const std::pair<int32_t, int32_t> sizes[] = {{11, 5}, {11, 8}, {4, 8}, {4, 2}, {9, 6}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(::testing::Message() << width << " x " << height);
    bitmap->Opaque = true;
    ASSERT_TRUE(bitmap->SetWidth(width));
    ASSERT_TRUE(bitmap->SetHeight(height));
    pixels = TopLeft(pixels, width, height);
    alpha = TopLeft(alpha, width, height);
    EXPECT_TRUE(SameModel(pixels, ModelOf(*bitmap)));
    ASSERT_TRUE(bitmap->HasAlphaChannel());
    EXPECT_TRUE(SameModel(alpha, ModelOf(*bitmap->AlphaBitmap)));
    EXPECT_FALSE(bitmap->Opaque);
    EXPECT_EQ(test::StorageOf(*bitmap), GetParam());
    // A device bitmap is resized in place: whoever holds it sees the new size.
    if (device) {
      EXPECT_EQ(bitmap->Storage.WrappedTBitmap.get(), device);
    }
  }
}

TEST_P(SizeChangesIn, ResizeCanvasOfTheCentreKeepsTheCentreAndPutsItBack) {
  auto bitmap = MakeBitmap(GetParam(), 100, 100, pv24RGB);
  FillRandom(*bitmap, 3);
  const PixelModel before = ModelOf(*bitmap);
  ASSERT_TRUE(bitmap->ResizeCanvas(50, 50, 0, 0, 1, 1));
  PixelModel centre = TopLeft(before, 50, 50);
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 50; ++x) std::memcpy(centre.At(x, y), before.At(x + 25, y + 25), 3);
  EXPECT_TRUE(SameModel(centre, ModelOf(*bitmap)));
  ASSERT_TRUE(bitmap->ResizeCanvas(100, 100, 0x0000FF, 7, 1, 1));
  const PixelModel after = ModelOf(*bitmap);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) {
      const bool inside = x >= 25 && x < 75 && y >= 25 && y < 75;
      const uint8_t red[3] = {0, 0, 255};
      ASSERT_EQ(0, std::memcmp(after.At(x, y), inside ? centre.At(x - 25, y - 25) : red, 3))
          << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, SizeChangesIn, ::testing::ValuesIn(kAllStorages),
                         test::StorageParamName);

class SizeChangesOfEveryFormat : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(SizeChangesOfEveryFormat, KeepThePixels) {
  for (TPVPixelFormat format : kAllFormats) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = MakeBitmap(GetParam(), 13, 6, format);
    FillRandom(*bitmap, 4);
    const PixelModel before = ModelOf(*bitmap);
    ASSERT_TRUE(bitmap->SetWidth(21));
    ASSERT_TRUE(bitmap->SetHeight(3));
    ASSERT_TRUE(bitmap->SetWidth(9));
    EXPECT_TRUE(SameModel(TopLeft(before, 9, 3), ModelOf(*bitmap)));
  }
}

TEST_P(SizeChangesOfEveryFormat, KeepThePalette) {
  auto bitmap = MakeBitmap(GetParam(), 5, 5, pv8p);
  bitmap->SetPaletteColor(3, TPVRGB{1, 2, 3});
  ASSERT_TRUE(bitmap->ResizeCanvas(8, 9, 0, 0, 1, 2));
  EXPECT_EQ(bitmap->GetPaletteColor(3), (TPVRGB{1, 2, 3}));
}

TEST_P(SizeChangesOfEveryFormat, ToAZeroSideEmptyTheBitmap) {
  auto bitmap = MakeBitmap(GetParam(), 5, 4, pv8g);
  bitmap->GetAlphaChannel();
  ASSERT_TRUE(bitmap->SetWidth(0));
  EXPECT_TRUE(bitmap->IsEmpty());
  EXPECT_EQ(bitmap->Width, 0);
  EXPECT_EQ(bitmap->Height, 0);
  EXPECT_FALSE(bitmap->HasAlphaChannel());
  EXPECT_EQ(bitmap->Format, pv8g);
}

TEST_P(SizeChangesOfEveryFormat, OfAnEmptyBitmapStoreOneSideAndAllocateWithTheOther) {
  auto bitmap = MakeBitmap(GetParam(), 5, 4, pv24RGB);
  bitmap->FreeImage(true);
  ASSERT_TRUE(bitmap->SetWidth(6));
  EXPECT_TRUE(bitmap->IsEmpty());
  EXPECT_EQ(bitmap->Width, 6);
  ASSERT_TRUE(bitmap->SetHeight(3));
  EXPECT_FALSE(bitmap->IsEmpty());
  EXPECT_EQ(bitmap->GetWidth(), 6);
  EXPECT_EQ(bitmap->GetHeight(), 3);
  EXPECT_TRUE(bitmap->IsAllZero());
}

TEST_P(SizeChangesOfEveryFormat, FailWithoutChangeForANegativeSizeOrNoStorage) {
  auto bitmap = MakeBitmap(GetParam(), 6, 4, pv24RGB);
  FillRandom(*bitmap, 5);
  FillRandom(*bitmap->GetAlphaChannel(), 6);
  const PixelModel pixels = ModelOf(*bitmap), alpha = ModelOf(*bitmap->AlphaBitmap);
  EXPECT_FALSE(bitmap->SetWidth(-1));
  EXPECT_FALSE(bitmap->ResizeCanvas(5, -3, 0, 0, 0, 0));
  {
    test::BlockLimitScope noBlocks(bitmap_testing::SingleBlockLimit, 0);
    test::BlockLimitScope noFragments(bitmap_testing::FragmentBlockLimit, 0);
    test::FreeSpaceScope noDisk([](const std::string&) -> int64_t { return 0; });
    EXPECT_FALSE(bitmap->SetHeight(9));
    EXPECT_FALSE(bitmap->ResizeCanvas(9, 9, 0, 0, 1, 1));
  }
  EXPECT_TRUE(SameModel(pixels, ModelOf(*bitmap)));
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  EXPECT_TRUE(SameModel(alpha, ModelOf(*bitmap->AlphaBitmap)));
}

INSTANTIATE_TEST_SUITE_P(Storages, SizeChangesOfEveryFormat, ::testing::ValuesIn(kMemoryAndFile),
                         test::StorageParamName);

// ---- ResizeCanvas against ImageMagick ----

// A new size for a 30 x 20 image with both alignments; every difference is even.
struct CanvasCase {
  const char* Name;
  int32_t Width, Height;
  uint8_t Align;
};

void PrintTo(const CanvasCase& c, std::ostream* out) { *out << c.Name; }

const CanvasCase kCanvasCases[] = {
    {"ShrinkKeepingTopLeft", 18, 12, 0},
    {"ShrinkKeepingCentre", 18, 12, 1},
    {"ShrinkKeepingBottomRight", 18, 12, 2},
    {"GrowAtTopLeft", 44, 26, 0},
    {"GrowAtCentre", 44, 26, 1},
    {"GrowAtBottomRight", 44, 26, 2},
    {"WiderAndLowerAtCentre", 44, 12, 1},
    {"NarrowerAndTallerAtBottomRight", 18, 26, 2},
    {"OtherAlignmentActsAsTopLeft", 40, 10, 7},
};

const char* Gravity(uint8_t align) {
  return align == 1 ? "Center" : align == 2 ? "SouthEast" : "NorthWest";
}

// ImageMagick's answer: a crop with gravity when both sides shrink, else an extent with
// gravity over the background colour.
std::string Reference(const std::string& in, const std::string& out, const CanvasCase& c,
                      const std::string& background) {
  const std::string size = std::to_string(c.Width) + "x" + std::to_string(c.Height);
  std::string command = "convert " + ShellQuoted(in) + " -gravity " + Gravity(c.Align);
  if (c.Width <= 30 && c.Height <= 20)
    command += " -crop " + size + "+0+0 +repage ";
  else
    command += " -background " + ShellQuoted(background) + " -extent " + size + " ";
  return command + ShellQuoted(out);
}

// Pixels that differ by ImageMagick's compare; -1 when it could not tell.
int64_t DifferingPixels(const std::string& a, const std::string& b) {
  const test::ToolResult result =
      RunTool("compare -metric AE " + ShellQuoted(a) + " " + ShellQuoted(b) + " null:");
  if (result.Status != 0 && result.Status != 1) return -1;
  return std::stoll(result.Output);
}

class ResizeCanvasAgainstImageMagick
    : public ::testing::TestWithParam<std::tuple<CanvasCase, Storage>> {
 protected:
  TempFolderScope temp_;
  test::ScratchFolder folder_{"calmora-canvas"};
};

TEST_P(ResizeCanvasAgainstImageMagick, CropsOrExtendsAndTheAlphaPlaneFollows) {
  CALMORA_REQUIRE_TOOL("convert");
  CALMORA_REQUIRE_TOOL("compare");
  const auto& [c, storage] = GetParam();
  auto bitmap = MakeBitmap(storage, 30, 20, pv24RGB);
  FillRandom(*bitmap, 7);
  TPVBitmap& plane = *bitmap->GetAlphaChannel();
  FillRandom(plane, 8);
  const auto file = [&](const char* name) { return folder_.File(name); };
  ASSERT_TRUE(test::SavePNM(*bitmap, file("in.ppm"), false));
  ASSERT_TRUE(test::SavePNM(plane, file("in-alpha.pgm")));

  // TColor 0x336699 is red 0x99, green 0x66, blue 0x33.
  ASSERT_TRUE(bitmap->ResizeCanvas(c.Width, c.Height, 0x336699, 7, c.Align, c.Align));
  ASSERT_EQ(bitmap->GetWidth(), c.Width);
  ASSERT_EQ(bitmap->GetHeight(), c.Height);
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  EXPECT_EQ(bitmap->AlphaBitmap->Width, c.Width);
  EXPECT_EQ(bitmap->AlphaBitmap->Height, c.Height);
  ASSERT_TRUE(test::SavePNM(*bitmap, file("ours.ppm"), false));
  ASSERT_TRUE(test::SavePNM(*bitmap->AlphaBitmap, file("ours-alpha.pgm")));

  ASSERT_EQ(RunTool(Reference(file("in.ppm"), file("theirs.ppm"), c, "#996633")).Status, 0);
  ASSERT_EQ(
      RunTool(Reference(file("in-alpha.pgm"), file("theirs-alpha.pgm"), c, "rgb(7,7,7)")).Status,
      0);
  EXPECT_EQ(DifferingPixels(file("ours.ppm"), file("theirs.ppm")), 0);
  EXPECT_EQ(DifferingPixels(file("ours-alpha.pgm"), file("theirs-alpha.pgm")), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ResizeCanvasAgainstImageMagick,
                         ::testing::Combine(::testing::ValuesIn(kCanvasCases),
                                            ::testing::ValuesIn(kAllStorages)),
                         test::CaseInStorageName<CanvasCase>);

// ---- Odd differences ----

class OddDifferencesIn : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// Centring moves by half the difference rounded toward zero: shrinking 5 to 2 keeps columns 1
// and 2, growing 2 to 5 puts the content at column 1 with one fill column before and two after.
TEST_P(OddDifferencesIn, CentreByHalfTheDifferenceRoundedTowardZero) {
  auto bitmap = MakeBitmap(GetParam(), 5, 5, pv8g);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x) bitmap->SetPixel8(x, y, static_cast<uint8_t>(x + 10 * y));
  ASSERT_TRUE(bitmap->ResizeCanvas(2, 2, 0, 0, 1, 1));
  EXPECT_EQ(bitmap->GetPixel8(0, 0), 11);
  EXPECT_EQ(bitmap->GetPixel8(1, 0), 12);
  EXPECT_EQ(bitmap->GetPixel8(0, 1), 21);
  EXPECT_EQ(bitmap->GetPixel8(1, 1), 22);
  ASSERT_TRUE(bitmap->ResizeCanvas(5, 5, 99, 0, 1, 2));  // bottom: 3 fill rows above
  const int expected[5][5] = {{99, 99, 99, 99, 99},
                              {99, 99, 99, 99, 99},
                              {99, 99, 99, 99, 99},
                              {99, 11, 12, 99, 99},
                              {99, 21, 22, 99, 99}};
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x)
      EXPECT_EQ(bitmap->GetPixel8(x, y), expected[y][x]) << x << ", " << y;
}

INSTANTIATE_TEST_SUITE_P(Storages, OddDifferencesIn, ::testing::ValuesIn(kAllStorages),
                         test::StorageParamName);

}  // namespace
}  // namespace calmora
