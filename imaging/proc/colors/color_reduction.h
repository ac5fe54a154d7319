// Colour reduction of 24-bit images written back as 24-bit, the nearest palette entry of a
// colour, and grey conversion of a rectangle.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// pv24RGB only: a TPVQuantizer over the bitmap fills Palette (NumColors entries; a temporary
// one when null) and every pixel becomes Palette[RGBIndex(pixel)]. After each row y,
// OnProgress(Sender, Trunc(100 / (Height + 0.5) * (y + 1))). NumColors < 1 changes nothing.
void ReduceColors24(TPVBitmap& Bitmap, int32_t NumColors, TPVRGB* Palette,
                    const TPVProgressEvent& OnProgress, TObject* Sender);

// The index of the entry with the smallest |dR| + |dG| + |dB| (the first of equals); 0 when
// Count < 1.
int32_t NearestPaletteIndex(const TPVRGB* Palette, int32_t Count, TPVRGB Color);

// pv24RGB only: each pixel of columns X1..X2 - 1 and rows Y1..Y2 - 1 (the corners held inside
// the bitmap) gets its grey level in all three channels. After each row y,
// OnProgress(Sender, min(100, Trunc((y - Y1 + 1) * 100 / (Y2 - Y1 - 0.5)))). An empty
// rectangle changes and reports nothing.
void ConvertRectToGray(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const TPVProgressEvent& OnProgress, TObject* Sender);

}  // namespace calmora
