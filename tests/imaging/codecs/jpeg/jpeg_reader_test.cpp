// The JPEG reader against djpeg on files cjpeg makes at test time: every coding variant, DCT
// method and scale, pixel for pixel, with the bitmap in memory and in a temporary file; the
// parameters it reports, and what it does with cut files, shifted starts and few rows.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "imaging/codecs/jpeg/jpeg_glue.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"

namespace calmora {
namespace {

using test::BitmapPixels;
using test::Cjpeg;
using test::Djpeg;
using test::PnmPixels;
using test::ReadBytes;
using test::Storage;
using test::TestPicture;

struct Variant {
  const char* Name;
  const char* CjpegOptions;
  bool Grey;
};

const Variant kVariants[] = {
    {"420", "-sample 2x2", false},
    {"422", "-sample 2x1", false},
    {"444", "-sample 1x1", false},
    {"progressive", "-progressive", false},
    {"optimised", "-optimize", false},
    {"restarts", "-restart 1", false},
    {"grey", "-grayscale", true},
    {"rgb_coded", "-rgb", false},
};

const char* const kDctNames[] = {"int", "fast", "float"};

class JpegDecodeTable
    : public ::testing::TestWithParam<std::tuple<Variant, int, Storage>> {};

TEST_P(JpegDecodeTable, PixelsEqualDjpegAtEveryMethodAndScale) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("djpeg");
  const auto& [variant, dct, storage] = GetParam();
  const auto scope = test::UseStorage(storage);
  test::ScratchFolder folder;
  const PnmPixels picture = TestPicture(61, 43, variant.Grey ? 1 : 3);
  const std::string jpeg = Cjpeg(folder, picture, variant.CjpegOptions);
  ASSERT_FALSE(jpeg.empty());
  for (int scale = 1; scale <= 4; ++scale) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    const PnmPixels expected = Djpeg(folder, jpeg,
                                     std::string("-dct ") + kDctNames[dct] + " -scale 1/" +
                                         std::to_string(1 << (scale - 1)));
    ASSERT_GT(expected.Width, 0);
    TIOParamsVals params(nullptr);
    params.JPEG_DCTMethod = static_cast<uint8_t>(dct);
    params.JPEG_Scale = static_cast<uint8_t>(scale);
    params.NativePixelFormat = variant.Grey;
    TPVBitmap bitmap;
    const test::ReadOutcome outcome = ReadBytes(jpeg, bitmap, params);
    ASSERT_FALSE(outcome.Aborting);
    EXPECT_EQ(outcome.Rows, expected.Height);
    EXPECT_EQ(bitmap.GetPixelFormat(), variant.Grey ? pv8g : pv24RGB);
    const PnmPixels got = BitmapPixels(bitmap);
    EXPECT_EQ(got.Width, expected.Width);
    EXPECT_EQ(got.Height, expected.Height);
    EXPECT_TRUE(got.Samples == expected.Samples);
    EXPECT_EQ(params.JPEG_ScaleUsed, 1 << (scale - 1));
    EXPECT_EQ(params.OriginalWidth, 61);
    EXPECT_EQ(params.OriginalHeight, 43);
    EXPECT_EQ(params.JPEG_WarningCount, 0);
    EXPECT_EQ(params.SamplesPerPixel, variant.Grey ? 1 : 3);
    EXPECT_EQ(params.JPEG_ColorSpace, variant.Grey ? 1 : std::string(variant.Name) == "rgb_coded" ? 0 : 2);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, JpegDecodeTable,
    ::testing::Combine(::testing::ValuesIn(kVariants), ::testing::Values(0, 1, 2),
                       ::testing::Values(Storage::Memory, Storage::TemporaryFile)),
    [](const auto& instance) {
      return std::string(std::get<0>(instance.param).Name) + "_" + kDctNames[std::get<1>(instance.param)] +
             (std::get<2>(instance.param) == Storage::Memory ? "_memory" : "_file");
    });

TEST(JpegReader, GreyIntoTwentyFourBitsRepeatsEachSample) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(17, 9, 1), "-grayscale");
  TIOParamsVals native(nullptr);
  native.NativePixelFormat = true;
  TPVBitmap grey;
  ASSERT_FALSE(ReadBytes(jpeg, grey, native).Aborting);
  TIOParamsVals params(nullptr);
  TPVBitmap colour;
  ASSERT_FALSE(ReadBytes(jpeg, colour, params).Aborting);
  ASSERT_EQ(colour.GetPixelFormat(), pv24RGB);
  for (int32_t y = 0; y < 9; ++y) {
    for (int32_t x = 0; x < 17; ++x) {
      for (int32_t c = 0; c < 3; ++c)
        EXPECT_EQ(colour.GetScanline(y)[x * 3 + c], grey.GetScanline(y)[x]);
    }
  }
}

