// Bitmaps for the tests of the quantisers and the colour tools: every case runs on a bitmap in
// memory and on one in the temporary file (FileThreshold 0); pixels are set and read through
// rows, as the tools themselves do.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/bit_helpers.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/imaging/support/pnm.h"

namespace calmora::test {

// The storages every case runs in.
inline const auto kMemoryAndFile = ::testing::Values(Storage::MemoryBlock, Storage::File);

inline std::string StorageCaseName(const ::testing::TestParamInfo<Storage>& info) {
  return StorageName(info.param);
}

inline std::unique_ptr<TPVBitmap> NewBitmap(Storage storage, int32_t width, int32_t height,
                                            TPVPixelFormat format) {
  auto bitmap = std::make_unique<TPVBitmap>();
  Prepare(*bitmap, storage);
  EXPECT_TRUE(bitmap->Allocate(width, height, format));
  EXPECT_EQ(StorageOf(*bitmap), storage);
  return bitmap;
}

// Pixel access through the rows of a pv24RGB bitmap.
inline void PutRGB(TPVBitmap& bitmap, int32_t x, int32_t y, TPVRGB color) {
  std::memcpy(bitmap.GetScanline(y) + 3 * x, &color, 3);
}
inline TPVRGB RGBAt(const TPVBitmap& bitmap, int32_t x, int32_t y) {
  TPVRGB color;
  std::memcpy(&color, bitmap.GetScanline(y) + 3 * x, 3);
  return color;
}
// Pixel x of a pv1g row: set (white) or clear.
inline bool BitAt(const TPVBitmap& bitmap, int32_t x, int32_t y) {
  return GetBit(bitmap.GetScanline(y), x) != 0;
}

// Fills a pv24RGB bitmap with color(x, y).
template <typename ColorOf>
void FillRGB(TPVBitmap& bitmap, ColorOf color) {
  for (int32_t y = 0; y < bitmap.Height; ++y)
    for (int32_t x = 0; x < bitmap.Width; ++x) PutRGB(bitmap, x, y, color(x, y));
}

// A PNM file read into a bitmap of the storage asked for.
inline std::unique_ptr<TPVBitmap> LoadStored(const std::string& path, Storage storage) {
  auto bitmap = std::make_unique<TPVBitmap>();
  Prepare(*bitmap, storage);
  std::string error;
  EXPECT_TRUE(LoadPNM(path, *bitmap, &error)) << error;
  return bitmap;
}

}  // namespace calmora::test
