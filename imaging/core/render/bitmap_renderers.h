// The one row loop behind the twenty renderers of TPVBitmap: each target pixel of the area
// takes the colour a pixel reader gives for its mapped source pixel, replacing the target
// pixel (opaque) or moving it part of the way (blended), through a blend operation or not.
// Also the straight row copy of a 1:1 pv24RGB render.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"

namespace calmora::render {

// Limits the area to the rows of the row table, the columns of the target, the entries of
// the maps and the first map entry that lies outside the source, so that the loop below reads
// and writes nothing outside the bitmaps. False when nothing is left or the target is not
// pv24RGB.
bool LimitToMaps(const TPVBitmap& source, TPVRenderRows rows, const TPVBitmap& target,
                 TPVRenderArea& area);
// The same for a copy that reads target row r, column c from source row r + SourceY -
// TargetY, column c + SourceX - TargetX, without maps.
bool LimitToStraightCopy(const TPVBitmap& source, TPVRenderRows rows, const TPVBitmap& target,
                         TPVRenderArea& area);

// Each area row gets its source row's bytes (3 per pixel) as they stand.
void CopyStraight(const TPVBitmap& source, TPVRenderRows rows, const TPVRenderArea& area);

// The transparency limited to the bytes it blends by: a value below 0 moves nothing.
inline int32_t OpacityLimit(int32_t transparency) { return std::clamp(transparency, 0, 255); }

// The alpha bytes a blended row reads by source column: the alpha plane's row, the opacity's
// row, or none (every byte the transparency).
const uint8_t* AlphaRowOf(const TPVBitmap& source, const TPVRenderOpacity& opacity,
                          int32_t sourceRow);

// How the new colours of a row come about: the source colours themselves, or a blend
// operation of each over (a copy of) its target pixel.
struct SourceColor {
  static constexpr bool kReadsTarget = false;
};

struct OperationColor {
  static constexpr bool kReadsTarget = true;
  TPVBlendOperation Operation;
  void CombineRow(TPVRGB* colors, const uint8_t* target, int32_t count) const;
};

// The operations that treat the three channels alike, looked up in a table of all 65536
// (source, target) pairs that BlendPixel itself fills, once per render.
class TabledOperationColor {
 public:
  static constexpr bool kReadsTarget = true;
  static bool Serves(TPVBlendOperation operation) { return operation <= pvboLinearLight; }
  explicit TabledOperationColor(TPVBlendOperation operation);
  void CombineRow(TPVRGB* colors, const uint8_t* target, int32_t count) const;

 private:
  std::vector<uint8_t> table_;  // entry s x 256 + d
};

// From this many pixels on, an operation goes through its table: below, filling the table
// costs more than it saves. A variable so that tests can send small renders through tables.
extern int64_t TabledOperationPixels;

// A plain pv24RGB row through the column map, four pixels at a time gathered into one 8-byte
// and one 4-byte store: a pixel-by-pixel copy is bound by its stores. Each pixel is read as 4
// bytes; the columns from the first whose fourth byte would lie past the source row on are
// copied 3 bytes at a time.
class MappedRowCopy24 {
 public:
  MappedRowCopy24(std::span<const int32_t> xMap, int32_t count, int32_t sourceRowLength);
  // next: the source row to fetch into the cache meanwhile, or null.
  void Run(const uint8_t* in, const uint8_t* next, uint8_t* out) const;

