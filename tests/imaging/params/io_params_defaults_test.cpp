// TIOParamsVals: every field after creation with and without an owner against dumps typed from
// the record's tables, then the setters and resets as a table of the fields each may change.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/dpi_globals.h"
#include "imaging/core/color/icc.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_params_dump.h"
#include "platform/color_system.h"
#include "tests/imaging/params/params_test_support.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Golden(const std::string& name) {
  return test::ReadFileBytes(std::string(CALMORA_TEST_SOURCE_DIR) + "/imaging/params/" + name);
}

// Today as days since 30 December 1899, from Python's calendar rather than ours.
std::string TodayFromPython() {
  const test::ToolResult result = test::RunTool(
      "/usr/bin/python3 -c 'import datetime; "
      "print((datetime.date.today() - datetime.date(1899, 12, 30)).days)'",
      false);
  std::string days = result.Output;
  while (!days.empty() && (days.back() == '\n' || days.back() == '\r')) days.pop_back();
  return days;
}

// The dump with TGA_Date's value replaced by "<today>" (the golden files cannot know the day);
// the value itself goes to Date.
std::string HideToday(const std::string& dump, std::string& date) {
  std::string out;
  for (const std::string& line : Lines(dump)) {
    if (line.rfind("TGA_Date=", 0) == 0) {
      date = line.substr(9);
      out += "TGA_Date=<today>\n";
    } else {
      out += line + "\n";
    }
  }
  return out;
}

// The lines of After that differ from Before (the dumps of one record, line for line).
std::vector<std::string> Changed(const std::string& before, const std::string& after) {
  const auto beforeLines = Lines(before);
  const auto afterLines = Lines(after);
  EXPECT_EQ(beforeLines.size(), afterLines.size());
  std::vector<std::string> changed;
  for (size_t i = 0; i < afterLines.size() && i < beforeLines.size(); ++i)
    if (afterLines[i] != beforeLines[i]) changed.push_back(afterLines[i]);
  return changed;
}

TEST(IOParamsDefaultsTest, AnOwnedRecordMatchesTheTables) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const std::string golden = Golden("defaults_owned.txt");
  ASSERT_FALSE(golden.empty());
  test::DpiRecordingView view;
  test::FakeParamsOwner owner;
  owner.View = &view;
  TIOParamsVals params(&owner);
  std::string date;
  EXPECT_EQ(HideToday(DumpParams(params), date), golden);
  EXPECT_EQ(date, TodayFromPython());
  EXPECT_EQ(params.OwnerIO, &owner);
  // The default resolution reaches the view once each, at creation.
  EXPECT_EQ(view.DpiXCalls, std::vector<int32_t>{300});
  EXPECT_EQ(view.DpiYCalls, std::vector<int32_t>{300});
}

TEST(IOParamsDefaultsTest, AStandAloneRecordMatchesTheTables) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const std::string golden = Golden("defaults_standalone.txt");
  ASSERT_FALSE(golden.empty());
  TIOParamsVals params(nullptr);
  std::string date;
  EXPECT_EQ(HideToday(DumpParams(params), date), golden);
  EXPECT_EQ(date, TodayFromPython());
}

TEST(IOParamsDefaultsTest, TheOwnersBitmapSizeAndTheGlobalsAreTakenAtCreation) {
  platform::TBitmap bitmap;
  ASSERT_TRUE(bitmap.SetSize(7, 5));
  test::FakeParamsOwner owner;
  owner.Bitmap = &bitmap;
  const test::ScopedOverride<int32_t> dpiX(DefaultDpiX, 150);
  const test::ScopedOverride<int32_t> dpiY(DefaultDpiY, 75);
  const auto decoder = [](const uint8_t*, int32_t, void*&, int32_t, int64_t) -> uint8_t* {
    return nullptr;
  };
  const test::ScopedOverride<TTIFFLZWDecompressFunc> lzw(DefaultTIFFLZWDecompress, decoder);
  TIOParamsVals params(&owner);
  EXPECT_EQ(params.Width, 7);
  EXPECT_EQ(params.Height, 5);
  EXPECT_EQ(params.DpiX, 150);
  EXPECT_EQ(params.DpiY, 75);
  EXPECT_EQ(params.EXIF_XResolution, 0.0);
  EXPECT_EQ(params.TIFF_LZWDecompress, decoder);
  EXPECT_EQ(params.TIFF_LZWCompress, nullptr);
}

