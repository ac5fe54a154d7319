// The fixed colour formulas: sRGB <-> CIELab bytes and YCbCr -> RGB, against values worked
// out by hand from the formulas.
#include "imaging/base/color_formulas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/base/color_helpers.h"

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

// ---- Models of the two Lab directions, written from the formulas in double precision ----
// The library raises powers its own way; where a model value lies within a hair of a rounding
// or truncation step either neighbour is accepted, everywhere else the bytes must agree.

constexpr double Hair = 1e-9;

struct ModelByte {
  int value;
  bool eitherNeighbour;  // the model value lies on a step
};

// Rounded to nearest, halves to even, then kept within 0..255.
ModelByte RoundedChannel(double c) {
  const double scaled = c * 255;
  const double below = std::floor(scaled);
  const double fraction = scaled - below;
  int value =
      static_cast<int>(below) + (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2) != 0));
  return {std::clamp(value, 0, 255), std::fabs(fraction - 0.5) < Hair};
}

TPVRGB ModelLabToRGB(TPVCIELab lab, bool ambiguous[3]) {
  const double fy = (lab.l * 0.39215686275 + 16) / 116;
  const double fx = fy + lab.a / 500.0, fz = fy - lab.b / 200.0;
  const auto inverse = [](double t) {
    return t * t * t > 0.008856 ? t * t * t : (t - 0.13793103448) / 7.787;
  };
  const double y = inverse(fy), x = 0.95047 * inverse(fx), z = 1.08883 * inverse(fz);
  const double linear[3] = {3.2406 * x - 1.5372 * y - 0.4986 * z,
                            -0.9689 * x + 1.8758 * y + 0.0415 * z,
                            0.0557 * x - 0.204 * y + 1.057 * z};
  int bytes[3];
  for (int i = 0; i < 3; ++i) {
    const double c = linear[i];
    const double encoded = c > 0.0031308 ? 1.055 * std::pow(c, 0.41666666667) - 0.055 : 12.92 * c;
    const ModelByte channel = RoundedChannel(encoded);
    bytes[i] = channel.value;
    ambiguous[i] = channel.eitherNeighbour;
  }
  return MakeRGB(uint8_t(bytes[0]), uint8_t(bytes[1]), uint8_t(bytes[2]));
}

// Truncated toward zero and kept to the low 8 bits.
ModelByte TruncatedByte(double v) {
  const double whole = std::trunc(v);
  return {static_cast<int>(static_cast<int64_t>(whole) & 0xFF),
          std::fabs(v - std::nearbyint(v)) < Hair};
}

TPVCIELab ModelRGBToLab(TPVRGB rgb, bool ambiguous[3]) {
  const auto linear = [](int channel) {
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double r = linear(rgb.r), g = linear(rgb.g), b = linear(rgb.b);
  const double x = (0.412453 * r + 0.35758 * g + 0.180423 * b) / 0.95047;
  const double y = (0.212671 * r + 0.71516 * g + 0.072169 * b) / 1.0;
  const double z = (0.019334 * r + 0.119193 * g + 0.950227 * b) / 1.088883;
  const auto f = [](double t) {
    return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 0.13793103448275862;
  };
  const double l = y > 0.008856 ? 116 * f(y) - 16 : 903.3 * y;
  const ModelByte bytes[3] = {TruncatedByte(2.5 * l), TruncatedByte(500 * (f(x) - f(y))),
                              TruncatedByte(200 * (f(y) - f(z)))};
  for (int i = 0; i < 3; ++i) ambiguous[i] = bytes[i].eitherNeighbour;
  return {uint8_t(bytes[0].value), int8_t(bytes[1].value), int8_t(bytes[2].value)};
}

// Equal, or one step apart (modulo 256, as bytes wrap) where the model lies on a step.
bool ByteMatches(int got, int want, bool ambiguous) {
  const int step = (got - want) & 0xFF;
  return step == 0 || (ambiguous && (step == 1 || step == 255));
}

TEST(ColorFormulas, CIELabToRGBMatchesTheModel) {
  int compared = 0;
  for (int l = 0; l < 256; ++l)
    for (int a = -128; a < 128; a += 3)
      for (int b = -128; b < 128; b += 3) {
        const TPVCIELab lab{uint8_t(l), int8_t(a), int8_t(b)};
        bool ambiguous[3];
        const TPVRGB want = ModelLabToRGB(lab, ambiguous);
        TPVRGB got{};
        ConvertCIELabToRGB(got, lab);
        ASSERT_TRUE(ByteMatches(got.r, want.r, ambiguous[0]) &&
                    ByteMatches(got.g, want.g, ambiguous[1]) &&
                    ByteMatches(got.b, want.b, ambiguous[2]))
            << "Lab " << l << "," << a << "," << b << " gave " << int(got.r) << "," << int(got.g)
            << "," << int(got.b) << ", the model " << int(want.r) << "," << int(want.g) << ","
            << int(want.b);
        ++compared;
      }
  EXPECT_EQ(compared, 256 * 86 * 86);
}

TEST(ColorFormulas, RGBToCIELabMatchesTheModel) {
  for (int r = 0; r < 256; r += 2)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; ++b) {
        const TPVRGB rgb = MakeRGB(uint8_t(r), uint8_t(g), uint8_t(b));
        bool ambiguous[3];
        const TPVCIELab want = ModelRGBToLab(rgb, ambiguous);
        TPVCIELab got{};
        ConvertRGBToCIELab(got, rgb);
        ASSERT_TRUE(ByteMatches(got.l, want.l, ambiguous[0]) &&
                    ByteMatches(uint8_t(got.a), uint8_t(want.a), ambiguous[1]) &&
                    ByteMatches(uint8_t(got.b), uint8_t(want.b), ambiguous[2]))
            << "RGB " << r << "," << g << "," << b << " gave " << int(got.l) << "," << int(got.a)
            << "," << int(got.b) << ", the model " << int(want.l) << "," << int(want.a) << ","
            << int(want.b);
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
