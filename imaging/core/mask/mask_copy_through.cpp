// The masked copy between two bitmaps that the undo and the view use: pixels copied (1-bit
// mask) or blended by the mask byte (8-bit mask), and the alpha channel limited by the mask.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/base/bit_helpers.h"

namespace calmora {

namespace {

// The mask pixels a masked copy visits: the box cut to what both bitmaps cover, whatever the
// at-box flags say, and where each bitmap's pixel (0, 0) lies in the mask.
struct TThroughRange {
  int32_t Left, Top, Right, Bottom;
  int32_t SourceX, SourceY, TargetX, TargetY;
};

// The sizes are those of the two bitmaps (or the smaller of a bitmap and its alpha plane).
std::optional<TThroughRange> ThroughRange(const TPVMask& mask, int32_t targetWidth,
                                          int32_t targetHeight, int32_t sourceWidth,
                                          int32_t sourceHeight, bool targetAtBox,
                                          bool sourceAtBox) {
  if (mask.IsEmpty() || !mask.Data) return std::nullopt;
  TThroughRange r{};
  r.SourceX = sourceAtBox ? mask.BoxLeft : 0;
  r.SourceY = sourceAtBox ? mask.BoxTop : 0;
  r.TargetX = targetAtBox ? mask.BoxLeft : 0;
  r.TargetY = targetAtBox ? mask.BoxTop : 0;
  // Every bound is a mask coordinate with a size of at most int32 added to a non-negative
  // offset: 64 bits hold them all.
  const int64_t left = std::max({int64_t{mask.BoxLeft}, int64_t{r.SourceX}, int64_t{r.TargetX}});
  const int64_t top = std::max({int64_t{mask.BoxTop}, int64_t{r.SourceY}, int64_t{r.TargetY}});
  const int64_t right = std::min({int64_t{mask.BoxRight}, int64_t{r.SourceX} + sourceWidth - 1,
                                  int64_t{r.TargetX} + targetWidth - 1});
  const int64_t bottom = std::min({int64_t{mask.BoxBottom}, int64_t{r.SourceY} + sourceHeight - 1,
                                   int64_t{r.TargetY} + targetHeight - 1});
  if (right < left || bottom < top) return std::nullopt;
  r.Left = static_cast<int32_t>(left);
  r.Top = static_cast<int32_t>(top);
  r.Right = static_cast<int32_t>(right);
  r.Bottom = static_cast<int32_t>(bottom);
  return r;
}

// Calls rowOp(mask row, source row, target row) for every row of the range, each row pointer
// at the range's first column (byte rows) or at the row's start (bit rows, bitOffsets true).
// A bitmap copied onto itself has each source row copied aside first, since a file-stored
// bitmap holds one row at a time.
template <typename RowOp>
void ForEachRow(const TPVMask& mask, const TThroughRange& r, const TPVBitmap& source,
                TPVBitmap& target, int32_t bytesPerPixel, RowOp rowOp) {
  const bool within = &source == &target;
  std::vector<uint8_t> aside(within ? static_cast<size_t>(source.GetRowLen()) : 0);
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    const uint8_t* from = source.GetScanline(y - r.SourceY);
    if (!from) return;
    if (within) {
      std::memcpy(aside.data(), from, aside.size());
      from = aside.data();
    }
    uint8_t* to = target.GetScanline(y - r.TargetY);
    if (!to) return;
    rowOp(mask.GetRow(y), from + static_cast<int64_t>(r.Left - r.SourceX) * bytesPerPixel,
          to + static_cast<int64_t>(r.Left - r.TargetX) * bytesPerPixel);
  }
}

// Pixels of bytesPerPixel bytes copied where the mask bit is set; mask bit k + first governs
// pixel k of the two (shifted) rows. Whole mask bytes of 0 or 255 are taken at once.
void CopyWhereSet(const uint8_t* mask, int32_t first, int32_t count, const uint8_t* source,
                  uint8_t* target, int32_t bytesPerPixel) {
  for (int32_t k = 0; k < count;) {
    const int32_t bit = first + k;
    if ((bit & 7) == 0 && count - k >= 8 && (mask[bit >> 3] == 0 || mask[bit >> 3] == 255)) {
      if (mask[bit >> 3] == 255)
        std::memcpy(target + static_cast<int64_t>(k) * bytesPerPixel,
                    source + static_cast<int64_t>(k) * bytesPerPixel, 8 * bytesPerPixel);
      k += 8;
      continue;
    }
    if (GetBit(mask, bit))
      std::memcpy(target + static_cast<int64_t>(k) * bytesPerPixel,
                  source + static_cast<int64_t>(k) * bytesPerPixel, bytesPerPixel);
    ++k;
  }
}

// weights[3k], [3k + 1] and [3k + 2] become mask[k]. Built also for processors with SSSE3,
// picked when the program loads: its byte shuffle spreads many pixels at once, several times
// faster than the plain processor's byte moves.
__attribute__((target_clones("ssse3", "default"))) void SpreadOverThreeChannels(
    const uint8_t* mask, int32_t count, uint8_t* weights) {
  for (int32_t k = 0; k < count; ++k)
    for (int32_t c = 0; c < 3; ++c) weights[k * 3 + c] = mask[k];
}

// Each byte d moves to d + (w x (s - d)) >> 8 with an arithmetic shift, written as
// (d x (256 - w) + s x w) >> 8: the same value, never negative and below 2^16, so the loop
// runs on many 16-bit lanes at once.
__attribute__((target_clones("avx2", "default"))) void BlendBytes(
    const uint8_t* weights, int32_t count, const uint8_t* source, uint8_t* target) {
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t w = weights[i];
    target[i] =
        static_cast<uint8_t>(static_cast<uint16_t>(target[i] * (256 - w) + source[i] * w) >> 8);
  }
}

