// Helpers of the bitmap tests: a private temporary folder for pixel files, the four storage
// set-ups (memory block, fragments, file, device bitmap) and byte patterns over rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// Points TempFolder at a fresh folder for the test and removes it afterwards.
class TempFolderScope {
 public:
  TempFolderScope() : folder_("calmora-bitmap"), override_(TempFolder, folder_.Path() + "/") {}
  const std::string& Folder() const { return folder_.Path(); }
  std::vector<std::string> Entries() const { return folder_.Entries(); }

 private:
  ScratchFolder folder_;
  ScopedOverride<std::string> override_;
};

// One of the single-block / fragment refusal limits, for the scope.
using BlockLimitScope = ScopedOverride<int64_t>;

// Another free-space query of the file store, for the scope.
class FreeSpaceScope : public ScopedOverride<TPVFreeSpaceQuery> {
 public:
  explicit FreeSpaceScope(TPVFreeSpaceQuery query)
      : ScopedOverride<TPVFreeSpaceQuery>(FileBufferFreeSpaceQuery, query) {}
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

}  // namespace calmora::test
