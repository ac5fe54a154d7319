// Rectangles of TPVBitmap in memory and in the file: FillRect, CopyRectTo (clipping, formats,
// copies within one bitmap), MergeAlphaRectTo and MoveRect, each against a pixel model over
// many random rectangles, and the literal cases that pin the clipping rules down.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/color/cmyk_profile.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"

namespace calmora {
namespace {

using test::FillRandom;
using test::kAllFormats;
using test::kMemoryAndFile;
using test::MakeBitmap;
using test::ModelOf;
using test::PixelModel;
using test::PixelSize;
using test::SameModel;
using test::Storage;
using test::StorageName;
using test::TempFolderScope;

// A rectangle as CopyRectTo takes it.
struct CopyArgs {
  int32_t sx, sy, tx, ty, w, h;
};

std::ostream& operator<<(std::ostream& out, const CopyArgs& a) {
  return out << "source (" << a.sx << ", " << a.sy << ") target (" << a.tx << ", " << a.ty
             << ") size " << a.w << " x " << a.h;
}

// One axis of the copy as the rules read: a negative target start moves the source start with
// it and shortens the run; a negative source start reads from 0; a start at or beyond the far
// edge of either side, or a run with nothing left, copies nothing; else the run is cut to both.
bool ExpectedAxis(int64_t& s, int64_t& t, int64_t& n, int64_t sourceSize, int64_t targetSize) {
  if (t < 0) {
    s -= t;
    n += t;
    t = 0;
  }
  if (s < 0) s = 0;
  if (s >= sourceSize || t >= targetSize) return false;
  n = std::min({n, sourceSize - s, targetSize - t});
  return n > 0;
}

// The target model after the copy; pixels of the source model are converted by convert.
template <typename Convert>
void ModelCopy(const PixelModel& source, PixelModel& target, CopyArgs a, Convert convert) {
  int64_t sx = a.sx, sy = a.sy, tx = a.tx, ty = a.ty, w = a.w, h = a.h;
  if (!ExpectedAxis(sx, tx, w, source.Width, target.Width) ||
      !ExpectedAxis(sy, ty, h, source.Height, target.Height))
    return;
  for (int64_t j = 0; j < h; ++j)
    for (int64_t i = 0; i < w; ++i)
      convert(source.At(static_cast<int32_t>(sx + i), static_cast<int32_t>(sy + j)),
              target.At(static_cast<int32_t>(tx + i), static_cast<int32_t>(ty + j)));
}

auto SamePixel(int32_t size) {
  return [size](const uint8_t* from, uint8_t* to) { std::memcpy(to, from, size); };
}

CopyArgs RandomCopy(std::mt19937& random) {
  std::uniform_int_distribution<int32_t> start(-12, 30), length(-2, 30);
  return CopyArgs{start(random), start(random),  start(random),
                  start(random), length(random), length(random)};
}

class RectsIn : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Make(int32_t width, int32_t height, TPVPixelFormat format,
                                  uint32_t seed) {
    auto bitmap = MakeBitmap(GetParam(), width, height, format);
    FillRandom(*bitmap, seed);
    return bitmap;
  }
  TempFolderScope temp_;
};

// ---- CopyRectTo ----

// Copies the rectangles next() gives from source to target, checking the target against the
// model after each copy, and the source once at the end.
template <typename NextArgs, typename Convert>
void CheckCopies(TPVBitmap& source, TPVBitmap& target, int rounds, NextArgs next, Convert convert) {
  const PixelModel from = ModelOf(source);
  PixelModel expected = ModelOf(target);
  for (int round = 0; round < rounds; ++round) {
    const CopyArgs a = next();
    SCOPED_TRACE(::testing::Message() << a);
    source.CopyRectTo(target, a.sx, a.sy, a.tx, a.ty, a.w, a.h);
    ModelCopy(from, expected, a, convert);
    ASSERT_TRUE(SameModel(expected, ModelOf(target)));
  }
  EXPECT_TRUE(SameModel(from, ModelOf(source)));
}

TEST_P(RectsIn, CopyRectToBetweenEqualFormatsFollowsTheModel) {
  std::mt19937 random(11);
  for (TPVPixelFormat format : kAllFormats) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto source = Make(17, 11, format, 1);
    auto target = Make(13, 9, format, 2);
    CheckCopies(
        *source, *target, 60, [&] { return RandomCopy(random); },
        SamePixel(format == pv1g ? 1 : PixelSize(format)));  // a bit: one model byte
  }
}

