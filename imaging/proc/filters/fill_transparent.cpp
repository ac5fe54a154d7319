// FillTransparentPixels, row by row over the image and its alpha plane.
#include "imaging/proc/filters/fill_transparent.h"

#include <cstring>

#include "imaging/base/numeric_helpers.h"

namespace calmora {

void FillTransparentPixels(TPVBitmap& Bitmap, TPVRGB Color) {
  if (Bitmap.IsAlphaPlane || Bitmap.GetPixelFormat() != pv24RGB || !Bitmap.AlphaBitmap) return;
  const TPVBitmap& alpha = *Bitmap.AlphaBitmap;
  if (alpha.GetPixelFormat() != pv8g) return;
  // A plane of another size than its image is not trusted beyond the part both cover.
  const int32_t width = IntMin(Bitmap.GetWidth(), alpha.GetWidth());
  const int32_t height = IntMin(Bitmap.GetHeight(), alpha.GetHeight());
  if (width < 1) return;
  const bool white = Color == TPVRGB{255, 255, 255};
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* levels = alpha.GetScanline(y);
    if (!levels || !std::memchr(levels, 0, static_cast<size_t>(width))) continue;
    uint8_t* pixels = Bitmap.GetScanline(y);
    if (!pixels) return;
    for (int32_t x = 0; x < width; ++x)
      if (levels[x] == 0) std::memcpy(pixels + static_cast<int64_t>(x) * 3, &Color, 3);
    if (!white) Bitmap.Opaque = false;
  }
}

}  // namespace calmora
