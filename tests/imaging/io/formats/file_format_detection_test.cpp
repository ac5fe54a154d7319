// FindFileFormat: the content of a file reconciled with its extension, strict and loose, and
// names that are no regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "imaging/io/formats/format_detection.h"
#include "tests/imaging/io/formats/detection_fixtures.h"

namespace calmora {
namespace {

// The scratch folder's names are ASCII, so each byte is one UTF-16 unit.
std::u16string Wide(const std::string& name) { return std::u16string(name.begin(), name.end()); }

class FindFileFormatTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildFileFormatRegistry();
    CALMORA_REQUIRE_TOOL("convert");
    ASSERT_EQ(test::RunTool("cd " + test::ShellQuoted(folder_.Path()) + " && " +
                            test::kToolSource + " && convert source.ppm jpeg.jpg && "
                            "convert source.ppm icon.ico && convert source.ppm plain.tif")
                  .Status,
              0);
    jpeg_ = test::ReadFileBytes(folder_.File("jpeg.jpg"));
    icon_ = test::ReadFileBytes(folder_.File("icon.ico"));
    cursor_ = test::CursorOfIcon(icon_).Bytes;
    tiff_ = test::ReadFileBytes(folder_.File("plain.tif"));
  }
  void TearDown() override { FreeFileFormatRegistry(); }

  // The answer for the bytes saved under the name.
  TPVFileFormatId Find(const std::string& name, const std::string& bytes, bool strict) {
    EXPECT_TRUE(test::WriteFileBytes(folder_.File(name), bytes));
    return FindFileFormat(Wide(folder_.File(name)), strict);
  }

  test::ScratchFolder folder_;
  std::string jpeg_, icon_, cursor_, tiff_;
};

struct NamedContentCase {
  const char* Name;
  std::string Content;
  TPVFileFormatId Strict, Loose;
};

TEST_F(FindFileFormatTest, ReconcilesContentAndExtension) {
  const NamedContentCase cases[] = {
      {"picture.jpg", jpeg_, 3, 3},
      {"PICTURE.JPEG", jpeg_, 3, 3},
      {"jpeg-inside.png", jpeg_, 0, 3},
      {"no-extension", jpeg_, 0, 3},
      {"unknown.txt", jpeg_, 0, 3},
      {"cursor-inside.ico", cursor_, 6, 7},
      {"icon-inside.cur", icon_, 7, 6},
      {"icon-inside.png", icon_, 8, 6},  // icons take the extension's id
      {"cursor.cur", cursor_, 7, 7},
      {"tiff-inside.nef", tiff_, 20, 20},  // raw files are TIFF inside
      {"tiff.tif", tiff_, 1, 1},
      {"folder.d/tiff", tiff_, 0, 1},  // a dot in a folder is no extension
  };
  ASSERT_EQ(::mkdir(folder_.File("folder.d").c_str(), 0700), 0);
  for (const NamedContentCase& namedCase : cases) {
    const std::string& bytes = namedCase.Content;
    EXPECT_EQ(Find(namedCase.Name, bytes, true), namedCase.Strict) << namedCase.Name << " strict";
    EXPECT_EQ(Find(namedCase.Name, bytes, false), namedCase.Loose) << namedCase.Name << " loose";
  }
}

// Every fixture under its own format's first extension and under a wrong one.
TEST_F(FindFileFormatTest, EveryFixtureUnderRightAndWrongExtensions) {
  std::vector<std::string> missing;
  std::vector<test::DetectionFixture> fixtures = test::MakeToolFixtures(folder_, missing);
  for (test::DetectionFixture& fixture : test::BuiltFixtures()) fixtures.push_back(std::move(fixture));
  int number = 0;
  for (const test::DetectionFixture& fixture : fixtures) {
    if (fixture.Start != 0) continue;  // a file's content starts at its first byte
    const TPVFileFormatId format = fixture.Format;
    const std::string own = format == kFormatAVI ? "avi" : GetFileExt(format, 0);
    const std::string right = "right" + std::to_string(number) + "." + (own.empty() ? "bin" : own);
    const std::string wrong = "wrong" + std::to_string(number++) + (format == kFormatGIF ? ".png" : ".gif");
    // AVI has no entry, so no extension can agree with it under Strict.
    EXPECT_EQ(Find(right, fixture.Bytes, true), format == kFormatAVI ? 0 : format) << fixture.Name;
    EXPECT_EQ(Find(right, fixture.Bytes, false), format) << fixture.Name;
    // Icons and cursors take the extension's id, whatever it is.
    const bool iconLike = format == kFormatICO || format == kFormatCUR;
    EXPECT_EQ(Find(wrong, fixture.Bytes, true), iconLike ? kFormatGIF : 0) << fixture.Name;
    EXPECT_EQ(Find(wrong, fixture.Bytes, false), format) << fixture.Name;
  }
}

TEST_F(FindFileFormatTest, UnknownContentAnswersNothingEvenUnderItsExtension) {
  EXPECT_EQ(Find("empty.png", "", true), 0);
  EXPECT_EQ(Find("text.png", "just some words", false), 0);
}

bool AcceptsNothing(TStream*, int32_t) { return false; }

// A format served only by its callbacks is named by its extension, whatever the content.
TEST_F(FindFileFormatTest, ExternalFormatsGoByTheirExtension) {
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = 91;
  entry->Extensions = "XYZ;ABC";
  entry->TestProc = AcceptsNothing;
  RegisterFileFormat(std::move(entry));
  EXPECT_EQ(Find("data.abc", jpeg_, true), 91);
  EXPECT_EQ(Find("data.xyz", "nothing known", false), 91);
}

TEST_F(FindFileFormatTest, NamesThatAreNoRegularFileAnswerNothingAtOnce) {
  EXPECT_EQ(FindFileFormat(u"", true), 0);
  EXPECT_EQ(FindFileFormat(Wide(folder_.File("missing.jpg")), false), 0);
  ASSERT_EQ(::mkdir(folder_.File("a-folder.jpg").c_str(), 0700), 0);
  EXPECT_EQ(FindFileFormat(Wide(folder_.File("a-folder.jpg")), false), 0);
  // Opening a pipe nobody writes to would wait for ever.
  ASSERT_EQ(::mkfifo(folder_.File("pipe.jpg").c_str(), 0600), 0);
  EXPECT_EQ(FindFileFormat(Wide(folder_.File("pipe.jpg")), false), 0);
  EXPECT_EQ(FindFileFormat(u"/dev/zero", false), 0);
}

}  // namespace
}  // namespace calmora
