// BlendPixel: operations 0..33 against a model written in Python from their formulas (every
// channel over all 65536 pairs), the named edge values, the hue/saturation/lightness operations
// and values that are not operations.
#include "imaging/core/render/blend_operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <utility>

#include "imaging/base/powers.h"
#include "imaging/base/color_helpers.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

class Blend : public ::testing::Test {
 protected:
  void SetUp() override { BuildCosineTable(); }  // the static set-up's part that blending reads
};

// The pixels the Python model uses for source value s and destination value d.
TPVRGB SourcePixel(int s) { return MakeRGB(s, 255 - s, (s + 85) % 256); }
TPVRGB DestinationPixel(int d) { return MakeRGB(d, 255 - d, (d + 170) % 256); }

TEST_F(Blend, ChannelOperationsMatchThePythonModelByteForByte) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  test::ScratchFolder folder("calmora-blend");
  const std::string script =
      std::string(CALMORA_TEST_SOURCE_DIR) + "/imaging/core/render/blend_reference.py";
  const std::string output = folder.File("reference.bin");
  ASSERT_EQ(test::RunTool("/usr/bin/python3 " + test::ShellQuoted(script) + " " +
                          test::ShellQuoted(output)).Status, 0);
  const std::string reference = test::ReadFileBytes(output);
  ASSERT_EQ(reference.size(), 34u * 256 * 256 * 3);

  std::string ours;
  ours.reserve(reference.size());
  for (int operation = 0; operation < 34; ++operation)
    for (int s = 0; s < 256; ++s)
      for (int d = 0; d < 256; ++d) {
        TPVRGB pixel = DestinationPixel(d);
        BlendPixel(SourcePixel(s), pixel, static_cast<TPVBlendOperation>(operation));
        ours += static_cast<char>(pixel.b);
        ours += static_cast<char>(pixel.g);
        ours += static_cast<char>(pixel.r);
      }
  if (ours == reference) return;
  for (size_t i = 0; i < ours.size(); ++i)
    if (ours[i] != reference[i]) {
      const size_t pixel = i / 3;
      FAIL() << "operation " << pixel / 65536 << ", s " << pixel / 256 % 256 << ", d "
             << pixel % 256 << ", byte " << i % 3 << " (blue, green, red): ours "
             << int{static_cast<uint8_t>(ours[i])} << ", model "
             << int{static_cast<uint8_t>(reference[i])};
    }
}

struct PixelCase {
  TPVBlendOperation Operation;
  TPVRGB Source, Destination, Expected;
};

TEST_F(Blend, NamedValues) {
  const auto grey = [](uint8_t v) { return MakeRGB(v, v, v); };
  const PixelCase cases[] = {
      {pvboNormal, MakeRGB(1, 2, 3), MakeRGB(9, 9, 9), MakeRGB(1, 2, 3)},
      {pvboRed, MakeRGB(10, 20, 30), MakeRGB(1, 2, 3), MakeRGB(10, 2, 3)},
      {pvboGreen, MakeRGB(10, 20, 30), MakeRGB(1, 2, 3), MakeRGB(1, 20, 3)},
      {pvboBlue, MakeRGB(10, 20, 30), MakeRGB(1, 2, 3), MakeRGB(1, 2, 30)},
      {pvboAdd, grey(200), grey(100), grey(255)},
      {pvboLinearBurn, grey(100), grey(100), grey(0)},
      {pvboDivide, grey(0), grey(200), grey(200)},
      {pvboDivide, grey(100), grey(200), grey(2)},
      {pvboColorDodge, grey(255), grey(0), grey(255)},
      {pvboColorDodge, grey(255), grey(77), grey(255)},
      {pvboColorBurn, grey(0), grey(200), grey(0)},
      {pvboSoftLight, MakeRGB(255, 0, 0), grey(128), MakeRGB(180, 64, 64)},
      {pvboNegation, grey(255), grey(255), grey(0)},
      {pvboNegation, grey(0), grey(0), grey(0)},
      {pvboNegation, grey(100), grey(155), grey(255)},
  };
  for (const PixelCase& c : cases) {
    TPVRGB pixel = c.Destination;
    BlendPixel(c.Source, pixel, c.Operation);
    EXPECT_EQ(pixel, c.Expected) << "operation " << int{c.Operation};
  }
}

