// ConvertColorRow: the formula of every layout pair, the choice of the ICC path, and the rows
// it must leave alone (the caller's source row, pairs without a formula).
#include "imaging/io/color_row.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/io/io_unit.h"
#include "imaging/base/color_helpers.h"
#include "tests/imaging/core/color/icc_test_profiles.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

class ColorRowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ICCConversion = false;
    CMYKProfileConversion = false;  // the CMYK formulas, unless a test says otherwise
  }
  void TearDown() override {
    ICCConversion = false;
    CMYKProfileConversion = true;
  }

  // Converts a row by formula (no parameter record) into a destination prefilled with 0xEE.
  static Bytes Convert(const Bytes& source, TPVColorLayout from, TPVColorLayout to, int count,
                       size_t destination_size) {
    Bytes destination(destination_size, 0xEE);
    ConvertColorRow(source.data(), from, destination.data(), to, count, nullptr);
    return destination;
  }
};

TEST_F(ColorRowTest, TheIOUnitInstallsTheConverter) {
  ConvertColorRowProc = nullptr;
  ICCConversion = true;
  InitIOUnit();
  EXPECT_EQ(ConvertColorRowProc, &ConvertColorRow);
  EXPECT_FALSE(ICCConversion);
  EXPECT_TRUE(CMYKProfileConversion);
  EXPECT_EQ(CMYKProfile, nullptr);
  FinalizeIOUnit();
}

TEST_F(ColorRowTest, FormulaTable) {
  struct Case {
    const char* name;
    Bytes source;
    TPVColorLayout from;
    TPVColorLayout to;
    int count;
    Bytes expected;
  };
  TPVCIELab white_lab;
  ConvertRGBToCIELab(white_lab, MakeRGB(255, 255, 255));
  const Case cases[] = {
      {"RGB to BGR", {1, 2, 3, 4, 5, 6}, clRGB24, clBGR24, 2, {3, 2, 1, 6, 5, 4}},
      {"BGR copied", {1, 2, 3, 4, 5, 6}, clBGR24, clBGR24, 2, {1, 2, 3, 4, 5, 6}},
      // RGB 10, 20, 30 is stored as B, G, R.
      {"BGR to CMYK", {30, 20, 10}, clBGR24, clInvertedCMYK, 1, {85, 170, 255, 30}},
      {"BGR to Lab", {255, 255, 255}, clBGR24, clCIELab, 1, {250, 0, 0}},
      {"BGR to grey", {255, 255, 255, 0, 0, 255}, clBGR24, clGray8, 2, {255, 53}},
      {"CMYK to BGR",
       {85, 170, 255, 30, 255, 255, 255, 255},
       clInvertedCMYK,
       clBGR24,
       2,
       {30, 20, 10, 255, 255, 255}},
      {"ink CMYK to BGR", {0, 0, 0, 0, 0, 0, 0, 255}, clCMYK, clBGR24, 2, {255, 255, 255, 0, 0, 0}},
      {"Lab to BGR", {250, 0, 0}, clCIELab, clBGR24, 1, {249, 249, 249}},
      {"RGB48 to BGR",
       {0x11, 0xA1, 0x22, 0xB2, 0x33, 0xC3},
       clRGB48,
       clBGR24,
       1,
       {0xC3, 0xB2, 0xA1}},
      {"RGB48 big-endian to BGR",
       {0xA1, 0x11, 0xB2, 0x22, 0xC3, 0x33},
       clRGB48BigEndian,
       clBGR24,
       1,
       {0xC3, 0xB2, 0xA1}},
      {"YCbCr to BGR", {255, 128, 128, 0, 0, 255}, clYCbCr, clBGR24, 2, {255, 255, 255, 0, 0, 178}},
  };
  for (const auto& c : cases) {
    const Bytes source = c.source;
    const Bytes result = Convert(source, c.from, c.to, c.count, c.expected.size() + 2);
    EXPECT_EQ(Bytes(result.begin(), result.begin() + c.expected.size()), c.expected) << c.name;
    EXPECT_EQ(result[c.expected.size()], 0xEE) << c.name << ": wrote past the row";
    EXPECT_EQ(source, c.source) << c.name << ": source row changed";
  }
}

TEST_F(ColorRowTest, PairsWithoutAFormulaLeaveTheDestinationAlone) {
  const Bytes grey = {10, 20, 30};
  EXPECT_EQ(Convert(grey, clGray8, clBGR24, 3, 9), Bytes(9, 0xEE));
  const Bytes bgr = {1, 2, 3};
  EXPECT_EQ(Convert(bgr, clBGR24, clRGB24, 1, 3), Bytes(3, 0xEE));
  EXPECT_EQ(Convert(bgr, clRGB24, clInvertedCMYK, 1, 4), Bytes(4, 0xEE));
  EXPECT_EQ(Convert(bgr, clBGR24, clBGR24, 0, 3), Bytes(3, 0xEE));
}

TEST_F(ColorRowTest, RowsConvertOntoThemselves) {
  Bytes row = {85, 170, 255, 30, 255, 255, 255, 0};
  ConvertColorRow(row.data(), clInvertedCMYK, row.data(), clBGR24, 2, nullptr);
  EXPECT_EQ(Bytes(row.begin(), row.begin() + 6), (Bytes{30, 20, 10, 0, 0, 0}));
  Bytes wide = {0x11, 0xA1, 0x22, 0xB2, 0x33, 0xC3, 0, 1, 0, 2, 0, 3};
  ConvertColorRow(wide.data(), clRGB48, wide.data(), clBGR24, 2, nullptr);
  EXPECT_EQ(Bytes(wide.begin(), wide.begin() + 6), (Bytes{0xC3, 0xB2, 0xA1, 3, 2, 1}));
}

