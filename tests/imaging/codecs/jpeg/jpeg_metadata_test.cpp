// What a JPEG load reports besides pixels: the kept markers in file order, IPTC, XMP and the
// ICC profile as exiftool wrote them, the EXIF step through a stand-in EXIF reader (resolution,
// orientation, thumbnail), and a re-save that keeps every block exiftool sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/core/color/color_rows.h"
#include "imaging/params/exif_blocks.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"
#include "tests/imaging/core/metadata/jpeg_segments.h"

namespace calmora {
namespace {

using test::RunTool;
using test::ShellQuoted;

// A JPEG from cjpeg to which exiftool adds a comment, IPTC, XMP, EXIF with a thumbnail and a
// 100 KB ICC profile.
std::string RichJpeg(const test::ScratchFolder& folder) {
  // A real profile grown to 100 KB (its size field says so), so it spans two chunks.
  std::string profile = test::ReadFileBytes("/usr/share/color/icc/ghostscript/srgb.icc");
  if (profile.empty()) return {};
  profile.resize(100000, '\0');
  profile[0] = 0;
  profile[1] = 0x01;
  profile[2] = static_cast<char>(0x86);
  profile[3] = static_cast<char>(0xA0);
  test::WriteFileBytes(folder.File("big.icc"), profile);
  test::WriteFileBytes(folder.File("thumb.jpg"), test::Cjpeg(folder, test::TestPicture(8, 6), ""));
  const std::string path = folder.File("rich.jpg");
  test::WriteFileBytes(path, test::Cjpeg(folder, test::TestPicture(40, 30), ""));
  const std::string command =
      "exiftool -q -overwrite_original -Comment='a comment' -IPTC:ObjectName=Harbour "
      "-IPTC:Keywords=boats -IPTC:Keywords=sea -XMP-dc:Title='Evening tide' "
      "-EXIF:Artist=Someone -EXIF:XResolution=180 -EXIF:YResolution=180 "
      "-EXIF:ResolutionUnit=inches -EXIF:Orientation#=6 '-ThumbnailImage<=" +
      folder.File("thumb.jpg") + "' '-ICC_Profile<=" + folder.File("big.icc") + "' " +
      ShellQuoted(path);
  if (RunTool(command).Status != 0) return {};
  return test::ReadFileBytes(path);
}

TEST(JpegMetadata, MarkersIptcXmpAndProfileAsExiftoolWroteThem) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  const std::string jpeg = RichJpeg(folder);
  ASSERT_FALSE(jpeg.empty());
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadBytes(jpeg, bitmap, params).Aborting);

  std::vector<test::JpegSegment> expected;
  bool firstAPP0 = true;
  for (const test::JpegSegment& segment : test::ReadJpegSegments(jpeg)) {
    const bool kept = (segment.Type >= 0xE0 && segment.Type <= 0xEF) || segment.Type == 0xFE;
    if (!kept) continue;
    if (segment.Type == 0xE0 && firstAPP0) {
      firstAPP0 = false;
      continue;
    }
    expected.push_back(segment);
  }
  ASSERT_EQ(params.JPEG_Markers.GetCount(), static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(params.JPEG_Markers.GetMarkerType(static_cast<int32_t>(i)), expected[i].Type);
    EXPECT_TRUE(params.JPEG_Markers.Payloads[i] == expected[i].Payload) << i;
  }

  const std::string path = folder.File("rich.jpg");
  EXPECT_EQ(params.XMP_Info, RunTool("exiftool -b -XMP " + ShellQuoted(path), false).Output);
  const std::string profile = RunTool("exiftool -b -ICC_Profile " + ShellQuoted(path), false).Output;
  ASSERT_NE(params.InputICCProfile, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(params.InputICCProfile->RawProfile.get()),
                        static_cast<size_t>(params.InputICCProfile->RawSize)),
            profile);
  // Object name, two keywords, and the record version exiftool adds.
  std::vector<std::string> datasets;
  for (int32_t i = 0; i < params.IPTC_Info.GetCount(); ++i) {
    datasets.push_back(std::to_string(params.IPTC_Info.GetRecordNumber(i)) + ":" +
                       std::to_string(params.IPTC_Info.GetDatasetNumber(i)));
  }
  EXPECT_NE(std::find(datasets.begin(), datasets.end(), "2:5"), datasets.end());
  EXPECT_EQ(std::count(datasets.begin(), datasets.end(), "2:25"), 2);
}

