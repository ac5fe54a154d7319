// File streams: wide and UTF-8 names, mode words, create and open failures with their
// messages, size changes and positions beyond 4 GB.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "imaging/base/streams/streams.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;

class FileStreamTest : public testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return scratch_.File(name); }
  std::u16string WidePathOf(const std::u16string& name) const {
    return fs::path(scratch_.Path()).u16string() + u"/" + name;
  }
  void WriteFile(const std::string& name, const std::string& content) const {
    ASSERT_TRUE(test::WriteFileBytes(PathOf(name), content));
  }

  test::ScratchFolder scratch_{"calmora-files"};
  const fs::path folder_ = scratch_.Path();
};

TEST_F(FileStreamTest, WideNameCreatesAndReopensTheFile) {
  const std::u16string name = u"Bild \u00e4\u00df \u65e5\u672c \U0001F600.bin";
  {
    TPVWideFileStream stream(WidePathOf(name), fmCreate);
    stream.WriteBuffer("hello", 5);
    EXPECT_EQ(stream.GetSize(), 5);
  }
  EXPECT_TRUE(fs::exists(PathOf("Bild \u00e4\u00df \u65e5\u672c \U0001F600.bin")));
  TPVWideFileStream stream(WidePathOf(name), fmOpenRead | fmShareDenyWrite);
  char text[6] = {};
  EXPECT_EQ(stream.Read(text, 10), 5);
  EXPECT_STREQ(text, "hello");
  EXPECT_EQ(stream.Write(text, 1), 0);  // opened for reading only
}

TEST_F(FileStreamTest, CreateTruncatesExistingFile) {
  WriteFile("old.bin", "0123456789");
  TPVWideFileStream stream(WidePathOf(u"old.bin"), fmCreate);
  EXPECT_EQ(stream.GetSize(), 0);
}

TEST_F(FileStreamTest, OpenMissingFileRaisesOpenError) {
  try {
    TPVWideFileStream stream(WidePathOf(u"missing.bin"), fmOpenRead);
    FAIL() << "no exception";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot open file \"" + PathOf("missing.bin") + "\". No such file or directory");
  }
}

TEST_F(FileStreamTest, CreateInMissingFolderRaisesCreateError) {
  try {
    TPVWideFileStream stream(WidePathOf(u"nofolder/x.bin"), fmCreate);
    FAIL() << "no exception";
  } catch (const EFCreateError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file \"" + PathOf("nofolder/x.bin") +
                                             "\". No such file or directory");
  }
}

TEST_F(FileStreamTest, ErrorMessageShowsTheFullPath) {
  fs::path saved = fs::current_path();
  fs::current_path(folder_);
  try {
    TFileStream stream("sub/../absent.bin", fmOpenReadWrite);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& error) {
    EXPECT_NE(std::string(error.what()).find("\"" + PathOf("absent.bin") + "\""),
              std::string::npos)
        << error.what();
  }
  fs::current_path(saved);
}

TEST_F(FileStreamTest, OpenFileWideRefusesBadModesWithoutOpening) {
  WriteFile("here.bin", "x");
  for (uint16_t mode : {uint16_t{3}, uint16_t{80}, uint16_t{0x13}, fmCreate}) {
    EXPECT_EQ(OpenFileWide(WidePathOf(u"here.bin"), mode), platform::kInvalidFileHandle) << mode;
  }
  platform::FileHandle handle = OpenFileWide(WidePathOf(u"here.bin"), fmOpenReadWrite | fmShareDenyNone);
  EXPECT_NE(handle, platform::kInvalidFileHandle);
  platform::CloseFileHandle(handle);
  EXPECT_THROW(TPVWideFileStream(WidePathOf(u"here.bin"), 3), EFOpenError);
}

TEST_F(FileStreamTest, OpenFileWideDoesNotCreate) {
  EXPECT_EQ(OpenFileWide(WidePathOf(u"new.bin"), fmOpenWrite), platform::kInvalidFileHandle);
  EXPECT_FALSE(fs::exists(PathOf("new.bin")));
  platform::FileHandle handle = CreateFileWide(WidePathOf(u"new.bin"));
  EXPECT_NE(handle, platform::kInvalidFileHandle);
  platform::CloseFileHandle(handle);
  EXPECT_TRUE(fs::exists(PathOf("new.bin")));
}

