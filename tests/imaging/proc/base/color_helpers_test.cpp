// Grey levels from the live weights, colour-value conversions and RGB <-> HSL.
#include "imaging/proc/base/color_helpers.h"

#include <gtest/gtest.h>

#include "imaging/core/base/defs.h"

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
