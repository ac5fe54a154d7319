// TPVBitmap in location pvTBitmap: allocating the device bitmap, keeping the fields in step
// with it, its cached scan lines and passing the palette to its colour table.
#include <algorithm>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
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
  if (!FitsInMemory(size)) return false;
  // A caller's device bitmap is reused; one of our own is made anew.
  if (!Storage.WrapsTBitmap()) Storage.WrappedTBitmap = NewDeviceBitmap();
  if (!Storage.WrappedTBitmap) return false;
  platform::TBitmap& device = *Storage.WrappedTBitmap;
  device.SetSize(1, 1);
  device.SetPixelFormat(platform::pfDevice);
  platform::TPixelFormat deviceFormat;
  try {
    deviceFormat = DeviceFormatFor(Format);
  } catch (const Exception&) {
    device.SetSize(0, 0);  // so that no query reads the 1 x 1 set-up size as the image
    Storage.TBitmapRows.clear();
    return false;
  }
  if (Format == pv16g) {
    Format = pv8g;
    BitsPerPixel = PixelFormatBits[Format];
    ChannelsPerPixel = PixelFormatChannels[Format];
  }
  if (!device.SetPixelFormat(deviceFormat) || !device.SetSize(Width, Height)) {
    device.SetSize(0, 0);
    Storage.TBitmapRows.clear();
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
bool TPVBitmap::AssignDeviceStorage(const TPVBitmap& source) {
  platform::TPixelFormat deviceFormat;
  switch (source.Format) {
    case pv1g: deviceFormat = platform::pf1bit; break;
    case pv8p:
    case pv8g: deviceFormat = platform::pf8bit; break;
    case pv24RGB: deviceFormat = platform::pf24bit; break;
    case pv32RGB: deviceFormat = platform::pf32bit; break;
    default: return false;
  }
  if (!Storage.WrappedTBitmap) Storage.WrappedTBitmap = NewDeviceBitmap();
  if (!Storage.WrappedTBitmap) return false;
  platform::TBitmap& device = *Storage.WrappedTBitmap;
  Width = source.Width;
  Height = source.Height;
  Format = source.Format;
  device.SetSize(1, 1);
  if (!device.SetPixelFormat(deviceFormat) || !device.SetSize(Width, Height)) {
    device.SetSize(0, 0);
    Width = 0;
    Height = 0;
    RowBytes = 0;
    Storage.TBitmapRows.clear();
    return false;
  }
  if (Format == pv8g) device.SetGrayColorTable();
  BitsPerPixel = PixelFormatBits[Format];
  ChannelsPerPixel = PixelFormatChannels[Format];
  RowBytes = device.GetRowLength();
  RebuildTBitmapRows();
  return true;
}

void TPVBitmap::RebuildTBitmapRows() const {
  std::vector<uint8_t*>& rows = Storage.TBitmapRows;
  rows.clear();
  platform::TBitmap* device = Storage.WrappedTBitmap.get();
  if (!device) return;
  const int32_t height = device->GetHeight();
  rows.reserve(static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y) rows.push_back(device->GetScanLine(y));
}

void TPVBitmap::SyncTBitmap() const {
  if (Location != pvTBitmap || !Storage.WrappedTBitmap) return;
  platform::TBitmap& device = *Storage.WrappedTBitmap;
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
  const std::vector<uint8_t*>& rows = Storage.TBitmapRows;
  if (Height > 0 && !rows.empty() && device.GetScanLine(0) != rows[0]) RebuildTBitmapRows();
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
  platform::TBitmap* device = Storage.WrappedTBitmap.get();
  if (Location != pvTBitmap || !device || PaletteLength < 1 || !Palette) return;
  std::vector<platform::TRGBQuad> entries(static_cast<size_t>(PaletteLength));
  for (int32_t i = 0; i < PaletteLength; ++i)
    entries[i] = platform::TRGBQuad{Palette[i * 3], Palette[i * 3 + 1], Palette[i * 3 + 2], 0};
  device->SetColorTable(0, PaletteLength, entries.data());
}

}  // namespace calmora