TEST_F(FileStreamTest, FoldersAreNotFiles) {
  fs::create_directory(PathOf("dir"));
  EXPECT_EQ(OpenFileWide(WidePathOf(u"dir"), fmOpenRead), platform::kInvalidFileHandle);
  EXPECT_THROW(TFileStream(PathOf("dir"), fmOpenRead), EFOpenError);
}

TEST_F(FileStreamTest, SeekSizeAndSetSize) {
  TFileStream stream(PathOf("size.bin"), fmCreate);
  EXPECT_EQ(stream.GetFileName(), PathOf("size.bin"));
  stream.WriteBuffer("abcdefghij", 10);
  EXPECT_EQ(stream.Seek(-3, soEnd), 7);
  char c;
  stream.ReadBuffer(&c, 1);
  EXPECT_EQ(c, 'h');
  EXPECT_EQ(stream.Seek(-20, soCurrent), -1);  // before the start: refused
  EXPECT_EQ(stream.GetPosition(), 8);
  stream.SetSize(4);
  EXPECT_EQ(stream.GetSize(), 4);
  EXPECT_EQ(stream.GetPosition(), 4);
  stream.SetSize(6);
  EXPECT_EQ(fs::file_size(PathOf("size.bin")), 6u);
  EXPECT_EQ(stream.Seek(0, static_cast<TSeekOrigin>(5)), -1);
}

TEST_F(FileStreamTest, PositionsBeyondFourGigabytes) {
  const int64_t far = (int64_t{1} << 32) + 17;
  {
    TFileStream stream(PathOf("sparse.bin"), fmCreate);
    EXPECT_EQ(stream.Seek(far, soBeginning), far);
    stream.WriteBuffer("Z", 1);
    EXPECT_EQ(stream.GetSize(), far + 1);
  }
  TFileStream stream(PathOf("sparse.bin"), fmOpenRead);
  EXPECT_EQ(stream.Seek(-1, soEnd), far);
  char c = 0;
  EXPECT_EQ(stream.Read(&c, 1), 1);
  EXPECT_EQ(c, 'Z');
  stream.SetPosition(12345);
  EXPECT_EQ(stream.Read(&c, 1), 1);
  EXPECT_EQ(c, 0);
}

TEST_F(FileStreamTest, HandleStreamOwnsOnlyWhenAsked) {
  WriteFile("h.bin", "123");
  platform::FileHandle handle = platform::OpenExistingFile(PathOf("h.bin"), platform::FileAccess::Read);
  ASSERT_NE(handle, platform::kInvalidFileHandle);
  { THandleStream stream(handle); }
  char c;
  EXPECT_EQ(::read(handle, &c, 1), 1);  // still open
  { THandleStream stream(handle, true); }
  errno = 0;
  EXPECT_EQ(::read(handle, &c, 1), -1);
  EXPECT_EQ(errno, EBADF);
}

TEST_F(FileStreamTest, MemoryStreamSavesAndLoadsFiles) {
  TMemoryStream stream;
  stream.WriteBuffer("payload", 7);
  stream.SaveToFile(PathOf("m.bin"));
  TMemoryStream loaded;
  loaded.LoadFromFile(PathOf("m.bin"));
  ASSERT_EQ(loaded.GetSize(), 7);
  EXPECT_EQ(std::string(static_cast<const char*>(loaded.GetMemory()), 7), "payload");
  EXPECT_THROW(loaded.LoadFromFile(PathOf("none.bin")), EFOpenError);
}

TEST(FileNames, Utf16ToUtf8) {
  EXPECT_EQ(platform::Utf16ToUtf8(u"a\u00e9\u20ac\U0001F600"), "a\u00e9\u20ac\U0001F600");
  EXPECT_EQ(platform::Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\uFFFDx");
}

}  // namespace
}  // namespace calmora