// Pixels of one or three channels blended by their mask byte. The row goes in chunks:
// stretches the mask leaves alone are skipped, and the others first get their mask bytes
// spread over the channels, so that the blend itself is one loop over bytes.
template <int Channels>
void BlendByMask(const uint8_t* mask, int32_t count, const uint8_t* source, uint8_t* target) {
  constexpr int32_t kChunk = 512;
  uint8_t spread[kChunk * 3];
  for (int32_t start = 0; start < count; start += kChunk) {
    const int32_t n = std::min(kChunk, count - start);
    const uint8_t* m = mask + start;
    uint8_t any = 0;
    for (int32_t k = 0; k < n; ++k) any |= m[k];
    if (any == 0) continue;
    const uint8_t* weights = m;
    if constexpr (Channels == 3) {
      SpreadOverThreeChannels(m, n, spread);
      weights = spread;
    }
    BlendBytes(weights, n * Channels, source + static_cast<int64_t>(start) * Channels,
               target + static_cast<int64_t>(start) * Channels);
  }
}

// Bits of two pv1g rows: mask pixel x governs source bit x - sourceX and target bit
// x - targetX; an 8-bit mask selects where its byte is not 0.
void CopyBitsWhereSelected(const uint8_t* mask, int32_t maskBits, const TThroughRange& r,
                           const uint8_t* source, uint8_t* target) {
  for (int32_t x = r.Left; x <= r.Right; ++x) {
    const bool selected = maskBits == 1 ? GetBit(mask, x) != 0 : mask[x] != 0;
    if (selected) SetBit(target, x - r.TargetX, GetBit(source, x - r.SourceX));
  }
}

}  // namespace

