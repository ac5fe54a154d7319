// The block copy, the smoothing stretch and the copy through a clip region, done on the
// device bitmaps' rows.
#include "platform/canvas_blit.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "platform/device_pixels.h"
#include "platform/region.h"

namespace calmora::platform {

bool SmoothStretchPlainLoops = false;

namespace {

// A block both of whose rectangles lie inside their bitmaps.
struct TBlock {
  int32_t X = 0;
  int32_t Y = 0;
  int32_t SourceX = 0;
  int32_t SourceY = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// Cuts one axis of a block to [0, destLimit) and [0, sourceLimit); false when nothing is left.
bool ClipAxis(int64_t& at, int64_t& sourceAt, int64_t& length, int64_t destLimit,
              int64_t sourceLimit) {
  const int64_t cut = std::max({int64_t{0}, -at, -sourceAt});
  at += cut;
  sourceAt += cut;
  length -= cut;
  length = std::min({length, destLimit - at, sourceLimit - sourceAt});
  return length > 0;
}

bool ClipBlock(const TBitmap& dest, int64_t x, int64_t y, int64_t width, int64_t height,
               const TBitmap& source, int64_t sourceX, int64_t sourceY, TBlock& block) {
  if (!ClipAxis(x, sourceX, width, dest.GetWidth(), source.GetWidth())) return false;
  if (!ClipAxis(y, sourceY, height, dest.GetHeight(), source.GetHeight())) return false;
  block = TBlock{static_cast<int32_t>(x),       static_cast<int32_t>(y),
                 static_cast<int32_t>(sourceX), static_cast<int32_t>(sourceY),
                 static_cast<int32_t>(width),   static_cast<int32_t>(height)};
  return true;
}

std::vector<TRGBQuad> TableOf(const TBitmap& bitmap) {
  std::vector<TRGBQuad> table(static_cast<size_t>(bitmap.GetColorTableLength()));
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = bitmap.GetColorTableEntry(static_cast<int32_t>(i));
  return table;
}

// Copies a block that lies inside both bitmaps. Within one bitmap, rows go in the order that
// reads every source row before it is overwritten.
void CopyBlock(TBitmap& dest, TBitmap& source, const TBlock& block) {
  const TPixelFormat format = dest.GetPixelFormat();
  const int32_t bits = StorageBitCount(format);
  if (format == source.GetPixelFormat() && bits >= 8) {
    const size_t pixelBytes = static_cast<size_t>(bits / 8);
    const size_t bytes = pixelBytes * static_cast<size_t>(block.Width);
    // Rows follow each other at a fixed stride, so the row addresses are stepped rather than
    // looked up: region painting copies many short spans.
    const bool upward = &dest == &source && block.Y > block.SourceY;
    const int32_t first = upward ? block.Height - 1 : 0;
    const auto destStride = static_cast<std::ptrdiff_t>(dest.GetRowLength()) * (upward ? -1 : 1);
    const auto sourceStride =
        static_cast<std::ptrdiff_t>(source.GetRowLength()) * (upward ? -1 : 1);
    uint8_t* to = dest.GetScanLine(block.Y + first) + pixelBytes * block.X;
    const uint8_t* from = source.GetScanLine(block.SourceY + first) + pixelBytes * block.SourceX;
    for (int32_t i = 0; i < block.Height; ++i, to += destStride, from += sourceStride)
      std::memmove(to, from, bytes);
    return;
  }
  // Other formats go through colours; all are read first, so one bitmap is no trouble.
  const std::vector<TRGBQuad> sourceTable = TableOf(source);
  const std::vector<TRGBQuad> destTable = TableOf(dest);
  std::vector<TRGBQuad> colors;
  colors.reserve(static_cast<size_t>(block.Width) * static_cast<size_t>(block.Height));
  for (int32_t row = 0; row < block.Height; ++row) {
    const uint8_t* line = source.GetScanLine(block.SourceY + row);
    for (int32_t column = 0; column < block.Width; ++column)
      colors.push_back(
          ReadColor(line, block.SourceX + column, source.GetPixelFormat(), sourceTable.data()));
  }
  size_t next = 0;
  for (int32_t row = 0; row < block.Height; ++row) {
    uint8_t* line = dest.GetScanLine(block.Y + row);
    for (int32_t column = 0; column < block.Width; ++column)
      WriteColor(line, block.X + column, format, destTable.data(), colors[next++]);
  }
}

// Copies the blocks of one row band (one top and height) between two bitmaps of one format of
// whole bytes, row by row through every block. Short spans are copied inline, as a call to
// memcpy costs more than the copy.
void CopyBand(TBitmap& dest, TBitmap& source, const std::vector<TBlock>& band) {
  if (band.empty()) return;
  const size_t pixelBytes = static_cast<size_t>(StorageBitCount(dest.GetPixelFormat()) / 8);
  uint8_t* to = dest.GetScanLine(band.front().Y);
  const uint8_t* from = source.GetScanLine(band.front().SourceY);
  for (int32_t row = 0; row < band.front().Height; ++row) {
    for (const TBlock& block : band) {
      uint8_t* spanTo = to + pixelBytes * static_cast<size_t>(block.X);
      const uint8_t* spanFrom = from + pixelBytes * static_cast<size_t>(block.SourceX);
      const size_t bytes = pixelBytes * static_cast<size_t>(block.Width);
      if (bytes <= 16) {
        for (size_t i = 0; i < bytes; ++i) spanTo[i] = spanFrom[i];
      } else {
        std::memcpy(spanTo, spanFrom, bytes);
      }
    }
    to += dest.GetRowLength();
    from += source.GetRowLength();
  }
}

void Changed(TCanvas& canvas) {
  if (canvas.OnChange) canvas.OnChange();
}

// ---- The smoothing stretch ----

// Weights are fractions of kWeightOne; a destination pixel's weights add up to it, less the
// share of source pixels outside their bitmap (which count as black).
constexpr int32_t kWeightBits = 12;
constexpr int32_t kWeightOne = 1 << kWeightBits;
// The horizontal pass keeps 8 bits below the byte's unit for the vertical one.
constexpr int32_t kPassShift = kWeightBits - 8;
constexpr int32_t kFinalShift = kWeightBits + 8;

struct TTap {
  int32_t Source;
  int32_t Weight;
};

// For each visible destination pixel of one axis, the source pixels it takes and their weights.
struct TAxisTaps {
  std::vector<size_t> First;  // one more entry than pixels
  std::vector<TTap> Taps;
};

// The taps of position k of a destination extent of length destLength taken from a source
// extent of length sourceLength (both positive), in source positions from 0.
void AppendTaps(int64_t k, int64_t destLength, int64_t sourceLength, std::vector<TTap>& taps) {
  if (destLength == sourceLength) {
    taps.push_back(TTap{static_cast<int32_t>(k), kWeightOne});
  } else if (destLength < sourceLength) {
    // Area average: in units of 1/destLength source pixels, destination pixel k spans
    // [k S, (k + 1) S) and source pixel j spans [j D, (j + 1) D).
    const int64_t begin = k * sourceLength;
    const int64_t end = begin + sourceLength;
    const size_t first = taps.size();
    int32_t total = 0;
    for (int64_t j = begin / destLength; j * destLength < end; ++j) {
      const int64_t overlap = std::min(end, (j + 1) * destLength) - std::max(begin, j * destLength);
      const auto weight =
          static_cast<int32_t>((overlap * kWeightOne + sourceLength / 2) / sourceLength);
      taps.push_back(TTap{static_cast<int32_t>(j), weight});
      total += weight;
    }
    // Rounding may miss the unit by a little: the largest share takes the difference.
    auto largest = std::max_element(taps.begin() + static_cast<std::ptrdiff_t>(first), taps.end(),
                                    [](const TTap& a, const TTap& b) { return a.Weight < b.Weight; });
    largest->Weight += kWeightOne - total;
  } else {
    // Linear interpolation between the source pixel centres around the destination pixel's
    // centre, (k + 1/2) S / D - 1/2 source pixels; the edges repeat the last pixel.
    const int64_t numerator = (2 * k + 1) * sourceLength - destLength;
    const int64_t denominator = 2 * destLength;
    if (numerator <= 0) {
      taps.push_back(TTap{0, kWeightOne});
      return;
    }
    const int64_t j = numerator / denominator;
    if (j >= sourceLength - 1) {
      taps.push_back(TTap{static_cast<int32_t>(sourceLength - 1), kWeightOne});
      return;
    }
    const auto fraction = static_cast<int32_t>(
        ((numerator - j * denominator) * kWeightOne + denominator / 2) / denominator);
    taps.push_back(TTap{static_cast<int32_t>(j), kWeightOne - fraction});
    if (fraction > 0) taps.push_back(TTap{static_cast<int32_t>(j + 1), fraction});
  }
}

// The taps of the visible destination pixels [visibleFirst, visibleFirst + visibleCount) of a
// rectangle of destLength pixels, from sourceLength pixels starting at sourceStart; taps
// outside [0, sourceLimit) are dropped.
TAxisTaps AxisTaps(int64_t destLength, int64_t visibleFirst, int64_t visibleCount,
                   int64_t sourceStart, int64_t sourceLength, int64_t sourceLimit, bool mirrored) {
  TAxisTaps axis;
  axis.First.reserve(static_cast<size_t>(visibleCount) + 1);
  std::vector<TTap> taps;
  for (int64_t i = visibleFirst; i < visibleFirst + visibleCount; ++i) {
    axis.First.push_back(axis.Taps.size());
    taps.clear();
    AppendTaps(mirrored ? destLength - 1 - i : i, destLength, sourceLength, taps);
    for (TTap tap : taps) {
      const int64_t source = sourceStart + tap.Source;
      if (source < 0 || source >= sourceLimit || tap.Weight == 0) continue;
      axis.Taps.push_back(TTap{static_cast<int32_t>(source), tap.Weight});
    }
  }
  axis.First.push_back(axis.Taps.size());
  return axis;
}

// Stretches source rows across, in units of 1/256 of a byte's unit for the pass down, or to
// bytes for rows it takes whole. The plain loop walks each column's own taps. The fast one
// lays the taps out once per copy with one count for every column (zero weights fill the
// short ones), so its inner loops have fixed lengths the compiler unrolls; where source pixels
// serve several columns (enlarging), their channels are packed once per row to share one
// multiply; columns taken as they are become a shift of the row.
class TRowStretcher {
 public:
  TRowStretcher(const TAxisTaps& across, size_t channels, bool plain)
      : Across_(across), Channels_(channels) {
    const size_t columns = across.First.size() - 1;
    if (plain || across.Taps.empty() || (channels != 3 && channels != 4)) return;
    bool identity = columns > 0;
    for (size_t column = 0; column < columns; ++column) {
      const size_t first = across.First[column], count = across.First[column + 1] - first;
      TapCount_ = std::max(TapCount_, count);
      identity = identity && count == 1 && across.Taps[first].Weight == kWeightOne &&
                 across.Taps[first].Source == across.Taps[0].Source + static_cast<int32_t>(column);
    }
    Shape_ = identity ? kIdentity : kFixed;
    if (identity) return;
    Offsets_.resize(columns * TapCount_);
    Indices_.resize(columns * TapCount_);
    Weights_.resize(columns * TapCount_);
    FirstSource_ = LastSource_ = across.Taps[0].Source;
    for (const TTap& tap : across.Taps) {
      FirstSource_ = std::min(FirstSource_, tap.Source);
      LastSource_ = std::max(LastSource_, tap.Source);
    }
    Packs_ = columns * TapCount_ >= 2 * static_cast<size_t>(LastSource_ - FirstSource_ + 1);
    for (size_t column = 0; column < columns; ++column) {
      const size_t first = across.First[column], count = across.First[column + 1] - first;
      // A filler tap reads a pixel that is surely in the row and weighs it 0.
      const int32_t filler = across.Taps[count > 0 ? first : 0].Source;
      for (size_t t = 0; t < TapCount_; ++t) {
        const size_t at = column * TapCount_ + t;
        const int32_t source = t < count ? across.Taps[first + t].Source : filler;
        Offsets_[at] = static_cast<int32_t>(channels) * source;
        Indices_[at] = source - FirstSource_;
        Weights_[at] = t < count ? across.Taps[first + t].Weight : 0;
      }
    }
  }

