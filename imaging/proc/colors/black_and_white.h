// Black-and-white conversion: a threshold (fixed, the mean colour's grey or the maximum-entropy
// split of the grey histogram), an ordered dither, and the exact 1-bit form of a two-colour image.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Threshold values with a meaning of their own.
inline constexpr int32_t kMeanColorThreshold = -1;   // the grey level of AverageColor
inline constexpr int32_t kMaxEntropyThreshold = -2;  // the maximum-entropy split

// The 8 x 8 ordered-dither (Bayer) matrix, indexed [x mod 8][y mod 8]: the pixel's column picks
// the row of the table.
extern const int32_t kOrderedDitherMatrix[8][8];

// Dest's bit (most significant first, set = white) for each pixel is set when the pixel's grey
// level (of its colour as row_colors.h reads it) is at least the threshold. A pv1g Source is
// copied into Dest instead. With kMaxEntropyThreshold the threshold is the t of 1..255 whose
// split of the grey histogram scores highest (the first of equals; any valid score beats
// none); when no t splits the image in two it is the mean colour's grey. Progress.Step becomes
// 100 / (Height + 0.5) and OnProgress fires after each row; Aborting is not read. False, with
// Dest unchanged, when Dest is not a pv1g bitmap of Source's size.
bool BinarizeToBitmap(TPVBitmap& Source, TPVBitmap& Dest, int32_t Threshold,
                      TPVProgressRecord& Progress);

// pv24RGB only: the bitmap becomes the pv1g result of BinarizeToBitmap.
void ThresholdTo1Bit(TPVBitmap& Bitmap, int32_t Threshold, TPVProgressRecord& Progress);

// pv24RGB only: the bitmap becomes pv1g, a pixel white where
// kOrderedDitherMatrix[x mod 8][y mod 8] < f, with f = 64 when all three channels are at least
// 251 and grey level >> 2 otherwise. Progress as BinarizeToBitmap.
void DitherTo1Bit(TPVBitmap& Bitmap, TPVProgressRecord& Progress);

// For an image of exactly two colours: a new pv1g bitmap whose clear bits are the darker colour
// (Color0) and set bits the other (Color1). Null for one colour or more than two; the scan stops
// after the first row that brings a third colour.
std::unique_ptr<TPVBitmap> ExtractTwoColorBitmap(const TPVBitmap& Bitmap, TPVRGB& Color0,
                                                 TPVRGB& Color1);

}  // namespace calmora
