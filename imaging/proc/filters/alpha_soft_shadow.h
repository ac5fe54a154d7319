// RenderSoftShadow: the soft drop shadow of an object drawn into an image, made from the image's
// own alpha channel (blurred, moved by an offset, weakened by an intensity and coloured).
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Returns the margin by which the object's inclusive rectangle (Left, Top)-(Right, Bottom)
// must grow on each side to hold the shadow: max(2 x max(|OffsetX|, |OffsetY|) +
// Trunc(5 x Radius), 1), with a radius of 0 counting as 2.
//
// pv24RGB and pv1g images get the shadow: the alpha channel (made fully opaque when missing)
// is blurred around the object (a Gaussian of Radius, or for Radius 0 the 3 x 3 "Blur"), moved
// by the offset, and then merged, within the margin, with the object's own alpha a0 into the
// pixels and the alpha a1: a pixel outside the object (a0 = 0) under the shadow (a1 > 0) takes
// Color (pv1g: black) and pv24RGB keeps a1 / q of the shadow, q = 3 - 2 x Intensity / 100
// (Intensity limited to 0..100); a soft object edge (0 < a0 < 255) is laid over the shadow;
// everywhere else the alpha goes back to a0. Other formats are left as they were, alpha included.
int32_t RenderSoftShadow(TPVBitmap& Bitmap, int32_t OffsetX, int32_t OffsetY, double Radius,
                         int32_t Intensity, TPVRGB Color, int32_t Left, int32_t Top, int32_t Right,
                         int32_t Bottom);

}  // namespace calmora
