// LoadBitmapFromDIB: every check on the DIB is made before the bitmap is allocated, then the
// rows are copied or converted one by one (bitmap rows top-down, DIB rows bottom-up), so a
// bitmap kept in a temporary file loads the same way.
#include <algorithm>
#include <cstring>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/dib/dib_interchange.h"
#include "imaging/proc/dib/dib_layout.h"
#include "imaging/proc/dib/yuv_rows.h"

namespace calmora {

namespace {

int32_t Refuse(TPVBitmap& bitmap) {
  bitmap.FreeImage(true);
  return 0;
}

void LoadRows(const TDibLayout& layout, TPVBitmap& bitmap) {
  TPVDataAccessScope writeOnly(bitmap, pvdWrite);
  const int64_t rowLength = DibRowLength(layout);
  const auto oneBitBytes = static_cast<size_t>(std::min<int64_t>(rowLength, bitmap.RowBytes));
  const int32_t height = layout.Height;
  for (int32_t k = 0; k < height; ++k) {
    uint8_t* target = bitmap.GetScanline(height - 1 - k);
    if (!target) return;
    const uint8_t* source = layout.Pixels + k * rowLength;
    if (layout.Rows == TDibRows::OneBit)
      std::memcpy(target, source, oneBitBytes);
    else
      ConvertDibRow(layout, source, reinterpret_cast<TPVRGB*>(target));
  }
}

// Pixels that nothing converts are black rather than what the heap held before. Storage other
// than a memory block starts zero-filled.
void ClearMemoryRows(TPVBitmap& bitmap) {
  if (bitmap.Location != pvMemory) return;
  for (int32_t y = 0; y < bitmap.Height; ++y)
    if (uint8_t* row = bitmap.GetScanline(y))
      std::memset(row, 0, static_cast<size_t>(bitmap.RowBytes));
}

}  // namespace

int32_t LoadBitmapFromDIB(const void* DIB, int64_t DIBLength, TPVBitmap& Bitmap, const void* Bits,
                          int64_t BitsLength) {
  const auto* dib = static_cast<const uint8_t*>(DIB);
  const auto* bits = static_cast<const uint8_t*>(Bits);
  TDibLayout layout;
  if (!ReadDibHeader(dib, DIBLength, layout)) return Refuse(Bitmap);
  const TPVPixelFormat format = layout.BitCount == 1 ? pv1g : pv24RGB;
  if (layout.Width <= 0 || layout.Height <= 0) {
    // A top-down DIB (negative height) is not loaded: the allocation fails and leaves the
    // bitmap empty.
    Bitmap.Allocate(layout.Width, layout.Height, format);
    return layout.BitCount;
  }
  if (!LocateDibPixels(dib, DIBLength, bits, BitsLength, TDibDataStart::Loader, layout))
    return Refuse(Bitmap);
  const bool plainRows = layout.Rows != TDibRows::None;
  if (plainRows && !DibRowsFit(layout)) return Refuse(Bitmap);
  const TYUVLayout* yuv =
      IsPlainCompression(layout.Compression) || !bits ? nullptr : FindYUVLayout(layout.Compression);
  if (yuv) {
    const int64_t needed = yuv->FrameBytes(layout.Width, layout.Height);
    if (needed < 0 || BitsLength < needed) return Refuse(Bitmap);
  }

  if (!Bitmap.Allocate(layout.Width, layout.Height, format)) return layout.BitCount;
  if (plainRows)
    LoadRows(layout, Bitmap);
  else if (!yuv || !yuv->Convert(bits, BitsLength, Bitmap, yuv->TopDown))
    ClearMemoryRows(Bitmap);
  return layout.BitCount;
}

int32_t LoadBitmapFromDIB(platform::TGlobalMemory& DIB, TPVBitmap& Bitmap, const void* Bits,
                          int64_t BitsLength) {
  const platform::TGlobalMemoryLock lock(DIB);
  return LoadBitmapFromDIB(lock.Data(), lock.Size(), Bitmap, Bits, BitsLength);
}

}  // namespace calmora
