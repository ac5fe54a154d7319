// Rows of any pixel format as 24-bit colours (see row_colors.h).
#include "imaging/proc/colors/row_colors.h"

#include "imaging/base/color_formulas.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

TPVRGB Grey(uint8_t value) { return TPVRGB{value, value, value}; }

uint8_t WordToByte(uint16_t word, TWordToByte words) {
  return words == TWordToByte::HighByte ? static_cast<uint8_t>(word >> 8)
                                        : static_cast<uint8_t>(word * 255 / 65535);
}

}  // namespace

TRowColorReader::TRowColorReader(const TPVBitmap& bitmap, TWordToByte words)
    : bitmap_(bitmap), words_(words) {
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  width_ = bitmap.GetWidth();
  canRead_ = !bitmap.IsEmpty() && format > pvNoFormat && format < PixelFormatCount;
  if (!canRead_) return;
  if (format != pv24RGB) converted_.resize(static_cast<size_t>(width_));
  if (format == pv8p)
    for (int32_t i = 0; i < 256; ++i) palette_[i] = bitmap.GetPaletteColor(i);
}

const TPVRGB* TRowColorReader::Row(int32_t y) {
  if (!canRead_) return nullptr;
  if (bitmap_.Format != pv24RGB && y == convertedRow_) return converted_.data();
  const uint8_t* row = bitmap_.GetScanline(y);
  if (!row) return nullptr;
  if (bitmap_.Format == pv24RGB) return reinterpret_cast<const TPVRGB*>(row);
  Convert(row);
  convertedRow_ = y;
  return converted_.data();
}

void TRowColorReader::Convert(const uint8_t* row) {
  TPVRGB* out = converted_.data();
  const int32_t width = width_;
  switch (bitmap_.Format) {
    case pv1g:
      for (int32_t x = 0; x < width; ++x) out[x] = Grey(GetBit(row, x) ? 255 : 0);
      break;
    case pv8p:
      for (int32_t x = 0; x < width; ++x) out[x] = palette_[row[x]];
      break;
    case pv8g:
      for (int32_t x = 0; x < width; ++x) out[x] = Grey(row[x]);
      break;
    case pv16g:
      for (int32_t x = 0; x < width; ++x) out[x] = Grey(ReadRowSample<uint16_t>(row, x) >> 8);
      break;
    case pv32f:
      for (int32_t x = 0; x < width; ++x)
        out[x] = Grey(static_cast<uint8_t>(TruncToInt32Bits(ReadRowSample<float>(row, x) * 255.0)));
      break;
    case pvCMYK: CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(row), out, width); break;
    case pvRGB48:
      for (int32_t x = 0; x < width; ++x) {
        const TPVRGB48 pixel = ReadRowSample<TPVRGB48>(row, x);
        out[x] = TPVRGB{WordToByte(pixel.b, words_), WordToByte(pixel.g, words_),
                        WordToByte(pixel.r, words_)};
      }
      break;
    case pvCIELab:
      for (int32_t x = 0; x < width; ++x)
        ConvertCIELabToRGB(out[x], ReadRowSample<TPVCIELab>(row, x));
      break;
    case pv32RGB:
      for (int32_t x = 0; x < width; ++x)
        out[x] = TPVRGB{row[4 * x], row[4 * x + 1], row[4 * x + 2]};
      break;
    default: break;
  }
}

}  // namespace calmora
