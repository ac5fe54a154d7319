// The magic wand: from a clicked pixel, the region of similar colour as an outline polygon or
// straight into a selection mask.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/base/geometry/geometry.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"

namespace calmora {

// A pixel matches when its red, green and blue (as GetPixelAsRGB reads any format) each differ
// from the seed pixel's by at most the tolerance; a negative tolerance matches nothing.

// The outline of the 4-connected region of matching pixels around (X, Y), as pixel-corner
// vertices that trace the region's outer border clockwise from its top-left corner, with a
// vertex wherever the border turns (a turn through a diagonal step gives two equal vertices).
// With Dilate the region first grows by one pixel on every side, within its bounding box.
// PointCount receives the number of vertices; null and 0 when (X, Y) lies outside the image,
// the region is empty or the working memory cannot be had.
std::unique_ptr<TPoint[]> MagicWandOutline(const TPVBitmap& Bitmap, int32_t X, int32_t Y,
                                           bool Dilate, int32_t Tolerance, int32_t& PointCount);

// Sets the region around (X, Y) in Mask to MaskValue, as TPVMask::SetPixel of each pixel would;
// with Dilate also every pixel of the image next to it (across a side or a corner). Nothing
// when (X, Y) lies outside the image or the working memory cannot be had.
void MagicWandFill(const TPVBitmap& Bitmap, int32_t X, int32_t Y, bool Dilate, int32_t Tolerance,
                   TPVMask& Mask, int32_t MaskValue);

// Sets in Mask every pixel of the image that matches the colour of (X, Y), connected to it or
// not. Nothing when (X, Y) lies outside the image.
void MagicWandGlobal(const TPVBitmap& Bitmap, int32_t X, int32_t Y, int32_t Tolerance,
                     TPVMask& Mask, int32_t MaskValue);

}  // namespace calmora
