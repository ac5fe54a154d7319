// Row-length arithmetic and bit counting. Every length is computed in 64 bits so that no width
// read from a file can wrap a row length into a short buffer.
#include <limits>

#include "imaging/base/row_bits.h"
#include "platform/device_bitmap.h"

namespace calmora {

int64_t CalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment) {
  if (width < 0 || bitsPerPixel < 0 || alignment < 1) return -1;
  const int64_t bits = static_cast<int64_t>(width) * bitsPerPixel;  // at most 2^62
  if (alignment == 32) return ((bits + 31) >> 5) * 4;
  return ((bits + alignment - 1) / alignment) * (alignment / 8);
}

bool TryCalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment, int32_t& rowLength) {
  const int64_t length = CalcRowLength(width, bitsPerPixel, alignment);
  if (length < 0 || length > std::numeric_limits<int32_t>::max()) return false;
  rowLength = static_cast<int32_t>(length);
  return true;
}

int32_t GetTBitmapBitCount(platform::TPixelFormat format) {
  switch (format) {
    case platform::pf1bit: return 1;
    case platform::pf4bit: return 4;
    case platform::pf8bit: return 8;
    case platform::pf15bit: return 15;
    case platform::pf16bit: return 16;
    case platform::pf24bit: return 24;
    case platform::pf32bit: return 32;
    default: return 0;  // pfDevice and pfCustom have no fixed bit count
  }
}

int64_t CalcTBitmapRowLength(int32_t width, platform::TPixelFormat format) {
  return CalcRowLength(width, GetTBitmapBitCount(format), 32);
}

int64_t CalcImageByteSize(int64_t rowLength, int64_t rows) {
  if (rowLength < 0 || rows < 0) return -1;
  int64_t size;
  if (__builtin_mul_overflow(rowLength, rows, &size)) return -1;
  return size;
}

int32_t GetMaskBitWidth(uint32_t mask) {
  int start = 31;
  for (int bit = 0; bit < 31; ++bit) {
    if (mask & (1u << bit)) {
      start = bit;
      break;
    }
  }
  int32_t width = 0;
  for (int bit = start; bit < 32 && (mask & (1u << bit)); ++bit) ++width;
  return width;
}

int32_t CountBitsNeeded(uint32_t n) {
  if (n == 0) return -1;
  const int highest = 31 - __builtin_clz(n);
  return (n & (n - 1)) == 0 ? highest : highest + 1;
}

int32_t CalcColorCount(int32_t bits, int32_t count) {
  const uint32_t factor = 1u << (bits & 31);
  uint32_t result = 1;
  for (int32_t i = 0; i < count && result != 0 && factor != 1; ++i) result *= factor;
  return static_cast<int32_t>(result);
}

}  // namespace calmora
