// Assign and CopyMetadataParams: a record with every field changed is copied, and the dumps of
// source and target agree but for the copy rules, each of which is checked on its own.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/params/exif_blocks.h"
#include "imaging/params/io_params.h"
#include "imaging/params/io_params_dump.h"
#include "tests/imaging/params/params_filler.h"
#include "tests/imaging/params/params_test_support.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

using FieldValues = std::vector<std::pair<std::string, std::string>>;

// The dump as (name, value) pairs in record order.
FieldValues Fields(const TIOParamsVals& params) {
  FieldValues fields;
  std::istringstream in(DumpParams(params));
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    fields.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return fields;
}

std::string ValueOf(const FieldValues& fields, const std::string& name) {
  for (const auto& [fieldName, value] : fields)
    if (fieldName == name) return value;
  ADD_FAILURE() << "no field " << name;
  return {};
}

// The fields of Actual whose values differ from Expected's, as "name=value".
std::vector<std::string> Differences(const FieldValues& expected, const FieldValues& actual) {
  EXPECT_EQ(expected.size(), actual.size());
  std::vector<std::string> differences;
  for (size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
    EXPECT_EQ(expected[i].first, actual[i].first);
    if (expected[i].second != actual[i].second)
      differences.push_back(actual[i].first + "=" + actual[i].second);
  }
  return differences;
}

TEST(IOParamsAssignTest, CopiesEveryFieldButForItsRules) {
  TIOParamsVals source(nullptr);
  test::FillParams(source);
  // Copies that disagree in the source show which one the rules take.
  source.LoadThumbnail = false;
  ASSERT_TRUE(source.JPEG_LoadExifThumbnail);
  ASSERT_NE(source.TIFF_Orientation, source.EXIF_Orientation);
  ASSERT_NE(source.TIFF_ImageIndex, source.CUR_ImageIndex);

  test::DpiRecordingView view;
  test::FakeParamsOwner owner;
  owner.View = &view;
  TIOParamsVals target(&owner);
  target.Assign(&source);

  const FieldValues from = Fields(source);
  const std::string lastIndex = std::to_string(source.CUR_ImageIndex);
  EXPECT_EQ(Differences(from, Fields(target)),
            (std::vector<std::string>{
                "OwnerIO=set",                   // the target's own
                "ImageIndex=" + lastIndex,       // every index copy ends at the
                "LoadThumbnail=true",            //   last one set; the thumbnail
                "TIFF_ImageIndex=" + lastIndex,  //   flag follows JPEG's
                "DCX_ImageIndex=" + lastIndex, "GIF_ImageIndex=" + lastIndex,
                "ICO_ImageIndex=" + lastIndex,
                "EXIF_Orientation=" + std::to_string(source.TIFF_Orientation),
                "NativePixelFormat=false",  // never copied
            }));
  EXPECT_EQ(target.OwnerIO, &owner);
  // The resolutions went through the setters: the view heard them.
  EXPECT_EQ(view.DpiXCalls, (std::vector<int32_t>{300, source.DpiX}));
  EXPECT_EQ(view.DpiYCalls, (std::vector<int32_t>{300, source.DpiY}));
  // Objects of the target's own, not shared ones.
  EXPECT_NE(target.EXIF_Bitmap.get(), source.EXIF_Bitmap.get());
  EXPECT_NE(target.ColorMap.get(), source.ColorMap.get());
  ASSERT_NE(target.ImagingAnnot, nullptr);
  EXPECT_EQ(target.ImagingAnnot->Parent, &target);
  ASSERT_NE(target.OutputICCProfile, nullptr);
  EXPECT_TRUE(target.OutputICCProfile->IsOpen());
  // The maker note's tags were read again from the copied bytes.
  ASSERT_EQ(target.EXIF_MakerNote.ReadContext.TagCount, 1);
  EXPECT_EQ(target.EXIF_MakerNote.ReadContext.Tags[0].Value,
            source.EXIF_MakerNote.ReadContext.Tags[0].Value);
}

TEST(IOParamsAssignTest, ASourceWithoutObjectsFreesTheTargetsButKeepsItsThumbnail) {
  TIOParamsVals target(nullptr);
  test::FillParams(target);
  const std::string thumbnail = ValueOf(Fields(target), "EXIF_Bitmap");
  TIOParamsVals source(nullptr);
  source.ColorMapCount = 7;  // with no palette: the count is still taken
  target.Assign(&source);

  EXPECT_EQ(target.InputICCProfile, nullptr);
  EXPECT_EQ(target.OutputICCProfile, nullptr);
  EXPECT_EQ(target.DefaultICCProfile, nullptr);
  EXPECT_EQ(target.ImagingAnnot, nullptr);
  EXPECT_EQ(target.ColorMap, nullptr);
  EXPECT_EQ(target.ColorMapCount, 7);
  EXPECT_EQ(ValueOf(Fields(target), "EXIF_Bitmap"), thumbnail);
  EXPECT_EQ(target.EXIF_MakerNote.Data.GetSize(), 0);
  EXPECT_EQ(target.EXIF_MakerNote.ReadContext.TagCount, 0);
  EXPECT_TRUE(target.NativePixelFormat);
}

TEST(IOParamsAssignTest, FromItselfChangesNothing) {
  TIOParamsVals params(nullptr);
  test::FillParams(params);
  const std::string before = DumpParams(params);
  params.Assign(&params);
  EXPECT_EQ(DumpParams(params), before);
  params.Assign(nullptr);
  EXPECT_EQ(DumpParams(params), before);
}

TEST(CopyMetadataParamsTest, CopiesTheExifSectionThroughItsSetters) {
  TIOParamsVals source(nullptr);
  test::FillParams(source);
  test::DpiRecordingView view;
  test::FakeParamsOwner owner;
  owner.View = &view;
  TIOParamsVals target(&owner);
  const FieldValues before = Fields(target);
  const FieldValues from = Fields(source);

  CopyMetadataParams(source, target);

  // The EXIF fields take the source's values but the two left out; everything else keeps the
  // target's, but what the setters write beside the EXIF fields.
  FieldValues expected = before;
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::string& name = expected[i].first;
    if (name.rfind("EXIF_", 0) == 0 && name != "EXIF_HasEXIFData" && name != "EXIF_Bitmap")
      expected[i].second = from[i].second;
  }
  const auto set = [&](const std::string& name, const std::string& value) {
    for (auto& field : expected)
      if (field.first == name) field.second = value;
  };
  set("EXIF_ImageDescription", ValueOf(from, "TIFF_ImageDescription"));
  set("TIFF_Orientation", std::to_string(source.EXIF_Orientation));
  set("DpiX", std::to_string(static_cast<int32_t>(source.EXIF_XResolution)));
  set("DpiY", std::to_string(static_cast<int32_t>(source.EXIF_YResolution)));
  EXPECT_EQ(Differences(expected, Fields(target)), std::vector<std::string>{});

  EXPECT_EQ(target.EXIF_GPSDestLatitudeRef, source.EXIF_GPSDestLatitudeRef);
  EXPECT_EQ(target.EXIF_GPSDestLongitudeRef, source.EXIF_GPSDestLongitudeRef);
  EXPECT_NE(target.EXIF_GPSDestLatitudeRef, target.EXIF_GPSDestLongitudeRef);
  EXPECT_EQ(view.DpiXCalls.back(), static_cast<int32_t>(source.EXIF_XResolution));
  ASSERT_EQ(target.EXIF_MakerNote.ReadContext.TagCount, 1);
}

}  // namespace
}  // namespace calmora
