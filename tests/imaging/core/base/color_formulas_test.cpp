// The fixed colour formulas: sRGB <-> CIELab bytes and YCbCr -> RGB, against values worked
// out by hand from the formulas.
#include "imaging/core/base/color_formulas.h"

#include <gtest/gtest.h>

#include "imaging/proc/base/color_helpers.h"

namespace calmora {
namespace {

struct RGBToLabCase {
  TPVRGB rgb;
  TPVCIELab lab;
};

TEST(ColorFormulas, RGBToCIELabTruncatesIntoBytes) {
  // L is 2.5 per unit; a and b truncated toward zero and kept signed.
  const RGBToLabCase cases[] = {
      {MakeRGB(255, 255, 255), {250, 0, 0}},   {MakeRGB(0, 0, 0), {0, 0, 0}},
      {MakeRGB(255, 0, 0), {133, 80, 67}},     {MakeRGB(0, 255, 0), {219, -86, 83}},
      {MakeRGB(0, 0, 255), {80, 79, -107}},    {MakeRGB(128, 128, 128), {133, 0, 0}},
      {MakeRGB(10, 20, 30), {14, 0, -8}},      {MakeRGB(200, 150, 100), {164, 12, 33}},
      {MakeRGB(50, 100, 200), {110, 18, -56}},
  };
  for (const auto& c : cases) {
    TPVCIELab lab{1, 1, 1};
    ConvertRGBToCIELab(lab, c.rgb);
    EXPECT_EQ(lab.l, c.lab.l) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
    EXPECT_EQ(lab.a, c.lab.a) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
    EXPECT_EQ(lab.b, c.lab.b) << int(c.rgb.r) << "," << int(c.rgb.g) << "," << int(c.rgb.b);
  }
}

TEST(ColorFormulas, CIELabToRGBReadsLAt255PerHundred) {
  // White's Lab bytes come back one step darker: the two directions scale L differently.
  const RGBToLabCase cases[] = {
      {MakeRGB(249, 249, 249), {250, 0, 0}},    {MakeRGB(0, 0, 0), {0, 0, 0}},
      {MakeRGB(119, 119, 119), {128, 0, 0}},    {MakeRGB(128, 59, 175), {100, 50, -50}},
      {MakeRGB(163, 208, 117), {200, -30, 40}}, {MakeRGB(11, 0, 215), {60, 80, -100}},
      {MakeRGB(255, 70, 0), {255, 127, 127}},
  };
  for (const auto& c : cases) {
    TPVRGB rgb{1, 2, 3};
    ConvertCIELabToRGB(rgb, c.lab);
    EXPECT_EQ(rgb, c.rgb) << int(c.lab.l) << "," << int(c.lab.a) << "," << int(c.lab.b) << " -> "
                          << int(rgb.r) << "," << int(rgb.g) << "," << int(rgb.b);
  }
}

TEST(ColorFormulas, YCbCrToRGB) {
  TPVRGB rgb{};
  ConvertYCbCrToRGB(rgb, 255, 128, 128);
  EXPECT_EQ(rgb, MakeRGB(255, 255, 255));
  ConvertYCbCrToRGB(rgb, 0, 0, 255);  // red 178.05 truncated; green and blue clamp at 0
  EXPECT_EQ(rgb, MakeRGB(178, 0, 0));
  ConvertYCbCrToRGB(rgb, 0, 128, 128);
  EXPECT_EQ(rgb, MakeRGB(0, 0, 0));
  // Truncation toward zero: 100 + 1.402 * 10 = 114.02, 100 - 0.34414 * -10 - 0.71414 * 10 =
  // 96.2999..., 100 + 1.772 * -10 = 82.28.
  ConvertYCbCrToRGB(rgb, 100, 118, 138);
  EXPECT_EQ(rgb, MakeRGB(114, 96, 82));
}

}  // namespace
}  // namespace calmora
