// Whole-image tests of a TPVBitmap: IsOpaqueScan, IsAllZero and IsGrayscale, reading every row
// through the read-only GetScanline.
#include <algorithm>
#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"

namespace calmora {

namespace {

// The pixel bytes of every row (a pv1g row's last byte whole, alignment bytes left out) equal
// value.
bool AllPixelBytesAre(const TPVBitmap& bitmap, uint8_t value) {
  const int32_t height = bitmap.GetHeight();  // syncs a device bitmap
  const auto bytes = static_cast<int32_t>((int64_t{bitmap.Width} * bitmap.BitsPerPixel + 7) / 8);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    if (!row) continue;
    if (!std::all_of(row, row + bytes, [value](uint8_t byte) { return byte == value; }))
      return false;
  }
  return true;
}

// A pv32RGB pixel: blue, green, red and a fourth byte that is no colour.
struct TPVRGB32 {
  uint8_t b, g, r, x;
};

template <typename Pixel>
bool IsGreyPixel(const Pixel& pixel) {
  return pixel.r == pixel.g && pixel.g == pixel.b;
}

template <typename Pixel>
bool AllPixelsGrey(const TPVBitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    if (!row) continue;
    for (int32_t x = 0; x < bitmap.Width; ++x)
      if (!IsGreyPixel(pixel_access::Read<Pixel>(row, x))) return false;
  }
  return true;
}

}  // namespace

bool TPVBitmap::IsOpaqueScan() {
  Opaque = AllPixelBytesAre(*this, 255);
  return Opaque;
}

bool TPVBitmap::IsAllZero() const { return AllPixelBytesAre(*this, 0); }

bool TPVBitmap::IsGrayscale() const {
  switch (GetPixelFormat()) {
    case pv8p:
      for (int32_t i = 0; i < PaletteLength; ++i)
        if (!IsGreyPixel(GetPaletteColor(i))) return false;
      return true;
    case pv24RGB: return AllPixelsGrey<TPVRGB>(*this);
    case pvRGB48: return AllPixelsGrey<TPVRGB48>(*this);
    case pv32RGB: return AllPixelsGrey<TPVRGB32>(*this);
    default: return true;
  }
}

}  // namespace calmora
