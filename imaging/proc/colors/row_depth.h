// One pixel row from one bit depth to another (1, 4, 8, 24 and 32 bits per pixel): expansion
// through a palette, reduction through a quantiser. 1-bit rows are most significant bit first,
// 4-bit rows high nibble first.
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"

namespace calmora {

class TPVQuantizer;

// Converts Width pixels of Source into Dest:
//   1 -> 1, 4 -> 4, 8 -> 8, 24 -> 24: the row's bytes copied;
//   1 -> 4, 1 -> 8, 4 -> 8: each pixel's value as a nibble or a byte;
//   1, 4, 8 -> 24: Palette[value] as 3 bytes (Palette: 256 entries);
//   8 -> 1: a set bit for each non-zero byte;
//   24 -> 4, 24 -> 8: Quantizer->RGBIndex(pixel) as a nibble or a byte;
//   32 -> 24: the first three bytes of each 4-byte pixel.
// Packed destinations (1 and 4 bits) are cleared first. Other pairs write nothing, and so do
// the palette and quantiser conversions without one. Returns the destination row length:
// (Width + 7) div 8 for 1 bit, (Width + 1) div 2 for 4, Width for 8, Width * 3 for 24, else 0
// (and 0 for a negative Width).
int32_t ConvertRowDepth(const void* Source, void* Dest, int32_t SourceBits, int32_t DestBits,
                        int32_t Width, const TPVRGB* Palette, const TPVQuantizer* Quantizer);

}  // namespace calmora
