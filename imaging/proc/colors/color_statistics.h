// Whole-image colour statistics of the colour tools: the mean colour and the histogram of grey
// levels, over every pixel format.
#pragma once

#include <array>
#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Pixels per grey level 0..255; 64-bit, as a bitmap in the temporary file may hold more
// pixels than an int32 counts.
using TPVGrayHistogram = std::array<int64_t, 256>;

// The mean colour: for each row the channel sums div Width are added, and the totals are
// divided (div) by Height, a mean of row means. Channels as row_colors.h reads them, pvRGB48
// scaled by 255 / 65535. An empty bitmap, or one without a format, gives 0, 0, 0.
void AverageColor(const TPVBitmap& Bitmap, int32_t& R, int32_t& G, int32_t& B);

// Zeroes Hist and counts every pixel's grey level: pv1g in bins 0 and 1, pv8g the value, pv16g
// the value >> 8, pv32f Trunc(value * 255) held within 0..255; the colour formats the grey level
// of their colour (GrayLevelOf).
void GrayHistogram(const TPVBitmap& Bitmap, TPVGrayHistogram& Hist);

}  // namespace calmora
