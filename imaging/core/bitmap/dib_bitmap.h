// Two small bitmap classes beside TPVBitmap: TPVDibbitmap, the bitmap interface over a
// device-independent pixel block with its header record (what drawing code and the acquisition
// parts hand over), and TPVWorkBitmap, the plain row buffer of the resampling engines.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_storage.h"
#include "platform/device_bitmap.h"

namespace calmora {

// The header of a device-independent bitmap (BITMAPINFOHEADER), field by field.
struct TPVBitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows stored bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // BI_RGB
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// The header followed by a two-entry colour table (black, white): 48 bytes.
struct TPVBitmapInfo {
  TPVBitmapInfoHeader bmiHeader;
  platform::TRGBQuad bmiColors[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
};

static_assert(sizeof(TPVBitmapInfoHeader) == 40 && sizeof(TPVBitmapInfo) == 48);

// A device-independent bitmap: one contiguous, zero-initialised, bottom-up pixel block with
// 32-bit aligned rows and its header. The block's pages are had from the system on first
// write, so a large bitmap costs memory only where it is drawn. DataAccess is not used and
// stays empty.
class TPVDibbitmap : public TPVBaseBitmap {
 public:
  TPVDibbitmap();
  ~TPVDibbitmap() override;
  TPVDibbitmap(const TPVDibbitmap&) = delete;
  TPVDibbitmap& operator=(const TPVDibbitmap&) = delete;

  uint8_t* GetScanline(int32_t row) override;  // null outside the bitmap
  const uint8_t* GetScanline(int32_t row) const override;
  int32_t GetBitCount() const override { return BitCount; }
  int32_t GetHeight() const override { return Height; }
  int32_t GetWidth() const override { return Width; }
  // pv1g for 1 bit, pv24RGB for 24 bits, else pvNoFormat.
  TPVPixelFormat GetPixelFormat() const override;
  int32_t GetRowLen() const override { return RowBytes; }
  TPVRGB GetPaletteColor(int32_t) const override { return TPVRGB{0, 0, 0}; }
  void SetPaletteColor(int32_t, TPVRGB) override {}
  int32_t GetPaletteLen() const override { return 0; }
  // pv1g and pv24RGB only.
  bool Allocate(int32_t width, int32_t height, TPVPixelFormat format) override;
  // Only from another TPVDibbitmap (other sources are ignored, true); false when the copy's
  // block cannot be had.
  bool Assign(TObject* source) override;
  void CopyPaletteTo(TObject*) const override {}

  // False for a zero or negative size, an unusable bit count (1, 4, 8, 16, 24 or 32 work), a
  // row too long to address or memory that cannot be had; the bitmap is then empty.
  bool AllocateBits(int32_t width, int32_t height, int32_t bitCount);
  void FreeBits();

  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  int32_t RowBytes = 0;
  TPVBitmapInfo Header;
  uint8_t* Bits = nullptr;  // in block_

 private:
  TPVPixelBlock block_;  // owns Bits
};

// A plain bottom-up row buffer with 32-bit aligned rows, from AllocHybrid.
class TPVWorkBitmap : public TObject {
 public:
  TPVWorkBitmap() = default;
  // Allocates when width and height are positive.
  TPVWorkBitmap(int32_t width, int32_t height, int32_t bitCount);
  ~TPVWorkBitmap() override;
  TPVWorkBitmap(const TPVWorkBitmap&) = delete;
  TPVWorkBitmap& operator=(const TPVWorkBitmap&) = delete;

  // Keeps the block when all three values are the current ones. False, with an empty work
  // bitmap, when the size is unusable or the block cannot be had.
  bool Allocate(int32_t width, int32_t height, int32_t bitCount);
  // Row 0 is the top row (the last in memory); null outside the bitmap.
  uint8_t* GetScanline(int32_t row);
  void FreeBits();

  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  int32_t RowBytes = 0;
  uint8_t* Bits = nullptr;
};

}  // namespace calmora
