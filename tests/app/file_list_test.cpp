// The file list's pure helpers: accepted types, extension test, kilobytes and size text.
#include "app/file_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

TEST(FileListTest, ComboItemsAreTheFourteenTypesInOrder) {
  const std::vector<std::string> expected = {"*.AVI", "*.MPG", "*.MPEG", "*.WMV", "*.MP4",
                                             "*.M4V", "*.FLV", "*.MKV",  "*.WEBM", "*.MOV",
                                             "*.VOB", "*.ASF", "*.TS",   "*.MTS"};
  EXPECT_EQ(VideoFormatItems(), expected);
  EXPECT_EQ(VideoFilesFilter(),
            "Video Files|*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;"
            "*.ASF;*.TS;*.MTS;");
}

TEST(FileListTest, ExtensionTestLooksForAPieceOfTheList) {
  struct Case {
    const char* Path;
    bool Accepted;
  };
  const Case cases[] = {
      {"/v/clip.AVI", true},      {"/v/clip.avi", true},    {"/v/a.mp", true},
      {"/v/a.MPE", true},         {"/v/a.t", true},         {"/v/clip.webm", true},
      {"/v/notes.txt", false},    {"/v/README", false},     {"/v.mp4/README", false},
      {"/v/archive.avi.zip", false}, {"/v/a.", true},       {"/v/x.mts", true},
  };
  for (const Case& c : cases) EXPECT_EQ(PassesExtensionTest(c.Path), c.Accepted) << c.Path;
}

TEST(FileListTest, FileExtensionIsTakenFromTheNameOnly) {
  EXPECT_EQ(FileExtension("/home/a.b/clip.avi.mkv"), ".mkv");
  EXPECT_EQ(FileExtension("/home/a.b/clip"), "");
  EXPECT_EQ(FileExtension("clip.AVI"), ".AVI");
}

TEST(FileListTest, KilobytesRoundHalvesToEven) {
  struct Case {
    std::uint64_t Bytes, Kilobytes;
  };
  const Case cases[] = {{0, 0},       {511, 0},    {512, 0},    {513, 1},   {1024, 1},
                        {1536, 2},    {2560, 2},   {3584, 4},   {2561, 3},  {1048576000, 1024000}};
  for (const Case& c : cases) EXPECT_EQ(KilobytesOf(c.Bytes), c.Kilobytes) << c.Bytes;
}

TEST(FileListTest, SizeTextGroupsDigitsInThrees) {
  EXPECT_EQ(GroupThousands(0), "0");
  EXPECT_EQ(GroupThousands(999), "999");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(1234567), "1,234,567");
  EXPECT_EQ(GroupThousands(18446744073709551615ull), "18,446,744,073,709,551,615");
  EXPECT_EQ(SizeText(1048576000), "1,024,000 KB");
  EXPECT_EQ(SizeText(0), "0 KB");
}

TEST(FileListTest, FileSizeOfReadsFilesAndRefusesOthers) {
  test::ScratchFolder dir;
  ASSERT_TRUE(test::WriteFileBytes(dir.File("three.avi"), "abc"));
  EXPECT_EQ(FileSizeOf(dir.File("three.avi")), 3u);
  EXPECT_THROW(FileSizeOf(dir.File("missing.avi")), std::runtime_error);
  std::filesystem::create_directory(dir.File("x.mp4"));
  EXPECT_THROW(FileSizeOf(dir.File("x.mp4")), std::runtime_error);
  try {
    FileSizeOf(dir.File("missing.avi"));
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + dir.File("missing.avi") + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace calmora
