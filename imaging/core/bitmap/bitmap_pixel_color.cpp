// TPVBitmap::GetPixelAsRGB: a pixel of any format as the colour it shows, for code that
// samples single pixels (pickers, palette builders) without caring about the format.
#include "imaging/base/color_formulas.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

TPVRGB Grey(uint8_t level) { return TPVRGB{level, level, level}; }

}  // namespace

TPVRGB TPVBitmap::GetPixelAsRGB(int32_t x, int32_t y) const {
  switch (Format) {
    case pv1g: return Grey(GetBit(GetScanline(y), x) ? 255 : 0);
    case pv8p: return GetPaletteColor(GetPixel8(x, y));
    case pv8g: return Grey(GetPixel8(x, y));
    case pv16g: return Grey(static_cast<uint8_t>(GetPixel16(x, y) >> 8));
    case pv24RGB: return GetPixel24(x, y);
    case pv32f:
      // Out-of-range samples wrap: only the low 8 bits of the truncated value are kept.
      return Grey(static_cast<uint8_t>(TruncToInt32Bits(GetPixelFloat(x, y) * 255)));
    case pvCMYK: {
      TPVRGB rgb;
      CMYKToRGB(pixel_access::Read<TPVCMYK>(GetScanline(y), x), rgb);
      return rgb;
    }
    case pvRGB48: {
      const TPVRGB48 pixel = GetPixel48(x, y);
      return TPVRGB{static_cast<uint8_t>(pixel.b >> 8), static_cast<uint8_t>(pixel.g >> 8),
                    static_cast<uint8_t>(pixel.r >> 8)};
    }
    case pvCIELab: {
      TPVRGB rgb;
      ConvertCIELabToRGB(rgb, pixel_access::Read<TPVCIELab>(GetScanline(y), x));
      return rgb;
    }
    case pv32RGB: {
      const uint8_t* pixel = GetScanline(y) + static_cast<int64_t>(x) * 4;  // blue, green, red, x
      return TPVRGB{pixel[0], pixel[1], pixel[2]};
    }
    default: return TPVRGB{0, 0, 0};
  }
}

}  // namespace calmora