// Whole rows between bitmaps of one width go as one run in a memory block.
TEST_P(RectsIn, CopyRectToOfWholeRowsFollowsTheModel) {
  std::mt19937 random(14);
  std::uniform_int_distribution<int32_t> row(-4, 12), rows(-1, 14), columns(13, 20);
  for (TPVPixelFormat format : {pv8g, pv24RGB, pv32RGB, pvRGB48}) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto source = Make(13, 11, format, 1);
    auto target = Make(13, 9, format, 2);
    CheckCopies(
        *source, *target, 40,
        [&] { return CopyArgs{0, row(random), 0, row(random), columns(random), rows(random)}; },
        SamePixel(PixelSize(format)));
  }
}

TEST_P(RectsIn, CopyRectToExpandsBitsToBlackAndWhiteRGB) {
  std::mt19937 random(12);
  auto source = Make(21, 7, pv1g, 3);
  auto target = Make(15, 9, pv24RGB, 4);
  CheckCopies(
      *source, *target, 60, [&] { return RandomCopy(random); },
      [](const uint8_t* bit, uint8_t* rgb) { std::memset(rgb, *bit ? 255 : 0, 3); });
}

TEST_P(RectsIn, CopyRectToBetweenOtherFormatPairsCopiesNothing) {
  const std::pair<TPVPixelFormat, TPVPixelFormat> pairs[] = {
      {pv8g, pv24RGB}, {pv24RGB, pv1g}, {pv32RGB, pv24RGB}, {pv24RGB, pvCIELab}, {pv8p, pv8g}};
  for (const auto& [from, to] : pairs) {
    auto source = Make(6, 5, from, 5);
    auto target = Make(6, 5, to, 6);
    const PixelModel before = ModelOf(*target);
    source->CopyRectTo(*target, 0, 0, 0, 0, 6, 5);
    EXPECT_TRUE(SameModel(before, ModelOf(*target))) << int{from} << " into " << int{to};
  }
}

TEST_P(RectsIn, CopyRectToWithinOneBitmapReadsEverySourcePixelBeforeOverwritingIt) {
  std::mt19937 random(13);
  for (TPVPixelFormat format : {pv1g, pv8g, pv24RGB, pv32RGB, pvRGB48}) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = Make(19, 13, format, 7);
    for (int round = 0; round < 40; ++round) {
      const CopyArgs a = RandomCopy(random);
      SCOPED_TRACE(::testing::Message() << a);
      const PixelModel before = ModelOf(*bitmap);
      PixelModel expected = before;
      bitmap->CopyRectTo(*bitmap, a.sx, a.sy, a.tx, a.ty, a.w, a.h);
      ModelCopy(before, expected, a, SamePixel(before.Size));
      ASSERT_TRUE(SameModel(expected, ModelOf(*bitmap)));
    }
  }
}

// Literal cases of the clipping rules, on 10 x 8 grey bitmaps whose pixels are x + 10 y.
struct ClipCase {
  const char* Name;
  CopyArgs Args;
  int32_t FirstTargetX, FirstTargetY;  // where the first copied pixel lands
  int32_t FirstSourceX, FirstSourceY;  // and where it came from
  int32_t Columns, Rows;               // how many are copied; 0 for none
};

void PrintTo(const ClipCase& c, std::ostream* out) { *out << c.Name; }

