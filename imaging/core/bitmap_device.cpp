// TPVBitmap in location pvTBitmap: allocating the device bitmap, keeping the fields in step
// with it, its cached scan lines and passing the palette to its colour table.
#include <algorithm>
#include <new>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/base/platform_queries.h"
#include "imaging/core/base/file_names.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// The device format that holds a pixel format; the formats a device bitmap cannot hold raise.
// pv16g is held as 8 bits (the caller narrows the format).
platform::TPixelFormat DeviceFormatFor(TPVPixelFormat format) {
  switch (format) {
    case pv1g: return platform::pf1bit;
    case pv8p:
    case pv8g:
    case pv16g: return platform::pf8bit;
    case pv24RGB: return platform::pf24bit;
    case pv32RGB: return platform::pf32bit;
    case pv32f: throw Exception("pv32f pixel format not allowed when Location=pvTBitmap");
    case pvCMYK: throw Exception("pvCMYK pixel format not allowed when Location=pvTBitmap");
    case pvRGB48: throw Exception("pvRGB48 pixel format not allowed when Location=pvTBitmap");
    case pvCIELab: throw Exception("pvCIELab pixel format not allowed when Location=pvTBitmap");
    default: throw Exception("pixel format not allowed when Location=pvTBitmap");
  }
}

}  // namespace

bool TPVBitmap::AllocateDeviceBitmap(int64_t size) {
  // An unknown memory size (0) is no reason to refuse every device bitmap.
  const uint64_t total = QueryPhysicalMemory(0);
  if (total != 0 && static_cast<uint64_t>(size) > total) return false;
  if (!WrapsTBitmap || !WrappedTBitmap) {
    if (!WrapsTBitmap) delete WrappedTBitmap;
    WrappedTBitmap = new (std::nothrow) platform::TBitmap;
    WrapsTBitmap = false;
    if (!WrappedTBitmap) return false;
  }
  platform::TBitmap& device = *WrappedTBitmap;
  device.SetSize(1, 1);
  device.SetPixelFormat(platform::pfDevice);
  platform::TPixelFormat deviceFormat;
  try {
    deviceFormat = DeviceFormatFor(Format);
  } catch (const Exception&) {
    device.SetSize(0, 0);  // so that no query reads the 1 x 1 set-up size as the image
    TBitmapRows.clear();
    return false;
  }
  if (Format == pv16g) {
    Format = pv8g;
    BitsPerPixel = PixelFormatBits[Format];
    ChannelsPerPixel = PixelFormatChannels[Format];
  }
  if (!device.SetPixelFormat(deviceFormat) || !device.SetSize(Width, Height)) {
    device.SetSize(0, 0);
    TBitmapRows.clear();
    return false;
  }
  if (Format == pv8g) device.SetGrayColorTable();
  RowBytes = device.GetRowLength();
  RebuildTBitmapRows();
  return true;
}

// The device part of Assign and AssignImage: the device bitmap takes the source's size and a
// device format for its pixel format. Formats a device bitmap cannot hold are refused (their
// rows would not fit the device rows) and leave this bitmap as it was.
bool TPVBitmap::AssignDeviceStorage(TPVBitmap& source) {
  platform::TPixelFormat deviceFormat;
  switch (source.Format) {
    case pv1g: deviceFormat = platform::pf1bit; break;
    case pv8p:
    case pv8g: deviceFormat = platform::pf8bit; break;
    case pv24RGB: deviceFormat = platform::pf24bit; break;
    case pv32RGB: deviceFormat = platform::pf32bit; break;
    default: return false;
  }
  if (!WrappedTBitmap) {
    WrappedTBitmap = new (std::nothrow) platform::TBitmap;
    WrapsTBitmap = false;
    if (!WrappedTBitmap) return false;
  }
  platform::TBitmap& device = *WrappedTBitmap;
  Width = source.Width;
  Height = source.Height;
  Format = source.Format;
  device.SetSize(1, 1);
  if (!device.SetPixelFormat(deviceFormat) || !device.SetSize(Width, Height)) {
    device.SetSize(0, 0);
    Width = 0;
    Height = 0;
    RowBytes = 0;
    TBitmapRows.clear();
    return false;
  }
  if (Format == pv8g) device.SetGrayColorTable();
  BitsPerPixel = PixelFormatBits[Format];
  ChannelsPerPixel = PixelFormatChannels[Format];
  RowBytes = device.GetRowLength();
  RebuildTBitmapRows();
  return true;
}

void TPVBitmap::RebuildTBitmapRows() {
  TBitmapRows.clear();
  if (!WrappedTBitmap) return;
  const int32_t rows = WrappedTBitmap->GetHeight();
  TBitmapRows.reserve(static_cast<size_t>(rows));
  for (int32_t y = 0; y < rows; ++y) TBitmapRows.push_back(WrappedTBitmap->GetScanLine(y));
}

void TPVBitmap::SyncTBitmap() {
  if (Location != pvTBitmap || !WrappedTBitmap) return;
  platform::TBitmap& device = *WrappedTBitmap;
  TPVPixelFormat format;
  switch (device.GetPixelFormat()) {
    case platform::pf1bit: format = pv1g; break;
    case platform::pf8bit: format = IsAlphaPlane || device.HasGrayColorTable() ? pv8g : pv8p; break;
    // Our device-dependent bitmaps keep 32 bits per pixel.
    case platform::pfDevice:
    case platform::pf32bit: format = pv32RGB; break;
    default: format = pv24RGB; break;
  }
  if (device.GetWidth() != Width || device.GetHeight() != Height || format != Format) {
    Width = device.GetWidth();
    Height = device.GetHeight();
    Format = format;
    BitsPerPixel = PixelFormatBits[Format];
    ChannelsPerPixel = PixelFormatChannels[Format];
    RowBytes = device.GetRowLength();
    if (AlphaBitmap && (AlphaBitmap->Width != Width || AlphaBitmap->Height != Height))
      AlphaBitmap->Allocate(Width, Height, pv8g);
    RebuildTBitmapRows();
  }
  if (Height > 0 && !TBitmapRows.empty() && device.GetScanLine(0) != TBitmapRows[0])
    RebuildTBitmapRows();
  if (Format == pv8p && Palette) {
    const int32_t entries = std::min(PaletteLength, device.GetColorTableLength());
    for (int32_t i = 0; i < entries; ++i) {
      const platform::TRGBQuad quad = device.GetColorTableEntry(i);
      Palette[i * 3] = quad.rgbBlue;
      Palette[i * 3 + 1] = quad.rgbGreen;
      Palette[i * 3 + 2] = quad.rgbRed;
    }
  }
}

void TPVBitmap::RealizePalette() {
  if (Location != pvTBitmap || !WrappedTBitmap || PaletteLength < 1 || !Palette) return;
  std::vector<platform::TRGBQuad> entries(static_cast<size_t>(PaletteLength));
  for (int32_t i = 0; i < PaletteLength; ++i)
    entries[i] = platform::TRGBQuad{Palette[i * 3], Palette[i * 3 + 1], Palette[i * 3 + 2], 0};
  WrappedTBitmap->SetColorTable(0, PaletteLength, entries.data());
}

}  // namespace calmora
