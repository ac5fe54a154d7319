// The canvas's raster operations on device-bitmap pixels: the exclusive-or stretch of a 1-bit
// picture against a per-pixel model in every format, and the dot.
#include "platform/canvas_raster_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora::platform {
namespace {

// A pixel's raw value: the index of an indexed format, else its bytes (first byte lowest).
uint32_t RawPixel(TBitmap& bitmap, int x, int y) {
  const uint8_t* row = bitmap.GetScanLine(y);
  switch (bitmap.GetPixelFormat()) {
    case pf1bit: return (row[x / 8] >> (7 - x % 8)) & 1;
    case pf8bit: return row[x];
    default: {
      const int bytes = StorageBitCount(bitmap.GetPixelFormat()) / 8;
      uint32_t value = 0;
      for (int k = 0; k < bytes; ++k) value |= uint32_t{row[x * bytes + k]} << (8 * k);
      return value;
    }
  }
}

std::vector<uint32_t> RawPixels(TBitmap& bitmap) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x) pixels.push_back(RawPixel(bitmap, x, y));
  return pixels;
}

void FillRandom(TBitmap& bitmap, std::mt19937& random) {
  for (int y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanLine(y);
    for (int i = 0; i < bitmap.GetRowLength(); ++i) row[i] = static_cast<uint8_t>(random());
  }
}

// White as each format stores it (the 3-3-2 cube's white is its last entry).
struct FormatCase {
  TPixelFormat Format;
  uint32_t White;
};

struct StretchCase {
  int DestX, DestY, DestWidth, DestHeight, SourceX, SourceY, SourceWidth, SourceHeight;
};

TEST(StretchDibInvert, InvertsWhereTheStretchedBitIsSetInEveryFormat) {
  const FormatCase formats[] = {{pf24bit, 0xFFFFFF}, {pf32bit, 0xFFFFFF}, {pfDevice, 0xFFFFFF},
                                {pf16bit, 0xFFFF},   {pf15bit, 0x7FFF},   {pf8bit, 255},
                                {pf1bit, 1}};
  const StretchCase stretches[] = {
      {0, 0, 40, 30, 0, 0, 40, 30},      // 1:1, the whole picture
      {3, 2, 90, 60, 5, 4, 30, 20},      // zoomed in 3 times
      {0, 0, 13, 11, 0, 0, 40, 30},      // zoomed out
      {-7, -5, 60, 45, 0, 0, 40, 30},    // hanging off the canvas's top left
      {10, 8, 50, 50, -6, -3, 25, 40},   // a source rectangle reaching past the picture
      {30, 20, 80, 70, 20, 10, 20, 20},  // past the canvas's bottom right
  };
  std::mt19937 random(7);
  const int dibWidth = 40, dibHeight = 30, dibRowBytes = 8;
  std::vector<uint8_t> bits(static_cast<size_t>(dibRowBytes) * dibHeight);
  for (uint8_t& b : bits) b = static_cast<uint8_t>(random());
  TMonoDib dib;
  dib.Bits = bits.data();
  dib.Width = dibWidth;
  dib.Height = dibHeight;
  // The bit of a picture pixel counted from the top.
  const auto bitAt = [&](int x, int yFromTop) {
    const uint8_t* row = bits.data() + (dibHeight - 1 - yFromTop) * dibRowBytes;
    return (row[x / 8] >> (7 - x % 8)) & 1;
  };

  for (const FormatCase& f : formats)
    for (const StretchCase& s : stretches) {
      TBitmap bitmap;
      bitmap.SetPixelFormat(f.Format);
      bitmap.SetSize(70, 50);
      FillRandom(bitmap, random);
      const std::vector<uint32_t> before = RawPixels(bitmap);
      // Source rows run from the picture's bottom, as in any device-independent bitmap.
      StretchDibInvert(*bitmap.GetCanvas(), s.DestX, s.DestY, s.DestWidth, s.DestHeight,
                       s.SourceX, dibHeight - s.SourceY - s.SourceHeight, s.SourceWidth,
                       s.SourceHeight, dib);
      const std::vector<uint32_t> after = RawPixels(bitmap);
      for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 70; ++x) {
          const int j = x - s.DestX, i = y - s.DestY;
          bool set = false;
          if (j >= 0 && j < s.DestWidth && i >= 0 && i < s.DestHeight) {
            const int column = s.SourceX + j * s.SourceWidth / s.DestWidth;
            const int row = s.SourceY + i * s.SourceHeight / s.DestHeight;
            set = column >= 0 && column < dibWidth && row >= 0 && row < dibHeight &&
                  bitAt(column, row);
          }
          const size_t k = static_cast<size_t>(y) * 70 + x;
          ASSERT_EQ(after[k], set ? before[k] ^ f.White : before[k])
              << "format " << int{f.Format} << ", destination " << s.DestX << "," << s.DestY
              << ", pixel " << x << "," << y;
        }
      StretchDibInvert(*bitmap.GetCanvas(), s.DestX, s.DestY, s.DestWidth, s.DestHeight,
                       s.SourceX, dibHeight - s.SourceY - s.SourceHeight, s.SourceWidth,
                       s.SourceHeight, dib);
      EXPECT_EQ(RawPixels(bitmap), before) << "twice restores, format " << int{f.Format};
    }
}