 private:
  std::vector<int32_t> offsets_;  // byte offset of each column's source pixel
  int32_t wordColumns_ = 0;       // leading columns read as 4 bytes, a multiple of 4
};

// Each target byte t of a row moves toward the colour byte c by the weight w (0..255) of its
// pixel: t + floor((c - t) x w / 256), taken as (t x (256 - w) + c x w) / 256, which stays in
// 16 bits and runs many bytes at once.
void BlendRow(uint8_t* target, const uint8_t* colors, const uint8_t* weights, int32_t bytes);

// The loop. Per row: the source colours through the maps (straight into the target when
// nothing else is to be done); with an operation, combined with the target pixels; then
// written, or blended by min(transparency, alpha byte). RowReuse applies to opaque renders
// only, and copies only the painted columns of the row above: the rest of a target row is not
// the render's, and a row above would overwrite it with its own pixels. A reader that declares
// kCopiesMappedRows has its colours copied by MappedRowCopy24.
template <bool Blended, class Reader, class Combine>
void PaintMapped(const TPVBitmap& source, const Reader& read, const Combine& combine,
                 TPVRenderRows rows, const TPVRenderArea& area, const TPVRenderOpacity& opacity) {
  constexpr bool kGathers = Blended || Combine::kReadsTarget;
  constexpr bool kCopiesRows = requires { Reader::kCopiesMappedRows; };
  const int32_t columns = area.LastColumn - area.FirstColumn + 1;
  const int32_t* xMap = area.XMap.data();
  const int32_t limit = OpacityLimit(opacity.Transparency);
  std::optional<MappedRowCopy24> copy;
  if constexpr (kCopiesRows) copy.emplace(area.XMap, columns, source.GetRowLen());
  std::vector<TPVRGB> colors(kGathers ? static_cast<size_t>(columns) : 0);
  std::vector<uint8_t> weights(Blended ? static_cast<size_t>(columns) * 3 : 0);
  const uint8_t* weighedAlpha = nullptr;  // the alpha row the weights were taken from
  bool weighed = false;
  int32_t previousSourceRow = -1;
  for (int32_t r = area.FirstRow; r <= area.LastRow; ++r) {
    uint8_t* out = rows[r];
    if (!out) continue;
    const int32_t s = area.YMap[r - area.FirstRow];
    const int64_t firstByte = static_cast<int64_t>(area.FirstColumn) * 3;
    if (!Blended && area.RowReuse && r > area.FirstRow && s == previousSourceRow && rows[r - 1]) {
      std::memcpy(out + firstByte, rows[r - 1] + firstByte, static_cast<size_t>(columns) * 3);
      continue;
    }
    const uint8_t* in = source.GetScanline(s);
    // A row left unpainted is no row to copy from.
    previousSourceRow = in ? s : -1;
    if (!in) continue;
    out += firstByte;
    uint8_t* gathered = kGathers ? &colors[0].b : out;
    if constexpr (kCopiesRows) {
      // The next source row is fetched while this one is copied; not a file's, whose rows
      // come through one window.
      const uint8_t* next = r < area.LastRow && source.Location != pvFile
                                ? source.GetScanline(area.YMap[r + 1 - area.FirstRow])
                                : nullptr;
      copy->Run(in, next != in ? next : nullptr, gathered);
    } else {
      for (int32_t i = 0; i < columns; ++i) pixel_access::Write(gathered, i, read(in, xMap[i]));
    }
    if constexpr (Combine::kReadsTarget) combine.CombineRow(colors.data(), out, columns);
    if constexpr (Blended) {
      // The weights of a row that is not the alpha plane's hold for every row.
      const uint8_t* alpha = AlphaRowOf(source, opacity, s);
      if (!weighed || alpha != weighedAlpha || opacity.UseAlphaPlane) {
        for (int32_t i = 0; i < columns; ++i) {
          const auto a =
              static_cast<uint8_t>(alpha ? std::min<int32_t>(limit, alpha[xMap[i]]) : limit);
          weights[3 * i] = weights[3 * i + 1] = weights[3 * i + 2] = a;
        }
        weighed = true;
        weighedAlpha = alpha;
      }
      BlendRow(out, gathered, weights.data(), columns * 3);
    } else if constexpr (kGathers) {
      std::memcpy(out, gathered, static_cast<size_t>(columns) * 3);
    }
  }
}

template <class Reader, class Combine>
void PaintWith(const TPVBitmap& source, const Reader& read, const Combine& combine,
               TPVRenderRows rows, const TPVRenderArea& area, const TPVRenderOpacity* opacity) {
  if (opacity)
    PaintMapped<true>(source, read, combine, rows, area, *opacity);
  else
    PaintMapped<false>(source, read, combine, rows, area, TPVRenderOpacity{});
}

// Limits the area and runs the loop made for the opacity (null: opaque) and operation.
template <class Reader>
void Paint(const TPVBitmap& source, const Reader& read, TPVRenderRows rows, TPVBitmap& target,
           TPVBlendOperation operation, TPVRenderArea area, const TPVRenderOpacity* opacity) {
  if (!LimitToMaps(source, rows, target, area)) return;
  const int64_t pixels = (int64_t{area.LastRow} - area.FirstRow + 1) *
                         (int64_t{area.LastColumn} - area.FirstColumn + 1);
  if (operation == pvboNormal)
    PaintWith(source, read, SourceColor{}, rows, area, opacity);
  else if (TabledOperationColor::Serves(operation) && pixels >= TabledOperationPixels)
    PaintWith(source, read, TabledOperationColor(operation), rows, area, opacity);
  else
    PaintWith(source, read, OperationColor{operation}, rows, area, opacity);
}

}  // namespace calmora::render
