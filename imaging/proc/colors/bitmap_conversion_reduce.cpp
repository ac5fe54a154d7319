// The conversions of ConvertFrom that reduce rather than map pixels: to pv1g by ordered
// dithering or the threshold, and pv24RGB to pv8p through the quantiser.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/bitmap/pixel_row_converter.h"
#include "imaging/proc/colors/bitmap_conversion.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora::bitmap_conversion {

namespace {

// A float grey as a byte for dithering: clamped, so that values past 1.0 stay white and
// negative ones black instead of wrapping as the narrowing to pv8g does.
uint8_t ClampedByteOf(float value) {
  const double product = static_cast<double>(value) * 255;
  if (!(product > 0)) return 0;  // NaN too
  if (product >= 255) return 255;
  return static_cast<uint8_t>(product);
}

// Writes the 8-bit grey of each pixel of a source row and returns them; a pv8g row is its own.
class GreyRowReader {
 public:
  explicit GreyRowReader(const TPVBitmap& source)
      : format_(source.Format),
        toGrey_(source.Format, pv8g, source),
        greys_(static_cast<size_t>(source.Width)) {}

  const uint8_t* Greys(const uint8_t* row, int32_t width) {
    if (format_ == pv8g) return row;
    if (format_ == pv32f) {
      for (int32_t x = 0; x < width; ++x)
        greys_[x] = ClampedByteOf(pixel_access::Read<float>(row, x));
    } else {
      toGrey_.Convert(row, greys_.data(), width);
    }
    return greys_.data();
  }

 private:
  TPVPixelFormat format_;
  PixelRowConverter toGrey_;
  std::vector<uint8_t> greys_;
};

bool DitherOrdered(const TPVBitmap& source, TPVBitmap& target) {
  const int32_t width = target.Width;
  GreyRowReader reader(source);
  TPVDataAccessScope writeOnly(target, pvdWrite);
  for (int32_t y = 0; y < target.Height; ++y) {
    const uint8_t* row = source.GetScanline(y);
    uint8_t* bits = target.GetScanline(y);
    if (!row || !bits) return false;
    const uint8_t* greys = reader.Greys(row, width);
    std::memset(bits, 0, static_cast<size_t>(width + 7) / 8);
    for (int32_t x = 0; x < width; ++x)
      if (kOrderedDitherMatrix[x & 7][y & 7] < (greys[x] >> 2))
        bits[x >> 3] = static_cast<uint8_t>(bits[x >> 3] | (0x80 >> (x & 7)));
  }
  return true;
}

}  // namespace

bool ReduceToOneBit(TPVBitmap& source, TPVBitmap& target) {
  if (target.DitherMethod == pvdmOrdered) return DitherOrdered(source, target);
  // The threshold reads 16-bit colours by their high bytes only after a detour through 24 bits.
  if (source.Format == pvRGB48 && !source.ConvertPixelFormat(pv24RGB)) return false;
  TPVProgressRecord progress;  // no event
  return BinarizeToBitmap(source, target, kMeanColorThreshold, progress);
}

bool QuantizeInto(const TPVBitmap& source, TPVBitmap& target) {
  TPVRGB palette[256] = {};
  const TPVQuantizer quantizer(source, palette, std::clamp(target.PaletteColorsUsed, 0, 256));
  for (int32_t i = 0; i < 256; ++i) target.SetPaletteColor(i, palette[i]);
  const int32_t width = target.Width;
  TPVDataAccessScope writeOnly(target, pvdWrite);
  for (int32_t y = 0; y < target.Height; ++y) {
    const uint8_t* row = source.GetScanline(y);
    uint8_t* indexes = target.GetScanline(y);
    if (!row || !indexes) return false;
    for (int32_t x = 0; x < width; ++x)
      indexes[x] = static_cast<uint8_t>(
          quantizer.RGBIndex(TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]}));
  }
  return true;
}

}  // namespace calmora::bitmap_conversion
