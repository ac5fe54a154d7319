// How the renderers read a source pixel as the colour it shows: the plain colour of each
// format (pixel_rules.h), the black/white window of the grey formats, and the display contrast
// with channel shifts of the colour formats. Each reader is a value the row loop calls with a
// source row and column.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/bitmap/pixel_rules.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora::render {

inline TPVRGB Grey(uint8_t level) { return TPVRGB{level, level, level}; }

// The colour of a pixel rule (pixel_rules.h) for the pixel at column x.
template <class Rule>
struct RuleReader {
  Rule rule;
  TPVRGB operator()(const uint8_t* row, int32_t x) const {
    return rule.Color(pixel_access::Read<typename Rule::Pixel>(row, x));
  }
};

// pv24RGB; the row loop copies its mapped rows whole (MappedRowCopy24) when nothing blends.
struct RGB24Reader {
  static constexpr bool kCopiesMappedRows = true;
  TPVRGB operator()(const uint8_t* row, int32_t x) const {
    return pixel_access::Read<TPVRGB>(row, x);
  }
};

// pv1g: a set bit is white.
struct BitReader {
  TPVRGB operator()(const uint8_t* row, int32_t x) const { return Grey(GetBit(row, x) ? 255 : 0); }
};

// ---- The black/white window of the grey formats ----
// With unequal levels a sample v shows as Trunc((v limited to the window - black) /
// (WhiteLevel - BlackLevel) x 255); the low byte is shown, as a byte field keeps it. The
// integer formats limit v to the truncated levels, pv32f to the real ones.
struct GreyWindow {
  double Black = 0;
  double White = 0;
  bool Open() const { return White - Black != 0; }

  uint8_t OfInteger(int64_t v) const {
    const int64_t b = TruncToInt64(Black), w = TruncToInt64(White);
    const int64_t inside = std::min(std::max(v, b), w);
    return static_cast<uint8_t>(
        TruncToInt32Bits(static_cast<double>(inside - b) / (White - Black) * 255));
  }
  // A NaN sample falls to the black level, as the comparisons below pick the level for it.
  uint8_t OfReal(double v) const {
    const double above = v > Black ? v : Black;
    const double inside = above < White ? above : White;
    return static_cast<uint8_t>(TruncToInt32Bits((inside - Black) / (White - Black) * 255));
  }

 private:
  static int64_t TruncToInt64(double value) {
    if (!(value == value)) return 0;
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(value);
  }
};

// pv8g through the window: one table of the 256 levels, made once per render.
struct WindowedGrey8Reader {
  uint8_t Levels[256];
  explicit WindowedGrey8Reader(const GreyWindow& window) {
    for (int32_t v = 0; v < 256; ++v) Levels[v] = window.OfInteger(v);
  }
  TPVRGB operator()(const uint8_t* row, int32_t x) const { return Grey(Levels[row[x]]); }
};

struct WindowedGrey16Reader {
  GreyWindow Window;
  TPVRGB operator()(const uint8_t* row, int32_t x) const {
    return Grey(Window.OfInteger(pixel_access::Read<uint16_t>(row, x)));
  }
};

struct WindowedFloatReader {
  GreyWindow Window;
  TPVRGB operator()(const uint8_t* row, int32_t x) const {
    return Grey(Window.OfReal(pixel_access::Read<float>(row, x)));
  }
};

// ---- Display contrast and channel shifts of the colour formats ----
// Contrast c stretches each channel about its middle by (c / 10 + 1) when c >= 0 and
// shrinks it by (1 - sqrt(-c) / 10) when c < 0. Shift index 0 is red, 1 green, 2 blue.
inline double ContrastFactor(int32_t contrast) {
  return contrast >= 0 ? contrast / 10.0 + 1 : 1 - std::sqrt(-static_cast<double>(contrast)) / 10;
}

// An 8-bit channel v becomes clamp(u x (v + shift - 128) div 65536 + 128) with u the factor in
// 16.16 fixed point, division truncating toward zero: tabled once per render.
struct ChannelCurves {
  uint8_t Red[256], Green[256], Blue[256];
  ChannelCurves(int32_t contrast, const int32_t (&shift)[4]) {
    const auto u = static_cast<int64_t>(std::trunc(ContrastFactor(contrast) * 65536));
    const auto fill = [u](uint8_t(&curve)[256], int64_t channelShift) {
      for (int64_t v = 0; v < 256; ++v) {
        const int64_t level = u * (v + channelShift - 128) / 65536 + 128;
        curve[v] = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 255));
      }
    };
    fill(Red, shift[0]);
    fill(Green, shift[1]);
    fill(Blue, shift[2]);
  }
  TPVRGB operator()(TPVRGB c) const { return TPVRGB{Blue[c.b], Green[c.g], Red[c.r]}; }
};

// A colour reader followed by the curves.
template <class Base>
struct CurvedReader {
  Base base;
  ChannelCurves curves;
  TPVRGB operator()(const uint8_t* row, int32_t x) const { return curves(base(row, x)); }
};

// pvRGB48 with contrast or shifts: each word w becomes clamp(Trunc((w + shift - 32768) x f +
// 32768) >> 8), f the real contrast factor, the shift rounding down.
struct CurvedRGB48Reader {
  double Factor;
  int64_t RedShift, GreenShift, BlueShift;
  CurvedRGB48Reader(int32_t contrast, const int32_t (&shift)[4])
      : Factor(ContrastFactor(contrast)),
        RedShift(shift[0]),
        GreenShift(shift[1]),
        BlueShift(shift[2]) {}
  uint8_t Channel(uint16_t word, int64_t shift) const {
    const double stretched = static_cast<double>(word + shift - 32768) * Factor + 32768;
    const double level = std::floor(std::trunc(stretched) / 256);
    return static_cast<uint8_t>(std::clamp(level, 0.0, 255.0));
  }
  TPVRGB operator()(const uint8_t* row, int32_t x) const {
    const TPVRGB48 p = pixel_access::Read<TPVRGB48>(row, x);
    return TPVRGB{Channel(p.b, BlueShift), Channel(p.g, GreenShift), Channel(p.r, RedShift)};
  }
};

}  // namespace calmora::render