// Stands in for the EXIF reader: a payload starting "Exif" sets the resolution, the
// orientation and, when asked, a thumbnail of 3 x 2.
bool FakeExif(const void* payload, int64_t length, TIOParamsVals& params) {
  if (length < 6 || std::string(static_cast<const char*>(payload), 4) != "Exif") return false;
  params.EXIF_XResolution = 50;
  params.EXIF_YResolution = 20;
  params.EXIF_ResolutionUnit = 3;
  params.SetEXIF_Orientation(6);
  if (params.JPEG_LoadExifThumbnail || !params.LoadThumbnail) {
    params.EXIF_Bitmap = std::make_unique<TPVBitmap>(3, 2, pv24RGB);
  }
  return true;
}

std::string WithExifAndDensity(const test::ScratchFolder& folder, uint8_t unit, uint16_t density) {
  std::string jpeg = test::Cjpeg(folder, test::TestPicture(20, 10), "");
  jpeg[13] = static_cast<char>(unit);
  jpeg[14] = jpeg[16] = static_cast<char>(density >> 8);
  jpeg[15] = jpeg[17] = static_cast<char>(density & 0xFF);
  return jpeg.substr(0, 20) + std::string("\xFF\xE1\x00\x0A" "Exif\0\0MM", 12) + jpeg.substr(20);
}

TEST(JpegMetadata, ExifStepThroughTheHook) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const test::ScopedOverride<TPVReadExifBlockProc> hook(ReadExifBlockProc, FakeExif);
  {
    // JFIF 1 x 1: the EXIF resolution in centimetres wins.
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadBytes(WithExifAndDensity(folder, 0, 1), bitmap, params).Aborting);
    EXPECT_EQ(params.DpiX, 127);
    EXPECT_EQ(params.DpiY, 50);
    EXPECT_EQ(bitmap.GetWidth(), 20);  // no turning unless asked
  }
  {
    // A real JFIF density stays; the orientation turns the picture when asked.
    TIOParamsVals params(nullptr);
    params.JPEG_AdjustOrientation = true;
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadBytes(WithExifAndDensity(folder, 1, 72), bitmap, params).Aborting);
    EXPECT_EQ(params.DpiX, 72);
    EXPECT_EQ(params.DpiY, 72);
    EXPECT_EQ(bitmap.GetWidth(), 10);
    EXPECT_EQ(bitmap.GetHeight(), 20);
  }
  for (int64_t start : {0, 100}) {
    // The thumbnail shortcut, also for a JPEG further in the stream.
    const std::string bytes = std::string(start, 'x') + WithExifAndDensity(folder, 1, 72);
    TIOParamsVals params(nullptr);
    params.SetLoadThumbnail(true);
    TPVBitmap bitmap;
    const test::ReadOutcome outcome = test::ReadBytes(bytes, bitmap, params, false, -1, start);
    EXPECT_FALSE(outcome.Aborting);
    EXPECT_EQ(outcome.Rows, 0);
    EXPECT_EQ(bitmap.GetWidth(), 3) << start;
    EXPECT_TRUE(params.JPEG_LoadExifThumbnail);
  }
  {
    // No thumbnail there: the image itself, read from the stream's entry position.
    const std::string bytes = std::string(100, 'x') + test::Cjpeg(folder, test::TestPicture(20, 10), "");
    TIOParamsVals params(nullptr);
    params.SetLoadThumbnail(true);
    TPVBitmap bitmap;
    const test::ReadOutcome outcome = test::ReadBytes(bytes, bitmap, params, false, -1, 100);
    EXPECT_FALSE(outcome.Aborting);
    EXPECT_EQ(outcome.Rows, 10);
    EXPECT_EQ(bitmap.GetWidth(), 20);
  }
}

// exiftool's listing of the groups that a re-save must keep, one tag per line.
std::string Listing(const std::string& path) {
  return RunTool("exiftool -a -G1 -s -EXIF:all -IFD0:all -ExifIFD:all -IFD1:all -IPTC:all "
                 "-XMP:all -ICC_Profile:all -ICC-header:all " + ShellQuoted(path),
                 false)
      .Output;
}