class ColorRowICCTest : public ColorRowTest {
 protected:
  void SetUp() override {
    ColorRowTest::SetUp();
    const auto bytes = test::MakeRGBProfile(1.8, "Calmora test RGB", "Test");
    input.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
    output.OpenSRGBProfile();
    ASSERT_TRUE(input.IsOpen());
    ASSERT_TRUE(output.IsOpen());
    profiles.InputICCProfile = &input;
    profiles.GetOutputICCProfile = [this] {
      ++output_requests;
      return &output;
    };
  }

  Bytes Convert(const Bytes& source, TPVColorLayout from, TPVColorLayout to, int count,
                size_t destination_size) {
    Bytes destination(destination_size, 0xEE);
    ConvertColorRowWithProfiles(source.data(), from, destination.data(), to, count, &profiles);
    return destination;
  }

  // What the profiles give for a BGR row, straight from the colour system.
  Bytes ThroughProfiles(const Bytes& source, int count) {
    TPVICC reference;
    const auto bytes = test::MakeRGBProfile(1.8, "Calmora test RGB", "Test");
    reference.LoadFromBuffer(bytes.data(), int32_t(bytes.size()));
    Bytes destination(source.size());
    EXPECT_TRUE(reference.TransformPixels(&output, clBGR24, clBGR24, 0, 0, source.data(),
                                          destination.data(), count));
    return destination;
  }

  TPVICC input;
  TPVICC output;
  TPVRowProfiles profiles;
  int output_requests = 0;
};

TEST_F(ColorRowICCTest, ConvertsThroughTheProfilesOnlyWhenSwitchedOn) {
  const Bytes row = {40, 80, 120, 200, 100, 50};
  const Bytes formula = row;
  EXPECT_EQ(Convert(row, clBGR24, clBGR24, 2, 6), formula);
  EXPECT_EQ(output_requests, 0);

  ICCConversion = true;
  const Bytes converted = Convert(row, clBGR24, clBGR24, 2, 6);
  EXPECT_EQ(converted, ThroughProfiles(row, 2));
  EXPECT_NE(converted, formula);
  EXPECT_TRUE(input.IsTransformReady());
  EXPECT_EQ(output_requests, 1);
}

TEST_F(ColorRowICCTest, TheCallersSourceRowIsNotSwapped) {
  ICCConversion = true;
  const Bytes original = {40, 80, 120, 200, 100, 50};
  Bytes row = original;
  Bytes destination(6);
  ConvertColorRowWithProfiles(row.data(), clBGR24, destination.data(), clBGR24, 2, &profiles);
  EXPECT_EQ(row, original);
}

TEST_F(ColorRowICCTest, AppliedOrClosedProfilesFallBackToTheFormulas) {
  ICCConversion = true;
  const Bytes row = {30, 20, 10};
  input.Applied = true;
  EXPECT_EQ(Convert(row, clBGR24, clBGR24, 1, 3), row);
  input.Applied = false;

  output.CloseProfile();
  EXPECT_EQ(Convert(row, clBGR24, clBGR24, 1, 3), row);

  profiles.InputICCProfile = nullptr;
  output_requests = 0;
  EXPECT_EQ(Convert(row, clBGR24, clBGR24, 1, 3), row);
  EXPECT_EQ(output_requests, 0);  // no output profile is made for a formula row
}

TEST_F(ColorRowICCTest, TheDefaultProfileStandsInForAMissingOrClosedInputProfile) {
  ICCConversion = true;
  const Bytes row = {40, 80, 120};
  TPVICC closed;
  profiles.InputICCProfile = &closed;
  profiles.DefaultICCProfile = &input;
  EXPECT_EQ(Convert(row, clBGR24, clBGR24, 1, 3), ThroughProfiles(row, 1));

  // An open input profile wins over the default one.
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  profiles.InputICCProfile = &srgb;
  const Bytes through_srgb = Convert(row, clBGR24, clBGR24, 1, 3);
  EXPECT_EQ(through_srgb, row);  // sRGB to sRGB
  EXPECT_TRUE(srgb.IsTransformReady());
}

TEST_F(ColorRowICCTest, DestinationsNoTransformWritesStillGetTheirFormula) {
  ICCConversion = true;
  const Bytes row = {255, 255, 255, 0, 0, 255};
  EXPECT_EQ(Convert(row, clBGR24, clGray8, 2, 2), (Bytes{255, 53}));
  EXPECT_EQ(Convert(Bytes{255, 255, 255}, clBGR24, clCIELab, 1, 3), (Bytes{250, 0, 0}));
  EXPECT_FALSE(input.IsTransformReady());
}

TEST_F(ColorRowICCTest, ANullRecordMeansTheFormulas) {
  ICCConversion = true;
  const Bytes row = {1, 2, 3};
  Bytes destination(3, 0xEE);
  ConvertColorRow(row.data(), clRGB24, destination.data(), clBGR24, 1, nullptr);
  EXPECT_EQ(destination, (Bytes{3, 2, 1}));
}

}  // namespace
}  // namespace calmora
