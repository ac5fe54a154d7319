// Moving pixels between TPVBitmap and packed device-independent bitmaps (DIBs): loading a DIB
// or a video frame into a bitmap, packing a rectangle of a bitmap into a new DIB, and painting
// a DIB into a TPVDibbitmap. A DIB comes as a pointer with its length or as a global-memory
// block, which is locked while it is read.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/dib_bitmap.h"
#include "platform/global_memory.h"

namespace calmora {

// Fills Bitmap from the DIB of DIBLength bytes (header, colour table, rows bottom-up) and
// returns its bit count. 1-bit DIBs load as pv1g with a set bit white (the colour table is not
// applied), all others as pv24RGB: 4 and 8 bits through the colour table (an index past it
// reads black), 16 bits through the channel masks (5-5-5 without compression 3), 24 and 32
// bits as blue, green, red. Compressions 1 and 2 are read as plain rows; the YUV FourCCs of
// FindYUVLayout convert the frame given in Bits. When given, Bits (BitsLength bytes) replaces
// the pixel data after header and table.
// A zero or negative width or height leaves the bitmap empty; another bit count or compression
// leaves it allocated and black. A block too short for its header, table or rows, a table of
// more than 256 entries, a 16-bit mask of width 0 or a frame too short returns 0 with the
// bitmap empty.
int32_t LoadBitmapFromDIB(const void* DIB, int64_t DIBLength, TPVBitmap& Bitmap,
                          const void* Bits = nullptr, int64_t BitsLength = 0);
int32_t LoadBitmapFromDIB(platform::TGlobalMemory& DIB, TPVBitmap& Bitmap,
                          const void* Bits = nullptr, int64_t BitsLength = 0);

// A new DIB of the rectangle X1..X2-1 by Y1..Y2-1 of Bitmap (X2 = 0: the width, Y2 = 0: the
// height), clipped to the bitmap: a 40-byte header (biXPelsPerMeter = Trunc(DpiX x
// 39.3700787), likewise Y), the colour table and the rows bottom-up, padded with zeros. pv1g
// gives 1 bit with the table black, white; pv8g and pv8p 8 bits with the grey ramp or the
// palette; pv24RGB 24 bits; other formats are converted to 24 bits on a copy first. The block
// is 4 bytes longer than that, zero-filled, and belongs to the caller. No block when nothing
// of the rectangle is left or memory cannot be had. Progress lines go to the debug log.
platform::TGlobalMemory CopyBitmaptoDIBEx(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2,
                                          int32_t Y2, int32_t DpiX, int32_t DpiY);

// Paints the DIB unscaled into Target and returns its bit count: Target becomes 1 bit for a
// 1-bit DIB (each colour of the table taken as the nearer of black and white) and 24 bits for
// 4, 8, 16, 24 and 32 bits and the YUV layouts, converted as LoadBitmapFromDIB does. Another
// bit count leaves Target as it was. Refusals as for LoadBitmapFromDIB, with Target empty.
int32_t PaintDIBToDibbitmap(const void* DIB, int64_t DIBLength, TPVDibbitmap& Target,
                            const void* Bits = nullptr, int64_t BitsLength = 0);
int32_t PaintDIBToDibbitmap(platform::TGlobalMemory& DIB, TPVDibbitmap& Target,
                            const void* Bits = nullptr, int64_t BitsLength = 0);

}  // namespace calmora
