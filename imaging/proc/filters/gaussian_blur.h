// GaussianBlurGray8: the separable Gaussian blur of an 8-bit grey rectangle in 16-bit fixed
// point, rows first, then columns; the rectangle's edges act as the image's edges.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Blurs the inclusive rectangle (X1..X2 clamped to the columns, Y1..Y2 to the rows) of a pv8g
// bitmap; each pass rounds to bytes. Nothing for other formats, for an empty rectangle, and for
// a radius that is not finite and positive.
void GaussianBlurGray8(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       double Radius);

}  // namespace calmora