  void Stretch(const uint8_t* line, uint16_t* out) const { Run(line, out); }
  void StretchToBytes(const uint8_t* line, uint8_t* out) const { Run(line, out); }

 private:
  template <typename TSample>
  struct TScale {
    // Bytes keep no bits below the unit; the pass down's samples keep 8.
    static constexpr int32_t kShift = std::is_same_v<TSample, uint8_t> ? kWeightBits : kPassShift;
    static constexpr int32_t kHalf = 1 << (kShift - 1);
  };

  template <typename TSample>
  void Run(const uint8_t* line, TSample* out) const {
    const size_t columns = Across_.First.size() - 1;
    switch (Shape_) {
      case kIdentity: {
        constexpr int32_t kUp = kWeightBits - TScale<TSample>::kShift;
        const uint8_t* in = line + Channels_ * static_cast<size_t>(Across_.Taps[0].Source);
        for (size_t i = 0; i < columns * Channels_; ++i) out[i] = static_cast<TSample>(in[i] << kUp);
        return;
      }
      case kFixed:
        if (Channels_ == 3 && Packs_) return RunPacked(line, out, columns);
        if (Channels_ == 3) return RunFixed<3>(line, out, columns);
        return RunFixed<4>(line, out, columns);
      case kPlain: break;
    }
    RunPlain(line, out, columns);
  }

