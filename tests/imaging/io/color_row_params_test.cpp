// ConvertColorRow with the profiles a parameter record carries: through an input profile made
// with Little CMS against transicc, and by the formulas, without making an output profile,
// when the record has none.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "imaging/io/color_row.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/core/color/icc_test_profiles.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

class ColorRowParamsTest : public ::testing::Test {
 protected:
  void TearDown() override { ICCConversion = false; }
};

TEST_F(ColorRowParamsTest, TheRecordsInputProfileMatchesTransicc) {
  CALMORA_REQUIRE_TOOL("transicc");
  const test::ScratchFolder folder("calmora-color-row");
  const auto profile = test::MakeRGBProfile(1.8, "Calmora test RGB", "Test");
  const std::string profilePath = folder.File("gamma18.icc");
  ASSERT_TRUE(test::WriteFileBytes(profilePath, std::string(profile.begin(), profile.end())));

  // Ramps through every level of each channel, as red-green-blue triples.
  std::vector<std::array<int, 3>> rgb;
  for (int i = 0; i < 256; ++i) {
    rgb.push_back({i, (i * 7) % 256, 255 - i});
    rgb.push_back({(i * 13) % 256, i, i});
  }
  Bytes source;
  for (const auto& p : rgb)
    source.insert(source.end(), {uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2])});

  TIOParamsVals params(nullptr);
  params.GetInputICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
  ASSERT_TRUE(params.InputICCProfile->IsOpen());
  ICCConversion = true;
  Bytes destination(source.size(), 0xEE);
  ConvertColorRow(source.data(), clRGB24, destination.data(), clBGR24, int32_t(rgb.size()),
                  &params);
  ASSERT_NE(params.OutputICCProfile, nullptr);  // made on demand, as sRGB
  EXPECT_TRUE(params.OutputICCProfile->IsOpen());

  const auto reference = test::TransiccToSRGB(folder, profilePath, rgb);
  ASSERT_EQ(reference.size(), rgb.size());
  for (size_t i = 0; i < rgb.size(); ++i) {
    const double got[3] = {double(destination[3 * i + 2]), double(destination[3 * i + 1]),
                           double(destination[3 * i])};
    for (int c = 0; c < 3; ++c)
      EXPECT_LE(std::abs(got[c] - reference[i][size_t(c)]), 1.0)
          << "pixel " << i << " channel " << c;
  }
}

TEST_F(ColorRowParamsTest, WithoutProfilesTheFormulasAndNoOutputProfile) {
  ICCConversion = true;
  TIOParamsVals params(nullptr);
  const Bytes source = {10, 20, 30, 200, 100, 0};
  Bytes destination(6, 0xEE);
  ConvertColorRow(source.data(), clRGB24, destination.data(), clBGR24, 2, &params);
  EXPECT_EQ(destination, (Bytes{30, 20, 10, 0, 100, 200}));
  EXPECT_EQ(params.OutputICCProfile, nullptr);

  // A closed input profile falls back to the formulas too, still without an output profile.
  (void)params.GetInputICCProfile();
  ConvertColorRow(source.data(), clRGB24, destination.data(), clBGR24, 2, &params);
  EXPECT_EQ(destination, (Bytes{30, 20, 10, 0, 100, 200}));
  EXPECT_EQ(params.OutputICCProfile, nullptr);
}

TEST_F(ColorRowParamsTest, TheDefaultProfileStandsInForAMissingInputProfile) {
  const auto profile = test::MakeRGBProfile(1.8, "Calmora test RGB", "Test");
  TIOParamsVals withDefault(nullptr);
  withDefault.GetDefaultICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
  TIOParamsVals withInput(nullptr);
  withInput.GetInputICCProfile()->LoadFromBuffer(profile.data(), int32_t(profile.size()));
  ICCConversion = true;
  const Bytes source = {10, 120, 230};
  Bytes throughDefault(3), throughInput(3);
  ConvertColorRow(source.data(), clRGB24, throughDefault.data(), clBGR24, 1, &withDefault);
  ConvertColorRow(source.data(), clRGB24, throughInput.data(), clBGR24, 1, &withInput);
  EXPECT_EQ(throughDefault, throughInput);
  EXPECT_NE(throughDefault, (Bytes{230, 120, 10}));
}

}  // namespace
}  // namespace calmora
