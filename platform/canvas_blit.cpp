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
    const bool upward = &dest == &source && block.Y > block.SourceY;
    for (int32_t i = 0; i < block.Height; ++i) {
      const int32_t row = upward ? block.Height - 1 - i : i;
      std::memmove(dest.GetScanLine(block.Y + row) + pixelBytes * block.X,
                   source.GetScanLine(block.SourceY + row) + pixelBytes * block.SourceX, bytes);
    }
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

// Stretches source rows across, in units of 1/256 of a byte's unit. The taps are laid out
// once per copy for the common shapes: columns taken as they are, or at most two source
// pixels a column (enlarging), each without a loop over the taps.
class TRowStretcher {
 public:
  TRowStretcher(const TAxisTaps& across, size_t channels) : Across_(across), Channels_(channels) {
    const size_t columns = across.First.size() - 1;
    bool identity = columns > 0, pairs = channels == 3;
    for (size_t column = 0; column < columns; ++column) {
      // A column whose source lies outside the picture has no taps (it comes out black).
      const size_t count = across.First[column + 1] - across.First[column];
      pairs = pairs && (count == 1 || count == 2);
      if (count != 1) {
        identity = false;
        continue;
      }
      const TTap& tap = across.Taps[across.First[column]];
      identity = identity && tap.Weight == kWeightOne &&
                 tap.Source == across.Taps[0].Source + static_cast<int32_t>(column);
    }
    if (identity) {
      Shape_ = kIdentity;
    } else if (pairs) {
      Shape_ = kPairs;
      for (size_t column = 0; column < columns; ++column) {
        const TTap& near = across.Taps[across.First[column]];
        const bool two = across.First[column + 1] - across.First[column] == 2;
        const TTap far = two ? across.Taps[across.First[column] + 1] : TTap{near.Source, 0};
        Pairs_.push_back(TPair{3 * near.Source, near.Weight, 3 * far.Source, far.Weight});
      }
    }
  }

  // The row in units of 1/256 of a byte's unit, for the pass down.
  void Stretch(const uint8_t* line, uint16_t* out) const { Run(line, out); }
  // The row as bytes, for rows the pass down takes whole.
  void StretchToBytes(const uint8_t* line, uint8_t* out) const { Run(line, out); }

 private:
  template <typename TSample>
  void Run(const uint8_t* line, TSample* out) const {
    // Bytes keep no bits below the unit; the pass down's samples keep 8.
    constexpr int32_t kShift = std::is_same_v<TSample, uint8_t> ? kWeightBits : kPassShift;
    constexpr int32_t kHalf = 1 << (kShift - 1);
    constexpr int32_t kUp = kWeightBits - kShift;
    const size_t columns = Across_.First.size() - 1;
    if (Shape_ == kIdentity) {
      const uint8_t* in = line + Channels_ * static_cast<size_t>(Across_.Taps[0].Source);
      for (size_t i = 0; i < columns * Channels_; ++i) out[i] = static_cast<TSample>(in[i] << kUp);
      return;
    }
    if (Shape_ == kPairs) {
      for (const TPair& pair : Pairs_) {
        const uint8_t* p = line + pair.Near;
        const uint8_t* q = line + pair.Far;
        out[0] = static_cast<TSample>((kHalf + pair.NearWeight * p[0] + pair.FarWeight * q[0]) >> kShift);
        out[1] = static_cast<TSample>((kHalf + pair.NearWeight * p[1] + pair.FarWeight * q[1]) >> kShift);
        out[2] = static_cast<TSample>((kHalf + pair.NearWeight * p[2] + pair.FarWeight * q[2]) >> kShift);
        out += 3;
      }
      return;
    }
    if (Channels_ == 3) {
      for (size_t column = 0; column < columns; ++column) {
        int32_t b = kHalf, g = kHalf, r = kHalf;
        for (size_t t = Across_.First[column]; t < Across_.First[column + 1]; ++t) {
          const uint8_t* pixel = line + 3 * static_cast<size_t>(Across_.Taps[t].Source);
          const int32_t weight = Across_.Taps[t].Weight;
          b += weight * pixel[0];
          g += weight * pixel[1];
          r += weight * pixel[2];
        }
        out[3 * column] = static_cast<TSample>(b >> kShift);
        out[3 * column + 1] = static_cast<TSample>(g >> kShift);
        out[3 * column + 2] = static_cast<TSample>(r >> kShift);
      }
      return;
    }
    for (size_t column = 0; column < columns; ++column)
      for (size_t c = 0; c < Channels_; ++c) {
        int32_t sum = kHalf;
        for (size_t t = Across_.First[column]; t < Across_.First[column + 1]; ++t)
          sum += Across_.Taps[t].Weight * line[Channels_ * Across_.Taps[t].Source + c];
        out[Channels_ * column + c] = static_cast<TSample>(sum >> kShift);
      }
  }

  enum TShape : uint8_t { kGeneral, kIdentity, kPairs };
  struct TPair {
    int32_t Near, NearWeight, Far, FarWeight;  // byte offsets in the row
  };
  const TAxisTaps& Across_;
  size_t Channels_;
  TShape Shape_ = kGeneral;
  std::vector<TPair> Pairs_;
};

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
  const TRowStretcher stretcher(across, channels);
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
    if (count == 2) {
      // Enlarging: two rows, one pass.
      const uint16_t* a = rowOf(down.Taps[first]);
      const uint16_t* b = rowOf(down.Taps[first + 1]);
      const int32_t wa = down.Taps[first].Weight, wb = down.Taps[first + 1].Weight;
      for (size_t i = 0; i < rowSamples; ++i)
        out[i] = static_cast<uint8_t>(
            std::min((wa * a[i] + wb * b[i] + (1 << (kFinalShift - 1))) >> kFinalShift, 255));
      continue;
    }
    std::fill(sums.begin(), sums.end(), 0);
    for (size_t t = first; t < first + count; ++t) {
      const uint16_t* in = rowOf(down.Taps[t]);
      const int32_t weight = down.Taps[t].Weight;
      for (size_t i = 0; i < rowSamples; ++i) sums[i] += weight * in[i];
    }
    for (size_t i = 0; i < rowSamples; ++i)
      out[i] = static_cast<uint8_t>(std::min((sums[i] + (1 << (kFinalShift - 1))) >> kFinalShift, 255));
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
  bool drawn = false;
  for (const TRegionRect& rect : clip.Rects()) {
    TBlock block;
    if (!ClipBlock(target, rect.Left, rect.Top, int64_t{rect.Right} - rect.Left,
                   int64_t{rect.Bottom} - rect.Top, picture, int64_t{rect.Left} - x,
                   int64_t{rect.Top} - y, block))
      continue;
    CopyBlock(target, picture, block);
    drawn = true;
  }
  if (drawn) Changed(canvas);
}

}  // namespace calmora::platform