TEST(JpegReader, AutomaticScaleTakesTheLargestDivisorStillCoveringTheWantedSize) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(1600, 1200), "");
  struct Case {
    int32_t Width, Height, Denominator;
  };
  for (const Case& c : {Case{300, 200, 4}, Case{0, 0, 1}, Case{1600, 1200, 1}, Case{200, 150, 8},
                        Case{801, 10, 1}, Case{-5, 100, 1}}) {
    TIOParamsVals params(nullptr);
    params.JPEG_Scale = 0;
    params.Width = c.Width;
    params.Height = c.Height;
    TPVBitmap bitmap;
    ASSERT_FALSE(ReadBytes(jpeg, bitmap, params, true).Aborting);
    EXPECT_EQ(params.JPEG_ScaleUsed, c.Denominator) << c.Width << " x " << c.Height;
    EXPECT_EQ(params.Width, 1600);  // parameters alone report the unscaled size
  }
  TIOParamsVals params(nullptr);
  params.JPEG_Scale = 0;
  params.Width = 300;
  params.Height = 200;
  TPVBitmap bitmap;
  ASSERT_FALSE(ReadBytes(jpeg, bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetWidth(), 400);
  EXPECT_EQ(bitmap.GetHeight(), 300);
}

TEST(JpegReader, ReportsDensityProgressionAndFreesTheColourMap) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  std::string jpeg = Cjpeg(folder, TestPicture(16, 16), "-progressive");
  // The JFIF APP0 right after SOI: unit at byte 13, densities at 14 and 16.
  ASSERT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
  struct Case {
    uint8_t Unit;
    uint16_t X, Y;
    int32_t DpiX, DpiY;
  };
  for (const Case& c : {Case{2, 118, 118, 299, 299}, Case{1, 72, 96, 72, 96},
                        Case{0, 1, 1, 1, 1}, Case{2, 1, 3, 2, 7}}) {
    jpeg[13] = static_cast<char>(c.Unit);
    jpeg[14] = static_cast<char>(c.X >> 8);
    jpeg[15] = static_cast<char>(c.X & 0xFF);
    jpeg[16] = static_cast<char>(c.Y >> 8);
    jpeg[17] = static_cast<char>(c.Y & 0xFF);
    TIOParamsVals params(nullptr);
    params.ColorMap = std::make_unique<TPVRGB[]>(4);
    params.ColorMapCount = 4;
    TPVBitmap bitmap;
    ASSERT_FALSE(ReadBytes(jpeg, bitmap, params).Aborting);
    EXPECT_EQ(params.DpiX, c.DpiX);
    EXPECT_EQ(params.DpiY, c.DpiY);
    EXPECT_TRUE(params.JPEG_Progressive);
    EXPECT_EQ(params.ColorMap, nullptr);
    EXPECT_EQ(params.ColorMapCount, 0);
    EXPECT_EQ(params.BitsPerSample, 8);
  }
}

TEST(JpegReader, FindsTheStartWithin149BytesOnly) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(16, 8), "");
  for (int64_t start : {0, 100}) {
    for (size_t padding : {0u, 149u, 150u}) {
      const std::string bytes = std::string(start, 'x') + std::string(padding, '\0') + jpeg;
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      const test::ReadOutcome outcome = ReadBytes(bytes, bitmap, params, false, -1, start);
      EXPECT_EQ(outcome.Aborting, padding >= 150) << start << " + " << padding;
      EXPECT_EQ(outcome.Rows, padding >= 150 ? 0 : 8);
    }
  }
}

TEST(JpegReader, HalfAFileDecodesToFullSizeWithWarnings) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(64, 64), "");
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  const test::ReadOutcome outcome = ReadBytes(jpeg.substr(0, jpeg.size() / 2), bitmap, params);
  EXPECT_FALSE(outcome.Aborting);
  EXPECT_EQ(outcome.Rows, 64);
  EXPECT_EQ(bitmap.GetWidth(), 64);
  EXPECT_GT(params.JPEG_WarningCount, 0);
  EXPECT_GE(params.JPEG_LastWarningCode, JWRN_ADOBE_XFORM);  // a warning's code
  EXPECT_LE(params.JPEG_LastWarningCode, JWRN_TOO_MUCH_DATA);
}

