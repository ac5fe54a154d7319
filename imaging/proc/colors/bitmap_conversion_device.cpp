// ConvertPixelFormat in location pvTBitmap: the device bitmap itself takes the new format, by
// expansion of 1 bit, by the black-and-white tools for 24 bits to 1, or through a copy in memory.
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/device_bitmap_copy.h"
#include "imaging/proc/colors/bitmap_conversion.h"
#include "imaging/proc/colors/black_and_white.h"
#include "platform/device_bitmap.h"

namespace calmora::bitmap_conversion {

namespace {

// The format a device bitmap holds a pixel format in (pv16g as pv8g); pvNoFormat for the
// formats it cannot hold.
TPVPixelFormat HeldFormatOf(TPVPixelFormat format) {
  switch (format) {
    case pv16g: return pv8g;
    case pv1g:
    case pv8p:
    case pv8g:
    case pv24RGB:
    case pv32RGB: return format;
    default: return pvNoFormat;
  }
}

platform::TPixelFormat DeviceFormatOf(TPVPixelFormat held) {
  switch (held) {
    case pv1g: return platform::pf1bit;
    case pv8p:
    case pv8g: return platform::pf8bit;
    case pv24RGB: return platform::pf24bit;
    default: return platform::pf32bit;
  }
}

bool ExpandOneBit(platform::TBitmap& device) {
  const auto copy = DuplicateTBitmap(device);
  TPVProgressRecord progress;
  return copy && Expand1BitTBitmap(*copy, device, progress);
}

// The tools report no failure: the device bitmap's format tells whether they converted it.
bool ReduceToOneBitInPlace(platform::TBitmap& device, TPVDitherMethod method) {
  TPVBitmap wrapper;
  wrapper.EncapsulateTBitmap(&device, false);  // borrowed: the wrapper never frees it
  TPVProgressRecord progress;
  if (method == pvdmOrdered)
    DitherTo1Bit(wrapper, progress);
  else
    ThresholdTo1Bit(wrapper, kMeanColorThreshold, progress);
  return device.GetPixelFormat() == platform::pf1bit;
}

// The pixels are converted in a copy in memory, which the device bitmap then takes, keeping the
// bitmap's alpha plane and its reduction settings.
bool ConvertThroughMemory(TPVBitmap& bitmap, TPVPixelFormat held) {
  const int32_t colorsUsed = bitmap.PaletteColorsUsed;
  TPVBitmap copy;
  copy.Location = pvMemory;
  copy.FileThreshold = bitmap.FileThreshold;
  if (!copy.AssignImage(&bitmap) || copy.IsEmpty()) return false;
  copy.DitherMethod = bitmap.DitherMethod;
  copy.PaletteColorsUsed = colorsUsed;
  const bool converted = copy.SetPixelFormat(held) && bitmap.AssignImage(&copy);
  bitmap.PaletteColorsUsed = colorsUsed;
  return converted;
}

}  // namespace

bool ConvertDeviceBitmap(TPVBitmap& bitmap, TPVPixelFormat format) {
  const TPVPixelFormat held = HeldFormatOf(format);
  if (held == pvNoFormat) return false;
  platform::TBitmap* device = bitmap.Storage.WrappedTBitmap.get();
  const platform::TPixelFormat deviceFormat = DeviceFormatOf(held);
  if (!device || device->GetWidth() == 0 || device->GetHeight() == 0) {
    // No pixels: the device bitmap (when there is one) and the fields take the format.
    if (device && !device->SetPixelFormat(deviceFormat)) return false;
    if (device && held == pv8g) device->SetGrayColorTable();
    bitmap.Format = held;
    bitmap.BitsPerPixel = PixelFormatBits[held];
    bitmap.ChannelsPerPixel = PixelFormatChannels[held];
    bitmap.RowBytes = device ? device->GetRowLength() : 0;
    return true;
  }
  bitmap.SyncTBitmap();
  if (bitmap.Format == held) return true;
  const platform::TPixelFormat before = device->GetPixelFormat();
  bool converted;
  if (before == platform::pf1bit && held == pv24RGB)
    converted = ExpandOneBit(*device);
  else if (before == platform::pf24bit && held == pv1g)
    converted = ReduceToOneBitInPlace(*device, bitmap.DitherMethod);
  else
    converted = ConvertThroughMemory(bitmap, held);
  // The fields follow the device bitmap, converted or not, so they never describe rows it does
  // not have.
  bitmap.SyncTBitmap();
  if (!converted || device->GetPixelFormat() != deviceFormat) return false;
  // An 8-bit device bitmap with the grey ramp reads as pv8g at the next query; the format asked
  // for holds until then.
  bitmap.Format = held;
  return true;
}

}  // namespace calmora::bitmap_conversion
