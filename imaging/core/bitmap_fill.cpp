// Whole-image operations of TPVBitmap that the storage model needs: Fill, SetBitAlignment,
// RemoveAlphaChannel, and NegateBits over a 1-bit bitmap.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "imaging/core/bitmap.h"
#include "imaging/core/bitmap_internal.h"
#include "imaging/core/base/color_formulas.h"
#include "imaging/core/cmyk_profile.h"
#include "imaging/proc/base/color_helpers.h"
#include "imaging/proc/base/numeric_helpers.h"

namespace calmora {

namespace {

bool IsWhite(TPVRGB c) { return c.r == 255 && c.g == 255 && c.b == 255; }

// Writes one pixel pattern of pixelBytes bytes into every pixel of every row.
void FillPixels(TPVBitmap& bitmap, const uint8_t* pixel, int32_t pixelBytes) {
  const int32_t width = bitmap.Width;
  std::vector<uint8_t> row(static_cast<size_t>(width) * pixelBytes);
  for (int32_t x = 0; x < width; ++x)
    std::memcpy(row.data() + static_cast<size_t>(x) * pixelBytes, pixel, pixelBytes);
  for (int32_t y = 0; y < bitmap.Height; ++y)
    if (uint8_t* line = bitmap.GetScanline(y)) std::memcpy(line, row.data(), row.size());
}

void FillBytes(TPVBitmap& bitmap, uint8_t value) {
  for (int32_t y = 0; y < bitmap.Height; ++y)
    if (uint8_t* line = bitmap.GetScanline(y))
      std::memset(line, value, static_cast<size_t>(bitmap.RowBytes));
}

}  // namespace

void TPVBitmap::Fill(double value) {
  // pv32RGB keeps its fourth bytes, so its file rows must be read in; every other format
  // overwrites whole pixels and need not read the file.
  TPVDataAccessScope access(*this, Format == pv32RGB ? (pvdRead | pvdWrite) : pvdWrite);
  const int32_t n = TruncToInt32Bits(value);
  const TPVRGB c = ColorToRGBRecord(static_cast<TColor>(n));
  switch (Format) {
    case pv1g:
      FillBytes(*this, n != 0 ? 255 : 0);
      Opaque = n != 0;
      break;
    case pv8p:
    case pv8g:
      FillBytes(*this, static_cast<uint8_t>(n));
      Opaque = n == 255;
      break;
    case pv16g: {
      const uint8_t word[2] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
      FillPixels(*this, word, 2);
      Opaque = n == 65535;
      break;
    }
    case pv24RGB: {
      const uint8_t pixel[3] = {c.b, c.g, c.r};
      FillPixels(*this, pixel, 3);
      Opaque = IsWhite(c);
      break;
    }
    case pv32f: {
      const float sample = static_cast<float>(value);
      uint8_t bytes[4];
      std::memcpy(bytes, &sample, 4);
      FillPixels(*this, bytes, 4);
      Opaque = value == 1.0;
      break;
    }
    case pvCMYK: {
      const TPVCMYK ink = RGBToCMYK(c);
      const uint8_t pixel[4] = {ink.c, ink.m, ink.y, ink.k};
      FillPixels(*this, pixel, 4);
      Opaque = IsWhite(c);
      break;
    }
    case pvRGB48: {
      const uint16_t r = static_cast<uint16_t>(c.r * 257);
      const uint16_t g = static_cast<uint16_t>(c.g * 257);
      const uint16_t b = static_cast<uint16_t>(c.b * 257);
      const uint8_t pixel[6] = {static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8),
                                static_cast<uint8_t>(g), static_cast<uint8_t>(g >> 8),
                                static_cast<uint8_t>(b), static_cast<uint8_t>(b >> 8)};
      FillPixels(*this, pixel, 6);
      Opaque = IsWhite(c);
      break;
    }
    case pvCIELab: {
      TPVCIELab lab{};
      ConvertRGBToCIELab(lab, c);
      const uint8_t pixel[3] = {lab.l, static_cast<uint8_t>(lab.a), static_cast<uint8_t>(lab.b)};
      FillPixels(*this, pixel, 3);
      Opaque = IsWhite(c);
      break;
    }
    case pv32RGB:
      for (int32_t y = 0; y < Height; ++y) {
        uint8_t* line = GetScanline(y);
        if (!line) continue;
        for (int32_t x = 0; x < Width; ++x) {
          line[4 * x] = c.b;
          line[4 * x + 1] = c.g;
          line[4 * x + 2] = c.r;
        }
      }
      Opaque = IsWhite(c);
      break;
    default: break;
  }
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
