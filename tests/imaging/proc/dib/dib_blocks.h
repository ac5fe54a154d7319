// Packed DIBs built byte by byte for the DIB tests: header fields in little-endian order, the
// colour table, masks and rows (stored bottom-up, each padded to 4 bytes), so a test states
// exactly what the block holds, and holds no byte more (overreads show under the sanitizer).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/dib/yuv_rows.h"

namespace calmora::test {

struct DibBlock {
  DibBlock(int32_t width, int32_t height, uint16_t bitCount, uint32_t compression = 0)
      : Width(width), Height(height), BitCount(bitCount), Compression(compression) {}

  uint32_t HeaderSize = 40;
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t BitCount = 24;
  uint32_t Compression = 0;
  uint32_t ColorsUsed = 0;
  std::vector<uint32_t> Table;  // entries as 0x00RRGGBB (stored blue, green, red, 0)
  std::vector<uint32_t> Masks;  // at byte 40: after a 40-byte header, or inside a longer one
  // Stored rows, first the bottom row; each is padded to the DIB row length.
  std::vector<std::vector<uint8_t>> Rows;

  int32_t RowLength() const { return (Width * BitCount + 31) / 32 * 4; }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out(HeaderSize, 0);
    Put32(out, 0, HeaderSize);
    Put32(out, 4, static_cast<uint32_t>(Width));
    Put32(out, 8, static_cast<uint32_t>(Height));
    Put16(out, 12, 1);
    Put16(out, 14, BitCount);
    Put32(out, 16, Compression);
    Put32(out, 32, ColorsUsed);
    for (size_t i = 0; i < Masks.size(); ++i) {
      if (40 + 4 * i + 4 > out.size()) out.resize(40 + 4 * i + 4, 0);
      Put32(out, 40 + 4 * i, Masks[i]);
    }
    for (const uint32_t entry : Table) {
      out.push_back(static_cast<uint8_t>(entry));
      out.push_back(static_cast<uint8_t>(entry >> 8));
      out.push_back(static_cast<uint8_t>(entry >> 16));
      out.push_back(0);
    }
    for (const std::vector<uint8_t>& row : Rows) {
      std::vector<uint8_t> padded = row;
      padded.resize(static_cast<size_t>(RowLength()), 0);
      out.insert(out.end(), padded.begin(), padded.end());
    }
    return out;
  }

  static void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  static void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    Put16(out, at, value);
    Put16(out, at + 2, value >> 16);
  }
};

// The little-endian 32-bit field at byte at of a block.
inline uint32_t Field32(const uint8_t* block, size_t at) {
  return block[at] | uint32_t{block[at + 1]} << 8 | uint32_t{block[at + 2]} << 16 |
         uint32_t{block[at + 3]} << 24;
}

inline TPVRGB RgbAt(const TPVBitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* row = bitmap.GetScanline(y);
  return TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

}  // namespace calmora::test