  template <size_t Channels, typename TSample>
  void RunFixed(const uint8_t* line, TSample* out, size_t columns) const {
    switch (TapCount_) {
      case 1: return RunTaps<Channels, 1>(line, out, columns, 1);
      case 2: return RunTaps<Channels, 2>(line, out, columns, 2);
      case 3: return RunTaps<Channels, 3>(line, out, columns, 3);
      case 4: return RunTaps<Channels, 4>(line, out, columns, 4);
      default: return RunTaps<Channels, 0>(line, out, columns, TapCount_);
    }
  }

  // FixedTaps is the tap count known when compiling, or 0 for the run-time count taps.
  template <size_t Channels, size_t FixedTaps, typename TSample>
  void RunTaps(const uint8_t* line, TSample* out, size_t columns, size_t taps) const {
    const size_t count = FixedTaps > 0 ? FixedTaps : taps;
    const int32_t* offsets = Offsets_.data();
    const int32_t* weights = Weights_.data();
    for (size_t column = 0; column < columns; ++column) {
      int32_t sums[Channels];
      for (size_t c = 0; c < Channels; ++c) sums[c] = TScale<TSample>::kHalf;
      for (size_t t = 0; t < count; ++t) {
        const uint8_t* pixel = line + offsets[t];
        for (size_t c = 0; c < Channels; ++c) sums[c] += weights[t] * pixel[c];
      }
      for (size_t c = 0; c < Channels; ++c)
        out[c] = static_cast<TSample>(sums[c] >> TScale<TSample>::kShift);
      offsets += count;
      weights += count;
      out += Channels;
    }
  }

