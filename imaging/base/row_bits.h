// Row lengths and byte sizes computed in 64 bits, bit-field widths, and bit and byte order.
#pragma once

#include <cstdint>

namespace calmora::platform {
enum TPixelFormat : uint8_t;  // the device bitmap's pixel format (platform/device_bitmap.h)
}

namespace calmora {

// Bytes per row for a width, bits per pixel and row alignment in bits. Alignment 32:
// ((width * bpp + 31) div 32) * 4; any other alignment a:
// ((width * bpp + a - 1) div a) * (a div 8). Computed in 64 bits, so no width read from a file
// can wrap it into a short row. A negative width or bit count or an alignment below 1 is
// refused with -1.
int64_t CalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment);

// CalcRowLength for callers that keep row lengths in 32 bits: false (rowLength untouched) when
// the length is refused or does not fit in int32.
bool TryCalcRowLength(int32_t width, int32_t bitsPerPixel, int32_t alignment, int32_t& rowLength);

// Bits per pixel of a device-bitmap format: pf1bit 1, pf4bit 4, pf8bit 8, pf15bit 15,
// pf16bit 16, pf24bit 24, pf32bit 32; pfDevice and pfCustom 0.
int32_t GetTBitmapBitCount(platform::TPixelFormat format);

// CalcRowLength(width, GetTBitmapBitCount(format), 32).
int64_t CalcTBitmapRowLength(int32_t width, platform::TPixelFormat format);

// rowLength * rows in 64 bits; -1 when either is negative or the product overflows int64.
int64_t CalcImageByteSize(int64_t rowLength, int64_t rows);

// Starting at the lowest set bit (bits 0..30 searched; none found starts at bit 31), the number
// of consecutive set bits: the width of a colour channel's bit field. 0 for 0.
int32_t GetMaskBitWidth(uint32_t mask);

// Bits needed to index n values: k for n = 2^k, else the position of the highest set bit + 1;
// -1 for 0.
int32_t CountBitsNeeded(uint32_t n);

// 2^(bits and 31) raised to count in 32-bit arithmetic (wrapping like a 32-bit machine
// word); 1 for count <= 0.
int32_t CalcColorCount(int32_t bits, int32_t count);

namespace detail {
constexpr uint8_t ReverseBitsOf(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1u << i)) r |= static_cast<uint8_t>(0x80u >> i);
  return r;
}
struct ReversedBitsTable {
  uint8_t Value[256];
  constexpr ReversedBitsTable() : Value() {
    for (int i = 0; i < 256; ++i) Value[i] = ReverseBitsOf(static_cast<uint8_t>(i));
  }
};
}  // namespace detail

// Each byte value with its bit order reversed (bit 7 <-> bit 0 ...).
inline constexpr detail::ReversedBitsTable kReversedByteBits{};

inline void ReverseByteBits(uint8_t& value) { value = kReversedByteBits.Value[value]; }

// Reverses the order of all 32 bits: bytes swapped, then halves, pairs and neighbours exchanged.
inline void ReverseDWordBits(uint32_t& value) {
  uint32_t v = __builtin_bswap32(value);
  v = ((v & 0xF0F0F0F0u) >> 4) | ((v & 0x0F0F0F0Fu) << 4);
  v = ((v & 0xCCCCCCCCu) >> 2) | ((v & 0x33333333u) << 2);
  v = ((v & 0xAAAAAAAAu) >> 1) | ((v & 0x55555555u) << 1);
  value = v;
}

// The two low bytes exchanged, the upper 16 bits unchanged.
constexpr uint32_t SwapWord(uint32_t value) {
  return (value & 0xFFFF0000u) | ((value & 0xFFu) << 8) | ((value >> 8) & 0xFFu);
}

// The four bytes in reverse order.
constexpr uint32_t SwapDWord(uint32_t value) {
  return (value << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) | (value >> 24);
}

// With swap: the low two bytes exchanged and the upper 16 bits cleared; else unchanged.
constexpr uint32_t SwapWordIf(uint32_t value, bool swap) {
  return swap ? (((value & 0xFFu) << 8) | ((value >> 8) & 0xFFu)) : value;
}

constexpr uint32_t SwapDWordIf(uint32_t value, bool swap) {
  return swap ? SwapDWord(value) : value;
}

}  // namespace calmora
