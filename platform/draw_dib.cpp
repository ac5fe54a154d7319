// DrawDib over the device bitmap and its canvas: the packed bitmap's rows become a device
// bitmap of the same layout, which the canvas's nearest-pixel stretch copies.
#include "platform/draw_dib.h"

#include <atomic>
#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora::platform {

namespace {

std::atomic<TDrawDibHandle> NextToken{1};

uint32_t U32At(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

TPixelFormat FormatOf(uint32_t bitCount) {
  switch (bitCount) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

}  // namespace

TDrawDibHandle OpenDrawDib() { return NextToken.fetch_add(1); }

bool CloseDrawDib(TDrawDibHandle Handle) { return Handle != 0; }

uint32_t RealizeDrawDib(TDrawDibHandle, TCanvas&, bool) { return 0; }

bool DrawWithDrawDib(TDrawDibHandle Handle, TCanvas& DC, int32_t DestX, int32_t DestY,
                     int32_t DestWidth, int32_t DestHeight, const uint8_t* Header,
                     const uint8_t* Bits, int32_t SourceX, int32_t SourceY, int32_t SourceWidth,
                     int32_t SourceHeight, uint32_t) {
  if (Handle == 0 || Header == nullptr || Bits == nullptr) return false;
  const uint32_t headerSize = U32At(Header);
  const auto width = static_cast<int32_t>(U32At(Header + 4));
  const auto storedHeight = static_cast<int32_t>(U32At(Header + 8));
  const uint32_t bitCount = Header[14] | Header[15] << 8;
  const uint32_t compression = U32At(Header + 16);
  uint32_t colorsUsed = U32At(Header + 32);
  const TPixelFormat format = FormatOf(bitCount);
  if (headerSize < 40 || format == pfCustom || compression != 0 || width < 1 ||
      storedHeight == 0 || storedHeight == std::numeric_limits<int32_t>::min())
    return false;
  const bool topDown = storedHeight < 0;
  const int32_t height = topDown ? -storedHeight : storedHeight;
  const int64_t rowLength = (int64_t{width} * bitCount + 31) / 32 * 4;
  if (rowLength > std::numeric_limits<int32_t>::max()) return false;

  TBitmap rows;
  if (!rows.SetPixelFormat(format) || !rows.SetSize(width, height)) return false;
  if (bitCount <= 8) {
    const int32_t tableLength = 1 << bitCount;
    if (colorsUsed == 0 || colorsUsed > static_cast<uint32_t>(tableLength)) colorsUsed = tableLength;
    TRGBQuad table[256] = {};
    const uint8_t* entry = Header + headerSize;
    for (uint32_t i = 0; i < colorsUsed; ++i, entry += 4)
      table[i] = TRGBQuad{entry[0], entry[1], entry[2], 0};
    rows.SetColorTable(0, tableLength, table);
  }
  // The packed bitmap's rows run bottom-up unless its height is negative.
  const int64_t copied = std::min<int64_t>(rowLength, rows.GetRowLength());
  for (int32_t k = 0; k < height; ++k) {
    uint8_t* line = rows.GetScanLine(topDown ? k : height - 1 - k);
    if (line == nullptr) return false;
    std::memcpy(line, Bits + k * rowLength, static_cast<size_t>(copied));
  }
  if (SourceWidth < 1) SourceWidth = width;
  if (SourceHeight < 1) SourceHeight = height;
  if (DestWidth < 1) DestWidth = SourceWidth;
  if (DestHeight < 1) DestHeight = SourceHeight;
  TCanvas* source = rows.GetCanvas();
  if (source == nullptr) return false;
  DC.CopyRect(DestX, DestY, DestX + DestWidth, DestY + DestHeight, *source, SourceX, SourceY,
              SourceX + SourceWidth, SourceY + SourceHeight);
  return true;
}

}  // namespace calmora::platform