  // Three channels packed in one 64-bit word, 21 bits apart: a weighted sum of a column's
  // taps stays below 2^20 in every channel (the weights add up to at most kWeightOne, a byte
  // is at most 255, and the rounding half is small), so one multiply serves all three.
  static constexpr int32_t kLaneBits = 21;
  static constexpr uint64_t kLaneMask = (uint64_t{1} << kLaneBits) - 1;
  static constexpr uint64_t kLaneOnes = 1 | uint64_t{1} << kLaneBits | uint64_t{1} << (2 * kLaneBits);

  template <typename TSample>
  void RunPacked(const uint8_t* line, TSample* out, size_t columns) const {
    Packed_.resize(static_cast<size_t>(LastSource_ - FirstSource_ + 1));
    const uint8_t* pixel = line + 3 * static_cast<size_t>(FirstSource_);
    for (uint64_t& packed : Packed_) {
      packed = pixel[0] | uint64_t{pixel[1]} << kLaneBits | uint64_t{pixel[2]} << (2 * kLaneBits);
      pixel += 3;
    }
    switch (TapCount_) {
      case 1: return RunPackedTaps<1>(out, columns, 1);
      case 2: return RunPackedTaps<2>(out, columns, 2);
      case 3: return RunPackedTaps<3>(out, columns, 3);
      case 4: return RunPackedTaps<4>(out, columns, 4);
      default: return RunPackedTaps<0>(out, columns, TapCount_);
    }
  }

