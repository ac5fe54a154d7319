// Whole-image operations of TPVBitmap that the storage model needs: Fill, SetBitAlignment,
// RemoveAlphaChannel, and NegateBits over a 1-bit bitmap.
#include <algorithm>
#include <cstring>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

bool IsWhite(TPVRGB c) { return c.r == 255 && c.g == 255 && c.b == 255; }

// Whether every sample of a bitmap filled with the value is at its maximum.
bool FillIsOpaque(TPVPixelFormat format, double value) {
  const int32_t n = TruncToInt32Bits(value);
  switch (format) {
    case pv1g: return n != 0;
    case pv8p:
    case pv8g: return n == 255;
    case pv16g: return n == 65535;
    case pv32f: return value == 1.0;
    default: return IsWhite(ColorToRGBRecord(static_cast<TColor>(n)));
  }
}

}  // namespace

void TPVBitmap::Fill(double value) {
  // pv32RGB keeps its fourth bytes, so its file rows must be read in; every other format
  // overwrites whole pixels and need not read the file.
  TPVDataAccessScope access(*this, Format == pv32RGB ? (pvdRead | pvdWrite) : pvdWrite);
  if (Format == pv1g) {
    // Whole bytes, the row's padding bits too.
    const uint8_t byte = TruncToInt32Bits(value) != 0 ? 255 : 0;
    for (int32_t y = 0; y < Height; ++y)
      if (uint8_t* line = GetScanline(y)) std::memset(line, byte, static_cast<size_t>(RowBytes));
  } else {
    FillRect(0, 0, Width - 1, Height - 1, value);
  }
  if (Format != pvNoFormat) Opaque = FillIsOpaque(Format, value);
}

bool TPVBitmap::SetBitAlignment(int32_t bits) {
  if (!IsValidRowAlignment(bits)) return false;
  if (bits == RowAlignment) return true;
  ForceReallocate = true;
  // A device bitmap's rows stay 32-bit aligned; the setting applies when the pixels move on.
  if (Location == pvTBitmap) {
    RowAlignment = bits;
    return true;
  }
  return ReallocateKeepingPixels(Location, bits);
}

void TPVBitmap::RemoveAlphaChannel(bool merge, TColor background) {
  if (IsAlphaPlane || !AlphaBitmap) return;
  if (merge && Format == pv24RGB) {
    const TPVBitmap& plane = *AlphaBitmap;  // read only: its file rows are never written back
    const TPVRGB b = ColorToRGBRecord(background);
    const int32_t base[3] = {b.b, b.g, b.r};
    const int32_t rows = std::min(Height, plane.Height);
    const int32_t columns = std::min(Width, plane.Width);
    for (int32_t y = 0; y < rows; ++y) {
      uint8_t* line = GetScanline(y);
      const uint8_t* alpha = plane.GetScanline(y);
      if (!line || !alpha) continue;
      for (int32_t x = 0; x < columns; ++x) {
        const int32_t a = alpha[x] << 10;
        for (int channel = 0; channel < 3; ++channel) {
          uint8_t& sample = line[3 * x + channel];
          // (c - b) * a / 256 rounded toward minus infinity, in the low 8 bits.
          sample = static_cast<uint8_t>(base[channel] + (((sample - base[channel]) * a) >> 18));
        }
      }
    }
  }
  AlphaBitmap.reset();
}

void NegateBits(TPVBitmap& Bitmap) {
  const int32_t rowBytes = Bitmap.GetRowLen();
  const int32_t height = Bitmap.GetHeight();
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* line = Bitmap.GetScanline(y);
    if (!line) continue;
    for (int32_t i = 0; i < rowBytes; ++i) line[i] = static_cast<uint8_t>(~line[i]);
  }
}

}  // namespace calmora
