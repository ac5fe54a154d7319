// Helpers of the bitmap model's tests: a private temporary folder for pixel files, the four
// storage set-ups (memory block, fragments, file, device bitmap), byte patterns over rows and
// the process's resident memory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/base/defs.h"

namespace calmora::testing_support {

// Points TempFolder at a fresh folder for the test and removes it afterwards.
class TempFolderScope {
 public:
  TempFolderScope() : Saved_(TempFolder) {
    char pattern[] = "/tmp/calmora-bitmap-XXXXXX";
    const char* made = mkdtemp(pattern);
    Folder_ = made ? made : "";
    TempFolder = Folder_ + "/";
  }
  ~TempFolderScope() {
    TempFolder = Saved_;
    std::error_code error;
    std::filesystem::remove_all(Folder_, error);
  }
  TempFolderScope(const TempFolderScope&) = delete;
  TempFolderScope& operator=(const TempFolderScope&) = delete;

  const std::string& Folder() const { return Folder_; }

  // Names of the entries in the folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(Folder_, error))
      names.push_back(entry.path().filename().string());
    return names;
  }

 private:
  std::string Saved_;
  std::string Folder_;
};

// Sets one of the single-block / fragment refusal limits for the scope.
class BlockLimitScope {
 public:
  BlockLimitScope(int64_t& limit, int64_t value) : Limit_(limit), Saved_(limit) { limit = value; }
  ~BlockLimitScope() { Limit_ = Saved_; }
  BlockLimitScope(const BlockLimitScope&) = delete;
  BlockLimitScope& operator=(const BlockLimitScope&) = delete;

 private:
  int64_t& Limit_;
  int64_t Saved_;
};

// Replaces the free-space query of the file store for the scope.
class FreeSpaceScope {
 public:
  explicit FreeSpaceScope(TPVFreeSpaceQuery query) : Saved_(FileBufferFreeSpaceQuery) {
    FileBufferFreeSpaceQuery = query;
  }
  ~FreeSpaceScope() { FileBufferFreeSpaceQuery = Saved_; }
  FreeSpaceScope(const FreeSpaceScope&) = delete;
  FreeSpaceScope& operator=(const FreeSpaceScope&) = delete;

 private:
  TPVFreeSpaceQuery Saved_;
};

// The storage set-ups the table tests run through.
enum class Storage { MemoryBlock, Fragments, File, Device };

inline const char* StorageName(Storage storage) {
  switch (storage) {
    case Storage::MemoryBlock: return "MemoryBlock";
    case Storage::Fragments: return "Fragments";
    case Storage::File: return "File";
    case Storage::Device: return "Device";
  }
  return "?";
}

// Prepares an empty bitmap so that its next allocation lands in the storage asked for.
// Fragments need BlockLimitScope(bitmap_testing::SingleBlockLimit, 0) around the allocation.
inline void Prepare(TPVBitmap& bitmap, Storage storage) {
  switch (storage) {
    case Storage::MemoryBlock:
    case Storage::Fragments:
      bitmap.Location = pvMemory;
      bitmap.FileThreshold = INT64_MAX;
      break;
    case Storage::File:
      bitmap.Location = pvFile;
      bitmap.FileThreshold = 0;
      break;
    case Storage::Device: bitmap.Location = pvTBitmap; break;
  }
}

// The storage a bitmap actually uses.
inline Storage StorageOf(const TPVBitmap& bitmap) {
  if (bitmap.Location == pvTBitmap) return Storage::Device;
  if (bitmap.Location == pvFile) return Storage::File;
  return !bitmap.Storage.FragmentBlocks.empty() ? Storage::Fragments : Storage::MemoryBlock;
}

inline uint8_t PatternByte(int32_t y, int32_t i, int32_t seed) {
  return static_cast<uint8_t>(y * 31 + i * 7 + seed * 13 + 1);
}

// Writes the pattern into every byte of every row (alignment bytes included).
inline void WritePattern(TPVBitmap& bitmap, int32_t seed) {
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    ASSERT_NE(row, nullptr) << "row " << y;
    for (int32_t i = 0; i < bitmap.RowBytes; ++i) row[i] = PatternByte(y, i, seed);
  }
}

// Rows as they read through the read-only access, the first bytes bytes of each (all of
// RowBytes when bytes < 0).
inline std::vector<std::vector<uint8_t>> ReadRows(const TPVBitmap& bitmap, int32_t bytes = -1) {
  std::vector<std::vector<uint8_t>> rows;
  const int32_t length = bytes < 0 ? bitmap.RowBytes : bytes;
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    rows.emplace_back(row, row + length);
  }
  return rows;
}

// Bytes of a row that hold pixels (without the alignment bytes at its end).
inline int32_t PixelBytes(int32_t width, TPVPixelFormat format) {
  return static_cast<int32_t>((int64_t{width} * PixelFormatBits[format] + 7) / 8);
}

// Bytes of memory the process holds in RAM now (the second field of /proc/self/statm, in pages).
inline int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

}  // namespace calmora::testing_support
