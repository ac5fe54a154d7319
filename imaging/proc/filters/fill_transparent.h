// FillTransparentPixels: gives the fully transparent pixels of an image one colour, so that
// whatever they held cannot bleed into visible pixels when the image is filtered.
#pragma once

#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Every pixel of a pv24RGB bitmap whose alpha is 0 takes Color. Bitmaps of other formats, and
// those without an alpha plane (none is created), are left alone.
void FillTransparentPixels(TPVBitmap& Bitmap, TPVRGB Color);

}  // namespace calmora
