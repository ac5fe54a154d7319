// Pixel access inside a device bitmap's rows, shared by the bitmap's format changes, its
// canvas and the code that copies device bitmaps: colour-table indices of the 1-, 4- and 8-bit
// formats, the colour of a pixel of any format read and written, and the nearest table entry.
#pragma once

#include <cstdint>
#include <limits>

#include "platform/device_bitmap.h"

namespace calmora::platform {

// Pixel x's index in a row of pf1bit (most significant bit first), pf4bit (high nibble first)
// or pf8bit.
inline int32_t ReadIndex(const uint8_t* row, int32_t x, TPixelFormat format) {
  switch (format) {
    case pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

inline void WriteIndex(uint8_t* row, int32_t x, TPixelFormat format, int32_t index) {
  switch (format) {
    case pf1bit: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = index ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
      break;
    }
    case pf4bit:
      if (x & 1)
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (index & 0x0F));
      else
        row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
      break;
    default: row[x] = static_cast<uint8_t>(index);
  }
}

// The colour of pixel x in a row of any format; the indexed formats look it up in the table.
// 15 and 16 bits widen their fields by a plain shift (31 gives 248).
inline TRGBQuad ReadColor(const uint8_t* row, int32_t x, TPixelFormat format,
                          const TRGBQuad* table) {
  switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit: return table[ReadIndex(row, x, format)];
    case pf15bit: {
      const uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
      return TRGBQuad{static_cast<uint8_t>((w & 31) << 3),
                      static_cast<uint8_t>(((w >> 5) & 31) << 3),
                      static_cast<uint8_t>(((w >> 10) & 31) << 3), 0};
    }
    case pf16bit: {
      const uint32_t w = row[2 * x] | (row[2 * x + 1] << 8);
      return TRGBQuad{static_cast<uint8_t>((w & 31) << 3),
                      static_cast<uint8_t>(((w >> 5) & 63) << 2),
                      static_cast<uint8_t>((w >> 11) << 3), 0};
    }
    case pf24bit: return TRGBQuad{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    case pfDevice:
    case pf32bit: return TRGBQuad{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
    default: return TRGBQuad{};
  }
}

// The first of the table's length entries closest to the colour (squared RGB distance).
inline int32_t NearestEntry(const TRGBQuad* table, int32_t length, TRGBQuad c) {
  int32_t best = 0;
  int32_t bestDistance = std::numeric_limits<int32_t>::max();
  for (int32_t i = 0; i < length; ++i) {
    const int32_t dr = table[i].rgbRed - c.rgbRed;
    const int32_t dg = table[i].rgbGreen - c.rgbGreen;
    const int32_t db = table[i].rgbBlue - c.rgbBlue;
    const int32_t distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// Colour-table entries of a format: 2, 16 or 256 for the indexed formats, else 0.
inline int32_t TableLengthOf(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
  }
}

// Writes a colour as pixel x of a row of any format: the indexed formats take the nearest of
// their table's entries, 15 and 16 bits keep the high bits of each channel, 32 bits store the
// fourth byte as given.
inline void WriteColor(uint8_t* row, int32_t x, TPixelFormat format, const TRGBQuad* table,
                       TRGBQuad c) {
  switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit: WriteIndex(row, x, format, NearestEntry(table, TableLengthOf(format), c)); break;
    case pf15bit: {
      const uint32_t w = ((c.rgbRed >> 3) << 10) | ((c.rgbGreen >> 3) << 5) | (c.rgbBlue >> 3);
      row[2 * x] = static_cast<uint8_t>(w);
      row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      break;
    }
    case pf16bit: {
      const uint32_t w = ((c.rgbRed >> 3) << 11) | ((c.rgbGreen >> 2) << 5) | (c.rgbBlue >> 3);
      row[2 * x] = static_cast<uint8_t>(w);
      row[2 * x + 1] = static_cast<uint8_t>(w >> 8);
      break;
    }
    case pf24bit:
      row[3 * x] = c.rgbBlue;
      row[3 * x + 1] = c.rgbGreen;
      row[3 * x + 2] = c.rgbRed;
      break;
    case pfDevice:
    case pf32bit:
      row[4 * x] = c.rgbBlue;
      row[4 * x + 1] = c.rgbGreen;
      row[4 * x + 2] = c.rgbRed;
      row[4 * x + 3] = c.rgbReserved;
      break;
    default: break;
  }
}

}  // namespace calmora::platform
