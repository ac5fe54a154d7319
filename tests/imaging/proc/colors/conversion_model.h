// A plain model of pixel-format conversion for the tests, written from the rules of each pair
// and sharing no code with the conversion: what every target pixel must hold for a source
// image, pixel by pixel, with the palette of a pv8p target and the threshold and quantiser
// taken as the calls the rules name.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/proc/colors/black_and_white.h"
#include "imaging/proc/colors/quantizer.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"

namespace calmora::test::conversion {

// The 8 x 8 matrix of ordered dithering, row x mod 8, column y mod 8.
inline constexpr int kDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

// A source image: its pixel bytes (pv1g one 0/1 byte per pixel) and, for pv8p, its palette.
struct Image {
  TPVPixelFormat Format = pvNoFormat;
  PixelModel Pixels;
  std::vector<TPVRGB> Palette;
};

inline Image ImageOf(const TPVBitmap& bitmap) {
  Image image;
  image.Format = bitmap.GetPixelFormat();
  image.Pixels = ModelOf(bitmap);
  for (int32_t i = 0; i < bitmap.GetPaletteLen(); ++i)
    image.Palette.push_back(bitmap.GetPaletteColor(i));
  return image;
}

template <typename T>
T Load(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

template <typename T>
std::vector<uint8_t> BytesOf(const T& value) {
  std::vector<uint8_t> bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

// Trunc, keeping the low bits when stored (NaN as 0).
inline int64_t Trunc(double value) { return std::isnan(value) ? 0 : static_cast<int64_t>(value); }

inline uint8_t Grey8(TPVRGB c) {
  return static_cast<uint8_t>((c.r * GrayWeightRed + c.g * GrayWeightGreen + c.b * GrayWeightBlue) /
                              100);
}
inline uint16_t Grey16(TPVRGB c) {
  const uint32_t sum =
      uint32_t{c.r} * 257 * 212 + uint32_t{c.g} * 257 * 713 + uint32_t{c.b} * 257 * 75;
  return static_cast<uint16_t>(sum / 1000);
}
inline uint16_t Grey16(TPVRGB48 c) {
  return static_cast<uint16_t>((uint32_t{c.r} * 212 + uint32_t{c.g} * 713 + uint32_t{c.b} * 75) /
                               1000);
}
inline float FloatGrey(TPVRGB c) {
  return static_cast<float>((c.r * 0.2126 + c.g * 0.7152 + c.b * 0.0722) / 255);
}
inline float FloatGrey(TPVRGB48 c) {
  return static_cast<float>((c.r * 0.2126 / 256 + c.g * 0.7152 / 256 + c.b * 0.0722 / 256) / 255);
}
inline TPVRGB Grey(uint8_t g) { return TPVRGB{g, g, g}; }
inline TPVRGB48 Grey48(uint16_t w) { return TPVRGB48{w, w, w}; }
inline TPVRGB48 Widened(TPVRGB c) {
  return TPVRGB48{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                  static_cast<uint16_t>(c.b * 257)};
}
inline TPVRGB HighBytes(TPVRGB48 c) {
  return TPVRGB{static_cast<uint8_t>(c.b >> 8), static_cast<uint8_t>(c.g >> 8),
                static_cast<uint8_t>(c.r >> 8)};
}
inline uint8_t FloatByte(float v) { return static_cast<uint8_t>(Trunc(v * 255.0)); }
inline uint16_t FloatWord(float v) { return static_cast<uint16_t>(Trunc(v * 65535.0)); }

// One source pixel, read by its format.
struct Pixel {
  TPVPixelFormat Format;
  const uint8_t* Bytes;
  const std::vector<TPVRGB>* Palette;

  bool Bit() const { return Bytes[0] != 0; }
  uint8_t Byte() const { return Bytes[0]; }
  uint16_t Word() const { return Load<uint16_t>(Bytes); }
  float Float() const { return Load<float>(Bytes); }
  TPVRGB RGB() const { return Load<TPVRGB>(Bytes); }
  TPVRGB48 RGB48() const { return Load<TPVRGB48>(Bytes); }
  TPVRGB Entry() const {
    return Bytes[0] < Palette->size() ? (*Palette)[Bytes[0]] : TPVRGB{0, 0, 0};
  }

  // The pv24RGB pixel of the source's rule: where a pair converts via pv24RGB it starts here.
  TPVRGB As24() const {
    switch (Format) {
      case pv1g: return Grey(Bit() ? 255 : 0);
      case pv8p: return Entry();
      case pv8g: return Grey(Byte());
      case pv16g: return Grey(static_cast<uint8_t>(Word() >> 8));
      case pv24RGB: return RGB();
      case pv32f: return Grey(FloatByte(Float()));
      case pvCMYK: {
        TPVRGB rgb;
        CMYKToRGB(Load<TPVCMYK>(Bytes), rgb);
        return rgb;
      }
      case pvRGB48: return HighBytes(RGB48());
      case pvCIELab: {
        TPVRGB rgb;
        ConvertCIELabToRGB(rgb, Load<TPVCIELab>(Bytes));
        return rgb;
      }
      case pv32RGB: return RGB();
      default: return TPVRGB{0, 0, 0};
    }
  }
};

// The target bytes of a pixel for the targets converted pixel by pixel (all but pv1g, and pv8p
// from pv24RGB); empty where the rule goes via pv24RGB.
inline std::vector<uint8_t> DirectRule(const Pixel& p, TPVPixelFormat to) {
  const TPVPixelFormat from = p.Format;
  switch (to) {
    case pv8p:
      if (from == pv1g) return {static_cast<uint8_t>(p.Bit())};
      if (from == pv8g) return {p.Byte()};
      if (from == pv16g) return {static_cast<uint8_t>(p.Word() >> 8)};
      if (from == pv32f) return {FloatByte(p.Float())};
      break;
    case pv8g:
      if (from == pv8p || from == pv24RGB || from == pvRGB48) return {Grey8(p.As24())};
      if (from == pv1g || from == pv16g || from == pv32f) return {p.As24().r};
      break;
    case pv16g:
      if (from == pv1g) return BytesOf<uint16_t>(p.Bit() ? 65535 : 0);
      if (from == pv8p || from == pv24RGB) return BytesOf(Grey16(p.As24()));
      if (from == pv8g) return BytesOf(static_cast<uint16_t>(p.Byte() * 257));
      if (from == pv32f) return BytesOf(FloatWord(p.Float()));
      if (from == pvRGB48) return BytesOf(Grey16(p.RGB48()));
      break;
    case pv24RGB:
      if (from != pv24RGB) return BytesOf(p.As24());
      break;
    case pv32f:
      if (from == pv1g) return BytesOf(p.Bit() ? 1.0f : 0.0f);
      if (from == pv8p || from == pv24RGB) return BytesOf(FloatGrey(p.As24()));
      if (from == pv8g) return BytesOf(static_cast<float>(p.Byte() / 255.0));
      if (from == pv16g) return BytesOf(static_cast<float>(p.Word() / 65535.0));
      if (from == pvRGB48) return BytesOf(FloatGrey(p.RGB48()));
      break;
    case pvCMYK:
      if (from == pv24RGB) return BytesOf(RGBToCMYK(p.RGB()));
      break;
    case pvRGB48:
      if (from == pv1g) return BytesOf(Grey48(p.Bit() ? 65535 : 0));
      if (from == pv8p || from == pv24RGB) return BytesOf(Widened(p.As24()));
      if (from == pv8g) return BytesOf(Grey48(static_cast<uint16_t>(p.Byte() * 257)));
      if (from == pv16g) return BytesOf(Grey48(p.Word()));
      if (from == pv32f) return BytesOf(Grey48(FloatWord(p.Float())));
      break;
    case pvCIELab:
      if (from == pv24RGB) {
        TPVCIELab lab;
        ConvertRGBToCIELab(lab, p.RGB());
        return BytesOf(lab);
      }
      break;
    case pv32RGB:
      if (from != pv32RGB) {
        std::vector<uint8_t> bytes = BytesOf(p.As24());
        bytes.push_back(255);
        return bytes;
      }
      break;
    default: break;
  }
  return {};
}

// The sources that reduce to pv1g and pv8p by their own rules; the others go via pv24RGB.
inline bool OneBitIsDirect(TPVPixelFormat from) {
  return from == pv8p || from == pv8g || from == pv16g || from == pv24RGB || from == pv32f ||
         from == pvRGB48;
}

// The dither level of a pixel, 0..63.
inline int DitherLevel(const Pixel& p) {
  switch (p.Format) {
    case pv16g: return p.Word() >> 10;
    case pv32f: {
      const int64_t byte = Trunc(p.Float() * 255.0);
      return static_cast<int>(byte < 0 ? 0 : byte > 255 ? 255 : byte) >> 2;
    }
    case pv8g: return p.Byte() >> 2;
    default: return Grey8(p.As24()) >> 2;
  }
}

inline PixelModel EmptyModel(int32_t width, int32_t height, int32_t size) {
  PixelModel model;
  model.Width = width;
  model.Height = height;
  model.Size = size;
  model.Rows.assign(static_cast<size_t>(height), std::vector<uint8_t>(size_t(width) * size));
  return model;
}

// The image that pairs via pv24RGB convert from.
inline Image Via24(const Image& source) {
  Image image;
  image.Format = pv24RGB;
  image.Pixels = EmptyModel(source.Pixels.Width, source.Pixels.Height, 3);
  for (int32_t y = 0; y < source.Pixels.Height; ++y)
    for (int32_t x = 0; x < source.Pixels.Width; ++x) {
      const TPVRGB c = Pixel{source.Format, source.Pixels.At(x, y), &source.Palette}.As24();
      std::memcpy(image.Pixels.At(x, y), &c, 3);
    }
  return image;
}

// A pv24RGB bitmap in memory holding the image's pixels.
inline std::unique_ptr<TPVBitmap> BitmapOf(const Image& image) {
  auto bitmap = std::make_unique<TPVBitmap>(image.Pixels.Width, image.Pixels.Height, image.Format);
  for (int32_t y = 0; y < image.Pixels.Height; ++y) {
    uint8_t* row = bitmap->GetScanline(y);
    if (image.Format == pv1g) {
      std::memset(row, 0, static_cast<size_t>(bitmap->RowBytes));
      for (int32_t x = 0; x < image.Pixels.Width; ++x)
        if (*image.Pixels.At(x, y))
          row[x / 8] = static_cast<uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
    } else {
      std::memcpy(row, image.Pixels.Rows[y].data(), image.Pixels.Rows[y].size());
    }
  }
  for (size_t i = 0; i < image.Palette.size(); ++i)
    bitmap->SetPaletteColor(static_cast<int32_t>(i), image.Palette[i]);
  return bitmap;
}

// What a conversion must give: the pixels and, for pv8p, the palette entries the rule sets.
struct Expectation {
  Image Result;
  int32_t PaletteEntriesSet = 0;  // the first entries of Result.Palette that must match
};

struct ConversionSetting {
  TPVDitherMethod Method = pvdmThreshold;
  int32_t ColorsUsed = 256;
  // The source is a 24-bit device bitmap: ordered dithering keeps its near-white pixels white
  // (the black-and-white tool's rule) instead of comparing their level.
  bool NearWhiteStaysWhite = false;
};

inline Expectation Expect(const Image& source, TPVPixelFormat to, const ConversionSetting& setting);

inline Expectation ExpectOneBit(const Image& source, const ConversionSetting& setting) {
  Expectation e;
  e.Result.Format = pv1g;
  const int32_t width = source.Pixels.Width;
  const int32_t height = source.Pixels.Height;
  if (setting.Method == pvdmThreshold) {
    // The rule is BinarizeToBitmap at the mean colour; a 48-bit source goes to 24 bits first.
    const auto input = BitmapOf(source.Format == pvRGB48 ? Via24(source) : source);
    TPVBitmap bits(width, height, pv1g);
    TPVProgressRecord progress;
    EXPECT_TRUE(BinarizeToBitmap(*input, bits, kMeanColorThreshold, progress));
    e.Result.Pixels = ModelOf(bits);
    return e;
  }
  e.Result.Pixels = EmptyModel(width, height, 1);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const Pixel p{source.Format, source.Pixels.At(x, y), &source.Palette};
      const TPVRGB c = p.As24();
      const bool nearWhite = setting.NearWhiteStaysWhite && c.r >= 251 && c.g >= 251 && c.b >= 251;
      const int level = nearWhite ? 64 : DitherLevel(p);
      *e.Result.Pixels.At(x, y) = kDitherMatrix[x % 8][y % 8] < level;
    }
  return e;
}

inline Expectation ExpectQuantized(const Image& source, const ConversionSetting& setting) {
  Expectation e;
  e.Result.Format = pv8p;
  const auto input = BitmapOf(source);
  std::vector<TPVRGB> palette(256, TPVRGB{0, 0, 0});
  const TPVQuantizer quantizer(*input, palette.data(), setting.ColorsUsed);
  e.Result.Palette = palette;
  e.PaletteEntriesSet = 256;
  e.Result.Pixels = EmptyModel(source.Pixels.Width, source.Pixels.Height, 1);
  for (int32_t y = 0; y < source.Pixels.Height; ++y)
    for (int32_t x = 0; x < source.Pixels.Width; ++x)
      *e.Result.Pixels.At(x, y) =
          static_cast<uint8_t>(quantizer.RGBIndex(Load<TPVRGB>(source.Pixels.At(x, y))));
  return e;
}

inline Expectation Expect(const Image& source, TPVPixelFormat to,
                          const ConversionSetting& setting) {
  if (source.Format == to) return Expectation{source, static_cast<int32_t>(source.Palette.size())};
  if (to == pv1g)
    return ExpectOneBit(OneBitIsDirect(source.Format) ? source : Via24(source), setting);
  if (to == pv8p && source.Format == pv24RGB) return ExpectQuantized(source, setting);
  const Pixel first{source.Format, source.Pixels.At(0, 0), &source.Palette};
  if (DirectRule(first, to).empty()) return Expect(Via24(source), to, setting);
  Expectation e;
  e.Result.Format = to;
  const int32_t size = to == pv8p ? 1 : PixelFormatBits[to] / 8;
  e.Result.Pixels = EmptyModel(source.Pixels.Width, source.Pixels.Height, size);
  for (int32_t y = 0; y < source.Pixels.Height; ++y)
    for (int32_t x = 0; x < source.Pixels.Width; ++x) {
      const std::vector<uint8_t> bytes =
          DirectRule(Pixel{source.Format, source.Pixels.At(x, y), &source.Palette}, to);
      std::memcpy(e.Result.Pixels.At(x, y), bytes.data(), bytes.size());
    }
  if (to == pv8p) {
    // Black and white for the bits, the grey ramp for the grey formats.
    e.PaletteEntriesSet = source.Format == pv1g ? 2 : 256;
    for (int32_t i = 0; i < 256; ++i)
      e.Result.Palette.push_back(source.Format == pv1g ? Grey(i == 0 ? 0 : 255)
                                                       : Grey(static_cast<uint8_t>(i)));
  }
  return e;
}

// The result against the expectation: format, pixels and the palette entries the rule sets.
inline ::testing::AssertionResult Matches(const Expectation& expected, const Image& actual) {
  if (actual.Format != expected.Result.Format)
    return ::testing::AssertionFailure()
           << "format " << int(actual.Format) << ", expected " << int(expected.Result.Format);
  const ::testing::AssertionResult pixels = SameModel(expected.Result.Pixels, actual.Pixels);
  if (!pixels) return pixels;
  for (int32_t i = 0; i < expected.PaletteEntriesSet; ++i)
    if (static_cast<size_t>(i) >= actual.Palette.size() ||
        !(actual.Palette[i] == expected.Result.Palette[i]))
      return ::testing::AssertionFailure() << "palette entry " << i << " differs";
  return ::testing::AssertionSuccess();
}

}  // namespace calmora::test::conversion
