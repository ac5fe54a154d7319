// TPVBitmap and device bitmaps: moving the pixels into one on demand (GetTBitmap, GetCanvas),
// wrapping a caller's one in place (EncapsulateTBitmap) and copying any one in
// (CopyFromTBitmap, Assign).
#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/base/row_bits.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_device_narrow.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/device_bitmap_copy.h"
#include "platform/device_bitmap.h"
#include "platform/device_pixels.h"

namespace calmora {

namespace {

// Moves the pixels into a device bitmap, narrowing the formats it cannot hold on the way.
bool MoveIntoDeviceBitmap(TPVBitmap& bitmap) {
  if (bitmap.Location != pvTBitmap) {
    const TPVPixelFormat narrowed = DeviceNarrowedFormat(bitmap.Format);
    if (narrowed != bitmap.Format && !bitmap.IsEmpty()) {
      if (!NarrowPixelFormat(bitmap, narrowed, pvTBitmap)) return false;
    } else if (!bitmap.SetLocation(pvTBitmap)) {
      return false;
    }
  }
  return bitmap.Storage.WrappedTBitmap != nullptr;
}

// An alpha plane of another size than the image would be read past its rows: it is made
// anew, fully opaque, at the image's size.
void FitAlphaPlane(TPVBitmap& bitmap) {
  TPVBitmap* plane = bitmap.AlphaBitmap.get();
  if (!plane || (plane->Width == bitmap.Width && plane->Height == bitmap.Height)) return;
  if (plane->Allocate(bitmap.Width, bitmap.Height, pv8g))
    plane->Fill(255);
  else
    bitmap.AlphaBitmap.reset();
}

// The format a device bitmap's pixels are copied into outside location pvTBitmap; pvNoFormat
// for the formats that copy nothing.
TPVPixelFormat CopiedFormatOf(const platform::TBitmap& device) {
  switch (device.GetPixelFormat()) {
    case platform::pf1bit: return device.GetMonochrome() ? pv1g : pv8p;
    case platform::pf4bit:
    case platform::pf8bit: return pv8p;
    case platform::pf15bit:
    case platform::pf16bit:
    case platform::pf24bit: return pv24RGB;
    case platform::pf32bit: return pv32RGB;
    default: return pvNoFormat;
  }
}

// One row of a device bitmap into a row of the copied format: bytes as they are where the
// layouts agree, indices unpacked to bytes, 15 and 16 bits widened to TPVRGB.
void CopyDeviceRow(const uint8_t* source, platform::TPixelFormat deviceFormat,
                   TPVPixelFormat format, uint8_t* target, int32_t width, int32_t sameBytes) {
  if (format == pv8p && deviceFormat != platform::pf8bit) {
    for (int32_t x = 0; x < width; ++x)
      target[x] = static_cast<uint8_t>(platform::ReadIndex(source, x, deviceFormat));
  } else if (deviceFormat == platform::pf15bit || deviceFormat == platform::pf16bit) {
    for (int32_t x = 0; x < width; ++x) {
      const platform::TRGBQuad quad = platform::ReadColor(source, x, deviceFormat, nullptr);
      target[3 * x] = quad.rgbBlue;
      target[3 * x + 1] = quad.rgbGreen;
      target[3 * x + 2] = quad.rgbRed;
    }
  } else {
    std::memcpy(target, source, static_cast<size_t>(sameBytes));
  }
}

}  // namespace

platform::TBitmap* TPVBitmap::GetTBitmap() {
  return MoveIntoDeviceBitmap(*this) ? Storage.WrappedTBitmap.get() : nullptr;
}

platform::TCanvas* TPVBitmap::GetCanvas() {
  return MoveIntoDeviceBitmap(*this) ? Storage.WrappedTBitmap->GetCanvas() : nullptr;
}

void TPVBitmap::EncapsulateTBitmap(platform::TBitmap* bitmap, bool freeFirst) {
  // The device bitmap this bitmap already holds stays as it is owned: it must survive the
  // release below, and one of our own must not become a caller's (nobody would free it).
  TPVDeviceBitmap device;
  if (bitmap)
    device = bitmap == Storage.WrappedTBitmap.get() ? std::move(Storage.WrappedTBitmap)
                                                    : BorrowDeviceBitmap(bitmap);
  if (freeFirst) FreeImage(true);
  if (!bitmap) return;
  // Whatever held the pixels so far would be lost track of once the device bitmap is wrapped.
  Storage.Reset();
  Storage.WrappedTBitmap = std::move(device);
  Location = pvTBitmap;
  Width = bitmap->GetWidth();
  Height = bitmap->GetHeight();
  switch (bitmap->GetPixelFormat()) {
    case platform::pf1bit: Format = pv1g; break;
    case platform::pf24bit: Format = pv24RGB; break;
    case platform::pf32bit: Format = pv32RGB; break;
    default: break;  // SyncTBitmap below derives it
  }
  BitsPerPixel = PixelFormatBits[Format];
  ChannelsPerPixel = PixelFormatChannels[Format];
  RowBytes = bitmap->GetRowLength();
  RebuildTBitmapRows();
  FitAlphaPlane(*this);
  // A format left from before may not be the device bitmap's: the fields take its format now
  // rather than at the next query, so no field ever describes rows the device does not have.
  SyncTBitmap();
}

bool TPVBitmap::CopyFromTBitmap(platform::TBitmap& bitmap) {
  if (Location == pvTBitmap) {
    if (!Storage.WrappedTBitmap) Storage.WrappedTBitmap = NewDeviceBitmap();
    if (!Storage.WrappedTBitmap) return false;
    const platform::TPixelFormat sourceFormat = bitmap.GetPixelFormat();
    if (sourceFormat != platform::pf1bit && sourceFormat != platform::pf24bit &&
        sourceFormat != platform::pf32bit && !bitmap.SetPixelFormat(platform::pf24bit))
      return false;
    platform::TBitmap& own = *Storage.WrappedTBitmap;
    const bool copied = CopyTBitmap(bitmap, own);
    Width = own.GetWidth();
    Height = own.GetHeight();
    switch (own.GetPixelFormat()) {
      case platform::pf1bit: Format = pv1g; break;
      case platform::pf32bit: Format = pv32RGB; break;
      default: Format = pv24RGB; break;
    }
    BitsPerPixel = PixelFormatBits[Format];
    ChannelsPerPixel = PixelFormatChannels[Format];
    RowBytes = own.GetRowLength();
    RebuildTBitmapRows();
    Palette.reset();  // none of these formats has one
    PaletteLength = 0;
    FitAlphaPlane(*this);
    return copied;
  }

  Opaque = false;
  const TPVPixelFormat format = CopiedFormatOf(bitmap);
  if (format == pvNoFormat) return true;
  const int32_t width = bitmap.GetWidth();
  const int32_t height = bitmap.GetHeight();
  if (!Allocate(width, height, format)) return width == 0 || height == 0;
  Opaque = false;
  const platform::TPixelFormat deviceFormat = bitmap.GetPixelFormat();
  if (format == pv8p) {
    const int32_t entries = std::min(bitmap.GetColorTableLength(), PaletteLength);
    for (int32_t i = 0; i < entries; ++i) {
      const platform::TRGBQuad quad = bitmap.GetColorTableEntry(i);
      SetPaletteColor(i, TPVRGB{quad.rgbBlue, quad.rgbGreen, quad.rgbRed});
    }
  }
  const auto sameBytes =
      static_cast<int32_t>(std::min<int64_t>(RowBytes, CalcTBitmapRowLength(width, deviceFormat)));
  TPVDataAccessScope writeOnly(*this, pvdWrite);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* target = GetScanline(y);
    if (!target) return false;
    CopyDeviceRow(bitmap.GetScanLine(y), deviceFormat, format, target, width, sameBytes);
  }
  return true;
}

}  // namespace calmora
