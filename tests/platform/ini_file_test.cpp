// TIniFile: defaults, case-blind names, foreign sections and keys kept, atomic replacement.
#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/scratch_folder.h"

namespace calmora::platform {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  std::string Contents() const { return test::ReadFileBytes(path_); }
  void Put(const std::string& text) const { ASSERT_TRUE(test::WriteFileBytes(path_, text)); }
  int EntriesInFolder() const { return static_cast<int>(scratch_.Entries().size()); }

  test::ScratchFolder scratch_{"calmora-ini"};
  const std::string folder_ = scratch_.Path();
  const std::string path_ = scratch_.File("calmora.ini");
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("options", "shakiness", "5"), "5");
  Put("[other]\nshakiness=9\n[options]\naccuracy=3\n");
  EXPECT_EQ(ini.ReadString("options", "shakiness", "5"), "5");
  EXPECT_EQ(ini.ReadString("options", "accuracy", "15"), "3");
  EXPECT_EQ(ini.ReadString("missing", "accuracy", "x"), "x");
}

TEST_F(IniFileTest, NamesIgnoreCaseAndValuesLoseBlanksAndQuotes) {
  Put("; a comment\r\n[Options]\r\n  Shakiness =  7  \r\nsmoothing=\"12\"\r\nempty=\r\n");
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("options", "shakiness", "5"), "7");
  EXPECT_EQ(ini.ReadString("OPTIONS", "SMOOTHING", "10"), "12");
  EXPECT_EQ(ini.ReadString("options", "empty", "d"), "");
}

TEST_F(IniFileTest, WriteCreatesFileAndSection) {
  TIniFile ini(path_);
  ini.WriteString("options", "shakiness", "7");
  EXPECT_EQ(Contents(), "[options]\nshakiness=7\n");
  ini.WriteString("options", "accuracy", "12");
  EXPECT_EQ(Contents(), "[options]\nshakiness=7\naccuracy=12\n");
  EXPECT_EQ(ini.ReadString("options", "accuracy", ""), "12");
}

TEST_F(IniFileTest, RoundTripKeepsForeignSectionsKeysAndComments) {
  const std::string before =
      "; kept comment\n[window]\nleft=10\n\n[options]\nshakiness=5\nforeign=yes\n\n"
      "[later]\nkey=value\n";
  Put(before);
  TIniFile ini(path_);
  ini.WriteString("options", "shakiness", "8");
  ini.WriteString("options", "smoothing", "20");
  ini.WriteString("new", "k", "v");
  EXPECT_EQ(Contents(),
            "; kept comment\n[window]\nleft=10\n\n[options]\nshakiness=8\nforeign=yes\n"
            "smoothing=20\n\n[later]\nkey=value\n\n[new]\nk=v\n");
  EXPECT_EQ(ini.ReadString("window", "left", ""), "10");
  EXPECT_EQ(ini.ReadString("later", "key", ""), "value");
  EXPECT_EQ(ini.ReadString("options", "foreign", ""), "yes");
  EXPECT_EQ(ini.ReadString("options", "smoothing", ""), "20");
}

TEST_F(IniFileTest, ValuesCannotBreakTheLineStructure) {
  TIniFile ini(path_);
  ini.WriteString("options", "shakiness", "7\n[evil]\nx=1");
  EXPECT_EQ(ini.ReadString("evil", "x", "none"), "none");
  EXPECT_EQ(ini.ReadString("options", "shakiness", ""), "7 [evil] x=1");
}

TEST_F(IniFileTest, ReplacementLeavesNoTemporaryFileAndKeepsPermissions) {
  Put("[options]\nshakiness=5\n");
  chmod(path_.c_str(), 0640);
  TIniFile ini(path_);
  for (int i = 0; i < 5; ++i) ini.WriteString("options", "shakiness", std::to_string(i));
  EXPECT_EQ(EntriesInFolder(), 1);
  struct stat info {};
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, ASymbolicLinkStaysALinkToTheUpdatedFile) {
  const std::string target = folder_ + "/real.ini";
  std::ofstream(target) << "[options]\nshakiness=5\n";
  ASSERT_EQ(symlink(target.c_str(), path_.c_str()), 0);
  TIniFile(path_).WriteString("options", "shakiness", "6");
  struct stat info {};
  ASSERT_EQ(lstat(path_.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(TIniFile(target).ReadString("options", "shakiness", ""), "6");
}

TEST_F(IniFileTest, FailedWriteLeavesTheOriginalIntact) {
  const std::string before = "[options]\nshakiness=5\nforeign=1\n";
  Put(before);
  TIniFile ini(path_);
  // A file size limit makes the write of the new contents fail half-way, for root too.
  struct rlimit oldLimit {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
  struct rlimit small = oldLimit;
  small.rlim_cur = 8;
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(ini.WriteString("options", "shakiness", "7"), EIniFileException);
  setrlimit(RLIMIT_FSIZE, &oldLimit);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(Contents(), before);
  EXPECT_EQ(EntriesInFolder(), 1);
}

TEST_F(IniFileTest, AMissingFolderFailsWithTheFileName) {
  TIniFile ini(folder_ + "/missing/calmora.ini");
  try {
    ini.WriteString("options", "shakiness", "7");
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder_ + "/missing/calmora.ini");
  }
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  // A folder in the file's place cannot be read as a file: writing must not replace it.
  fs::create_directory(path_);
  TIniFile ini(path_);
  EXPECT_EQ(ini.ReadString("options", "shakiness", "5"), "5");
  EXPECT_THROW(ini.WriteString("options", "shakiness", "7"), EIniFileException);
  EXPECT_TRUE(fs::is_directory(path_));
}

}  // namespace
}  // namespace calmora::platform