const ClipCase kClipCases[] = {
    {"NegativeTargetXSkipsAsManySourceColumns", {2, 1, -3, 0, 6, 2}, 0, 0, 5, 1, 3, 2},
    {"NegativeTargetYSkipsAsManySourceRows", {0, 0, 4, -2, 3, 5}, 4, 0, 0, 2, 3, 3},
    {"NegativeSourceXReadsFromColumnZero", {-4, 0, 2, 3, 3, 1}, 2, 3, 0, 0, 3, 1},
    {"RunCutAtTheTargetsRightEdge", {0, 0, 7, 0, 6, 1}, 7, 0, 0, 0, 3, 1},
    {"RunCutAtTheSourcesBottomEdge", {0, 6, 0, 0, 1, 5}, 0, 0, 0, 6, 1, 2},
    {"StartOnTheLastColumnCopiesOneColumn", {9, 0, 0, 0, 4, 1}, 0, 0, 9, 0, 1, 1},
    {"SourceStartAtTheRightEdgeCopiesNothing", {10, 0, 0, 0, 4, 2}, 0, 0, 0, 0, 0, 0},
    {"SourceStartBeyondTheBottomCopiesNothing", {0, 12, 0, 0, 4, 2}, 0, 0, 0, 0, 0, 0},
    {"TargetStartAtTheRightEdgeCopiesNothing", {0, 0, 10, 0, 4, 2}, 0, 0, 0, 0, 0, 0},
    {"TargetStartAtTheBottomEdgeCopiesNothing", {0, 0, 0, 8, 4, 2}, 0, 0, 0, 0, 0, 0},
    {"NothingLeftAfterTheNegativeTargetCopiesNothing", {0, 0, -5, 0, 5, 2}, 0, 0, 0, 0, 0, 0},
    {"ZeroWidthCopiesNothing", {1, 1, 1, 1, 0, 3}, 0, 0, 0, 0, 0, 0},
};

class CopyRectClipping : public ::testing::TestWithParam<std::tuple<ClipCase, Storage>> {
 protected:
  TempFolderScope temp_;
};

TEST_P(CopyRectClipping, CopiesExactlyThePixelsTheRulesName) {
  const auto& [c, storage] = GetParam();
  auto source = MakeBitmap(storage, 10, 8, pv8g);
  auto target = MakeBitmap(storage, 10, 8, pv8g);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      source->SetPixel8(x, y, static_cast<uint8_t>(x + 10 * y));
      target->SetPixel8(x, y, 255);
    }
  source->CopyRectTo(*target, c.Args.sx, c.Args.sy, c.Args.tx, c.Args.ty, c.Args.w, c.Args.h);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const int32_t i = x - c.FirstTargetX, j = y - c.FirstTargetY;
      const bool copied = i >= 0 && j >= 0 && i < c.Columns && j < c.Rows;
      const int expected = copied ? c.FirstSourceX + i + 10 * (c.FirstSourceY + j) : 255;
      EXPECT_EQ(target->GetPixel8(x, y), expected) << "at " << x << ", " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CopyRectClipping,
                         ::testing::Combine(::testing::ValuesIn(kClipCases),
                                            ::testing::ValuesIn(kMemoryAndFile)),
                         test::CaseInStorageName<ClipCase>);

TEST_P(RectsIn, CopyRectToBetween32BitRGBBitmapsCopiesAllFourBytes) {
  auto source = Make(5, 4, pv32RGB, 8);
  auto target = Make(5, 4, pv32RGB, 9);
  const PixelModel from = ModelOf(*source);
  source->CopyRectTo(*target, 1, 1, 0, 2, 3, 2);
  const PixelModel to = ModelOf(*target);
  for (int32_t j = 0; j < 2; ++j)
    for (int32_t i = 0; i < 3; ++i)
      EXPECT_EQ(0, std::memcmp(to.At(i, 2 + j), from.At(1 + i, 1 + j), 4)) << i << ", " << j;
}

// ---- FillRect ----

