// The temporary-file pixel store: free-space rule on TempFolder's file system, mapped blocks
// and their access modes, chunked copies, checked transfers on a full file system, and no
// "IMG" file left behind after close or after the process is killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/temp_file_store.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using test::TempFolderScope;

int64_t g_free = 0;
std::string g_askedFolder;
int64_t FakeFreeSpace(const std::string& folder) {
  g_askedFolder = folder;
  return g_free;
}


class TempFileStore : public ::testing::Test {
 protected:
  TempFolderScope temp_;
};

TEST_F(TempFileStore, LeavesTheReservedSpaceFreeOnTheFoldersFileSystem) {
  g_free = TPVFileBuffer::kReservedDiskSpace + 999;
  test::FreeSpaceScope free(FakeFreeSpace);
  TPVFileBuffer store;
  EXPECT_FALSE(store.CreateFile("IMG", 1000));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_EQ(g_askedFolder, TempFolder) << "the folder's own file system is asked";
  EXPECT_TRUE(store.CreateFile("IMG", 999));
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(store.TempStream->GetSize(), 999);
}

TEST_F(TempFileStore, TheFileIsGoneFromTheFolderFromTheStart) {
  TPVFileBuffer store;
  ASSERT_TRUE(store.CreateFile("IMG", 4096));
  EXPECT_EQ(store.TempFileName.rfind(TempFolder + "IMG-", 0), 0u) << store.TempFileName;
  EXPECT_EQ(store.TempFileName.substr(store.TempFileName.size() - 4), ".tmp");
  EXPECT_TRUE(temp_.Entries().empty());
  const std::string name = store.TempFileName;
  store.Close();
  EXPECT_FALSE(store.IsOpen());
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST_F(TempFileStore, FailsInAMissingFolder) {
  const std::string saved = TempFolder;
  TempFolder = temp_.Folder() + "/missing/";
  TPVFileBuffer store;
  EXPECT_FALSE(store.CreateFile("IMG", 10));
  TempFolder = saved;
  EXPECT_THROW(TPVTemporaryFileStream(temp_.Folder() + "/missing/x.tmp"), EInOutError);
}

TEST_F(TempFileStore, TheStreamStartsEmptyOverAFileThatHeldData) {
  const std::string name = temp_.Folder() + "/old.tmp";
  ASSERT_TRUE(test::WriteFileBytes(name, "left over"));
  TPVTemporaryFileStream stream(name);
  EXPECT_EQ(stream.GetSize(), 0);
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST_F(TempFileStore, MappedBlocksFollowTheirAccess) {
  TPVFileBuffer store;
  ASSERT_TRUE(store.CreateFile("IMG", 64));
  const std::vector<uint8_t> ones(16, 1);
  store.WriteAt(0, ones.data(), 16);

  uint8_t* reading = store.Map(pvdRead, 0, 16);
  EXPECT_EQ(reading[7], 1) << "filled from the file";
  std::memset(reading, 5, 16);
  EXPECT_EQ(store.FindMapped(reading), 0);
  store.Unmap(reading);  // read-only: not written back
  EXPECT_EQ(store.FindMapped(reading), -1);
  uint8_t check[16];
  store.ReadAt(0, check, 16);
  EXPECT_EQ(check[3], 1);

  uint8_t* writing = store.Map(pvdWrite, 16, 16);
  std::memset(writing, 7, 16);
  store.Unmap(writing);  // written back
  store.ReadAt(16, check, 16);
  EXPECT_EQ(check[15], 7);

  uint8_t* first = store.Map(pvdRead | pvdWrite, 32, 8);
  uint8_t* second = store.Map(pvdRead | pvdWrite, 40, 8);
  std::memset(first, 3, 8);
  std::memset(second, 4, 8);
  store.UnmapAll();
  EXPECT_TRUE(store.MappedBlocks.empty());
  store.ReadAt(32, check, 16);
  EXPECT_EQ(check[0], 3);
  EXPECT_EQ(check[15], 4);
}

TEST_F(TempFileStore, CopiesBetweenFilesInChunks) {
  const int64_t size = 2500000;  // two whole chunks and 402,848 bytes
  TPVFileBuffer source, target;
  ASSERT_TRUE(source.CreateFile("IMG", size));
  ASSERT_TRUE(target.CreateFile("IMG", size));
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 1000);
  source.WriteAt(0, bytes.data(), size);
  uint8_t* pending = target.Map(pvdWrite, 0, 4);  // copies unmap everything first
  std::memset(pending, 0xEE, 4);
  source.CopyTo(target, 0, size);
  std::vector<uint8_t> copied(static_cast<size_t>(size));
  target.ReadAt(0, copied.data(), size);
  EXPECT_EQ(copied, bytes);
  EXPECT_TRUE(target.MappedBlocks.empty());
}

TEST_F(TempFileStore, ShortReadsAreErrors) {
  TPVFileBuffer store;
  ASSERT_TRUE(store.CreateFile("IMG", 100));
  uint8_t buffer[200];
  EXPECT_THROW(store.ReadAt(50, buffer, 100), EInOutError);
  EXPECT_THROW(store.Map(pvdRead, 90, 20), EInOutError);
  EXPECT_TRUE(store.MappedBlocks.empty());
}

// A file system that takes no more bytes past a limit, as a full disk does.
class FileSizeLimitScope {
 public:
  explicit FileSizeLimitScope(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimitScope() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_;
};

TEST_F(TempFileStore, AFullDiskIsAnErrorNotSilentLoss) {
  TPVFileBuffer store;
  ASSERT_TRUE(store.CreateFile("IMG", 4 << 20));
  std::vector<uint8_t> bytes(4096, 9);
  {
    FileSizeLimitScope full(1 << 20);
    EXPECT_NO_THROW(store.WriteAt(0, bytes.data(), 4096));
    EXPECT_THROW(store.WriteAt((1 << 20) - 100, bytes.data(), 4096), EInOutError);  // short
    EXPECT_THROW(store.WriteAt(2 << 20, bytes.data(), 4096), EInOutError);
    uint8_t* block = store.Map(pvdWrite, 3 << 20, 4096);
    EXPECT_THROW(store.Unmap(block), EInOutError);
    EXPECT_TRUE(store.MappedBlocks.empty()) << "the block is freed all the same";
  }

  // Through a file-stored bitmap: the write-back of its rows reports the failure.
  TPVBitmap bitmap;
  bitmap.FileThreshold = 0;
  ASSERT_TRUE(bitmap.Allocate(1024, 2048, pv8g));  // 2 MiB
  ASSERT_EQ(bitmap.Location, pvFile);
  FileSizeLimitScope full(1 << 20);
  EXPECT_THROW(
      {
        for (int32_t y = 0; y < bitmap.Height; ++y) std::memset(bitmap.GetScanline(y), 1, 1024);
        bitmap.UnmapAllRows();
      },
      EInOutError);
}

TEST_F(TempFileStore, NoPixelFileOutlivesAKilledProcess) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    BitmapFileThreshold = 0;
    TPVBitmap bitmap(256, 256, pv24RGB);
    const char state = bitmap.Location == pvFile && bitmap.Storage.FileStore->IsOpen() ? 'F' : 'M';
    if (write(ready[1], &state, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(ready[1]);
  char state = 0;
  ASSERT_EQ(read(ready[0], &state, 1), 1);
  close(ready[0]);
  EXPECT_EQ(state, 'F') << "the child keeps its pixels in a temporary file";
  EXPECT_TRUE(temp_.Entries().empty()) << "unlinked while the child still uses it";
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(TempFileStore, BitmapsWithAZeroThresholdLeaveNoFile) {
  const int64_t saved = BitmapFileThreshold;
  BitmapFileThreshold = 0;
  {
    TPVBitmap a(64, 64, pv24RGB);
    TPVBitmap b(64, 64, pv8g);
    EXPECT_EQ(a.Location, pvFile);
    EXPECT_EQ(b.Location, pvFile);
    a.Assign(&b);
    EXPECT_TRUE(temp_.Entries().empty());
  }
  BitmapFileThreshold = saved;
  EXPECT_TRUE(temp_.Entries().empty());
}

}  // namespace
}  // namespace calmora
