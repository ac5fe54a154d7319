// Helpers of the rotation and flip tests: images of any format as whole pixels (what the
// plain models move around), bitmaps in memory or in the temporary file, random images, the
// reference tools' files, and the check that both storages end with the same bytes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// Every pixel format a bitmap can have.
inline constexpr TPVPixelFormat kAllFormats[] = {pv1g,  pv8p,   pv8g,    pv16g,    pv24RGB,
                                                 pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB};

// Pixels as byte strings of size bytes each, row by row; a pv1g pixel is one byte, 0 or 1.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  int32_t size = 1;
  std::vector<uint8_t> bytes;

  Picture() = default;
  Picture(int32_t w, int32_t h, int32_t s)
      : width(w), height(h), size(s), bytes(static_cast<size_t>(w) * h * s, 0) {}
  uint8_t* at(int32_t x, int32_t y) { return &bytes[(static_cast<size_t>(y) * width + x) * size]; }
  const uint8_t* at(int32_t x, int32_t y) const {
    return &bytes[(static_cast<size_t>(y) * width + x) * size];
  }
  void Set(int32_t x, int32_t y, const uint8_t* pixel) { std::memcpy(at(x, y), pixel, size); }
  friend bool operator==(const Picture&, const Picture&) = default;
};

inline int32_t PixelSize(TPVPixelFormat format) {
  return format == pv1g ? 1 : PixelFormatBits[format] / 8;
}

inline Picture ReadPicture(const TPVBitmap& bitmap) {
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  Picture picture(bitmap.GetWidth(), bitmap.GetHeight(), PixelSize(format));
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    for (int32_t x = 0; x < picture.width; ++x) {
      if (format == pv1g)
        *picture.at(x, y) = (row[x >> 3] >> (7 - (x & 7))) & 1;
      else
        picture.Set(x, y, row + static_cast<int64_t>(x) * picture.size);
    }
  }
  return picture;
}

inline void WritePicture(TPVBitmap& bitmap, const Picture& picture) {
  const bool bits = bitmap.GetPixelFormat() == pv1g;
  for (int32_t y = 0; y < picture.height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    ASSERT_NE(row, nullptr);
    std::memset(row, 0, static_cast<size_t>(bitmap.RowBytes));  // the alignment too
    for (int32_t x = 0; x < picture.width; ++x) {
      if (bits) {
        const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] =
            static_cast<uint8_t>(*picture.at(x, y) ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      } else {
        std::memcpy(row + static_cast<int64_t>(x) * picture.size, picture.at(x, y), picture.size);
      }
    }
  }
}

inline Picture RandomPicture(std::mt19937& random, int32_t width, int32_t height,
                             TPVPixelFormat format) {
  Picture picture(width, height, PixelSize(format));
  std::uniform_int_distribution<int32_t> byte(0, format == pv1g ? 1 : 255);
  for (uint8_t& b : picture.bytes) b = static_cast<uint8_t>(byte(random));
  return picture;
}

inline void MakePictureBitmap(TPVBitmap& bitmap, Storage storage, const Picture& picture,
                              TPVPixelFormat format) {
  MakeBitmap(bitmap, storage, picture.width, picture.height, format);
  WritePicture(bitmap, picture);
}

// A pixel of a picture as a vector, for readable failure messages.
inline std::vector<uint8_t> PixelAt(const Picture& picture, int32_t x, int32_t y) {
  return std::vector<uint8_t>(picture.at(x, y), picture.at(x, y) + picture.size);
}

// The first pixel where two pictures differ, for a failure message.
inline std::string FirstDifference(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height || a.size != b.size)
    return "sizes " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " +
           std::to_string(b.width) + "x" + std::to_string(b.height);
  for (int32_t y = 0; y < a.height; ++y)
    for (int32_t x = 0; x < a.width; ++x)
      if (std::memcmp(a.at(x, y), b.at(x, y), a.size) != 0)
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return "none";
}

// Runs an in-place operation on the picture in both storages; the results must agree to the
// last byte of every row, alignment included. The memory result is returned.
template <typename Operation>
Picture RunInBothStorages(const Picture& picture, TPVPixelFormat format, Operation&& operation,
                          bool* answered = nullptr) {
  std::vector<std::vector<uint8_t>> rows[2];
  Picture results[2];
  bool answers[2] = {false, false};
  for (int i = 0; i < 2; ++i) {
    TPVBitmap bitmap;
    MakePictureBitmap(bitmap, kStorages[i], picture, format);
    answers[i] = operation(bitmap);
    rows[i] = AllBytes(bitmap);
    results[i] = ReadPicture(bitmap);
  }
  EXPECT_EQ(answers[0], answers[1]);
  EXPECT_EQ(rows[0], rows[1]) << "memory and file-stored results differ";
  if (answered) *answered = answers[0];
  return results[0];
}

// A file that a reference tool turned: the tool's command with {in} and {out} replaced.
inline bool RunNetpbm(const std::string& command, TPVBitmap& input, TPVBitmap& output,
                      const ScratchFolder& folder, std::string& error) {
  const std::string in = folder.File("in.pam"), out = folder.File("out.pam");
  if (!SavePNM(input, in)) {
    error = "could not save the input";
    return false;
  }
  const ToolResult result = RunTool(command + " " + ShellQuoted(in) + " > " + ShellQuoted(out));
  if (result.Status != 0) {
    error = result.Output;
    return false;
  }
  return LoadPNM(out, output, &error);
}

enum class Turned { None, Left, Half, Right };

// The turn an angle of whole degrees makes, counter-clockwise positive.
inline Turned TurnOf(int angle) {
  switch (((angle % 360) + 360) % 360) {
    case 90: return Turned::Left;
    case 180: return Turned::Half;
    case 270: return Turned::Right;
    default: return Turned::None;
  }
}

// The plain model of the whole turns. Left: destination (x, y) = source (W-1-y, x); Right:
// source (y, H-1-x); Half: source (W-1-x, H-1-y).
inline Picture ModelTurn(const Picture& s, Turned turn) {
  if (turn == Turned::None) return s;
  const bool quarter = turn != Turned::Half;
  Picture d(quarter ? s.height : s.width, quarter ? s.width : s.height, s.size);
  for (int32_t y = 0; y < d.height; ++y)
    for (int32_t x = 0; x < d.width; ++x) {
      if (turn == Turned::Left)
        d.Set(x, y, s.at(s.width - 1 - y, x));
      else if (turn == Turned::Right)
        d.Set(x, y, s.at(y, s.height - 1 - x));
      else
        d.Set(x, y, s.at(s.width - 1 - x, s.height - 1 - y));
    }
  return d;
}

// Round, halves to even, and Trunc, as the models write them.
inline double RoundEven(double x) { return std::nearbyint(x); }
inline int32_t Trunc(double x) { return static_cast<int32_t>(x); }

}  // namespace calmora::test
