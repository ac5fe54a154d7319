// The per-pixel arithmetic of pixel-format conversion: how the pixel of each format reads as a
// grey level (8 bits, 16 bits, float), a colour, a 48-bit colour or a palette index, and how
// each format stores the one of these it takes. Row and bitmap conversions use nothing else.
#pragma once

#include <cstdint>

#include "imaging/base/color_formulas.h"
#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora::pixel_rules {

// A pv32RGB pixel: a colour laid out as TPVRGB and a fourth byte.
struct RGB32Pixel {
  TPVRGB Color;
  uint8_t Fourth;
};
static_assert(sizeof(RGB32Pixel) == 4);

// The library's grey weights, read once per conversion so that a pass over a row keeps them in
// registers. The arithmetic is that of GrayLevelOf; the result keeps its low byte.
struct GreyWeights {
  int32_t Red = GrayWeightRed;
  int32_t Green = GrayWeightGreen;
  int32_t Blue = GrayWeightBlue;

  uint8_t Grey8(TPVRGB c) const {
    return static_cast<uint8_t>((c.r * Red + c.g * Green + c.b * Blue) / 100);
  }
};

// 16-bit grey of 8-bit channels, in unsigned 32-bit arithmetic (the largest sum fits).
inline uint16_t Grey16OfBytes(TPVRGB c) {
  return static_cast<uint16_t>((c.r * 257u * 212u + c.g * 257u * 713u + c.b * 257u * 75u) / 1000u);
}

inline uint16_t Grey16OfWords(TPVRGB48 c) {
  return static_cast<uint16_t>((c.r * 212u + c.g * 713u + c.b * 75u) / 1000u);
}

inline float FloatGreyOfBytes(TPVRGB c) {
  return static_cast<float>((c.r * 0.2126 + c.g * 0.7152 + c.b * 0.0722) / 255);
}

// The words are scaled by 1/256 one by one, as the 8-bit formula would see their high bytes.
inline float FloatGreyOfWords(TPVRGB48 c) {
  return static_cast<float>((c.r * 0.2126 / 256 + c.g * 0.7152 / 256 + c.b * 0.0722 / 256) / 255);
}

// Float to integer keeps the low bits of the truncated product, with no clamping: 1.5 becomes
// Trunc(382.5) = 382, stored as 126 in a byte.
inline uint8_t FloatToByte(float value) {
  return static_cast<uint8_t>(TruncToInt32Bits(static_cast<double>(value) * 255));
}

inline uint16_t FloatToWord(float value) {
  return static_cast<uint16_t>(TruncToInt32Bits(static_cast<double>(value) * 65535));
}

// ---- Sources: how the pixel of each format reads ----
// Each source has the views its pairs need: ByteGrey, WordGrey, FloatGrey, Color, Color48 and,
// for the grey formats, Index (the palette index in a grey ramp).

// A grey format's colours are its grey levels in all three channels.
template <class Self, class PixelType>
struct GreySource {
  using Pixel = PixelType;
  TPVRGB Color(Pixel p) const {
    const uint8_t g = static_cast<const Self&>(*this).ByteGrey(p);
    return TPVRGB{g, g, g};
  }
  TPVRGB48 Color48(Pixel p) const {
    const uint16_t w = static_cast<const Self&>(*this).WordGrey(p);
    return TPVRGB48{w, w, w};
  }
};

// pv1g, one pixel as 0 (black) or 1 (white); its index is the bit itself (palette black, white).
struct Grey1Source : GreySource<Grey1Source, uint8_t> {
  uint8_t ByteGrey(uint8_t bit) const { return bit ? 255 : 0; }
  uint16_t WordGrey(uint8_t bit) const { return bit ? 65535 : 0; }
  float FloatGrey(uint8_t bit) const { return bit ? 1.0f : 0.0f; }
  uint8_t Index(uint8_t bit) const { return bit; }
};

struct Grey8Source : GreySource<Grey8Source, uint8_t> {
  uint8_t ByteGrey(uint8_t g) const { return g; }
  uint16_t WordGrey(uint8_t g) const { return static_cast<uint16_t>(g * 257); }
  float FloatGrey(uint8_t g) const { return static_cast<float>(g / 255.0); }
  uint8_t Index(uint8_t g) const { return g; }
};

struct Grey16Source : GreySource<Grey16Source, uint16_t> {
  uint8_t ByteGrey(uint16_t w) const { return static_cast<uint8_t>(w >> 8); }
  uint16_t WordGrey(uint16_t w) const { return w; }
  float FloatGrey(uint16_t w) const { return static_cast<float>(w / 65535.0); }
  uint8_t Index(uint16_t w) const { return static_cast<uint8_t>(w >> 8); }
};

struct FloatSource : GreySource<FloatSource, float> {
  uint8_t ByteGrey(float v) const { return FloatToByte(v); }
  uint16_t WordGrey(float v) const { return FloatToWord(v); }
  float FloatGrey(float v) const { return v; }
  uint8_t Index(float v) const { return FloatToByte(v); }
};

