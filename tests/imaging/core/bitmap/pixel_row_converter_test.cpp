// The row converter of the per-pixel rules: which pairs it converts, that it writes a row's
// pixels and nothing past them, that rows wider than its runs convert as their pixels do one by
// one, how a pv8p source reads past a short palette, and that the grey weights are those of its
// construction.
#include "imaging/core/bitmap/pixel_row_converter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/color/cmyk_profile.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

// The pairs that convert pixel by pixel: all but those via pv24RGB, the reductions to pv1g and
// the quantiser's pv24RGB to pv8p.
bool IsPixelPair(TPVPixelFormat from, TPVPixelFormat to) {
  struct Pair {
    TPVPixelFormat From;
    std::vector<TPVPixelFormat> To;
  };
  static const Pair kPairs[] = {
      {pv1g, {pv8p, pv8g, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}},
      {pv8p, {pv8g, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}},
      {pv8g, {pv8p, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}},
      {pv16g, {pv8p, pv8g, pv24RGB, pv32f, pvRGB48, pv32RGB}},
      {pv24RGB, {pv8g, pv16g, pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB}},
      {pv32f, {pv8p, pv8g, pv16g, pv24RGB, pvRGB48, pv32RGB}},
      {pvCMYK, {pv24RGB, pv32RGB}},
      {pvRGB48, {pv8g, pv16g, pv24RGB, pv32f, pv32RGB}},
      {pvCIELab, {pv24RGB, pv32RGB}},
      {pv32RGB, {pv24RGB}},
  };
  for (const Pair& pair : kPairs)
    if (pair.From == from)
      for (const TPVPixelFormat target : pair.To)
        if (target == to) return true;
  return false;
}

TEST(PixelRowConverter, ConvertsExactlyThePixelPairs) {
  TPVBitmap source;
  for (int from = 0; from <= PixelFormatCount; ++from)
    for (int to = 0; to <= PixelFormatCount; ++to) {
      const auto f = static_cast<TPVPixelFormat>(from);
      const auto t = static_cast<TPVPixelFormat>(to);
      EXPECT_EQ(PixelRowConverter::HasRule(f, t), IsPixelPair(f, t)) << from << " to " << to;
      EXPECT_EQ(PixelRowConverter(f, t, source).CanConvert(), IsPixelPair(f, t));
    }
}

// Every pair on 13 random pixels: the target row past its 13 pixels stays as it was.
TEST(PixelRowConverter, WritesNoByteBeyondTheRow) {
  constexpr int32_t kPixels = 13;
  for (const TPVPixelFormat from : test::kAllFormats)
    for (const TPVPixelFormat to : test::kAllFormats) {
      if (!PixelRowConverter::HasRule(from, to)) continue;
      TPVBitmap source(kPixels, 1, from);
      test::FillRandom(source, from);
      const PixelRowConverter converter(from, to, source);
      const int32_t bytes = test::PixelBytes(kPixels, to);
      std::vector<uint8_t> target(static_cast<size_t>(bytes) + 16, 0xEE);
      converter.Convert(source.GetScanline(0), target.data(), kPixels);
      for (size_t i = static_cast<size_t>(bytes); i < target.size(); ++i)
        ASSERT_EQ(target[i], 0xEE) << int(from) << " to " << int(to) << ", byte " << i;
    }
}

// Every pair, with and without the CMYK profile, on rows around one, two and three runs of the
// converter and of the colour system's slices (256 pixels): the whole row equals its pixels
// converted one at a time, and nothing past the row is written.
TEST(PixelRowConverter, RowsWiderThanARunConvertAsTheirPixelsOneByOne) {
  constexpr int32_t kRun = PixelRowConverter::kCMYKRun;
  const int32_t widths[] = {1,        255,      256,      257,          kRun - 1,
                            kRun,     kRun + 1, 2 * kRun, 2 * kRun + 1, 3 * kRun + 7};
  for (const bool profile : {true, false}) {
    test::ScopedOverride<bool> conversion(CMYKProfileConversion, profile);
    for (const TPVPixelFormat from : test::kAllFormats)
      for (const TPVPixelFormat to : test::kAllFormats) {
        if (!PixelRowConverter::HasRule(from, to)) continue;
        for (const int32_t width : widths) {
          SCOPED_TRACE(::testing::Message() << int(from) << " to " << int(to) << ", " << width
                                            << " pixels, profile " << profile);
          TPVBitmap source(width, 1, from);
          test::FillRandom(source, uint32_t(from) * 1000 + uint32_t(width));
          const PixelRowConverter converter(from, to, source);
          const uint8_t* row = source.GetScanline(0);
          const size_t size = size_t(test::PixelSize(to));
          std::vector<uint8_t> whole(size * size_t(width) + 16, 0xEE);
          converter.Convert(row, whole.data(), width);
          std::vector<uint8_t> single(size * size_t(width) + 16, 0xEE);
          for (int32_t x = 0; x < width; ++x) {
            // A pv1g pixel alone is its bit at the top of a byte.
            const uint8_t bit = uint8_t(((row[x >> 3] >> (7 - (x & 7))) & 1) << 7);
            const uint8_t* pixel =
                from == pv1g ? &bit : row + size_t(x) * size_t(test::PixelSize(from));
            converter.Convert(pixel, single.data() + size * size_t(x), 1);
          }
          ASSERT_EQ(whole, single);
        }
      }
  }
}

TEST(PixelRowConverter, IndexesPastAShortPaletteReadBlack) {
  TPVBitmap source(3, 1, pv8p);
  for (int32_t i = 0; i < 256; ++i) source.SetPaletteColor(i, TPVRGB{9, 9, 9});
  source.PaletteLength = 2;  // as a shorter palette copied in leaves it
  source.SetPaletteColor(0, TPVRGB{1, 2, 3});
  source.SetPaletteColor(1, TPVRGB{4, 5, 6});
  const uint8_t indexes[3] = {1, 2, 255};
  const PixelRowConverter converter(pv8p, pv24RGB, source);
  TPVRGB target[3];
  converter.Convert(indexes, reinterpret_cast<uint8_t*>(target), 3);
  EXPECT_EQ(target[0], (TPVRGB{4, 5, 6}));
  EXPECT_EQ(target[1], (TPVRGB{0, 0, 0}));
  EXPECT_EQ(target[2], (TPVRGB{0, 0, 0}));
}

TEST(PixelRowConverter, KeepsTheGreyWeightsOfItsConstruction) {
  TPVBitmap source;
  const PixelRowConverter before(pv24RGB, pv8g, source);
  test::ScopedOverride<int32_t> red(GrayWeightRed, 100);
  test::ScopedOverride<int32_t> green(GrayWeightGreen, 0);
  test::ScopedOverride<int32_t> blue(GrayWeightBlue, 0);
  const PixelRowConverter after(pv24RGB, pv8g, source);
  const TPVRGB pixel{50, 100, 200};
  uint8_t grey = 0;
  before.Convert(reinterpret_cast<const uint8_t*>(&pixel), &grey, 1);
  EXPECT_EQ(grey, 117);  // (200 x 21 + 100 x 71 + 50 x 8) div 100
  after.Convert(reinterpret_cast<const uint8_t*>(&pixel), &grey, 1);
  EXPECT_EQ(grey, 200);
}

}  // namespace
}  // namespace calmora
