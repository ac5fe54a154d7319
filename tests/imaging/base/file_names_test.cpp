// Temporary file names created exclusively, folder trees, extensions and URL kinds.
#include "imaging/base/file_names.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "imaging/base/defs.h"
#include "imaging/base/platform_queries.h"
#include "platform/temp_files.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;

class UtilsFiles : public ::testing::Test {
 protected:
  test::ScratchFolder scratch_{"calmora-utils"};
  const std::string folder_ = scratch_.Path();
};

// folder + "/" + prefix + "-" + eight upper-case hexadecimal digits + ".tmp"
bool IsTempName(const std::string& name, const std::string& folder, const std::string& prefix) {
  const std::string head = folder + "/" + prefix + "-";
  if (name.size() != head.size() + 12 || name.compare(0, head.size(), head) != 0) return false;
  for (size_t i = head.size(); i < head.size() + 8; ++i)
    if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'A' && name[i] <= 'F'))) return false;
  return name.compare(head.size() + 8, 4, ".tmp") == 0;
}

TEST_F(UtilsFiles, MakeTempFileNameCreatesTheFile) {
  std::string name;
  ASSERT_TRUE(MakeTempFileName("IMG", folder_ + "/", name));
  EXPECT_TRUE(IsTempName(name, folder_, "IMG")) << name;
  ASSERT_TRUE(fs::is_regular_file(name));
  EXPECT_EQ(fs::file_size(name), 0u);
  // The first hexadecimal digit of a number below 2^31 is at most 7.
  const char first = name[folder_.size() + 5];
  EXPECT_TRUE(first >= '0' && first <= '7') << name;
}

TEST_F(UtilsFiles, MakeTempFileNameAddsTheMissingSeparator) {
  std::string name;
  ASSERT_TRUE(MakeTempFileName("pictavo", folder_, name));
  EXPECT_TRUE(IsTempName(name, folder_, "pictavo")) << name;
}

TEST_F(UtilsFiles, MakeTempFileNameNeverHandsOutATakenName) {
  std::set<std::string> names;
  for (int i = 0; i < 300; ++i) {
    std::string name;
    ASSERT_TRUE(MakeTempFileName("IMG", folder_ + "/", name));
    EXPECT_TRUE(names.insert(name).second) << name;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 300);
}

TEST_F(UtilsFiles, MakeTempFileNameFailsInAMissingFolder) {
  std::string name;
  EXPECT_FALSE(MakeTempFileName("IMG", folder_ + "/missing/", name));
  EXPECT_FALSE(fs::exists(name));
}

TEST_F(UtilsFiles, ExclusiveCreationLeavesAnExistingFileAlone) {
  const std::string path = folder_ + "/taken.tmp";
  std::ofstream(path) << "keep me";
  EXPECT_EQ(platform::CreateFileExclusive(path), platform::TempFileCreation::kNameTaken);
  std::ifstream in(path);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
  EXPECT_EQ(platform::CreateFileExclusive(folder_ + "/new.tmp"),
            platform::TempFileCreation::kCreated);
  struct stat info {};
  ASSERT_EQ(stat((folder_ + "/new.tmp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0077, 0u);  // nobody else may read pixel data
}

TEST_F(UtilsFiles, SystemTempFolderFollowsTMPDIR) {
  {
    test::ScopedEnvironmentVariable tmpdir("TMPDIR", folder_);
    EXPECT_EQ(platform::SystemTempFolder(), folder_ + "/");
    tmpdir.Set(folder_ + "/missing");
    EXPECT_EQ(platform::SystemTempFolder(), "/tmp/");
  }
  EXPECT_EQ(platform::SystemTempFolder().back(), '/');
}

TEST_F(UtilsFiles, CreateDirectoryTree) {
  const std::string deep = folder_ + "/a/b/c";
  CreateDirectoryTree(deep);
  EXPECT_TRUE(fs::is_directory(deep));
  CreateDirectoryTree(deep);  // existing: no error
  CreateDirectoryTree(folder_ + "/x/yz/");
  EXPECT_TRUE(fs::is_directory(folder_ + "/x/yz"));
  CreateDirectoryTree("/");
  try {
    CreateDirectoryTree("");
    FAIL() << "an empty path must raise";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Cannot Create Directory");
  }
}

TEST_F(UtilsFiles, IsExistingDirectory) {
  EXPECT_TRUE(IsExistingDirectory(folder_));
  std::ofstream(folder_ + "/file") << "x";
  EXPECT_FALSE(IsExistingDirectory(folder_ + "/file"));
  EXPECT_FALSE(IsExistingDirectory(folder_ + "/missing"));
  EXPECT_FALSE(IsExistingDirectory(""));
}

TEST(UtilsNames, LowerExtension) {
  EXPECT_EQ(GetLowerExtension("A.JPG", false), "jpg");
  EXPECT_EQ(GetLowerExtension("A.JPG", true), ".jpg");
  EXPECT_EQ(GetLowerExtension("archive.tar.GZ", true), ".gz");
  EXPECT_EQ(GetLowerExtension("noext", true), "");
  EXPECT_EQ(GetLowerExtension("dir.d/file", true), "");
  EXPECT_EQ(GetLowerExtension("/photos/Scan.TiFf", false), "tiff");
  EXPECT_EQ(GetLowerExtension("trailing.", true), ".");
  EXPECT_EQ(GetLowerExtension("trailing.", false), "");
  EXPECT_EQ(ExtractLowerExtension("x.PNG", false), "png");
  EXPECT_EQ(ExtractLowerExtensionW(u"\u00C4rger.PNG", true), u".png");
  EXPECT_EQ(ExtractLowerExtensionW(u"bild.\u00C4X", false), u"\u00C4x");  // nothing is lost
}

TEST(UtilsNames, URLKind) {
  EXPECT_EQ(GetURLKind("http://example.org/a.jpg"), 1);
  EXPECT_EQ(GetURLKind("HTTP://EXAMPLE.ORG"), 1);
  EXPECT_EQ(GetURLKind("https://example.org"), 2);
  EXPECT_EQ(GetURLKind("HttpS://x"), 2);
  EXPECT_EQ(GetURLKind("ftp://host/file"), 3);
  EXPECT_EQ(GetURLKind("FTP://host/file"), 3);
  EXPECT_EQ(GetURLKind("file:///tmp/a"), 0);
  EXPECT_EQ(GetURLKind("http:/x"), 0);
  EXPECT_EQ(GetURLKind("/tmp/http://"), 0);
  EXPECT_EQ(GetURLKind(""), 0);
  EXPECT_EQ(GetURLKindW(u"HTTPS://x"), 2);
  EXPECT_EQ(GetURLKindW(u"gopher://x"), 0);
}

}  // namespace
}  // namespace calmora