  template <size_t FixedTaps, typename TSample>
  void RunPackedTaps(TSample* out, size_t columns, size_t taps) const {
    constexpr int32_t kShift = TScale<TSample>::kShift;
    const size_t count = FixedTaps > 0 ? FixedTaps : taps;
    const int32_t* indices = Indices_.data();
    const int32_t* weights = Weights_.data();
    const uint64_t* packed = Packed_.data();
    for (size_t column = 0; column < columns; ++column) {
      uint64_t sum = TScale<TSample>::kHalf * kLaneOnes;
      for (size_t t = 0; t < count; ++t)
        sum += static_cast<uint64_t>(weights[t]) * packed[indices[t]];
      out[0] = static_cast<TSample>((sum & kLaneMask) >> kShift);
      out[1] = static_cast<TSample>(((sum >> kLaneBits) & kLaneMask) >> kShift);
      out[2] = static_cast<TSample>((sum >> (2 * kLaneBits)) >> kShift);
      indices += count;
      weights += count;
      out += 3;
    }
  }

  template <typename TSample>
  void RunPlain(const uint8_t* line, TSample* out, size_t columns) const {
    for (size_t column = 0; column < columns; ++column)
      for (size_t c = 0; c < Channels_; ++c) {
        int32_t sum = TScale<TSample>::kHalf;
        for (size_t t = Across_.First[column]; t < Across_.First[column + 1]; ++t)
          sum += Across_.Taps[t].Weight * line[Channels_ * Across_.Taps[t].Source + c];
        out[Channels_ * column + c] = static_cast<TSample>(sum >> TScale<TSample>::kShift);
      }
  }