struct SetterCase {
  const char* name;
  std::function<void(TIOParamsVals&)> change;
  std::vector<std::string> changed;  // the dump lines that differ from a new record's
};

class IOParamsSetterTest : public ::testing::TestWithParam<SetterCase> {};

TEST_P(IOParamsSetterTest, ChangesExactlyItsFields) {
  TIOParamsVals params(nullptr);
  const std::string before = DumpParams(params);
  GetParam().change(params);
  EXPECT_EQ(Changed(before, DumpParams(params)), GetParam().changed);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInfinity = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Setters, IOParamsSetterTest,
    ::testing::Values(
        SetterCase{"ImageIndex",
                   [](TIOParamsVals& p) { p.SetImageIndex(3); },
                   {"ImageIndex=3", "TIFF_ImageIndex=3", "DCX_ImageIndex=3", "GIF_ImageIndex=3",
                    "ICO_ImageIndex=3", "CUR_ImageIndex=3"}},
        SetterCase{"ImageCount",
                   [](TIOParamsVals& p) { p.SetImageCount(5); },
                   {"ImageCount=5", "TIFF_ImageCount=5", "GIF_ImageCount=5", "AVI_FrameCount=5"}},
        SetterCase{"LoadThumbnail",
                   [](TIOParamsVals& p) { p.SetLoadThumbnail(true); },
                   {"LoadThumbnail=true", "JPEG_LoadExifThumbnail=true"}},
        SetterCase{"RawPreview",
                   [](TIOParamsVals& p) { p.SetRAW_LoadEmbeddedPreview(true); },
                   {"RAW_LoadEmbeddedPreview=true"}},
        SetterCase{"TIFFOrientation",
                   [](TIOParamsVals& p) { p.SetTIFF_Orientation(6); },
                   {"TIFF_Orientation=6", "EXIF_Orientation=6"}},
        SetterCase{"EXIFOrientation",
                   [](TIOParamsVals& p) { p.SetEXIF_Orientation(8); },
                   {"TIFF_Orientation=8", "EXIF_Orientation=8"}},
        SetterCase{
            "DpiX", [](TIOParamsVals& p) { p.SetDpiX(72); }, {"DpiX=72", "EXIF_XResolution=72"}},
        SetterCase{
            "DpiY", [](TIOParamsVals& p) { p.SetDpiY(96); }, {"DpiY=96", "EXIF_YResolution=96"}},
        SetterCase{"ExifXResolution",
                   [](TIOParamsVals& p) { p.SetEXIF_XResolution(299.7); },
                   {"DpiX=299", "EXIF_XResolution=299.7"}},
        SetterCase{"ExifYResolutionTruncatesTowardZero",
                   [](TIOParamsVals& p) { p.SetEXIF_YResolution(-72.9); },
                   {"DpiY=-72", "EXIF_YResolution=-72.9"}},
        SetterCase{"HugeResolutionSaturates",
                   [](TIOParamsVals& p) { p.SetEXIF_XResolution(1e12); },
                   {"DpiX=2147483647", "EXIF_XResolution=1e+12"}},
        SetterCase{"HugeNegativeResolutionSaturates",
                   [](TIOParamsVals& p) { p.SetEXIF_XResolution(-1e12); },
                   {"DpiX=-2147483648", "EXIF_XResolution=-1e+12"}},
        SetterCase{"NaNResolutionGivesZero",
                   [](TIOParamsVals& p) {
                     p.SetDpiX(50);
                     p.SetEXIF_XResolution(kNaN);
                   },
                   {"EXIF_XResolution=nan"}},
        SetterCase{"InfiniteResolutionSaturates",
                   [](TIOParamsVals& p) { p.SetEXIF_YResolution(kInfinity); },
                   {"DpiY=2147483647", "EXIF_YResolution=inf"}},
        SetterCase{
            "ArrayEntries",
            [](TIOParamsVals& p) {
              p.SetEXIF_ISOSpeedRatings(1, 400);
              p.SetEXIF_ReferenceBlackWhite(5, 255.5);
              p.SetEXIF_WhitePoint(0, 0.3127);
              p.SetEXIF_PrimaryChromaticities(3, 0.6);
              p.SetEXIF_YCbCrCoefficients(2, 0.114);
            },
            {"EXIF_WhitePoint=[0.3127, 0]", "EXIF_PrimaryChromaticities=[0, 0, 0, 0.6, 0, 0]",
             "EXIF_YCbCrCoefficients=[0, 0, 0.114]",
             "EXIF_ReferenceBlackWhite=[0, 0, 0, 0, 0, 255.5]", "EXIF_ISOSpeedRatings=[0, 400]"}},
        SetterCase{"ResetEXIFKeepsTheTIFFOrientationAndDpi",
                   [](TIOParamsVals& p) {
                     p.SetTIFF_Orientation(3);
                     p.SetEXIF_XResolution(72.5);
                     p.EXIF_Make = "Camera";
                     p.EXIF_XPRating = 4;
                     p.EXIF_DigitalZoomRatio = 2;
                     p.EXIF_HasEXIFData = true;
                     p.EXIF_Bitmap = std::make_unique<TPVBitmap>(2, 2, pv24RGB);
                     p.SetEXIF_ISOSpeedRatings(0, 100);
                     p.EXIF_GPSDestLatitude[2] = 7;
                     p.EXIF_XPTitle = u"title";
                     p.ResetEXIF();
                   },
                   {"DpiX=72", "TIFF_Orientation=3"}},
        SetterCase{"ResetInfoKeepsSettingsAndClearsWhatALoadReports",
                   [](TIOParamsVals& p) {
                     p.JPEG_Quality = 50;
                     p.TIFF_Compression = 5;
                     p.SetDpiX(72);
                     p.SetImageIndex(2);
                     (void)p.GetOutputICCProfile();
                     p.ColorMapCount = 1;
                     p.ColorMap = std::make_unique<TPVRGB[]>(1);
                     p.ColorMap[0] = TPVRGB{1, 2, 3};
                     p.XMP_Info = "<x/>";
                     p.GIF_Comments = {"one"};
                     p.PXM_Comments = {"two"};
                     p.PNG_TextKeys = {"key"};
                     p.PNG_TextValues = {"value"};
                     p.IPTC_Info.AddItem(2, 5, 3, "abc");
                     p.JPEG_Markers.AddMarker(0xFE, "comment", 7);
                     p.DICOM_Tags.AddTag(0x10, 0x10, "PN", nullptr, 0);
                     p.TIFF_DocumentName = "doc";
                     p.TIFF_ImageDescription = "description";
                     p.TIFF_PageName = "page";
                     p.TGA_Descriptor = "descriptor";
                     p.TGA_Author = "author";
                     p.TGA_ImageName = "name";
                     (void)p.GetImagingAnnot();
                     (void)p.GetInputICCProfile();
                     p.EXIF_Model = "model";
                     p.SetEXIF_Orientation(5);
                     p.ResetInfo();
                   },
                   {"DpiX=72", "ImageIndex=2", "TIFF_Compression=5", "TIFF_ImageIndex=2",
                    "TIFF_Orientation=5", "DCX_ImageIndex=2", "GIF_ImageIndex=2", "JPEG_Quality=50",
                    "ICO_ImageIndex=2", "CUR_ImageIndex=2", "ColorMap=[bgr(1,2,3)]",
                    "ColorMapCount=1", "OutputICCProfile=profile 0 bytes #811c9dc5 open"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(IOParamsResolutionTest, TheAttachedViewHearsEachResolution) {
  test::DpiRecordingView view;
  test::FakeParamsOwner owner;
  owner.View = &view;
  TIOParamsVals params(&owner);
  params.SetEXIF_XResolution(299.7);
  params.SetEXIF_YResolution(1e12);
  params.SetDpiX(0);  // the view keeps its value for a 0, but hears of it
  EXPECT_EQ(view.DpiXCalls, (std::vector<int32_t>{300, 299, 0}));
  EXPECT_EQ(view.DpiYCalls, (std::vector<int32_t>{300, 2147483647}));
  EXPECT_EQ(view.DpiX, 299);
  EXPECT_EQ(params.EXIF_XResolution, 0.0);
  EXPECT_EQ(params.GetEXIF_ISOSpeedRatings(1), 0);

  // Without an attached view nothing is told, and nothing fails.
  owner.View = nullptr;
  params.SetDpiX(10);
  EXPECT_EQ(view.DpiXCalls.size(), 3u);
}

TEST(IOParamsResetTest, ResetEXIFEmptiesTheMakerNote) {
  TIOParamsVals params(nullptr);
  // A directory of one tag: count, then a 12-byte entry.
  const uint8_t directory[14] = {1, 0, 0x0F, 0x01, 2, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0};
  params.EXIF_MakerNote.Data.WriteBuffer(directory, sizeof directory);
  params.EXIF_MakerNote.ReadTags();
  ASSERT_EQ(params.EXIF_MakerNote.ReadContext.TagCount, 1);
  params.ResetEXIF();
  EXPECT_EQ(params.EXIF_MakerNote.Data.GetSize(), 0);
  EXPECT_EQ(params.EXIF_MakerNote.ReadContext.TagCount, 0);
}

TEST(IOParamsResetTest, ResetEXIFDeletesOnlyTheFirstExifApp1) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  const test::ScratchFolder folder("calmora-params");
  const std::string first =
      test::JpegWithTags(folder, "first.jpg", "-EXIF:Artist=First -XMP-dc:Title=Harbour");
  const std::string second = test::JpegWithTags(folder, "second.jpg", "-EXIF:Artist=Second");
  const auto xmp = test::App1Starting(first, "http://ns.adobe.com/xap/1.0/");
  const auto exif = test::App1Starting(first, std::string("Exif\0\0", 6));
  const auto otherExif = test::App1Starting(second, std::string("Exif\0\0", 6));
  ASSERT_FALSE(xmp.empty());
  ASSERT_FALSE(exif.empty());
  ASSERT_FALSE(otherExif.empty());
  ASSERT_NE(exif, otherExif);

  struct Marker {
    uint8_t type;
    std::vector<uint8_t> payload;
  };
  struct Case {
    const char* name;
    std::vector<Marker> before;
    std::vector<Marker> after;
  };
  const std::vector<Case> cases = {
      {"xmp, exif, exif",
       {{0xE1, xmp}, {0xE1, exif}, {0xE1, otherExif}},
       {{0xE1, xmp}, {0xE1, otherExif}}},
      {"an EXIF payload in APP2 is no EXIF APP1",
       {{0xE2, exif}, {0xFE, xmp}, {0xE1, otherExif}},
       {{0xE2, exif}, {0xFE, xmp}}},
      {"no EXIF at all", {{0xE1, xmp}, {0xED, exif}}, {{0xE1, xmp}, {0xED, exif}}},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    for (const Marker& marker : c.before)
      ASSERT_TRUE(params.JPEG_Markers.AddMarker(marker.type, marker.payload.data(),
                                                int64_t(marker.payload.size())));
    params.ResetEXIF();
    ASSERT_EQ(params.JPEG_Markers.GetCount(), int32_t(c.after.size())) << c.name;
    for (size_t i = 0; i < c.after.size(); ++i) {
      EXPECT_EQ(params.JPEG_Markers.Types[i], c.after[i].type) << c.name;
      EXPECT_EQ(params.JPEG_Markers.Payloads[i], c.after[i].payload) << c.name;
    }
  }
}

TEST(IOParamsObjectsTest, AreMadeOnceOnFirstUse) {
  TIOParamsVals params(nullptr);
  TPVICC* input = params.GetInputICCProfile();
  TPVICC* fallback = params.GetDefaultICCProfile();
  EXPECT_FALSE(input->IsOpen());
  EXPECT_FALSE(fallback->IsOpen());
  EXPECT_NE(input, fallback);
  EXPECT_EQ(params.GetInputICCProfile(), input);
  EXPECT_EQ(params.GetDefaultICCProfile(), fallback);

  // sRGB is opened once, when the output profile is made, never again.
  TPVICC* output = params.GetOutputICCProfile();
  EXPECT_TRUE(output->IsOpen());
  EXPECT_EQ(output->RawSize, 0);
  output->CloseProfile();
  EXPECT_EQ(params.GetOutputICCProfile(), output);
  EXPECT_FALSE(output->IsOpen());

  TPVImagingAnnot* annot = params.GetImagingAnnot();
  EXPECT_EQ(annot->Parent, &params);
  EXPECT_EQ(params.GetImagingAnnot(), annot);
}

TEST(IOParamsObjectsTest, TheOutputProfileComesEvenWhenSRGBCannotOpen) {
  platform::SetColorSystemAbsent(true);
  FreeColorSystemLibrary();
  TIOParamsVals params(nullptr);
  TPVICC* output = params.GetOutputICCProfile();
  EXPECT_NE(output, nullptr);
  EXPECT_FALSE(output->IsOpen());
  platform::SetColorSystemAbsent(false);
  FreeColorSystemLibrary();
}

}  // namespace
}  // namespace calmora