TEST_F(Blend, ColorOfPureRedOverGreyKeepsTheGreysLightness) {
  for (uint8_t level : {64, 128, 200}) {
    TPVRGB pixel = MakeRGB(level, level, level);
    BlendPixel(MakeRGB(255, 0, 0), pixel, pvboColor);
    double h, s, l, greyH, greyS, greyL;
    RGBToHSL(pixel, h, s, l);
    RGBToHSL(MakeRGB(level, level, level), greyH, greyS, greyL);
    EXPECT_GT(pixel.r, pixel.g) << int{level};
    EXPECT_EQ(pixel.g, pixel.b) << int{level};
    EXPECT_NEAR(h, 0, 1e-9) << int{level};
    EXPECT_NEAR(l, greyL, 1.0 / 255) << int{level};
  }
  TPVRGB mid = MakeRGB(128, 128, 128);
  BlendPixel(MakeRGB(255, 0, 0), mid, pvboColor);
  EXPECT_EQ(mid, MakeRGB(255, 1, 1));  // lightness 128/255 at full saturation
}

// Which pixel gives hue, saturation and lightness: luminosity takes the source's hue too.
TEST_F(Blend, HueSaturationLightnessOperationsTakeTheirComponentsFromTheRightPixel) {
  struct Pick {
    TPVBlendOperation Operation;
    bool HueFromSource, SaturationFromSource, LightnessFromSource;
  };
  const Pick picks[] = {{pvboHue, true, false, false},
                        {pvboSaturation, false, true, false},
                        {pvboColor, true, true, false},
                        {pvboLuminosity, true, false, true}};
  std::mt19937 random(14);
  std::uniform_int_distribution<int> byte(0, 255);
  const auto randomPixel = [&] { return MakeRGB(byte(random), byte(random), byte(random)); };
  for (int i = 0; i < 20000; ++i) {
    const TPVRGB source = randomPixel(), destination = randomPixel();
    double hs, ss, ls, hd, sd, ld;
    RGBToHSL(source, hs, ss, ls);
    RGBToHSL(destination, hd, sd, ld);
    for (const Pick& p : picks) {
      TPVRGB pixel = destination;
      BlendPixel(source, pixel, p.Operation);
      const TPVRGB expected = HSLToRGB(p.HueFromSource ? hs : hd, p.SaturationFromSource ? ss : sd,
                                       p.LightnessFromSource ? ls : ld);
      ASSERT_EQ(pixel, expected) << "operation " << int{p.Operation} << ", sample " << i;
    }
  }
}

TEST_F(Blend, ValuesAboveTheLastOperationLeaveTheDestination) {
  std::mt19937 random(38);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int value = pvboLuminosity + 1; value < 256; ++value) {
    const TPVRGB before = MakeRGB(byte(random), byte(random), byte(random));
    TPVRGB pixel = before;
    BlendPixel(MakeRGB(byte(random), byte(random), byte(random)), pixel,
               static_cast<TPVBlendOperation>(value));
    EXPECT_EQ(pixel, before) << "value " << value;
  }
}

// The named channel functions are the table's entries, also when called on their own.
TEST_F(Blend, NamedChannelFunctionsAgreeWithBlendPixel) {
  using Fn = uint8_t (*)(uint8_t, uint8_t);
  const std::pair<TPVBlendOperation, Fn> named[] = {
      {pvboSoftLight, BlendSoftLight},       {pvboSoftLight2, BlendSoftLight2},
      {pvboColorDodge, BlendColorDodge},     {pvboColorBurn, BlendColorBurn},
      {pvboReverseDodge, BlendReverseDodge}, {pvboReverseBurn, BlendReverseBurn},
      {pvboSoftDodge, BlendSoftDodge},       {pvboSoftBurn, BlendSoftBurn},
      {pvboReflect, BlendReflect},           {pvboGlow, BlendGlow},
      {pvboFreeze, BlendFreeze},             {pvboHeat, BlendHeat},
      {pvboInterpolation, BlendInterpolation}, {pvboLinearLight, BlendLinearLight}};
  for (const auto& [operation, fn] : named)
    for (int s = 0; s < 256; s += 5)
      for (int d = 0; d < 256; d += 3) {
        TPVRGB pixel = MakeRGB(d, d, d);
        BlendPixel(MakeRGB(s, s, s), pixel, operation);
        ASSERT_EQ(pixel.r, fn(s, d)) << "operation " << int{operation} << " s " << s << " d " << d;
      }
}

}  // namespace
}  // namespace calmora