  enum TShape : uint8_t { kPlain, kIdentity, kFixed };
  const TAxisTaps& Across_;
  size_t Channels_;
  TShape Shape_ = kPlain;
  size_t TapCount_ = 1;
  std::vector<int32_t> Offsets_;  // byte offsets in the row, TapCount_ a column
  std::vector<int32_t> Indices_;  // the same as pixels from FirstSource_
  std::vector<int32_t> Weights_;
  bool Packs_ = false;  // each source pixel serves two taps or more: packing it pays
  int32_t FirstSource_ = 0;
  int32_t LastSource_ = 0;
  mutable std::vector<uint64_t> Packed_;  // the row's pixels FirstSource_..LastSource_
};

// The pass down's inner loops, on rows that never overlap, so the compiler may vectorise them.
[[gnu::always_inline]] inline void BlendTwoRows(const uint16_t* __restrict a, int32_t wa,
                                                const uint16_t* __restrict b, int32_t wb,
                                                uint8_t* __restrict out, size_t count) {
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>(
        std::min((wa * a[i] + wb * b[i] + (1 << (kFinalShift - 1))) >> kFinalShift, 255));
}

[[gnu::always_inline]] inline void AddWeightedRow(const uint16_t* __restrict in, int32_t weight,
                                                  int32_t* __restrict sums, size_t count) {
  for (size_t i = 0; i < count; ++i) sums[i] += weight * in[i];
}

[[gnu::always_inline]] inline void FinishRow(const int32_t* __restrict sums,
                                             uint8_t* __restrict out, size_t count) {
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>(std::min((sums[i] + (1 << (kFinalShift - 1))) >> kFinalShift, 255));
}

// One stretched row and its weight in a destination row.
struct TRowShare {
  const uint16_t* Row;
  int32_t Weight;
};

// A destination row from the stretched rows it takes; sums holds a row's worth of scratch.
[[gnu::always_inline]] inline void MixRowsBody(const TRowShare* shares, size_t count,
                                               int32_t* sums, uint8_t* out, size_t samples) {
  if (count == 2) {
    BlendTwoRows(shares[0].Row, shares[0].Weight, shares[1].Row, shares[1].Weight, out, samples);
    return;
  }
  std::fill(sums, sums + samples, 0);
  for (size_t t = 0; t < count; ++t) AddWeightedRow(shares[t].Row, shares[t].Weight, sums, samples);
  FinishRow(sums, out, samples);
}

// The same loops built twice: for the x86-64 baseline and for processors with AVX2, whose
// wider registers and 32-bit multiplies the compiler then uses.
void MixRowsBaseline(const TRowShare* shares, size_t count, int32_t* sums, uint8_t* out,
                     size_t samples) {
  MixRowsBody(shares, count, sums, out, samples);
}

[[gnu::target("avx2")]] void MixRowsAvx2(const TRowShare* shares, size_t count, int32_t* sums,
                                         uint8_t* out, size_t samples) {
  MixRowsBody(shares, count, sums, out, samples);
}

using TMixRows = void (*)(const TRowShare*, size_t, int32_t*, uint8_t*, size_t);

TMixRows ChooseMixRows(bool plain) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2 && !plain ? MixRowsAvx2 : MixRowsBaseline;
}

// A signed extent as its first position and length, and whether it runs backwards.
void Normalise(int64_t at, int64_t extent, int64_t& first, int64_t& length, bool& backwards) {
  backwards = extent < 0;
  first = backwards ? at + extent : at;
  length = backwards ? -extent : extent;
}

}  // namespace

void BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height,
            const TCanvas& source, int32_t sourceX, int32_t sourceY) {
  TBlock block;
  if (!ClipBlock(dest.GetBitmap(), x, y, width, height, source.GetBitmap(), sourceX, sourceY,
                 block))
    return;
  CopyBlock(dest.GetBitmap(), source.GetBitmap(), block);
  Changed(dest);
}

