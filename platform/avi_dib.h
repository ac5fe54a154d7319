// Packed device-independent bitmaps (DIBs) for video frames: a 40-byte header written field by
// field in little-endian order, the colour table and the rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace calmora::platform {

inline constexpr size_t kDIBHeaderSize = 40;

// Bytes of one stored row of width pixels at bitCount bits, padded to 4 bytes.
size_t DIBRowStride(int32_t width, int32_t bitCount);

// A DIB of width x height (both positive) at bitCount bits without compression, whose colour
// table is colorTable (4 bytes blue, green, red, 0 per entry) and whose rows are left zero for
// the caller to fill through DIBRows.
std::vector<uint8_t> MakePackedDIB(int32_t width, int32_t height, int32_t bitCount,
                                   const std::vector<uint8_t>& colorTable);
// The first byte of the rows of a DIB MakePackedDIB made (the bottom row comes first).
uint8_t* DIBRows(std::vector<uint8_t>& dib);

}  // namespace calmora::platform
