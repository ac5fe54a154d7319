// Bit access in MSB-first bit rows, bit-exact copies between bit positions, byte inversion and
// red/blue exchanges over pixel rows.
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"

namespace calmora {

// Bit n of a buffer lies in byte n div 8 under BitMasks[n mod 8]: the first pixel of a 1-bit
// row is the most significant bit of its first byte.
inline constexpr uint8_t BitMasks[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};

// 0 when bit N is clear, else its mask value (128, 64, ... 1). N >= 0.
inline uint8_t GetBit(const void* Buffer, int32_t N) {
  return static_cast<const uint8_t*>(Buffer)[N >> 3] & BitMasks[N & 7];
}

// Sets bit N when Value is non-zero, clears it otherwise. N >= 0.
inline void SetBit(void* Buffer, int32_t N, int32_t Value) {
  uint8_t& byte = static_cast<uint8_t*>(Buffer)[N >> 3];
  if (Value != 0)
    byte |= BitMasks[N & 7];
  else
    byte &= static_cast<uint8_t>(~BitMasks[N & 7]);
}

// Copies Count bits from bit SrcBitPos of Source to bit DestBitPos of Dest; every other bit of
// Dest keeps its value. SourceSize is the number of readable bytes at Source: source bits past
// it read as 0. Source and Dest may overlap. Nothing happens when Count < 1 or a position is
// negative.
void CopyBits(void* Dest, const void* Source, int32_t DestBitPos, int32_t SrcBitPos, int32_t Count,
              int32_t SourceSize);

// Bitwise NOT of Count bytes; nothing when Count <= 0.
void InvertBytes(void* Buffer, int32_t Count);

// Copies Count 3-byte pixels and exchanges the first and third byte of each copied pixel.
void CopySwapRB(void* Dest, const void* Source, int32_t Count);

// Exchanges the first and third byte of Count 3-byte pixels.
void SwapRBInPlace(void* Buffer, int32_t Count);

// Exchanges the first and third 16-bit word of Count 6-byte pixels.
void SwapRB48(void* Buffer, int32_t Count);

// Exchanges red and blue of the first Count records.
void SwapRBArray(TPVRGB* Pixels, int32_t Count);

}  // namespace calmora