// The pixel bytes a fill value gives each format, written from the formats' definitions.
std::vector<uint8_t> ExpectedFill(TPVPixelFormat format, double value) {
  const auto n = static_cast<int32_t>(static_cast<int64_t>(value));
  const TPVRGB c{static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                 static_cast<uint8_t>(n)};  // a TColor: red lowest
  const auto word = [](int32_t v) {
    return std::vector<uint8_t>{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  };
  switch (format) {
    case pv1g: return {static_cast<uint8_t>(n != 0)};
    case pv8p:
    case pv8g: return {static_cast<uint8_t>(n)};
    case pv16g: return word(n);
    case pv24RGB: return {c.b, c.g, c.r};
    case pv32f: {
      const float f = static_cast<float>(value);
      std::vector<uint8_t> bytes(4);
      std::memcpy(bytes.data(), &f, 4);
      return bytes;
    }
    case pvCMYK: {
      const TPVCMYK ink = RGBToCMYK(c);
      return {ink.c, ink.m, ink.y, ink.k};
    }
    case pvRGB48: {
      std::vector<uint8_t> bytes;
      for (uint8_t sample : {c.r, c.g, c.b})
        for (uint8_t byte : word(sample * 257)) bytes.push_back(byte);
      return bytes;
    }
    case pvCIELab: {
      TPVCIELab lab{};
      ConvertRGBToCIELab(lab, c);
      return {lab.l, static_cast<uint8_t>(lab.a), static_cast<uint8_t>(lab.b)};
    }
    case pv32RGB: return {c.b, c.g, c.r};  // the fourth byte keeps its value
    default: return {};
  }
}

TEST_P(RectsIn, FillRectFillsTheClippedInclusiveRectangleWithTheFormatsValue) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int32_t> corner(-6, 20);
  const double values[] = {0, 255, 0xABCDEF, 0.5, 1.75, 65535, 70000.9};
  for (TPVPixelFormat format : kAllFormats) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = Make(15, 10, format, 10);
    PixelModel expected = ModelOf(*bitmap);
    for (int round = 0; round < 40; ++round) {
      const int32_t x1 = corner(random), y1 = corner(random), x2 = corner(random),
                    y2 = corner(random);
      const double value = values[round % std::size(values)];
      SCOPED_TRACE(::testing::Message()
                   << "(" << x1 << ", " << y1 << ") - (" << x2 << ", " << y2 << ") with " << value);
      const bool opaque = round % 2 == 0;
      bitmap->Opaque = opaque;
      bitmap->FillRect(x1, y1, x2, y2, value);
      EXPECT_EQ(bitmap->Opaque, opaque);
      const std::vector<uint8_t> pixel = ExpectedFill(format, value);
      for (int32_t y = std::max(y1, 0); y <= std::min(y2, 9); ++y)
        for (int32_t x = std::max(x1, 0); x <= std::min(x2, 14); ++x)
          std::memcpy(expected.At(x, y), pixel.data(), pixel.size());
      ASSERT_TRUE(SameModel(expected, ModelOf(*bitmap)));
    }
  }
}

// Every run of a 1-bit row, so that partial bytes at both ends and whole bytes between meet
// at each bit position.
TEST_P(RectsIn, FillRectOfBitsSetsAndClearsEveryRunExactly) {
  auto bitmap = Make(29, 2, pv1g, 23);
  PixelModel expected = ModelOf(*bitmap);
  for (int32_t x1 = 0; x1 < 29; ++x1)
    for (int32_t x2 = x1; x2 < 29; ++x2) {
      const uint8_t set = (x1 + x2) % 2;
      bitmap->FillRect(x1, 1, x2, 1, set ? 3 : 0);
      for (int32_t x = x1; x <= x2; ++x) *expected.At(x, 1) = set;
      ASSERT_TRUE(SameModel(expected, ModelOf(*bitmap))) << x1 << " - " << x2;
    }
}

TEST_P(RectsIn, FillRectFromOutsideFillsTheCornerOnly) {
  auto bitmap = Make(6, 5, pv8g, 11);
  PixelModel expected = ModelOf(*bitmap);
  bitmap->FillRect(-5, -5, 2, 2, 0);
  bitmap->FillRect(4, 4, 99, 4, 1);  // x2 beyond the width stops at the last column
  for (int32_t y = 0; y <= 2; ++y)
    for (int32_t x = 0; x <= 2; ++x) *expected.At(x, y) = 0;
  *expected.At(4, 4) = *expected.At(5, 4) = 1;
  EXPECT_TRUE(SameModel(expected, ModelOf(*bitmap)));
}

TEST_P(RectsIn, FillRectOfFloatsWritesTheValueItself) {
  auto bitmap = Make(4, 3, pv32f, 12);
  bitmap->FillRect(1, 1, 2, 2, 0.5);
  EXPECT_EQ(bitmap->GetPixelFloat(1, 1), 0.5);
  EXPECT_EQ(bitmap->GetPixelFloat(2, 2), 0.5);
  EXPECT_FALSE(bitmap->Opaque);
}

// ---- MergeAlphaRectTo ----

TEST_P(RectsIn, MergeAlphaRectToKeepsTheLargerAlphaInTheClippedRectangle) {
  std::mt19937 random(31);
  auto source = Make(14, 9, pv24RGB, 13);
  auto target = Make(11, 12, pv24RGB, 14);
  FillRandom(*source->GetAlphaChannel(), 15);
  FillRandom(*target->GetAlphaChannel(), 16);
  const PixelModel from = ModelOf(*source->AlphaBitmap);
  PixelModel expected = ModelOf(*target->AlphaBitmap);
  const PixelModel pixels = ModelOf(*target);
  for (int round = 0; round < 60; ++round) {
    const CopyArgs a = RandomCopy(random);
    SCOPED_TRACE(::testing::Message() << a);
    source->MergeAlphaRectTo(*target, a.sx, a.sy, a.tx, a.ty, a.w, a.h);
    ModelCopy(from, expected, a, [](const uint8_t* s, uint8_t* t) { *t = std::max(*s, *t); });
    ASSERT_TRUE(SameModel(expected, ModelOf(*target->AlphaBitmap)));
  }
  EXPECT_TRUE(SameModel(pixels, ModelOf(*target)));  // the pixels are not touched
}

