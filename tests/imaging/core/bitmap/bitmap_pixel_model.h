// Helpers of the pixel, rectangle and canvas tests: bitmaps made in memory or in the temporary
// file (FileThreshold 0), random pixel bytes, and a plain model of an image as rows of pixel
// bytes that the tests edit pixel by pixel to say what a bitmap must hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora::test {

// The storages every case runs in: memory, and the file with FileThreshold 0.
inline const Storage kMemoryAndFile[] = {Storage::MemoryBlock, Storage::File};

inline const TPVPixelFormat kAllFormats[] = {pv1g,  pv8p,   pv8g,    pv16g,    pv24RGB,
                                             pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB};

// Test names: the case's Name followed by the storage.
template <typename Case>
std::string CaseInStorageName(const ::testing::TestParamInfo<std::tuple<Case, Storage>>& info) {
  return std::string(std::get<0>(info.param).Name) + StorageName(std::get<1>(info.param));
}

inline std::string StorageParamName(const ::testing::TestParamInfo<Storage>& info) {
  return StorageName(info.param);
}

// Bytes of one pixel; 0 for pv1g (bits) and pvNoFormat.
inline int32_t PixelSize(TPVPixelFormat format) { return PixelFormatBits[format] / 8; }

// An allocated bitmap in the storage asked for.
inline std::unique_ptr<TPVBitmap> MakeBitmap(Storage storage, int32_t width, int32_t height,
                                             TPVPixelFormat format) {
  auto bitmap = std::make_unique<TPVBitmap>();
  Prepare(*bitmap, storage);
  EXPECT_TRUE(bitmap->Allocate(width, height, format));
  EXPECT_EQ(StorageOf(*bitmap), storage);
  return bitmap;
}

// Random bytes in every byte of every row, alignment bytes included.
inline void FillRandom(TPVBitmap& bitmap, uint32_t seed) {
  std::mt19937 random(seed);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    ASSERT_NE(row, nullptr);
    for (int32_t i = 0; i < bitmap.RowBytes; ++i) row[i] = static_cast<uint8_t>(random());
  }
}

// An image as rows of pixel bytes (for pv1g one byte per pixel, 0 or 1), edited pixel by pixel.
struct PixelModel {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Size = 0;  // bytes per pixel
  std::vector<std::vector<uint8_t>> Rows;

  uint8_t* At(int32_t x, int32_t y) { return Rows[y].data() + static_cast<size_t>(x) * Size; }
  const uint8_t* At(int32_t x, int32_t y) const {
    return Rows[y].data() + static_cast<size_t>(x) * Size;
  }
  bool Inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
};

inline PixelModel ModelOf(const TPVBitmap& bitmap) {
  PixelModel model;
  model.Width = bitmap.GetWidth();
  model.Height = bitmap.GetHeight();
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  model.Size = format == pv1g ? 1 : PixelSize(format);
  for (int32_t y = 0; y < model.Height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    std::vector<uint8_t> pixels(static_cast<size_t>(model.Width) * model.Size);
    if (format == pv1g) {
      for (int32_t x = 0; x < model.Width; ++x) pixels[x] = (row[x / 8] >> (7 - x % 8)) & 1;
    } else {
      std::memcpy(pixels.data(), row, pixels.size());
    }
    model.Rows.push_back(std::move(pixels));
  }
  return model;
}

// The first differing pixel, for a readable failure.
inline ::testing::AssertionResult SameModel(const PixelModel& expected, const PixelModel& actual) {
  if (expected.Width != actual.Width || expected.Height != actual.Height)
    return ::testing::AssertionFailure()
           << "size " << actual.Width << " x " << actual.Height << ", expected " << expected.Width
           << " x " << expected.Height;
  for (int32_t y = 0; y < expected.Height; ++y)
    for (int32_t x = 0; x < expected.Width; ++x)
      if (std::memcmp(expected.At(x, y), actual.At(x, y), expected.Size) != 0)
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
  return ::testing::AssertionSuccess();
}

}  // namespace calmora::test
