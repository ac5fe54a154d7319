// PaintDIBToDibbitmap: our own unscaled DIB painter in place of the system's DIB drawing
// service. It sizes the target as that service's callers did (1 bit for 1-bit DIBs, 24 bits
// for the others) and converts the rows with the loader's row converters; 1-bit colours are
// matched to the target's black and white.
#include <algorithm>
#include <cstring>

#include "imaging/proc/dib/dib_interchange.h"
#include "imaging/proc/dib/dib_layout.h"
#include "imaging/proc/dib/yuv_rows.h"

namespace calmora {

namespace {

int32_t Refuse(TPVDibbitmap& target) {
  target.FreeBits();
  return 0;
}

// The bit count of the target for a DIB; 0 when the DIB is not drawn.
int32_t TargetBitCount(const TDibLayout& layout, const TYUVLayout* yuv) {
  switch (layout.BitCount) {
    case 1: return 1;
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return 24;
    default: return yuv ? 24 : 0;
  }
}

// The nearer of black and white to a table colour: white when the channels sum past half.
bool IsNearerWhite(TPVRGB color) { return color.r + color.g + color.b > 382; }

void PaintOneBitRows(const TDibLayout& layout, TPVDibbitmap& target) {
  // A source bit becomes the target bit of its table colour: kept, inverted or constant.
  const uint8_t whenSet = IsNearerWhite(layout.Palette[1]) ? 0xFF : 0x00;
  const uint8_t whenClear = IsNearerWhite(layout.Palette[0]) ? 0xFF : 0x00;
  const int64_t rowLength = DibRowLength(layout);
  const int32_t height = layout.Height;
  for (int32_t k = 0; k < height; ++k) {
    const uint8_t* source = layout.Pixels + k * rowLength;
    uint8_t* row = target.GetScanline(height - 1 - k);
    for (int32_t i = 0; i < target.RowBytes; ++i)
      row[i] = static_cast<uint8_t>((source[i] & whenSet) | (~source[i] & whenClear));
  }
}

void PaintRgbRows(const TDibLayout& layout, TPVDibbitmap& target) {
  const int64_t rowLength = DibRowLength(layout);
  const int32_t height = layout.Height;
  for (int32_t k = 0; k < height; ++k)
    ConvertDibRow(layout, layout.Pixels + k * rowLength,
                  reinterpret_cast<TPVRGB*>(target.GetScanline(height - 1 - k)));
}

}  // namespace

int32_t PaintDIBToDibbitmap(const void* DIB, int64_t DIBLength, TPVDibbitmap& Target,
                            const void* Bits, int64_t BitsLength) {
  const auto* dib = static_cast<const uint8_t*>(DIB);
  TDibLayout layout;
  if (!ReadDibHeader(dib, DIBLength, layout) ||
      !LocateDibPixels(dib, DIBLength, static_cast<const uint8_t*>(Bits), BitsLength,
                       TDibDataStart::Painter, layout))
    return Refuse(Target);
  const TYUVLayout* yuv =
      IsPlainCompression(layout.Compression) ? nullptr : FindYUVLayout(layout.Compression);
  const int32_t targetBits = TargetBitCount(layout, yuv);
  if (targetBits == 0) return layout.BitCount;
  const bool sized = layout.Width > 0 && layout.Height > 0;
  const bool plainRows = layout.Rows != TDibRows::None && layout.Pixels;
  if (sized && plainRows && !DibRowsFit(layout)) return Refuse(Target);
  if (sized && yuv && layout.Pixels) {
    const int64_t needed = yuv->FrameBytes(layout.Width, layout.Height);
    if (needed < 0 || layout.PixelBytes < needed) return Refuse(Target);
  }

  if (!Target.AllocateBits(layout.Width, layout.Height, targetBits)) {
    Target.FreeBits();  // a top-down or empty DIB: nothing to draw into
    return layout.BitCount;
  }
  if (plainRows && layout.Rows == TDibRows::OneBit)
    PaintOneBitRows(layout, Target);
  else if (plainRows && targetBits == 24)
    PaintRgbRows(layout, Target);
  else if (yuv && layout.Pixels && targetBits == 24)
    yuv->Convert(layout.Pixels, layout.PixelBytes, Target, yuv->TopDown);
  return layout.BitCount;
}

int32_t PaintDIBToDibbitmap(platform::TGlobalMemory& DIB, TPVDibbitmap& Target, const void* Bits,
                            int64_t BitsLength) {
  const platform::TGlobalMemoryLock lock(DIB);
  return PaintDIBToDibbitmap(lock.Data(), lock.Size(), Target, Bits, BitsLength);
}

}  // namespace calmora
