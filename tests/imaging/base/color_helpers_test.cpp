// Grey levels from the live weights, colour-value conversions and RGB <-> HSL.
#include "imaging/base/color_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "imaging/base/defs.h"

namespace calmora {
namespace {

TEST(ColorHelpers, RecordsKeepTheirByteOrder) {
  const TPVRGB rgb = MakeRGB(1, 2, 3);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&rgb);
  EXPECT_EQ(bytes[0], 3);  // blue first
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 1);
  const TPVCMYK cmyk = MakeCMYK(10, 20, 30, 40);
  const auto* ink = reinterpret_cast<const uint8_t*>(&cmyk);
  EXPECT_EQ(ink[0], 10);
  EXPECT_EQ(ink[1], 20);
  EXPECT_EQ(ink[2], 30);
  EXPECT_EQ(ink[3], 40);
}

TEST(ColorHelpers, GrayLevelWithTheLibraryWeights) {
  ASSERT_EQ(GrayWeightRed, 21);
  ASSERT_EQ(GrayWeightGreen, 71);
  ASSERT_EQ(GrayWeightBlue, 8);
  struct Case {
    uint8_t r, g, b;
    int32_t grey;
  };
  const Case cases[] = {{255, 0, 0, 53},      {0, 255, 0, 181}, {0, 0, 255, 20},
                        {255, 255, 255, 255}, {0, 0, 0, 0},     {100, 100, 100, 100},
                        {1, 1, 1, 1},         {10, 20, 30, 18}};
  for (const Case& c : cases) EXPECT_EQ(GrayLevelOf(MakeRGB(c.r, c.g, c.b)), c.grey);
}

TEST(ColorHelpers, GrayLevelReadsTheWeightsAtEveryCall) {
  const int32_t red = GrayWeightRed, green = GrayWeightGreen, blue = GrayWeightBlue;
  GrayWeightRed = 0;
  GrayWeightGreen = 0;
  GrayWeightBlue = 100;
  EXPECT_EQ(GrayLevelOf(MakeRGB(200, 100, 7)), 7);
  GrayWeightRed = 100;
  GrayWeightBlue = 0;
  EXPECT_EQ(GrayLevelOf(MakeRGB(200, 100, 7)), 200);
  GrayWeightRed = red;
  GrayWeightGreen = green;
  GrayWeightBlue = blue;
  EXPECT_EQ(GrayLevelOf(MakeRGB(200, 100, 7)), (200 * 21 + 100 * 71 + 7 * 8) / 100);
}

TEST(ColorHelpers, ColorValueConversions) {
  EXPECT_EQ(SwapRedBlue(MakeRGB(0x11, 0x22, 0x33)), 0x332211);
  EXPECT_EQ(ColorToRGB(0x00332211u), 0x00332211u);
  const TPVRGB record = ColorToRGBRecord(0x00332211u);
  EXPECT_EQ(record.r, 0x11);
  EXPECT_EQ(record.g, 0x22);
  EXPECT_EQ(record.b, 0x33);
  EXPECT_EQ(ColorToARGB(0x00332211u, 0x80), 0x80112233u);
  EXPECT_EQ(ColorToARGB(0x00FFFFFFu, 0), 0x00FFFFFFu);
  // A system colour resolves to an RGB value without the system bit.
  EXPECT_EQ(ColorToRGB(clBtnFace) & 0xFF000000u, 0u);
  EXPECT_EQ(ColorToRGB(clBtnFace), 0x00F0F0F0u);
  EXPECT_EQ(ColorToRGB(clSystemColor | 5u), 0x00FFFFFFu);  // window background
  EXPECT_EQ(ColorToRGB(clSystemColor | 200u), 0u);         // unknown index
  EXPECT_TRUE(SameRGB(MakeRGB(1, 2, 3), MakeRGB(1, 2, 3)));
  EXPECT_FALSE(SameRGB(MakeRGB(1, 2, 3), MakeRGB(1, 2, 4)));
}

