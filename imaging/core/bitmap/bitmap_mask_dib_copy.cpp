// Pixels exchanged with selection masks and DIB sections: CopyFromMask, CopyToMask and
// CopyFromDibbitmap, each copying rows up to the shorter row of the two.
#include <algorithm>
#include <cstring>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/base/color_helpers.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// Copies the first min(targetBytes, sourceBytes) bytes of each of rows rows; a row either side
// cannot give is skipped.
template <typename SourceRow, typename TargetRow>
void CopyRows(int32_t rows, int32_t targetBytes, int32_t sourceBytes, SourceRow sourceRow,
              TargetRow targetRow) {
  const auto bytes = static_cast<size_t>(std::max(0, std::min(targetBytes, sourceBytes)));
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* from = sourceRow(y);
    uint8_t* to = targetRow(y);
    if (from && to) std::memcpy(to, from, bytes);
  }
}

// The device part of CopyFromDibbitmap: the device bitmap (ours, made when there is none, or a
// caller's) takes the DIB's size in place, and a 1- or 24-bit DIB's depth; the fields follow it.
bool TakeDibShape(TPVBitmap& bitmap, const TPVDibbitmap& dib) {
  if (!bitmap.Storage.WrappedTBitmap) bitmap.Storage.WrappedTBitmap = NewDeviceBitmap();
  platform::TBitmap* device = bitmap.Storage.WrappedTBitmap.get();
  if (!device) return false;
  if (dib.BitCount == 1 || dib.BitCount == 24) {
    device->SetSize(1, 1);  // the format change then converts one pixel, not the old image
    if (!device->SetPixelFormat(dib.BitCount == 1 ? platform::pf1bit : platform::pf24bit))
      return false;
  }
  if (!device->SetSize(dib.Width, dib.Height)) return false;
  bitmap.SyncTBitmap();
  return true;
}

}  // namespace

bool TPVBitmap::CopyFromMask(const TPVMask* mask) {
  if (!mask) {
    Fill(255);
    return true;
  }
  if ((mask->BitsPerPixel != 1 && mask->BitsPerPixel != 8) || mask->Width < 1 || mask->Height < 1)
    return false;
  if (!Allocate(mask->Width, mask->Height, mask->BitsPerPixel == 1 ? pv1g : pv8g)) return false;
  TPVDataAccessScope writeOnly(*this, pvdWrite);
  CopyRows(
      Height, RowBytes, mask->RowBytes, [&](int32_t y) { return mask->GetRow(y); },
      [&](int32_t y) { return GetScanline(y); });
  Opaque = mask->AllSet;
  return true;
}

bool TPVBitmap::CopyToMask(TPVMask& mask) const {
  const TPVPixelFormat format = GetPixelFormat();
  const int32_t width = Width, height = Height;
  if (format == pv1g || format == pv8g) {
    if (!mask.Allocate(width, height, format == pv1g ? 1 : 8)) return false;
    CopyRows(
        height, mask.RowBytes, RowBytes, [&](int32_t y) { return GetScanline(y); },
        [&](int32_t y) { return mask.GetRow(y); });
    mask.AllSet = Opaque;
    return true;
  }
  if (format != pv24RGB) return false;
  if (!mask.Allocate(width, height, 8)) return false;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* pixel = GetScanline(y);
    uint8_t* level = mask.GetRow(y);
    if (!pixel || !level) continue;
    // Grey levels 0..255 become 0..63.
    for (int32_t x = 0; x < width; ++x, pixel += 3)
      level[x] = static_cast<uint8_t>(GrayLevelOf(TPVRGB{pixel[0], pixel[1], pixel[2]}) >> 2);
  }
  return true;
}

bool TPVBitmap::CopyFromDibbitmap(const TPVDibbitmap* dib) {
  if (!dib) return false;
  if (Location == pvTBitmap) {
    if (!TakeDibShape(*this, *dib)) return false;
  } else {
    const TPVPixelFormat format = dib->BitCount == 1    ? pv1g
                                  : dib->BitCount == 8  ? pv8g
                                  : dib->BitCount == 24 ? pv24RGB
                                                        : pvNoFormat;
    // Another depth keeps this bitmap as it is and copies the rows into it.
    if (format != pvNoFormat && !Allocate(dib->Width, dib->Height, format)) return false;
  }
  CopyRows(
      std::min(Height, dib->Height), RowBytes, dib->RowBytes,
      [&](int32_t y) { return dib->GetScanline(y); }, [&](int32_t y) { return GetScanline(y); });
  return true;
}

}  // namespace calmora