TEST(StretchDibInvert, EmptySizesAndPicturesDrawNothing) {
  const uint8_t bits[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  TMonoDib dib;
  dib.Bits = bits;
  dib.Width = 8;
  dib.Height = 1;
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(8, 8);
  const std::vector<uint32_t> before = RawPixels(bitmap);
  const StretchCase empties[] = {{0, 0, 0, 8, 0, 0, 8, 1},
                                 {0, 0, 8, 8, 0, 0, 8, 0},
                                 {0, 0, -8, 8, 0, 0, 8, 1},
                                 {0, 0, 8, 8, 0, 0, -8, 1}};
  for (const StretchCase& s : empties)
    StretchDibInvert(*bitmap.GetCanvas(), s.DestX, s.DestY, s.DestWidth, s.DestHeight, s.SourceX,
                     s.SourceY, s.SourceWidth, s.SourceHeight, dib);
  dib.Bits = nullptr;
  StretchDibInvert(*bitmap.GetCanvas(), 0, 0, 8, 8, 0, 0, 8, 1, dib);
  EXPECT_EQ(RawPixels(bitmap), before);
  TBitmap empty;
  dib.Bits = bits;
  StretchDibInvert(*empty.GetCanvas(), 0, 0, 8, 8, 0, 0, 8, 1, dib);  // must not crash
}

TEST(DrawDot, WritesTheDotsColourAtThePointOnly) {
  TBitmap dot;
  dot.SetPixelFormat(pf24bit);
  dot.SetSize(1, 1);
  uint8_t* color = dot.GetScanLine(0);
  color[0] = 30;  // blue
  color[1] = 20;  // green
  color[2] = 250;  // red
  // 16 bits: red 31, green 5, blue 3; 8 bits: the 3-3-2 cube's entry of red 7, green 1, blue 0.
  const FormatCase formats[] = {
      {pf24bit, 0xFA141E}, {pf32bit, 0xFA141E}, {pf16bit, 0xF8A3}, {pf8bit, 0xE4}};
  for (const FormatCase& f : formats) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(f.Format);
    bitmap.SetSize(9, 7);
    std::vector<uint32_t> expected = RawPixels(bitmap);
    for (const auto& [x, y] : {std::pair{4, 3}, std::pair{0, 0}, std::pair{8, 6}}) {
      DrawDot(*bitmap.GetCanvas(), x, y, dot);
      expected[static_cast<size_t>(y) * 9 + x] = f.White;  // here: the dot's colour as stored
    }
    for (const auto& [x, y] :
         {std::pair{-1, 3}, std::pair{9, 3}, std::pair{4, -1}, std::pair{4, 7}})
      DrawDot(*bitmap.GetCanvas(), x, y, dot);
    EXPECT_EQ(RawPixels(bitmap), expected) << "format " << int{f.Format};
  }
}

}  // namespace
}  // namespace calmora::platform
