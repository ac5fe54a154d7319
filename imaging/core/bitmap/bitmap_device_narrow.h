// Narrowing a bitmap to what device bitmaps hold (8-bit grey or 24-bit RGB), for the pairs
// device interchange needs. The bitmap model cannot call SetPixelFormat, which lives in the
// processing layer, so it narrows here through the same pair rules (pixel_row_converter.h).
#pragma once

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// What a device bitmap holds of a format: pv8g for pv16g and pv32f; pv24RGB for pvCMYK,
// pvRGB48 and pvCIELab; the format itself otherwise.
TPVPixelFormat DeviceNarrowedFormat(TPVPixelFormat format);

// Converts the pixels of bitmap into format, the storage going to location: pv16g and pv32f
// into pv8g or pv24RGB (the high byte of the word; the low byte of Trunc(value x 255), so
// values past 1.0 wrap), pvCMYK, pvRGB48, pvCIELab and pv32RGB into pv24RGB (CMYKToRGB, the
// high bytes, ConvertCIELabToRGB, the first three bytes). The alpha plane stays. False, with
// the bitmap as it was, for another pair, an empty bitmap or storage that cannot be had.
bool NarrowPixelFormat(TPVBitmap& bitmap, TPVPixelFormat format, TPVLocation location);

}  // namespace calmora
