// The table of row functions behind PixelRowConverter: the per-pixel rules instantiated once for
// every pair that converts pixel by pixel, with look-up tables for one-byte sources and whole-row
// calls of the colour system for CMYK.
#include "imaging/core/bitmap/pixel_row_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <type_traits>
#include <utility>

#include "imaging/core/color/cmyk_profile.h"

namespace calmora {

namespace {

using pixel_rules::PixelOf;
using pixel_rules::SourceOf;

constexpr uint16_t Targets(std::initializer_list<TPVPixelFormat> formats) {
  uint16_t bits = 0;
  for (const TPVPixelFormat format : formats) bits = static_cast<uint16_t>(bits | 1u << format);
  return bits;
}

// The targets each source converts into pixel by pixel.
constexpr uint16_t kRuleTargets[PixelFormatCount] = {
    /* pvNoFormat */ 0,
    /* pv1g */ Targets({pv8p, pv8g, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}),
    /* pv8p */ Targets({pv8g, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}),
    /* pv8g */ Targets({pv8p, pv16g, pv24RGB, pv32f, pvRGB48, pv32RGB}),
    /* pv16g */ Targets({pv8p, pv8g, pv24RGB, pv32f, pvRGB48, pv32RGB}),
    /* pv24RGB */ Targets({pv8g, pv16g, pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB}),
    /* pv32f */ Targets({pv8p, pv8g, pv16g, pv24RGB, pvRGB48, pv32RGB}),
    /* pvCMYK */ Targets({pv24RGB, pv32RGB}),
    /* pvRGB48 */ Targets({pv8g, pv16g, pv24RGB, pv32f, pv32RGB}),
    /* pvCIELab */ Targets({pv24RGB, pv32RGB}),
    /* pv32RGB */ Targets({pv24RGB}),
};

constexpr bool HasPixelRule(TPVPixelFormat from, TPVPixelFormat to) {
  return from < PixelFormatCount && to < PixelFormatCount && ((kRuleTargets[from] >> to) & 1u);
}

// Sources whose pixel has at most 256 values go through the converter's look-up table.
constexpr bool IsLookupSource(TPVPixelFormat format) {
  return format == pv1g || format == pv8p || format == pv8g;
}

inline uint8_t BitAt(const uint8_t* row, int32_t x) {
  return static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
}

// How a pixel of a row is read and written. Records go field by field: one copied whole goes
// through the stack as bytes and is read back as a word, which stalls every pixel. A pixel
// with another one after it (InnerPixel) goes a whole word at a time, the word reaching into the
// next pixel, which is read or written afterwards anyway; the last pixel of a row (LastPixel)
// touches its own bytes only.
struct InnerPixel {};
struct LastPixel {};

template <class Word>
inline Word LoadWord(const uint8_t* at) {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

template <class Word>
inline void StoreWord(uint8_t* at, Word word, size_t bytes = sizeof(Word)) {
  std::memcpy(at, &word, bytes);
}

template <class Pixel, class Where>
inline Pixel LoadPixel(const uint8_t* row, int32_t x, Where) {
  const uint8_t* p = row + int64_t{x} * static_cast<int64_t>(sizeof(Pixel));
  if constexpr (std::is_same_v<Pixel, TPVRGB> && std::is_same_v<Where, InnerPixel>) {
    const auto word = LoadWord<uint32_t>(p);
    return TPVRGB{static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                  static_cast<uint8_t>(word >> 16)};
  } else if constexpr (std::is_same_v<Pixel, TPVRGB>) {
    return TPVRGB{p[0], p[1], p[2]};
  } else if constexpr (std::is_same_v<Pixel, TPVRGB48>) {
    return TPVRGB48{LoadWord<uint16_t>(p), LoadWord<uint16_t>(p + 2), LoadWord<uint16_t>(p + 4)};
  } else {
    return LoadWord<Pixel>(p);
  }
}

template <class Pixel, class Where>
inline void StorePixel(uint8_t* row, int32_t x, const Pixel& pixel, Where) {
  uint8_t* p = row + int64_t{x} * static_cast<int64_t>(sizeof(Pixel));
  constexpr bool kInner = std::is_same_v<Where, InnerPixel>;
  if constexpr (std::is_same_v<Pixel, TPVRGB>) {
    const uint32_t word = pixel.b | uint32_t{pixel.g} << 8 | uint32_t{pixel.r} << 16;
    StoreWord(p, word, kInner ? 4 : 3);
  } else if constexpr (std::is_same_v<Pixel, pixel_rules::RGB32Pixel>) {
    StoreWord(p, pixel.Color.b | uint32_t{pixel.Color.g} << 8 | uint32_t{pixel.Color.r} << 16 |
                     uint32_t{pixel.Fourth} << 24);
  } else if constexpr (std::is_same_v<Pixel, TPVRGB48>) {
    const uint64_t word = pixel.r | uint64_t{pixel.g} << 16 | uint64_t{pixel.b} << 32;
    StoreWord(p, word, kInner ? 8 : 6);
  } else {
    StoreWord(p, pixel);
  }
}

// Writes produce(x, where) into each pixel of a target row.
template <class Produce>
inline void WriteRow(uint8_t* target, int32_t width, Produce produce) {
  int32_t x = 0;
  for (; x < width - 1; ++x) StorePixel(target, x, produce(x, InnerPixel{}), InnerPixel{});
  if (x < width) StorePixel(target, x, produce(x, LastPixel{}), LastPixel{});
}

}  // namespace

struct PixelRowRules {
  using RowFunction = PixelRowConverter::RowFunction;
  using PrepareFunction = void (*)(PixelRowConverter& converter, const TPVBitmap& source);
  struct Pair {
    RowFunction Row = nullptr;
    PrepareFunction Prepare = nullptr;
  };

