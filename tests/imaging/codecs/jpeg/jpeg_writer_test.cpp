// The JPEG writer against cjpeg: with the same settings and pixels our datastream equals
// cjpeg's outside the JFIF APP0 segment, every file reads back as djpeg reads it, and the
// header carries the record's density; CMYK and YCbCrK files, short writes and empty bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/core/color/color_rows.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"

namespace calmora {
namespace {

using test::BitmapPixels;
using test::PnmPixels;
using test::TestPicture;

// The datastream without its APP0 segments (the JFIF header, whose density differs by design).
std::string WithoutAPP0(const std::string& jpeg) {
  if (jpeg.size() < 4) return jpeg;
  std::string out = jpeg.substr(0, 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF &&
         static_cast<uint8_t>(jpeg[at + 1]) != 0xDA) {
    const size_t length = size_t(static_cast<uint8_t>(jpeg[at + 2])) << 8 |
                          static_cast<uint8_t>(jpeg[at + 3]);
    if (static_cast<uint8_t>(jpeg[at + 1]) != 0xE0) out += jpeg.substr(at, 2 + length);
    at += 2 + length;
  }
  return out + jpeg.substr(std::min(at, jpeg.size()));
}

struct EncodeCase {
  uint8_t ColorSpace;
  uint8_t Subsampling;
  bool Progressive;
  bool Optimal;
  uint8_t Dct;
  int32_t Smoothing;
  int32_t Quality;
};

std::string CaseName(const EncodeCase& c) {
  return "space" + std::to_string(c.ColorSpace) + "_sub" + std::to_string(c.Subsampling) +
         (c.Progressive ? "_progressive" : "") + (c.Optimal ? "_optimal" : "") + "_dct" +
         std::to_string(c.Dct) + "_smooth" + std::to_string(c.Smoothing) + "_q" +
         std::to_string(c.Quality);
}

std::string CjpegOptions(const EncodeCase& c) {
  static const char* const dct[] = {"int", "fast", "float"};
  static const char* const sampling[] = {"2x1", "2x2", "1x1"};
  std::string options = "-baseline -quality " + std::to_string(c.Quality) + " -dct " +
                        dct[c.Dct] + " -smooth " + std::to_string(c.Smoothing);
  if (c.ColorSpace == 0) options += " -rgb";
  if (c.ColorSpace == 1) options += " -grayscale";
  if (c.ColorSpace == 2) options += std::string(" -sample ") + sampling[c.Subsampling];
  if (c.Progressive) options += " -progressive";
  if (c.Optimal) options += " -optimize";
  return options;
}

class JpegEncodeTable : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(JpegEncodeTable, EqualsCjpegOutsideTheJfifHeaderAndReadsBackAsDjpeg) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("djpeg");
  const EncodeCase& c = GetParam();
  test::ScratchFolder folder;
  const PnmPixels picture = TestPicture(45, 37);
  TPVBitmap bitmap;
  test::FillBitmap(bitmap, picture);
  TIOParamsVals params(nullptr);
  params.JPEG_ColorSpace = c.ColorSpace;
  params.JPEG_ChromaSubsampling = c.Subsampling;
  params.JPEG_Progressive = c.Progressive;
  params.JPEG_OptimalHuffman = c.Optimal;
  params.JPEG_DCTMethod = c.Dct;
  params.JPEG_Smoothing = c.Smoothing;
  params.JPEG_Quality = c.Quality;
  const std::string ours = test::WriteBytes(bitmap, params);
  ASSERT_FALSE(ours.empty());
  const std::string theirs = test::Cjpeg(folder, picture, CjpegOptions(c));
  ASSERT_FALSE(theirs.empty());
  EXPECT_TRUE(WithoutAPP0(ours) == WithoutAPP0(theirs)) << CjpegOptions(c);

  const PnmPixels expected = test::Djpeg(folder, ours, "");
  ASSERT_GT(expected.Width, 0);
  TIOParamsVals readParams(nullptr);
  readParams.NativePixelFormat = c.ColorSpace == 1;
  TPVBitmap read;
  ASSERT_FALSE(test::ReadBytes(ours, read, readParams).Aborting);
  EXPECT_TRUE(BitmapPixels(read).Samples == expected.Samples);
  EXPECT_EQ(readParams.JPEG_ColorSpace, c.ColorSpace);
  EXPECT_EQ(readParams.JPEG_Progressive, c.Progressive);
  // The caller's bitmap is not touched.
  EXPECT_TRUE(BitmapPixels(bitmap).Samples == picture.Samples);
}

const EncodeCase kEncodeCases[] = {
    {2, 0, false, false, 0, 0, 80}, {2, 1, false, false, 0, 0, 80},
    {2, 2, false, false, 0, 0, 80}, {2, 1, true, false, 0, 0, 80},
    {2, 1, false, true, 0, 0, 80},  {2, 1, true, true, 0, 0, 80},
    {2, 1, false, false, 1, 0, 80}, {2, 1, false, false, 2, 0, 80},
    {2, 1, false, false, 0, 30, 80}, {2, 0, false, false, 0, 0, 10},
    {2, 2, false, true, 2, 0, 100}, {1, 0, false, false, 0, 0, 80},
    {1, 1, true, true, 1, 10, 55},  {0, 0, false, false, 0, 0, 80},
    {0, 2, true, false, 2, 0, 95},  {0, 1, false, true, 1, 50, 30},
};

INSTANTIATE_TEST_SUITE_P(Settings, JpegEncodeTable, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& instance) { return CaseName(instance.param); });

