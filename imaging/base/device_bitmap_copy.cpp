// Copying, duplicating and expanding device bitmaps, row by row over their scan lines.
#include "imaging/base/device_bitmap_copy.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/device_bitmap.h"

namespace calmora {

TPVRGB OneBitExpansionTable[256][8];

void Build1BitExpansionTable() {
  for (int32_t b = 0; b < 256; ++b)
    for (int32_t bit = 0; bit < 8; ++bit) {
      const uint8_t level = (b & (0x80 >> bit)) ? 255 : 0;
      OneBitExpansionTable[b][bit] = TPVRGB{level, level, level};
    }
}

namespace {

// Gives target the size and format; a change goes through 1 x 1 so that no pixels of the old
// size are converted to the new format only to be thrown away.
bool Reshape(platform::TBitmap& target, int32_t width, int32_t height,
             platform::TPixelFormat format) {
  if (target.GetWidth() == width && target.GetHeight() == height &&
      target.GetPixelFormat() == format)
    return true;
  return target.SetSize(1, 1) && target.SetPixelFormat(format) && target.SetSize(width, height);
}

}  // namespace

bool CopyTBitmap(platform::TBitmap& Source, platform::TBitmap& Target) {
  if (&Source == &Target) return true;
  const int32_t width = Source.GetWidth();
  const int32_t height = Source.GetHeight();
  if (width == 0 || height == 0) return Reshape(Target, 1, 1, Source.GetPixelFormat());
  if (!Reshape(Target, width, height, Source.GetPixelFormat())) return false;
  const auto rowLength = static_cast<size_t>(Source.GetRowLength());
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(Target.GetScanLine(y), Source.GetScanLine(y), rowLength);
  // The monochrome flag first: setting it resets the table.
  Target.SetMonochrome(Source.GetMonochrome());
  const int32_t entries = Source.GetColorTableLength();
  std::vector<platform::TRGBQuad> table(static_cast<size_t>(entries));
  for (int32_t i = 0; i < entries; ++i) table[i] = Source.GetColorTableEntry(i);
  Target.SetColorTable(0, entries, table.data());
  return true;
}

std::unique_ptr<platform::TBitmap> DuplicateTBitmap(platform::TBitmap& Source) {
  std::unique_ptr<platform::TBitmap> copy(new (std::nothrow) platform::TBitmap);
  if (!copy || !CopyTBitmap(Source, *copy)) return nullptr;
  return copy;
}

bool Expand1BitTBitmap(platform::TBitmap& Source, platform::TBitmap& Target,
                       TPVProgressRecord& Progress) {
  if (Source.GetPixelFormat() != platform::pf1bit) return false;
  if (&Source == &Target) {
    std::unique_ptr<platform::TBitmap> copy = DuplicateTBitmap(Source);
    return copy && Expand1BitTBitmap(*copy, Target, Progress);
  }
  const int32_t width = Source.GetWidth();
  const int32_t height = Source.GetHeight();
  if (!Target.SetSize(1, 1) || !Target.SetPixelFormat(platform::pf24bit) ||
      !Target.SetSize(width, height))
    return false;
  const int32_t wholeBytes = width / 8;
  const auto restBytes = static_cast<size_t>(width % 8) * sizeof(TPVRGB);
  Progress.Step = 100.0 / (height + 0.5);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* bits = Source.GetScanLine(y);
    uint8_t* pixels = Target.GetScanLine(y);
    for (int32_t i = 0; i < wholeBytes; ++i, pixels += sizeof OneBitExpansionTable[0])
      std::memcpy(pixels, OneBitExpansionTable[bits[i]], sizeof OneBitExpansionTable[0]);
    if (restBytes > 0) std::memcpy(pixels, OneBitExpansionTable[bits[wholeBytes]], restBytes);
    if (Progress.OnProgress)
      Progress.OnProgress(Progress.Sender, static_cast<int>(Progress.Step * (y + 1)));
  }
  return true;
}

}  // namespace calmora
