// Narrowing a bitmap into 8-bit grey or 24-bit RGB row by row with the conversion's own pair
// rules, in a new storage built beside the old one, so a failure leaves the bitmap as it was.
#include "imaging/core/bitmap/bitmap_device_narrow.h"

#include <utility>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/bitmap/pixel_row_converter.h"

namespace calmora {

namespace {

bool IsGreyToByte(TPVPixelFormat from, TPVPixelFormat to) {
  return (from == pv16g || from == pv32f) && (to == pv8g || to == pv24RGB);
}

bool IsColourTo24(TPVPixelFormat from, TPVPixelFormat to) {
  return (from == pvCMYK || from == pvRGB48 || from == pvCIELab || from == pv32RGB) &&
         to == pv24RGB;
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
    const PixelRowConverter converter(held.Format, format, held);
    TPVDataAccessScope writeOnly(bitmap, pvdWrite);
    const TPVBitmap& source = held;
    for (int32_t y = 0; y < held.Height; ++y)
      converter.Convert(source.GetScanline(y), bitmap.GetScanline(y), held.Width);
  }
  bitmap.AlphaBitmap = std::move(held.AlphaBitmap);
  return true;
}

}  // namespace calmora