TEST_P(RectsIn, MergeAlphaRectToCreatesMissingPlanes) {
  auto source = Make(4, 4, pv8g, 17);
  auto target = Make(4, 4, pv8g, 18);
  source->MergeAlphaRectTo(*target, 0, 0, 0, 0, 4, 4);
  ASSERT_TRUE(source->HasAlphaChannel());
  ASSERT_TRUE(target->HasAlphaChannel());
  EXPECT_EQ(target->GetAlpha(3, 3), 255);
}

TEST_P(RectsIn, MergeAlphaRectToLeavesAPlaneThatIsNotGrey) {
  auto source = Make(4, 4, pv8g, 19);
  auto target = Make(4, 4, pv8g, 20);
  target->AttachAlphaChannel(std::make_unique<TPVBitmap>(4, 4, pv16g));
  target->AlphaBitmap->FillRect(0, 0, 3, 3, 0);
  source->MergeAlphaRectTo(*target, 0, 0, 0, 0, 4, 4);
  EXPECT_EQ(target->AlphaBitmap->GetPixel16(2, 2), 0);
}

// ---- MoveRect ----

TEST_P(RectsIn, MoveRectMovesTheRectangleAndFillsWhatItLeaves) {
  std::mt19937 random(41);
  std::uniform_int_distribution<int32_t> inside(0, 12), end(-1, 20), target(-8, 16);
  for (TPVPixelFormat format : {pv1g, pv8g, pv24RGB, pv32RGB, pvRGB48}) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = Make(13, 10, format, 21);
    for (int round = 0; round < 30; ++round) {
      const int32_t x1 = inside(random), y1 = inside(random) % 10, x2 = end(random),
                    y2 = end(random), tx = target(random), ty = target(random);
      SCOPED_TRACE(::testing::Message() << "(" << x1 << ", " << y1 << ") - (" << x2 << ", " << y2
                                        << ") to " << tx << ", " << ty);
      const PixelModel before = ModelOf(*bitmap);
      PixelModel expected = before;
      const std::vector<uint8_t> fill = ExpectedFill(format, 0x102030);
      for (int32_t y = y1; y <= std::min(y2, 9); ++y)
        for (int32_t x = x1; x <= std::min(x2, 12); ++x)
          std::memcpy(expected.At(x, y), fill.data(), fill.size());
      for (int32_t y = y1; y <= std::min(y2, 9); ++y)
        for (int32_t x = x1; x <= std::min(x2, 12); ++x)
          if (expected.Inside(tx + x - x1, ty + y - y1))
            std::memcpy(expected.At(tx + x - x1, ty + y - y1), before.At(x, y), before.Size);
      ASSERT_TRUE(bitmap->MoveRect(x1, y1, x2, y2, tx, ty, 0x102030));
      ASSERT_TRUE(SameModel(expected, ModelOf(*bitmap)));
    }
  }
}

TEST_P(RectsIn, MoveRectFailsWithoutChangeWhenItsCopyCannotBeHad) {
  auto bitmap = Make(8, 6, pv24RGB, 22);
  const PixelModel before = ModelOf(*bitmap);
  test::BlockLimitScope noBlocks(bitmap_testing::SingleBlockLimit, 0);
  test::BlockLimitScope noFragments(bitmap_testing::FragmentBlockLimit, 0);
  test::FreeSpaceScope noDisk([](const std::string&) -> int64_t { return 0; });
  EXPECT_FALSE(bitmap->MoveRect(1, 1, 4, 4, 3, 2, 0));
  EXPECT_TRUE(SameModel(before, ModelOf(*bitmap)));
}

INSTANTIATE_TEST_SUITE_P(Storages, RectsIn, ::testing::ValuesIn(kMemoryAndFile),
                         test::StorageParamName);

}  // namespace
}  // namespace calmora
