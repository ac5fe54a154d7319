// Narrowing a bitmap into 8-bit grey or 24-bit RGB row by row, in a new storage built beside
// the old one, so a failure leaves the bitmap as it was.
#include "imaging/core/bitmap_device_narrow.h"

#include <cstring>
#include <utility>

#include "imaging/core/base/color_formulas.h"
#include "imaging/core/bitmap_internal.h"
#include "imaging/core/cmyk_profile.h"
#include "imaging/proc/base/numeric_helpers.h"

namespace calmora {

namespace {

bool IsGreyToByte(TPVPixelFormat from, TPVPixelFormat to) {
  return (from == pv16g || from == pv32f) && (to == pv8g || to == pv24RGB);
}

bool IsColourTo24(TPVPixelFormat from, TPVPixelFormat to) {
  return (from == pvCMYK || from == pvRGB48 || from == pvCIELab || from == pv32RGB) &&
         to == pv24RGB;
}

// Writes width grey bytes, as 8-bit grey or as three equal channels.
template <class GreyOf>
void WriteGreyRow(uint8_t* target, TPVPixelFormat to, int32_t width, GreyOf greyOf) {
  if (to == pv8g) {
    for (int32_t x = 0; x < width; ++x) target[x] = greyOf(x);
    return;
  }
  for (int32_t x = 0; x < width; ++x) std::memset(target + 3 * x, greyOf(x), 3);
}

template <class T>
T Load(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

void NarrowRow(const uint8_t* source, TPVPixelFormat from, uint8_t* target, TPVPixelFormat to,
               int32_t width) {
  auto* rgb = reinterpret_cast<TPVRGB*>(target);
  switch (from) {
    case pv16g:
      WriteGreyRow(target, to, width, [source](int32_t x) {
        return static_cast<uint8_t>(Load<uint16_t>(source + 2 * x) >> 8);
      });
      break;
    case pv32f:
      // No clamping: a value past 1.0 keeps the low byte of its product, as every float
      // narrowing of the library does.
      WriteGreyRow(target, to, width, [source](int32_t x) {
        return static_cast<uint8_t>(TruncToInt32Bits(Load<float>(source + 4 * x) * 255.0));
      });
      break;
    case pvCMYK: CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(source), rgb, width); break;
    case pvRGB48:
      for (int32_t x = 0; x < width; ++x) {
        const auto pixel = Load<TPVRGB48>(source + 6 * x);
        rgb[x] = TPVRGB{static_cast<uint8_t>(pixel.b >> 8), static_cast<uint8_t>(pixel.g >> 8),
                        static_cast<uint8_t>(pixel.r >> 8)};
      }
      break;
    case pvCIELab:
      for (int32_t x = 0; x < width; ++x)
        ConvertCIELabToRGB(rgb[x], Load<TPVCIELab>(source + 3 * x));
      break;
    case pv32RGB:
      for (int32_t x = 0; x < width; ++x) std::memcpy(rgb + x, source + 4 * x, 3);
      break;
    default: break;
  }
}

}  // namespace

TPVPixelFormat DeviceNarrowedFormat(TPVPixelFormat format) {
  switch (format) {
    case pv16g:
    case pv32f: return pv8g;
    case pvCMYK:
    case pvRGB48:
    case pvCIELab: return pv24RGB;
    default: return format;
  }
}

bool NarrowPixelFormat(TPVBitmap& bitmap, TPVPixelFormat format, TPVLocation location) {
  bitmap.SyncTBitmap();
  if (bitmap.IsEmpty() ||
      !(IsGreyToByte(bitmap.Format, format) || IsColourTo24(bitmap.Format, format)))
    return false;
  TPVBitmap held;
  bitmap.MoveStorageTo(held);
  bitmap.Location = location;
  bitmap.ForceReallocate = true;
  if (!bitmap.Allocate(held.Width, held.Height, format) || bitmap.Format != format) {
    held.MoveStorageTo(bitmap);  // also restores the location
    bitmap.ForceReallocate = true;
    return false;
  }
  {
    TPVDataAccessScope writeOnly(bitmap, pvdWrite);
    const TPVBitmap& source = held;
    for (int32_t y = 0; y < held.Height; ++y)
      NarrowRow(source.GetScanline(y), held.Format, bitmap.GetScanline(y), format, held.Width);
  }
  bitmap.AlphaBitmap = std::move(held.AlphaBitmap);
  return true;
}

}  // namespace calmora