void TPVMask::CopyThrough(TPVBitmap& destination, const TPVBitmap& source, bool destinationAtBox,
                          bool sourceAtBox, bool withAlpha) {
  const std::optional<TThroughRange> range =
      ThroughRange(*this, destination.GetWidth(), destination.GetHeight(), source.GetWidth(),
                   source.GetHeight(), destinationAtBox, sourceAtBox);
  const TPVPixelFormat format = source.GetPixelFormat();
  if (range && format == destination.GetPixelFormat() && format != pvNoFormat) {
    const TThroughRange& r = *range;
    const int32_t count = r.Right - r.Left + 1;
    if (format == pv1g) {
      ForEachRow(*this, r, source, destination, 0,
                 [&](const uint8_t* mask, const uint8_t* from, uint8_t* to) {
                   CopyBitsWhereSelected(mask, BitsPerPixel, r, from, to);
                 });
    } else if (BitsPerPixel == 1 && format != pv32RGB) {
      // Every other equal pair copies whole pixels, whatever they hold.
      const int32_t bytesPerPixel = PixelFormatBits[format] / 8;
      ForEachRow(*this, r, source, destination, bytesPerPixel,
                 [&](const uint8_t* mask, const uint8_t* from, uint8_t* to) {
                   CopyWhereSet(mask, r.Left, count, from, to, bytesPerPixel);
                 });
    } else if (BitsPerPixel == 8 && format == pv24RGB) {
      ForEachRow(*this, r, source, destination, 3,
                 [&](const uint8_t* mask, const uint8_t* from, uint8_t* to) {
                   BlendByMask<3>(mask + r.Left, count, from, to);
                 });
    } else if (BitsPerPixel == 8 && (format == pv8g || format == pv8p)) {
      ForEachRow(*this, r, source, destination, 1,
                 [&](const uint8_t* mask, const uint8_t* from, uint8_t* to) {
                   BlendByMask<1>(mask + r.Left, count, from, to);
                 });
    }
  }
  if (withAlpha) CopyAlphaThrough(destination, source, destinationAtBox, sourceAtBox);
}

void TPVMask::CopyAlphaThrough(TPVBitmap& destination, const TPVBitmap& source,
                               bool destinationAtBox, bool sourceAtBox) {
  // An alpha plane has its bitmap's size; should one not, the smaller bounds the range.
  const auto width = [](const TPVBitmap& bitmap) {
    const TPVBitmap* plane = bitmap.AlphaBitmap.get();
    return plane ? std::min(bitmap.GetWidth(), plane->GetWidth()) : bitmap.GetWidth();
  };
  const auto height = [](const TPVBitmap& bitmap) {
    const TPVBitmap* plane = bitmap.AlphaBitmap.get();
    return plane ? std::min(bitmap.GetHeight(), plane->GetHeight()) : bitmap.GetHeight();
  };
  const std::optional<TThroughRange> range =
      ThroughRange(*this, width(destination), height(destination), width(source), height(source),
                   destinationAtBox, sourceAtBox);
  if (!range) return;
  TPVBitmap* targetAlpha = destination.GetAlphaChannel();
  if (!targetAlpha) return;
  targetAlpha->Opaque = false;
  const TPVBitmap* sourceAlpha = source.AlphaBitmap.get();
  const TThroughRange& r = *range;
  const int32_t count = r.Right - r.Left + 1;
  // The source alpha row is always copied aside: the two planes may be one.
  std::vector<uint8_t> sourceRow(static_cast<size_t>(count), 255);
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    if (sourceAlpha) {
      const uint8_t* from = sourceAlpha->GetScanline(y - r.SourceY);
      if (!from) return;
      std::memcpy(sourceRow.data(), from + (r.Left - r.SourceX), sourceRow.size());
    }
    uint8_t* to = targetAlpha->GetScanline(y - r.TargetY);
    if (!to) return;
    to += r.Left - r.TargetX;
    const uint8_t* mask = GetRow(y);
    for (int32_t k = 0; k < count; ++k) {
      const int32_t x = r.Left + k;
      if (BitsPerPixel == 1)
        to[k] = GetBit(mask, x) ? sourceRow[k] : 0;
      else
        to[k] = std::min(sourceRow[k], mask[x]);  // 0 where the mask is 0
    }
  }
}

}  // namespace calmora