bool SmoothStretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height,
                      const TCanvas& source, int32_t sourceX, int32_t sourceY,
                      int32_t sourceWidth, int32_t sourceHeight) {
  TBitmap& target = dest.GetBitmap();
  TBitmap& picture = source.GetBitmap();
  const TPixelFormat format = target.GetPixelFormat();
  const int32_t bits = StorageBitCount(format);
  if (format != picture.GetPixelFormat() || (bits != 24 && bits != 32)) return false;
  if (width == 0 || height == 0 || sourceWidth == 0 || sourceHeight == 0) return true;
  const bool sourceInside = sourceX >= 0 && sourceY >= 0 &&
                            int64_t{sourceX} + sourceWidth <= picture.GetWidth() &&
                            int64_t{sourceY} + sourceHeight <= picture.GetHeight();
  if (width == sourceWidth && height == sourceHeight && width > 0 && height > 0 && sourceInside) {
    BitBlt(dest, x, y, width, height, source, sourceX, sourceY);
    return true;
  }

  int64_t left, columns, top, rows, sourceLeft, sourceColumns, sourceTop, sourceRows;
  bool backwardsX, backwardsY, sourceBackwardsX, sourceBackwardsY;
  Normalise(x, width, left, columns, backwardsX);
  Normalise(y, height, top, rows, backwardsY);
  Normalise(sourceX, sourceWidth, sourceLeft, sourceColumns, sourceBackwardsX);
  Normalise(sourceY, sourceHeight, sourceTop, sourceRows, sourceBackwardsY);
  const int64_t visibleLeft = std::max<int64_t>(left, 0);
  const int64_t visibleTop = std::max<int64_t>(top, 0);
  const int64_t visibleWidth = std::min<int64_t>(left + columns, target.GetWidth()) - visibleLeft;
  const int64_t visibleHeight = std::min<int64_t>(top + rows, target.GetHeight()) - visibleTop;
  if (visibleWidth <= 0 || visibleHeight <= 0) return true;

  const TAxisTaps across =
      AxisTaps(columns, visibleLeft - left, visibleWidth, sourceLeft, sourceColumns,
               picture.GetWidth(), backwardsX != sourceBackwardsX);
  const TAxisTaps down = AxisTaps(rows, visibleTop - top, visibleHeight, sourceTop, sourceRows,
                                  picture.GetHeight(), backwardsY != sourceBackwardsY);
  const size_t channels = static_cast<size_t>(bits / 8);
  const size_t rowSamples = static_cast<size_t>(visibleWidth) * channels;
  if (down.Taps.empty()) {
    // Every source row lies outside the picture: the rectangle is black.
    for (int64_t row = 0; row < visibleHeight; ++row)
      std::memset(target.GetScanLine(static_cast<int32_t>(visibleTop + row)) +
                      channels * static_cast<size_t>(visibleLeft),
                  0, rowSamples);
    Changed(dest);
    return true;
  }

  // Pass 1, across: the source rows at the destination's width, stretched as the rows below
  // first need them and dropped once passed, so no frame-sized buffer is filled. Within one
  // bitmap the source rows are first copied aside, as the destination may overwrite them.
  int32_t firstRow = std::numeric_limits<int32_t>::max();
  int32_t lastRow = 0;
  for (const TTap& tap : down.Taps) {
    firstRow = std::min(firstRow, tap.Source);
    lastRow = std::max(lastRow, tap.Source);
  }
  const size_t rowLength = static_cast<size_t>(picture.GetRowLength());
  std::vector<uint8_t> sourceCopy;
  if (&target == &picture) {
    sourceCopy.resize(static_cast<size_t>(lastRow - firstRow + 1) * rowLength);
    for (int32_t row = firstRow; row <= lastRow; ++row)
      std::memcpy(sourceCopy.data() + static_cast<size_t>(row - firstRow) * rowLength,
                  picture.GetScanLine(row), rowLength);
  }
  const auto sourceLine = [&](int32_t row) -> const uint8_t* {
    return sourceCopy.empty() ? picture.GetScanLine(row)
                              : sourceCopy.data() + static_cast<size_t>(row - firstRow) * rowLength;
  };
  const TRowStretcher stretcher(across, channels, SmoothStretchPlainLoops);
  // The rows stretched so far that the current destination row may still take; a slot whose
  // row lies outside the current taps is free for reuse.
  struct TStretchedRow {
    int32_t Row;
    std::vector<uint16_t> Samples;
  };
  std::vector<TStretchedRow> stretched;
  int32_t lowRow = 0, highRow = 0;
  const auto stretchRow = [&](int32_t row) -> const uint16_t* {
    TStretchedRow* free = nullptr;
    for (TStretchedRow& slot : stretched) {
      if (slot.Row == row) return slot.Samples.data();
      if (slot.Row < lowRow || slot.Row > highRow) free = &slot;
    }
    if (free == nullptr) free = &stretched.emplace_back(TStretchedRow{row, std::vector<uint16_t>(rowSamples)});
    free->Row = row;
    stretcher.Stretch(sourceLine(row), free->Samples.data());
    return free->Samples.data();
  };

  // Pass 2, down: each destination row from the rows it takes.
  std::vector<int32_t> sums(rowSamples);
  std::vector<TRowShare> shares;
  const TMixRows mixRows = ChooseMixRows(SmoothStretchPlainLoops);
  for (int64_t row = 0; row < visibleHeight; ++row) {
    uint8_t* out = target.GetScanLine(static_cast<int32_t>(visibleTop + row)) +
                   channels * static_cast<size_t>(visibleLeft);
    const size_t first = down.First[row], count = down.First[row + 1] - first;
    if (count == 0) {
      // Every source row of this one lies outside the picture.
      std::memset(out, 0, rowSamples);
      continue;
    }
    // The rows run one way: a row outside this one's taps is not needed again.
    lowRow = highRow = down.Taps[first].Source;
    for (size_t t = first; t < first + count; ++t) {
      lowRow = std::min(lowRow, down.Taps[t].Source);
      highRow = std::max(highRow, down.Taps[t].Source);
    }
    const auto rowOf = [&](const TTap& tap) { return stretchRow(tap.Source); };
    if (count == 1 && down.Taps[first].Weight == kWeightOne) {
      // A row taken whole goes across straight into the destination.
      stretcher.StretchToBytes(sourceLine(down.Taps[first].Source), out);
      continue;
    }
    shares.clear();
    for (size_t t = first; t < first + count; ++t)
      shares.push_back(TRowShare{rowOf(down.Taps[t]), down.Taps[t].Weight});
    mixRows(shares.data(), count, sums.data(), out, rowSamples);
  }
  Changed(dest);
  return true;
}