  // The rules of a source format with the converter's weights; a pv8p source reads the
  // palette of bitmap.
  template <TPVPixelFormat From>
  static SourceOf<From> MakeSource(const PixelRowConverter& converter,
                                   const TPVBitmap* bitmap = nullptr) {
    SourceOf<From> source;
    if constexpr (requires { source.Weights; }) source.Weights = converter.weights_;
    if constexpr (From == pv8p) {
      source.Entries = bitmap->Palette.get();
      source.Length = bitmap->PaletteLength;
    }
    return source;
  }

  template <TPVPixelFormat From, TPVPixelFormat To>
  static void Prepare(PixelRowConverter& converter, const TPVBitmap& bitmap) {
    if constexpr (IsLookupSource(From)) {
      static_assert(sizeof(PixelOf<To>) <= 8);
      const auto source = MakeSource<From>(converter, &bitmap);
      const int32_t values = From == pv1g ? 2 : 256;
      for (int32_t v = 0; v < values; ++v)
        StorePixel(converter.lookup_, v, pixel_rules::Convert<To>(source, static_cast<uint8_t>(v)),
                   LastPixel{});
    }
  }

  template <TPVPixelFormat From, TPVPixelFormat To>
  static void Row(const PixelRowConverter& converter, const uint8_t* source, uint8_t* target,
                  int32_t width) {
    using Out = PixelOf<To>;
    // The table has room past its last entry, so every entry reads as an inner pixel.
    const uint8_t* lookup = converter.lookup_;
    if constexpr (From == pv8g && To == pv8p) {
      std::memcpy(target, source, static_cast<size_t>(width));  // the grey ramp's indexes
    } else if constexpr (From == pv1g) {
      WriteRow(target, width, [&](int32_t x, auto) {
        return LoadPixel<Out>(lookup, BitAt(source, x), InnerPixel{});
      });
    } else if constexpr (IsLookupSource(From)) {
      WriteRow(target, width,
               [&](int32_t x, auto) { return LoadPixel<Out>(lookup, source[x], InnerPixel{}); });
    } else if constexpr (From == pvCMYK && To == pv24RGB) {
      CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(source), reinterpret_cast<TPVRGB*>(target),
                   width);
    } else if constexpr (From == pvCMYK) {
      TPVRGB colors[PixelRowConverter::kCMYKRun];
      const auto rgb = MakeSource<pv24RGB>(converter);
      for (int32_t first = 0; first < width; first += PixelRowConverter::kCMYKRun) {
        const int32_t count = std::min(PixelRowConverter::kCMYKRun, width - first);
        CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(source) + first, colors, count);
        WriteRow(target + int64_t{first} * sizeof(Out), count,
                 [&](int32_t i, auto) { return pixel_rules::Convert<To>(rgb, colors[i]); });
      }
    } else if constexpr (From == pv24RGB && To == pvCMYK) {
      RGBRowToCMYK(reinterpret_cast<const TPVRGB*>(source), reinterpret_cast<TPVCMYK*>(target),
                   width);
    } else {
      const auto rules = MakeSource<From>(converter);
      // A pixel read as a word pays only where the target is that word rearranged (pv32RGB);
      // where the rule works channel by channel, byte reads leave the arithmetic units to it.
      WriteRow(target, width, [&](int32_t x, auto where) {
        using Read = std::conditional_t<To == pv32RGB, decltype(where), LastPixel>;
        return pixel_rules::Convert<To>(rules, LoadPixel<PixelOf<From>>(source, x, Read{}));
      });
    }
  }

  template <size_t PairIndex>
  static constexpr Pair PairAt() {
    constexpr auto from = static_cast<TPVPixelFormat>(PairIndex / PixelFormatCount);
    constexpr auto to = static_cast<TPVPixelFormat>(PairIndex % PixelFormatCount);
    if constexpr (HasPixelRule(from, to))
      return Pair{&Row<from, to>, &Prepare<from, to>};
    else
      return Pair{};
  }

  template <size_t... PairIndex>
  static constexpr std::array<Pair, sizeof...(PairIndex)> MakeTable(
      std::index_sequence<PairIndex...>) {
    return {PairAt<PairIndex>()...};
  }
};

namespace {

// Row and preparation of every pair, indexed by from x PixelFormatCount + to; null without a rule.
constexpr std::array<PixelRowRules::Pair, PixelFormatCount * PixelFormatCount> kPairs =
    PixelRowRules::MakeTable(std::make_index_sequence<PixelFormatCount * PixelFormatCount>());

}  // namespace

bool PixelRowConverter::HasRule(TPVPixelFormat from, TPVPixelFormat to) {
  return HasPixelRule(from, to);
}

PixelRowConverter::PixelRowConverter(TPVPixelFormat from, TPVPixelFormat to,
                                     const TPVBitmap& source) {
  if (!HasPixelRule(from, to)) return;
  const PixelRowRules::Pair& pair = kPairs[from * PixelFormatCount + to];
  pair.Prepare(*this, source);
  row_ = pair.Row;
}

void PixelRowConverter::Convert(const uint8_t* source, uint8_t* target, int32_t width) const {
  if (row_ && source && target && width > 0) row_(*this, source, target, width);
}

}  // namespace calmora