TEST(JpegReader, MaxRowsStopsEarlyWithoutAbortingAndConsumesTheRest) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(32, 64), "");
  for (int32_t maxRows : {16, 64}) {
    TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    EXPECT_EQ(ReadJPEGStream(&stream, nullptr, bitmap, params, progress, false, false, false,
                             false, false, false, maxRows, false),
              maxRows);
    EXPECT_FALSE(aborting);
    EXPECT_EQ(stream.GetPosition(), static_cast<int64_t>(jpeg.size()));
  }
  // More rows wanted than the image has: the shortfall is a failure.
  TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  bitmap.Allocate(32, 80, pv24RGB);
  ReadJPEGStream(&stream, nullptr, bitmap, params, progress, false, false, false, false, false,
                 false, 80, false);
  EXPECT_TRUE(aborting);
}

TEST(JpegReader, AnEmptyStreamAborts) {
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  EXPECT_TRUE(ReadBytes("", bitmap, params).Aborting);
  EXPECT_TRUE(ReadBytes("\xFF\xD8\xFF", bitmap, params).Aborting);
}

TEST(JpegReader, ProgressGoesUpToOneHundredOncePerPercentage) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = Cjpeg(folder, TestPicture(8, 300), "");
  TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  bool aborting = false;
  std::vector<int> sent;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  progress.OnProgress = [&](TObject*, int per) { sent.push_back(per); };
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ReadJPEGStream(&stream, nullptr, bitmap, params, progress, false, false, true, false, true,
                 true, -1, false);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), 100);
  for (size_t i = 1; i < sent.size(); ++i) EXPECT_GT(sent[i], sent[i - 1]);
}

TEST(JpegReader, MessageTextsLeaveTheArgumentsOut) {
  struct Case {
    int32_t Code;
    const char* Text;
  };
  for (const Case& c : {Case{0, "Bogus message code ?"},
                        Case{JERR_BAD_COMPONENT_ID, "Invalid component ID ? in SOS"},
                        Case{JERR_DAC_VALUE, "Bogus DAC value 0x?"},
                        Case{JMSG_COPYRIGHT, ""}, Case{JMSG_VERSION, ""},
                        Case{JTRC_HUFFBITS, "?"}, Case{JTRC_QUANTVALS, "?"},
                        Case{JERR_OUT_OF_MEMORY, "Insufficient memory (case ?)"},
                        Case{67, "Application transferred too few scanlines"},
                        Case{124, "Corrupted"}, Case{-1, "Corrupted"}, Case{5000, "Corrupted"}}) {
    EXPECT_EQ(JPEGMessageText(c.Code), c.Text) << c.Code;
  }
}

}  // namespace
}  // namespace calmora

namespace calmora {
namespace {

TEST(JpegReader, NativeCmykIsImageMagicksInksInverted) {
  CALMORA_REQUIRE_TOOL("convert");
  for (test::Storage storage : {test::Storage::Memory, test::Storage::TemporaryFile}) {
    const auto scope = test::UseStorage(storage);
    test::ScratchFolder folder;
    const std::string path = folder.File("cmyk.jpg");
    ASSERT_EQ(test::RunTool("convert -size 37x19 gradient:red-blue -colorspace cmyk -quality 90 " +
                            test::ShellQuoted(path))
                  .Status,
              0);
    const std::string inks =
        test::RunTool("convert " + test::ShellQuoted(path) + " -depth 8 cmyk:-", false).Output;
    ASSERT_EQ(inks.size(), 37u * 19u * 4u);
    TIOParamsVals params(nullptr);
    params.NativePixelFormat = true;
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadBytes(test::ReadFileBytes(path), bitmap, params).Aborting);
    ASSERT_EQ(bitmap.GetPixelFormat(), pvCMYK);
    EXPECT_EQ(params.JPEG_ColorSpace, 4);  // ImageMagick codes CMYK as YCbCrK
    bool equal = true;
    for (int32_t y = 0; y < 19; ++y) {
      for (int32_t i = 0; i < 37 * 4; ++i) {
        equal = equal && bitmap.GetScanline(y)[i] ==
                             255 - static_cast<uint8_t>(inks[static_cast<size_t>(y) * 37 * 4 + i]);
      }
    }
    EXPECT_TRUE(equal);
  }
}

}  // namespace
}  // namespace calmora
