// TPVBitmap::StretchRectTo: a pv1g or pv24RGB rectangle copied scaled into a pv24RGB bitmap,
// nearest neighbour on 14-bit fixed-point scales (or resampled first), setting the target's
// alpha plane over the painted area.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/render/render_resampling.h"
#include "imaging/base/bit_helpers.h"

namespace calmora {

namespace {

// One axis of the stretch: target position t shows source position start + ((t - tx) x scale
// >> 14). The product is taken in 64 bits: a source 131,072 pixels wide or more overflows 32.
struct StretchAxis {
  int64_t targetStart;
  int64_t sourceStart;
  int64_t scale;
  int64_t first;  // painted target positions, inclusive
  int64_t last;

  StretchAxis(int32_t tx, int32_t tw, int32_t sx, int32_t sw, int32_t targetSize)
      : targetStart(tx),
        sourceStart(sx),
        scale(static_cast<int64_t>(std::trunc(static_cast<double>(sw) / tw * 16384))),
        first(std::max(tx, 0)),
        last(std::min<int64_t>(int64_t{tx} + tw - 1, targetSize - 1)) {}

  int64_t SourceOf(int64_t t) const { return sourceStart + (((t - targetStart) * scale) >> 14); }
  bool OneToOne() const { return scale == 16384; }
  // Drops the positions at either end that would read outside the source (the positions map
  // monotonically, so the ones inside form one run).
  void KeepInside(int32_t sourceSize) {
    const auto inside = [&](int64_t t) {
      const int64_t s = SourceOf(t);
      return s >= 0 && s < sourceSize;
    };
    while (first <= last && !inside(first)) ++first;
    while (last >= first && !inside(last)) --last;
  }
  bool Empty() const { return first > last; }
};

// The target's alpha plane over the area: alpha everywhere, or the source's mapped alpha bytes
// limited to alpha. The plane stops calling itself opaque when a byte below 255 goes in.
void StretchAlpha(const TPVBitmap& source, TPVBitmap& target, const StretchAxis& columns,
                  const StretchAxis& rows, uint8_t alpha) {
  TPVBitmap* plane = target.GetAlphaChannel();
  if (!plane) return;
  const TPVBitmap* sourcePlane = source.AlphaBitmap.get();
  const bool planeCovers = sourcePlane && sourcePlane->GetPixelFormat() == pv8g &&
                           sourcePlane->GetWidth() >= source.GetWidth() &&
                           sourcePlane->GetHeight() >= source.GetHeight();
  if (!planeCovers || sourcePlane->Opaque) {
    plane->FillRect(static_cast<int32_t>(columns.first), static_cast<int32_t>(rows.first),
                    static_cast<int32_t>(columns.last), static_cast<int32_t>(rows.last), alpha);
    if (alpha < 255) plane->Opaque = false;
    return;
  }
  uint8_t lowest = 255;
  for (int64_t y = rows.first; y <= rows.last; ++y) {
    const uint8_t* in = sourcePlane->GetScanline(static_cast<int32_t>(rows.SourceOf(y)));
    uint8_t* out = plane->GetScanline(static_cast<int32_t>(y));
    if (!in || !out) continue;
    for (int64_t x = columns.first; x <= columns.last; ++x) {
      out[x] = std::min(alpha, in[columns.SourceOf(x)]);
      lowest = std::min(lowest, out[x]);
    }
  }
  if (lowest < 255) plane->Opaque = false;
}

void StretchPixels(const TPVBitmap& source, TPVBitmap& target, const StretchAxis& columns,
                   const StretchAxis& rows) {
  const TPVPixelFormat format = source.GetPixelFormat();
  if (format != pv1g && format != pv24RGB) return;
  const bool straight = format == pv24RGB && columns.OneToOne();
  for (int64_t y = rows.first; y <= rows.last; ++y) {
    const uint8_t* in = source.GetScanline(static_cast<int32_t>(rows.SourceOf(y)));
    uint8_t* out = target.GetScanline(static_cast<int32_t>(y));
    if (!in || !out) continue;
    if (straight) {
      std::memcpy(out + columns.first * 3, in + columns.SourceOf(columns.first) * 3,
                  static_cast<size_t>(columns.last - columns.first + 1) * 3);
      continue;
    }
    for (int64_t x = columns.first; x <= columns.last; ++x) {
      const int64_t s = columns.SourceOf(x);
      if (format == pv1g)
        std::memset(out + x * 3, GetBit(in, static_cast<int32_t>(s)) ? 255 : 0, 3);
      else
        std::memcpy(out + x * 3, in + s * 3, 3);
    }
  }
}

}  // namespace

void TPVBitmap::StretchRectTo(TPVBitmap& target, int32_t targetX, int32_t targetY,
                              int32_t targetWidth, int32_t targetHeight, int32_t sourceX,
                              int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight,
                              TResampleFilter filter, int32_t alpha) {
  if (target.GetPixelFormat() != pv24RGB || (&target == this && Location == pvFile)) return;
  const TPVPixelFormat format = GetPixelFormat();
  if (filter != rfNone && (sourceWidth != targetWidth || sourceHeight != targetHeight) &&
      (format == pv1g || format == pv24RGB)) {
    const bool greyReduction =
        format == pv1g && targetWidth <= sourceWidth && !HasAlphaChannel();
    const std::unique_ptr<TPVBitmap> resampled = ResampleRectForRenderProc(
        *this, sourceX, sourceY, sourceWidth, sourceHeight, targetWidth, targetHeight, filter,
        HasAlphaChannel(), greyReduction);
    if (resampled) {
      resampled->StretchRectTo(target, targetX, targetY, targetWidth, targetHeight, 0, 0,
                               targetWidth, targetHeight, rfNone, alpha);
      return;
    }
  }
  if (targetWidth <= 0 || targetHeight <= 0 || IsEmpty()) return;
  StretchAxis columns(targetX, targetWidth, sourceX, sourceWidth, target.GetWidth());
  StretchAxis rows(targetY, targetHeight, sourceY, sourceHeight, target.GetHeight());
  columns.KeepInside(GetWidth());
  rows.KeepInside(GetHeight());
  if (columns.Empty() || rows.Empty()) return;
  StretchAlpha(*this, target, columns, rows, static_cast<uint8_t>(std::clamp(alpha, 0, 255)));
  StretchPixels(*this, target, columns, rows);
}

}  // namespace calmora
