// Layout constants of the raw bitmap stream, the lossless format in which the layers file keeps
// each layer's bitmap. The writer and reader are TPVBitmap::SaveRawToStream and
// TPVBitmap::LoadRawFromStream (raw_bitmap_stream.cpp).
//
// All integers little-endian, doubles IEEE 754; n = palette length, R = row length from the
// stored width, format and alignment, A = alpha row length (8 bits, 32-bit aligned), H = height:
//   0   "TPVBITMAPRAW"          12  version (0)              16  n
//   20  n x (blue, green, red)
//   20+3n Width, Height (int32), format, Opaque (byte), PaletteColorsUsed (int32),
//         BlackLevel, WhiteLevel (double), ChannelShift (4 x int32), ChannelShiftEnabled
//         (byte), DisplayContrast, RowAlignment (int32, bits)
//   75+3n H rows of R bytes, top row first
//   then an alpha flag byte; when 1, H alpha rows of A bytes and the plane's Opaque byte.
#pragma once

#include <cstdint>

namespace calmora {

inline constexpr char kRawBitmapSignature[12] = {'T', 'P', 'V', 'B', 'I', 'T',
                                                 'M', 'A', 'P', 'R', 'A', 'W'};
inline constexpr int32_t kRawBitmapMaxPalette = 256;
// Bytes before the pixel rows, without the palette entries.
inline constexpr int64_t kRawBitmapHeaderSize = 75;

}  // namespace calmora