TEST(ColorHelpers, RGBToHSLValues) {
  struct Case {
    uint8_t r, g, b;
    double h, s, l;
  };
  const Case cases[] = {
      {255, 0, 0, 0.0, 1.0, 0.5},
      {0, 255, 0, 1.0 / 3, 1.0, 0.5},
      {0, 0, 255, 2.0 / 3, 1.0, 0.5},
      {255, 255, 0, 1.0 / 6, 1.0, 0.5},
      {255, 0, 255, 5.0 / 6, 1.0, 0.5},
      {0, 0, 0, 0, 0, 0},
      {255, 255, 255, 0, 0, 1},
      {128, 128, 128, 0, 0, 128 / 255.0},
      {255, 128, 128, 0, 1.0, (255 + 128) / 510.0},
  };
  for (const Case& c : cases) {
    double h = -1, s = -1, l = -1;
    RGBToHSL(MakeRGB(c.r, c.g, c.b), h, s, l);
    EXPECT_NEAR(h, c.h, 1e-12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(s, c.s, 1e-12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
    EXPECT_NEAR(l, c.l, 1e-12) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  // Every grey has no hue and no saturation.
  for (int v = 0; v < 256; ++v) {
    double h = -1, s = -1, l = -1;
    RGBToHSL(MakeRGB(v, v, v), h, s, l);
    EXPECT_EQ(h, 0.0);
    EXPECT_EQ(s, 0.0);
  }
}

TEST(ColorHelpers, HSLToRGBValues) {
  // 127.5 rounds to the even neighbour.
  for (double h : {0.0, 0.3, 0.9}) EXPECT_EQ(HSLToRGB(h, 0, 0.5), MakeRGB(128, 128, 128));
  EXPECT_EQ(HSLToRGB(0, 1, 0.5), MakeRGB(255, 0, 0));
  EXPECT_EQ(HSLToRGB(1.0 / 3, 1, 0.5), MakeRGB(0, 255, 0));
  EXPECT_EQ(HSLToRGB(2.0 / 3, 1, 0.5), MakeRGB(0, 0, 255));
  EXPECT_EQ(HSLToRGB(0, 1, 1), MakeRGB(255, 255, 255));
  EXPECT_EQ(HSLToRGB(0, 1, 0), MakeRGB(0, 0, 0));
  // A negative hue is taken once around the circle; S and L are clamped.
  EXPECT_EQ(HSLToRGB(-0.25, 0.8, 0.4), HSLToRGB(0.75, 0.8, 0.4));
  EXPECT_EQ(HSLToRGB(1.25, 0.8, 0.4), HSLToRGB(0.25, 0.8, 0.4));
  EXPECT_EQ(HSLToRGB(0.2, 3, 0.5), HSLToRGB(0.2, 1, 0.5));
  EXPECT_EQ(HSLToRGB(0.2, 0.5, -2), MakeRGB(0, 0, 0));
}

// HSLToRGB from its formulas in double precision, each channel rounded to nearest with halves
// going to the even neighbour. `ties` counts channels that landed exactly on a half.
TPVRGB ModelHSLToRGB(double h, double s, double l, int& ties) {
  if (h < 0)
    h += 1;
  else if (h > 1)
    h -= 1;
  s = std::clamp(s, 0.0, 1.0);
  l = std::clamp(l, 0.0, 1.0);
  const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  const double p = 2 * l - q;
  const auto value = [&](double t) {
    if (s == 0) return l;
    if (t < 0)
      t += 1;
    else if (t > 1)
      t -= 1;
    if (6 * t < 1) return p + (q - p) * 6 * t;
    if (2 * t < 1) return q;
    if (3 * t < 2) return p + (q - p) * (2.0 / 3.0 - t) * 6;
    return p;
  };
  const auto byte = [&](double t) {
    const double scaled = value(t) * 255;
    const double below = std::floor(scaled);
    const bool half = scaled - below == 0.5;
    ties += half;
    const double rounded =
        scaled - below > 0.5 || (half && std::fmod(below, 2) != 0) ? below + 1 : below;
    return static_cast<uint8_t>(std::clamp(rounded, 0.0, 255.0));
  };
  return MakeRGB(byte(h + 1.0 / 3.0), byte(h), byte(h - 1.0 / 3.0));
}

TEST(ColorHelpers, HSLToRGBRoundsHalvesToEven) {
  int ties = 0;
  const auto check = [&](double h, double s, double l) -> ::testing::AssertionResult {
    const TPVRGB want = ModelHSLToRGB(h, s, l, ties);
    const TPVRGB got = HSLToRGB(h, s, l);
    if (got == want) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "H " << h << " S " << s << " L " << l << " gave " << int(got.r) << "," << int(got.g)
           << "," << int(got.b) << ", the model " << int(want.r) << "," << int(want.g) << ","
           << int(want.b);
  };
  // Greys on every half step, and full colours whose rising and falling channels step through
  // every half (6 x 255 steps around the hue circle).
  for (int j = 0; j < 255; ++j) ASSERT_TRUE(check(0.3, 0, (j + 0.5) / 255));
  for (int j = 0; j < 1530; ++j) ASSERT_TRUE(check((j + 0.5) / 1530, 1, 0.5));
  // A grid over the whole range, including values outside it.
  for (int h = -10; h <= 110; ++h)
    for (int s = -5; s <= 105; s += 5)
      for (int l = -5; l <= 105; ++l) ASSERT_TRUE(check(h / 100.0, s / 100.0, l / 100.0));
  EXPECT_GT(ties, 300);  // halves were really met
}

TEST(ColorHelpers, HSLRoundTripIsExact) {
  for (int r = 0; r < 256; r += 15)
    for (int g = 0; g < 256; g += 15)
      for (int b = 0; b < 256; b += 15) {
        double h, s, l;
        const TPVRGB pixel = MakeRGB(r, g, b);
        RGBToHSL(pixel, h, s, l);
        EXPECT_GE(h, 0.0);
        EXPECT_LT(h, 1.0);
        EXPECT_GE(s, 0.0);
        EXPECT_LE(s, 1.0);
        EXPECT_EQ(HSLToRGB(h, s, l), pixel) << r << "," << g << "," << b;
      }
}

}  // namespace
}  // namespace calmora
