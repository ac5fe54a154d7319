// Helpers of the resampling tests: images as plain sample arrays (what the models compute on),
// moving them in and out of bitmaps in memory or in the temporary file, and random images.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora::test {

// Samples row by row, channels in storage order; a pv1g image holds 0 or 1 per pixel.
struct Plane {
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 1;
  std::vector<int32_t> samples;

  Plane() = default;
  Plane(int32_t w, int32_t h, int32_t c)
      : width(w), height(h), channels(c), samples(static_cast<size_t>(w) * h * c, 0) {}
  int32_t& at(int32_t x, int32_t y, int32_t c = 0) {
    return samples[(static_cast<size_t>(y) * width + x) * channels + c];
  }
  int32_t at(int32_t x, int32_t y, int32_t c = 0) const {
    return samples[(static_cast<size_t>(y) * width + x) * channels + c];
  }
  friend bool operator==(const Plane&, const Plane&) = default;
};

inline int32_t BytesPerSample(TPVPixelFormat format) {
  return format == pv16g || format == pvRGB48 ? 2 : 1;
}

inline Plane ReadPlane(const TPVBitmap& bitmap) {
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  Plane plane(bitmap.GetWidth(), bitmap.GetHeight(), bitmap.GetChannelCount());
  for (int32_t y = 0; y < plane.height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    for (int32_t x = 0; x < plane.width; ++x)
      for (int32_t c = 0; c < plane.channels; ++c) {
        const int64_t n = int64_t{x} * plane.channels + c;
        if (format == pv1g)
          plane.at(x, y, c) = (row[x >> 3] >> (7 - (x & 7))) & 1;
        else if (BytesPerSample(format) == 2)
          plane.at(x, y, c) = row[2 * n] | (row[2 * n + 1] << 8);
        else
          plane.at(x, y, c) = row[n];
      }
  }
  return plane;
}

inline void WritePlane(TPVBitmap& bitmap, const Plane& plane) {
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  for (int32_t y = 0; y < plane.height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    ASSERT_NE(row, nullptr);
    for (int32_t x = 0; x < plane.width; ++x)
      for (int32_t c = 0; c < plane.channels; ++c) {
        const int64_t n = int64_t{x} * plane.channels + c;
        const int32_t v = plane.at(x, y, c);
        if (format == pv1g) {
          const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
          row[x >> 3] = static_cast<uint8_t>(v ? row[x >> 3] | mask : row[x >> 3] & ~mask);
        } else if (BytesPerSample(format) == 2) {
          row[2 * n] = static_cast<uint8_t>(v);
          row[2 * n + 1] = static_cast<uint8_t>(v >> 8);
        } else {
          row[n] = static_cast<uint8_t>(v);
        }
      }
  }
}

// An allocated bitmap in the storage asked for (the caller keeps a TempFolderScope).
inline void MakeBitmap(TPVBitmap& bitmap, Storage storage, int32_t width, int32_t height,
                       TPVPixelFormat format) {
  Prepare(bitmap, storage);
  ASSERT_TRUE(bitmap.Allocate(width, height, format));
  ASSERT_EQ(StorageOf(bitmap), storage);
}

inline void MakeBitmap(TPVBitmap& bitmap, Storage storage, const Plane& plane,
                       TPVPixelFormat format) {
  MakeBitmap(bitmap, storage, plane.width, plane.height, format);
  WritePlane(bitmap, plane);
}

inline int32_t SampleLimit(TPVPixelFormat format) {
  return format == pv1g ? 1 : BytesPerSample(format) == 2 ? 65535 : 255;
}

inline Plane RandomPlane(std::mt19937& random, int32_t width, int32_t height,
                         TPVPixelFormat format) {
  Plane plane(width, height, PixelFormatChannels[format]);
  std::uniform_int_distribution<int32_t> sample(0, SampleLimit(format));
  for (int32_t& s : plane.samples) s = sample(random);
  return plane;
}

// Every row's bytes (padding included), to show that a refused call wrote nothing.
inline std::vector<std::vector<uint8_t>> AllBytes(const TPVBitmap& bitmap) {
  return bitmap.IsEmpty() ? std::vector<std::vector<uint8_t>>{} : ReadRows(bitmap);
}

// The storages every case runs in: memory, and the temporary file from the first byte.
inline constexpr Storage kStorages[] = {Storage::MemoryBlock, Storage::File};

inline std::string StorageCaseName(const ::testing::TestParamInfo<Storage>& p) {
  return StorageName(p.param);
}

// Progress reports collected from an engine.
struct ProgressLog {
  std::vector<int> percents;
  TObject* sender = nullptr;
  TPVProgressEvent Event() {
    return [this](TObject* s, int per) {
      sender = s;
      percents.push_back(per);
    };
  }
};

}  // namespace calmora::test