TEST(JpegWriter, CmykAndYcckFilesReadBackThroughTheInvertedLayout) {
  for (uint8_t space : {uint8_t{3}, uint8_t{4}}) {
    // Smooth, so YCbCrK's subsampled chroma loses little.
    PnmPixels picture{23, 11, 3, {}};
    for (int32_t y = 0; y < 11; ++y) {
      for (int32_t x = 0; x < 23; ++x) {
        for (int32_t v : {x * 11, y * 23, 200 - x * 4}) picture.Samples.push_back(uint8_t(v));
      }
    }
    TPVBitmap bitmap;
    test::FillBitmap(bitmap, picture);
    TIOParamsVals params(nullptr);
    params.JPEG_ColorSpace = space;
    params.JPEG_Quality = 100;
    const std::string jpeg = test::WriteBytes(bitmap, params);
    ASSERT_FALSE(jpeg.empty());
    // The codec's Adobe marker, which tells readers the samples are inverted.
    EXPECT_NE(jpeg.find("Adobe"), std::string::npos);
    TIOParamsVals native(nullptr);
    native.NativePixelFormat = true;
    TPVBitmap cmyk;
    ASSERT_FALSE(test::ReadBytes(jpeg, cmyk, native).Aborting);
    EXPECT_EQ(cmyk.GetPixelFormat(), pvCMYK);
    EXPECT_EQ(native.JPEG_ColorSpace, space);
    EXPECT_EQ(native.SamplesPerPixel, 4);
    // Into 24 bits: the native rows through the row conversion, the last pixel too.
    for (bool invert : {false, true}) {
      TIOParamsVals params24(nullptr);
      TPVBitmap rgb;
      ASSERT_FALSE(test::ReadBytes(jpeg, rgb, params24, false, -1, 0, invert).Aborting);
      ASSERT_EQ(rgb.GetPixelFormat(), pv24RGB);
      for (int32_t y = 0; y < 11; ++y) {
        std::vector<uint8_t> row(cmyk.GetScanline(y), cmyk.GetScanline(y) + 23 * 4);
        if (invert) {
          for (uint8_t& sample : row) sample = static_cast<uint8_t>(255 - sample);
        }
        std::vector<uint8_t> expected(23 * 3);
        ConvertColorRowProc(row.data(), clInvertedCMYK, expected.data(), clBGR24, 23, &params24);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), rgb.GetScanline(y))) << y;
      }
    }
    // Close to the picture taken through the same two row conversions without coding.
    TIOParamsVals again(nullptr);
    TPVBitmap rgb;
    ASSERT_FALSE(test::ReadBytes(jpeg, rgb, again).Aborting);
    int32_t worst = 0;
    for (int32_t y = 0; y < 11; ++y) {
      std::vector<uint8_t> inks(23 * 4);
      std::vector<uint8_t> expected(23 * 3);
      ConvertColorRowProc(bitmap.GetScanline(y), clBGR24, inks.data(), clInvertedCMYK, 23, nullptr);
      ConvertColorRowProc(inks.data(), clInvertedCMYK, expected.data(), clBGR24, 23, nullptr);
      for (size_t i = 0; i < expected.size(); ++i)
        worst = std::max(worst, std::abs(expected[i] - rgb.GetScanline(y)[i]));
    }
    EXPECT_LE(worst, 16) << int(space);
  }
}

