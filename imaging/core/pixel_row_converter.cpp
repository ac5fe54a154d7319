// The table of row functions behind PixelRowConverter: the per-pixel rules instantiated once for
// every pair that converts pixel by pixel, with look-up tables for one-byte sources and whole-row
// calls of the colour system for CMYK.
#include "imaging/core/pixel_row_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "imaging/core/bitmap_pixels.h"
#include "imaging/core/cmyk_profile.h"

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

// CMYK rows go through the colour system a run of pixels at a time.
constexpr int32_t kCMYKRun = 512;

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
        pixel_access::Write(converter.lookup_, v,
                            pixel_rules::Convert<To>(source, static_cast<uint8_t>(v)));
    }
  }

  template <TPVPixelFormat From, TPVPixelFormat To>
  static void Row(const PixelRowConverter& converter, const uint8_t* source, uint8_t* target,
                  int32_t width) {
    using Out = PixelOf<To>;
    const uint8_t* lookup = converter.lookup_;
    if constexpr (From == pv8g && To == pv8p) {
      std::memcpy(target, source, static_cast<size_t>(width));  // the grey ramp's indexes
    } else if constexpr (From == pv1g) {
      for (int32_t x = 0; x < width; ++x)
        pixel_access::Write(target, x, pixel_access::Read<Out>(lookup, BitAt(source, x)));
    } else if constexpr (IsLookupSource(From)) {
      for (int32_t x = 0; x < width; ++x)
        pixel_access::Write(target, x, pixel_access::Read<Out>(lookup, source[x]));
    } else if constexpr (From == pvCMYK && To == pv24RGB) {
      CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(source), reinterpret_cast<TPVRGB*>(target),
                   width);
    } else if constexpr (From == pvCMYK) {
      TPVRGB colors[kCMYKRun];
      const auto rgb = MakeSource<pv24RGB>(converter);
      for (int32_t first = 0; first < width; first += kCMYKRun) {
        const int32_t count = std::min(kCMYKRun, width - first);
        CMYKRowToRGB(reinterpret_cast<const TPVCMYK*>(source) + first, colors, count);
        for (int32_t i = 0; i < count; ++i)
          pixel_access::Write(target, first + i, pixel_rules::Convert<To>(rgb, colors[i]));
      }
    } else if constexpr (From == pv24RGB && To == pvCMYK) {
      RGBRowToCMYK(reinterpret_cast<const TPVRGB*>(source), reinterpret_cast<TPVCMYK*>(target),
                   width);
    } else {
      const auto rules = MakeSource<From>(converter);
      for (int32_t x = 0; x < width; ++x)
        pixel_access::Write(
            target, x,
            pixel_rules::Convert<To>(rules, pixel_access::Read<PixelOf<From>>(source, x)));
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