// A colour format's grey levels are those of its colour with 8-bit channels.
template <class Self, class PixelType>
struct ColorSource {
  using Pixel = PixelType;
  GreyWeights Weights;
  uint8_t ByteGrey(Pixel p) const { return Weights.Grey8(Colour(p)); }
  uint16_t WordGrey(Pixel p) const { return Grey16OfBytes(Colour(p)); }
  float FloatGrey(Pixel p) const { return FloatGreyOfBytes(Colour(p)); }
  // Each channel times 257, as one multiplication of the three spread 16 bits apart.
  TPVRGB48 Color48(Pixel p) const {
    const TPVRGB c = Colour(p);
    const uint64_t words = (c.r | uint64_t{c.g} << 16 | uint64_t{c.b} << 32) * 257;
    return TPVRGB48{static_cast<uint16_t>(words), static_cast<uint16_t>(words >> 16),
                    static_cast<uint16_t>(words >> 32)};
  }

 private:
  TPVRGB Colour(Pixel p) const { return static_cast<const Self&>(*this).Color(p); }
};

struct RGB24Source : ColorSource<RGB24Source, TPVRGB> {
  TPVRGB Color(TPVRGB c) const { return c; }
};

// pv8p: the palette entry of the index (black past the palette), read as a pv24RGB pixel.
struct PaletteSource : ColorSource<PaletteSource, uint8_t> {
  const uint8_t* Entries = nullptr;  // TPVRGB entries, 3 bytes apart
  int32_t Length = 0;
  TPVRGB Color(uint8_t index) const {
    if (index >= Length || !Entries) return TPVRGB{0, 0, 0};
    const uint8_t* entry = Entries + index * 3;
    return TPVRGB{entry[0], entry[1], entry[2]};
  }
};

// pvRGB48: the high byte of each word as its colour; its 16-bit and float greys come from the
// words themselves.
struct RGB48Source : ColorSource<RGB48Source, TPVRGB48> {
  TPVRGB Color(TPVRGB48 c) const {
    return TPVRGB{static_cast<uint8_t>(c.b >> 8), static_cast<uint8_t>(c.g >> 8),
                  static_cast<uint8_t>(c.r >> 8)};
  }
  uint16_t WordGrey(TPVRGB48 c) const { return Grey16OfWords(c); }
  float FloatGrey(TPVRGB48 c) const { return FloatGreyOfWords(c); }
};

struct CMYKSource : ColorSource<CMYKSource, TPVCMYK> {
  TPVRGB Color(TPVCMYK c) const {
    TPVRGB rgb;
    CMYKToRGB(c, rgb);
    return rgb;
  }
};

struct LabSource : ColorSource<LabSource, TPVCIELab> {
  TPVRGB Color(TPVCIELab c) const {
    TPVRGB rgb;
    ConvertCIELabToRGB(rgb, c);
    return rgb;
  }
};

struct RGB32Source : ColorSource<RGB32Source, RGB32Pixel> {
  TPVRGB Color(RGB32Pixel p) const { return p.Color; }
};

// The source rules of each format; their Pixel is the format's pixel record (pv1g: one bit).
template <TPVPixelFormat Format> struct FormatRules;
template <> struct FormatRules<pv1g> { using Source = Grey1Source; };
template <> struct FormatRules<pv8p> { using Source = PaletteSource; };
template <> struct FormatRules<pv8g> { using Source = Grey8Source; };
template <> struct FormatRules<pv16g> { using Source = Grey16Source; };
template <> struct FormatRules<pv24RGB> { using Source = RGB24Source; };
template <> struct FormatRules<pv32f> { using Source = FloatSource; };
template <> struct FormatRules<pvCMYK> { using Source = CMYKSource; };
template <> struct FormatRules<pvRGB48> { using Source = RGB48Source; };
template <> struct FormatRules<pvCIELab> { using Source = LabSource; };
template <> struct FormatRules<pv32RGB> { using Source = RGB32Source; };

template <TPVPixelFormat Format>
using SourceOf = typename FormatRules<Format>::Source;
template <TPVPixelFormat Format>
using PixelOf = typename SourceOf<Format>::Pixel;

// ---- Targets: what each format takes from a source ----

// The target pixel of format To for a source pixel: grey formats take the grey of their depth,
// pv8p the grey-ramp index, the colour formats the colour (pv32RGB with 255 in its fourth byte,
// pvCMYK and pvCIELab through their colour formulas), pvRGB48 the 48-bit colour.
template <TPVPixelFormat To, class Source>
PixelOf<To> Convert(const Source& source, typename Source::Pixel p) {
  if constexpr (To == pv8p) return source.Index(p);
  else if constexpr (To == pv8g) return source.ByteGrey(p);
  else if constexpr (To == pv16g) return source.WordGrey(p);
  else if constexpr (To == pv24RGB) return source.Color(p);
  else if constexpr (To == pv32f) return source.FloatGrey(p);
  else if constexpr (To == pvCMYK) return RGBToCMYK(source.Color(p));
  else if constexpr (To == pvRGB48) return source.Color48(p);
  else if constexpr (To == pvCIELab) {
    TPVCIELab lab;
    ConvertRGBToCIELab(lab, source.Color(p));
    return lab;
  } else if constexpr (To == pv32RGB) {
    return RGB32Pixel{source.Color(p), 255};
  }
}

}  // namespace calmora::pixel_rules
