// What the files of TPVBitmap's pixel-format conversion share: how each pair of formats
// converts, and the conversions that need more than the per-pixel rules.
#pragma once

#include "imaging/core/bitmap/bitmap.h"

namespace calmora::bitmap_conversion {

// How ConvertFrom turns a source format into a target format.
enum class PairKind {
  kNothing,    // equal formats, or a source without pixels
  kPixelRule,  // pixel by pixel (PixelRowConverter), with a palette for a pv8p target
  kToOneBit,   // ordered dithering or the threshold, by the target's DitherMethod
  kQuantize,   // pv24RGB to pv8p through the quantiser
  kViaRGB24,   // the source is converted to pv24RGB first
};

PairKind KindOf(TPVPixelFormat from, TPVPixelFormat to);

// Source's pixels into the pv1g target of its size. Ordered: white where the matrix entry is
// below the pixel's level (its 8-bit grey >> 2; pv32f clamps its byte instead of wrapping).
// Threshold: BinarizeToBitmap at the mean colour's grey, after converting a pvRGB48 source to
// pv24RGB in place. False when a row or that conversion cannot be had.
bool ReduceToOneBit(TPVBitmap& source, TPVBitmap& target);

// A pv24RGB source into the pv8p target of its size: the quantiser's palette of the target's
// PaletteColorsUsed colours (at most 256) and each pixel's index. False when a row cannot be
// had.
bool QuantizeInto(const TPVBitmap& source, TPVBitmap& target);

// ConvertPixelFormat in location pvTBitmap.
bool ConvertDeviceBitmap(TPVBitmap& bitmap, TPVPixelFormat format);

}  // namespace calmora::bitmap_conversion