bool SmoothStretchRect(TCanvas& dest, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       const TCanvas& source, int32_t sourceLeft, int32_t sourceTop,
                       int32_t sourceRight, int32_t sourceBottom) {
  const int64_t extents[] = {int64_t{right} - left, int64_t{bottom} - top,
                             int64_t{sourceRight} - sourceLeft, int64_t{sourceBottom} - sourceTop};
  for (int64_t extent : extents)
    if (extent < std::numeric_limits<int32_t>::min() || extent > std::numeric_limits<int32_t>::max())
      return false;
  return SmoothStretchBlt(dest, left, top, static_cast<int32_t>(extents[0]),
                          static_cast<int32_t>(extents[1]), source, sourceLeft, sourceTop,
                          static_cast<int32_t>(extents[2]), static_cast<int32_t>(extents[3]));
}

void DrawThroughRegion(TCanvas& canvas, int32_t x, int32_t y, TBitmap& picture,
                       const TRegion& clip) {
  TBitmap& target = canvas.GetBitmap();
  // A region of many narrow pieces (bars, shreds) is best copied a row at a time through all
  // the pieces of its band, so the frame is walked once in memory order. Within one bitmap
  // the pieces go one after another, as the order of their rows matters there.
  const TPixelFormat format = target.GetPixelFormat();
  const bool byRows = &target != &picture && format == picture.GetPixelFormat() &&
                      StorageBitCount(format) >= 8;
  std::vector<TBlock> band;
  const auto copyBand = [&] {
    if (byRows)
      CopyBand(target, picture, band);
    else
      for (const TBlock& block : band) CopyBlock(target, picture, block);
    band.clear();
  };
  bool drawn = false;
  for (const TRegionRect& rect : clip.Rects()) {
    TBlock block;
    if (!ClipBlock(target, rect.Left, rect.Top, int64_t{rect.Right} - rect.Left,
                   int64_t{rect.Bottom} - rect.Top, picture, int64_t{rect.Left} - x,
                   int64_t{rect.Top} - y, block))
      continue;
    if (!band.empty() && (block.Y != band.front().Y || block.Height != band.front().Height))
      copyBand();
    band.push_back(block);
    drawn = true;
  }
  copyBand();
  if (drawn) Changed(canvas);
}

}  // namespace calmora::platform
