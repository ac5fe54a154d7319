// Rows of one pixel format converted into another by the per-pixel rules (pixel_rules.h), for
// every pair that converts pixel by pixel. The bitmap's format conversion and the narrowing for
// device bitmaps both convert through it, so each pair's arithmetic exists once.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/pixel_rules.h"

namespace calmora {

class PixelRowConverter {
 public:
  // The pairs with a rule of their own that needs neither dithering nor a quantiser. pv1g as a
  // target and pv24RGB to pv8p are not among them; pairs without a rule convert via pv24RGB.
  static bool HasRule(TPVPixelFormat from, TPVPixelFormat to);

  // A converter for the pair; the palette of source is read here for a pv8p source and the
  // grey weights for every source, so later changes of either do not reach it.
  PixelRowConverter(TPVPixelFormat from, TPVPixelFormat to, const TPVBitmap& source);
  PixelRowConverter(const PixelRowConverter&) = delete;
  PixelRowConverter& operator=(const PixelRowConverter&) = delete;

  // Pixels a CMYK source converts through the colour system at a time, into a buffer on the
  // stack, before the target's rule takes them.
  static constexpr int32_t kCMYKRun = 512;

  // False for a pair without a rule; Convert then writes nothing.
  bool CanConvert() const { return row_ != nullptr; }

  // Converts width pixels from a row of the source format (pv1g most significant bit first)
  // into a row of the target format. Only the target's pixel bytes are written.
  void Convert(const uint8_t* source, uint8_t* target, int32_t width) const;

  // The row functions of the pairs, instantiated from the rules (pixel_row_converter.cpp).
  friend struct PixelRowRules;

 private:
  using RowFunction = void (*)(const PixelRowConverter& converter, const uint8_t* source,
                               uint8_t* target, int32_t width);

  RowFunction row_ = nullptr;
  pixel_rules::GreyWeights weights_;
  // The target pixels of every value of a one-byte or one-bit source (pv1g, pv8p, pv8g), made
  // once so that a row costs one look-up per pixel: room for 256 pixels of up to 8 bytes.
  alignas(8) uint8_t lookup_[256 * 8] = {};
};

}  // namespace calmora