TEST(JpegMetadata, AReSaveKeepsWhatExiftoolSees) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  const std::string jpeg = RichJpeg(folder);
  ASSERT_FALSE(jpeg.empty());
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadBytes(jpeg, bitmap, params).Aborting);
  // An APP14 kept from a read is not written back: the codec writes its own when it needs one.
  params.JPEG_Markers.AddMarker(0xEE, "Adobe\0\x64\0\0\0\0\1", 12);
  const std::string saved = test::WriteBytes(bitmap, params);
  ASSERT_FALSE(saved.empty());
  const std::string path = folder.File("saved.jpg");
  test::WriteFileBytes(path, saved);
  const std::string before = Listing(folder.File("rich.jpg"));
  EXPECT_NE(before.find("Harbour"), std::string::npos);
  EXPECT_EQ(Listing(path), before);
  const std::string validate = "exiftool -validate -warning -a ";
  EXPECT_EQ(RunTool(validate + ShellQuoted(path), false).Output,
            RunTool(validate + ShellQuoted(folder.File("rich.jpg")), false).Output);
  for (const test::JpegSegment& segment : test::ReadJpegSegments(saved))
    EXPECT_NE(segment.Type, 0xEE);
}

TEST(JpegMetadata, IoAdaptersLoadAndSave) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  test::ScratchFolder folder;
  const std::string jpeg = test::Cjpeg(folder, test::TestPicture(20, 10), "");
  TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  TPVProgressRecord progress;
  std::unique_ptr<TPVMask> mask;
  EXPECT_EQ(ReadJPEGForIO(stream, bitmap, params, false, progress, mask), 1);
  EXPECT_EQ(bitmap.GetWidth(), 20);
  EXPECT_EQ(progress.Aborting, nullptr);
  TPVMemStream junk("junk", 4);
  EXPECT_EQ(ReadJPEGForIO(junk, bitmap, params, true, progress, mask), 0);

  TMemoryStream out;
  bool aborting = false;
  progress.Aborting = &aborting;
  WriteJPEGForIO(out, bitmap, params, progress, nullptr);
  EXPECT_FALSE(aborting);
  EXPECT_GT(out.GetSize(), 100);
  TPVBitmap empty;
  WriteJPEGForIO(out, empty, params, progress, nullptr);
  EXPECT_TRUE(aborting);
}

// Converts rows through the image's input profile towards sRGB, as the I/O component's
// conversion does when ICC conversion is on.
void ProfileRows(const void* source, TPVColorLayout sourceLayout, void* destination,
                 TPVColorLayout destinationLayout, int32_t count, TIOParamsVals* params) {
  TPVICC srgb;
  srgb.OpenSRGBProfile();
  params->InputICCProfile->TransformPixels(&srgb, sourceLayout, destinationLayout, 0, 0, source,
                                           destination, count);
}

TEST(JpegMetadata, AnAppliedProfileIsNotKeptForTheSave) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  const std::string path = folder.File("profiled.jpg");
  test::WriteFileBytes(path, test::Cjpeg(folder, test::TestPicture(16, 8), ""));
  ASSERT_EQ(RunTool("exiftool -q -overwrite_original -Comment=kept "
                    "'-ICC_Profile<=/usr/share/color/icc/ghostscript/srgb.icc' " + ShellQuoted(path))
                .Status,
            0);
  const std::string jpeg = test::ReadFileBytes(path);
  const test::ScopedOverride<bool> on(ICCConversion, true);
  const test::ScopedOverride<TConvertColorRowProc> rows(ConvertColorRowProc, ProfileRows);
  for (bool drop : {false, true}) {
    TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ReadJPEGStream(&stream, nullptr, bitmap, params, progress, false, false, true, false, drop,
                   true, -1, false);
    ASSERT_FALSE(aborting);
    ASSERT_NE(params.InputICCProfile, nullptr);
    if (!params.InputICCProfile->IsOpen()) GTEST_SKIP() << "no colour system";
    EXPECT_EQ(params.JPEG_Markers.IndexOf(0xE2) >= 0, !drop);
    EXPECT_GE(params.JPEG_Markers.IndexOf(0xFE), 0);
    EXPECT_EQ(params.InputICCProfile->IsTransformReady(), !drop);
  }
}

}  // namespace
}  // namespace calmora