TEST(JpegWriter, JfifDensityIsTheRecordsClampedOrTheDefault) {
  struct Case {
    int32_t DpiX, DpiY;
    uint16_t X, Y;
  };
  for (const Case& c : {Case{0, 0, 300, 300}, Case{72, 96, 72, 96}, Case{70000, 65536, 65535, 65535},
                        Case{65535, 1, 65535, 1}}) {
    TPVBitmap bitmap;
    test::FillBitmap(bitmap, TestPicture(8, 8));
    TIOParamsVals params(nullptr);
    params.DpiX = c.DpiX;
    params.DpiY = c.DpiY;
    const std::string jpeg = test::WriteBytes(bitmap, params);
    ASSERT_GT(jpeg.size(), 20u);
    ASSERT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(static_cast<uint8_t>(jpeg[13]), 1);
    EXPECT_EQ(static_cast<uint8_t>(jpeg[14]) << 8 | static_cast<uint8_t>(jpeg[15]), c.X);
    EXPECT_EQ(static_cast<uint8_t>(jpeg[16]) << 8 | static_cast<uint8_t>(jpeg[17]), c.Y);
  }
}

TEST(JpegWriter, OutsideToolsReadQualitySamplingAndDensity) {
  CALMORA_REQUIRE_TOOL("identify");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  TPVBitmap bitmap;
  test::FillBitmap(bitmap, TestPicture(32, 32));
  TIOParamsVals params(nullptr);
  params.JPEG_Quality = 80;
  params.JPEG_ChromaSubsampling = 1;
  params.DpiX = 0;
  params.DpiY = 0;
  const std::string path = folder.File("ours.jpg");
  test::WriteFileBytes(path, test::WriteBytes(bitmap, params));
  EXPECT_EQ(test::RunTool("identify -format '%Q %[jpeg:sampling-factor]' " + test::ShellQuoted(path),
                          false)
                .Output,
            "80 2x2,1x1,1x1");
  EXPECT_EQ(test::RunTool("exiftool -s3 -JFIF:XResolution -JFIF:YResolution -JFIF:ResolutionUnit " +
                              test::ShellQuoted(path),
                          false)
                .Output,
            "300\n300\ninches\n");
}

// A stream that takes only its first Limit bytes.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(int64_t limit) : limit_(limit) {}
  int32_t Write(const void* buffer, int32_t count) override {
    const int64_t room = std::max<int64_t>(0, limit_ - GetSize());
    return TMemoryStream::Write(buffer, static_cast<int32_t>(std::min<int64_t>(room, count)));
  }

 private:
  int64_t limit_;
};

TEST(JpegWriter, AShortWriteOrAnEmptyBitmapAborts) {
  for (int64_t limit : {0, 100, 70000}) {
    TPVBitmap bitmap;
    test::FillBitmap(bitmap, TestPicture(400, 300));
    TIOParamsVals params(nullptr);
    params.JPEG_Quality = 100;
    ShortStream stream(limit);
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    WriteJPEGStream(&stream, bitmap, params, progress);
    EXPECT_TRUE(aborting) << limit;
  }
  TPVBitmap empty;
  TIOParamsVals params(nullptr);
  TMemoryStream stream;
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  WriteJPEGStream(&stream, empty, params, progress);
  EXPECT_TRUE(aborting);
  EXPECT_EQ(stream.GetSize(), 0);
}

TEST(JpegWriter, KeptMarkersAreWrittenSortedWithoutApp14) {
  TPVBitmap bitmap;
  test::FillBitmap(bitmap, TestPicture(8, 8));
  TIOParamsVals params(nullptr);
  params.JPEG_Markers.AddMarker(0xFE, "comment", 7);
  params.JPEG_Markers.AddMarker(0xEE, "Adobe-ish", 9);
  params.JPEG_Markers.AddMarker(0xE1, "first app1", 10);
  const std::string jpeg = test::WriteBytes(bitmap, params);
  EXPECT_EQ(jpeg.find("Adobe-ish"), std::string::npos);
  TIOParamsVals read(nullptr);
  TPVBitmap back;
  ASSERT_FALSE(test::ReadBytes(jpeg, back, read).Aborting);
  ASSERT_EQ(read.JPEG_Markers.GetCount(), 2);
  EXPECT_EQ(read.JPEG_Markers.GetMarkerType(0), 0xE1);
  EXPECT_EQ(read.JPEG_Markers.GetMarkerType(1), 0xFE);
}

TEST(JpegWriter, ConvertsOtherPixelFormatsOnACopy) {
  TPVBitmap grey(9, 7, pv8g);
  for (int32_t y = 0; y < 7; ++y) std::memset(grey.GetScanline(y), 40 * y, 9);
  TIOParamsVals params(nullptr);
  params.JPEG_Quality = 100;
  const std::string jpeg = test::WriteBytes(grey, params);
  ASSERT_FALSE(jpeg.empty());
  EXPECT_EQ(grey.GetPixelFormat(), pv8g);
  TIOParamsVals read(nullptr);
  TPVBitmap back;
  ASSERT_FALSE(test::ReadBytes(jpeg, back, read).Aborting);
  EXPECT_NEAR(back.GetScanline(3)[4 * 3], 120, 3);
}

}  // namespace
}  // namespace calmora
