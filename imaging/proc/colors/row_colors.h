// Rows of a bitmap of any pixel format read as 24-bit colours, by the library's channel table:
// the colour tools and the quantisers see every format through it.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Sample index of a row of T-sized samples (rows sit at any byte offset, so no cast).
template <typename T>
T ReadRowSample(const uint8_t* row, int32_t index) {
  T value;
  std::memcpy(&value, row + static_cast<size_t>(index) * sizeof(T), sizeof(T));
  return value;
}

// How a 16-bit colour sample (pvRGB48) becomes 8 bits.
enum class TWordToByte : uint8_t {
  HighByte,  // word >> 8
  Scaled,    // Trunc(word * 255 / 65535)
};

// The channel table, one row at a time: pv1g 255 for a set bit and 0 for a clear one; pv8p the
// palette colour; pv8g the value and pv16g its high byte in all three channels; pv24RGB the
// pixel; pv32f the low 8 bits of Trunc(value * 255) in all three (as single pixels read);
// pvCMYK CMYKToRGB; pvRGB48 each word by TWordToByte; pvCIELab ConvertCIELabToRGB; pv32RGB the
// first three bytes. The bitmap must not change while a reader is in use: converted rows are
// kept until another row is asked for.
class TRowColorReader {
 public:
  explicit TRowColorReader(const TPVBitmap& bitmap, TWordToByte words = TWordToByte::HighByte);

  // False for a bitmap without pixels or without a format of the table.
  bool CanRead() const { return canRead_; }
  // Row y as Width colours; null outside the bitmap or when its row cannot be had. A pv24RGB row
  // is the bitmap's own row, valid until the bitmap's next GetScanline; any other row is a
  // converted copy, valid until the next call.
  const TPVRGB* Row(int32_t y);

 private:
  void Convert(const uint8_t* row);

  const TPVBitmap& bitmap_;
  TWordToByte words_;
  bool canRead_ = false;
  int32_t width_ = 0;
  int32_t convertedRow_ = -1;
  std::vector<TPVRGB> converted_;
  std::array<TPVRGB, 256> palette_{};
};

}  // namespace calmora
