// The PNG reader against pngtopnm on files pnmtopng and ImageMagick make at test time: every
// colour type and depth, with alpha and tRNS, each also interlaced, with the bitmap in memory
// and in a temporary file; native formats; the parameters it reports.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "imaging/base/color_helpers.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/png/png_fixtures.h"

namespace calmora {
namespace {

using test::PngFixture;
using test::Storage;

class PngReadTable
    : public ::testing::TestWithParam<std::tuple<PngFixture, bool, Storage>> {};

TEST_P(PngReadTable, PixelsAndAlphaEqualPngtopnm) {
  CALMORA_REQUIRE_TOOL("pnmtopng");
  CALMORA_REQUIRE_TOOL("pngtopnm");
  CALMORA_REQUIRE_TOOL("pngcheck");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  const auto& [fixture, interlaced, storage] = GetParam();
  const auto scope = test::UseStorage(storage);
  test::ScratchFolder folder;
  test::WriteFixtureInputs(folder);
  const std::string png = test::MakeFixture(folder, fixture, interlaced);
  ASSERT_FALSE(png.empty());
  const std::string check =
      test::RunTool("pngcheck " + test::ShellQuoted(folder.File("out.png"))).Output;
  ASSERT_NE(check.find(fixture.Kind), std::string::npos) << check;
  ASSERT_NE(check.find(interlaced ? ", interlaced" : "non-interlaced"), std::string::npos)
      << check;

  TPVBitmap bitmap;
  TIOParamsVals params(nullptr);
  ASSERT_FALSE(test::ReadPng(png, bitmap, params));
  const test::PnmPixels expected = test::PngToPnm(folder, png);
  ASSERT_GT(expected.Width, 0);
  ASSERT_EQ(bitmap.GetWidth(), expected.Width);
  ASSERT_EQ(bitmap.GetHeight(), expected.Height);
  EXPECT_EQ(test::BitmapRGB(bitmap), test::PnmRGB(expected));
  EXPECT_EQ(params.PNG_Interlaced, interlaced);
  EXPECT_EQ(bitmap.HasAlphaChannel(), fixture.Alpha);
  if (fixture.Alpha && bitmap.HasAlphaChannel()) {
    const test::PnmPixels alpha = test::PngToPnm(folder, png, "-alpha");
    ASSERT_EQ(alpha.Channels, 1);
    TPVBitmap* plane = bitmap.GetAlphaChannel();
    std::vector<uint8_t> got;
    for (int32_t y = 0; y < plane->GetHeight(); ++y) {
      const uint8_t* row = static_cast<const TPVBitmap*>(plane)->GetScanline(y);
      got.insert(got.end(), row, row + plane->GetWidth());
    }
    EXPECT_EQ(got, alpha.Samples);
    EXPECT_FALSE(bitmap.Opaque);
  }
}

std::string TableName(const ::testing::TestParamInfo<std::tuple<PngFixture, bool, Storage>>& i) {
  return std::string(std::get<0>(i.param).Name) +
         (std::get<1>(i.param) ? "_adam7" : "_plain") +
         (std::get<2>(i.param) == Storage::Memory ? "_memory" : "_file");
}

INSTANTIATE_TEST_SUITE_P(EveryTypeAndDepth, PngReadTable,
                         ::testing::Combine(::testing::ValuesIn(test::PngFixtures()),
                                            ::testing::Bool(),
                                            ::testing::Values(Storage::Memory,
                                                              Storage::TemporaryFile)),
                         TableName);

struct NativeCase {
  const char* Fixture;
  TPVPixelFormat Format;
};

class PngNativeTable : public ::testing::TestWithParam<std::tuple<NativeCase, bool>> {};

TEST_P(PngNativeTable, RowsHoldTheRawSamples) {
  CALMORA_REQUIRE_TOOL("pnmtopng");
  CALMORA_REQUIRE_TOOL("pngtopnm");
  const auto& [native, interlaced] = GetParam();
  test::ScratchFolder folder;
  test::WriteFixtureInputs(folder);
  const PngFixture* fixture = nullptr;
  for (const PngFixture& f : test::PngFixtures()) {
    if (std::string(f.Name) == native.Fixture) fixture = &f;
  }
  ASSERT_NE(fixture, nullptr);
  const std::string png = test::MakeFixture(folder, *fixture, interlaced);
  TPVBitmap bitmap;
  TIOParamsVals params(nullptr);
  params.NativePixelFormat = true;
  ASSERT_FALSE(test::ReadPng(png, bitmap, params));
  ASSERT_EQ(bitmap.GetPixelFormat(), native.Format);
  const test::PnmPixels expected = test::PngToPnm(folder, png);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
      const size_t at = size_t(y) * bitmap.GetWidth() + x;
      if (native.Format == pv16g) {
        ASSERT_EQ(bitmap.GetPixel16(x, y), expected.Raw[at]) << x << "," << y;
      } else if (native.Format == pv8g) {
        ASSERT_EQ(bitmap.GetPixel8(x, y), expected.Raw[at]) << x << "," << y;
      } else {
        const TPVRGB c = bitmap.GetPaletteColor(bitmap.GetPixel8(x, y));
        ASSERT_EQ(c.r, expected.Samples[at * 3]);
        ASSERT_EQ(c.g, expected.Samples[at * 3 + 1]);
        ASSERT_EQ(c.b, expected.Samples[at * 3 + 2]);
      }
    }
  }
  if (native.Format == pv8p) {
    EXPECT_EQ(bitmap.PaletteColorsUsed, 256);
    EXPECT_GT(params.ColorMapCount, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(NativeFormats, PngNativeTable,
                         ::testing::Combine(::testing::Values(NativeCase{"palette8", pv8p},
                                                              NativeCase{"grey8", pv8g},
                                                              NativeCase{"grey16", pv16g}),
                                            ::testing::Bool()));

TEST(PngReadParams, ResolutionTextOrderBackgroundAndColourMap) {
  CALMORA_REQUIRE_TOOL("pnmtopng");
  test::ScratchFolder folder;
  test::WriteFixtureInputs(folder);
  test::WriteFileBytes(folder.File("text.txt"), "Title First\nAuthor Second\nComment Third\n");
  const test::ToolResult made = test::RunTool(
      "cd " + test::ShellQuoted(folder.Path()) +
          " && pnmtopng -size '11811 11811 1' -text text.txt -background rgb:12/34/56 c16.ppm"
          " > p.png",
      false);
  ASSERT_EQ(made.Status, 0);
  const std::string png = test::ReadFileBytes(folder.File("p.png"));
  for (bool paramsOnly : {true, false}) {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_FALSE(test::ReadPng(png, bitmap, params, paramsOnly));
    EXPECT_EQ(params.DpiX, 300);
    EXPECT_EQ(params.DpiY, 300);
    EXPECT_EQ(params.PNG_TextKeys, (TStringList{"Title", "Author", "Comment"}));
    EXPECT_EQ(params.PNG_TextValues, (TStringList{"First", "Second", "Third"}));
    EXPECT_EQ(params.PNG_Background, MakeRGB(0x12, 0x34, 0x56));
    EXPECT_EQ(params.Width, test::kFixtureWidth);
    EXPECT_EQ(params.BitsPerSample, 4);
    EXPECT_EQ(params.SamplesPerPixel, 1);
    EXPECT_EQ(params.ColorMapCount, 13);  // the background joins the palette
    EXPECT_EQ(bitmap.IsEmpty(), paramsOnly);
  }
}

}  // namespace
}  // namespace calmora
