// The one row loop behind the twenty renderers of TPVBitmap: each target pixel of the area
// takes the colour a pixel reader gives for its mapped source pixel, replacing the target
// pixel (opaque) or moving it part of the way (blended), through a blend operation or not.
// Also the straight row copy of a 1:1 pv24RGB render.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/core/bitmap.h"
#include "imaging/core/bitmap_pixels.h"

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

// d + floor((v - d) x a / 256), in the 32-bit fixed point that makes a = 255 stop one level
// short of v when v is above d (255 over 0 gives 254).
inline uint8_t MoveToward(uint8_t d, uint8_t v, int32_t a) {
  return static_cast<uint8_t>(d + (((v - d) * (a << 10)) >> 18));
}

// The alpha bytes a blended row reads by source column: the alpha plane's row, the opacity's
// row, or none (every byte the transparency).
const uint8_t* AlphaRowOf(const TPVBitmap& source, const TPVRenderOpacity& opacity,
                          int32_t sourceRow);

// The loop. Blended: each channel moves toward the new colour by min(transparency, alpha
// byte); WithOperation: the new colour is the blend operation of the source colour over (a
// copy of) the target pixel. RowReuse applies to opaque renders only.
template <bool Blended, bool WithOperation, class Reader>
void PaintMapped(const TPVBitmap& source, const Reader& read, TPVRenderRows rows,
                 int32_t targetRowLength, TPVBlendOperation operation, const TPVRenderArea& area,
                 const TPVRenderOpacity& opacity) {
  const int32_t columns = area.LastColumn - area.FirstColumn + 1;
  const int32_t* xMap = area.XMap.data();
  const int32_t limit = OpacityLimit(opacity.Transparency);
  int32_t previousSourceRow = -1;
  for (int32_t r = area.FirstRow; r <= area.LastRow; ++r) {
    uint8_t* out = rows[r];
    if (!out) continue;
    const int32_t s = area.YMap[r - area.FirstRow];
    if (!Blended && area.RowReuse && r > area.FirstRow && s == previousSourceRow && rows[r - 1]) {
      std::memcpy(out, rows[r - 1], static_cast<size_t>(targetRowLength));
      continue;
    }
    const uint8_t* in = source.GetScanline(s);
    if (!in) continue;
    previousSourceRow = s;
    out += static_cast<int64_t>(area.FirstColumn) * 3;
    [[maybe_unused]] const uint8_t* alpha = Blended ? AlphaRowOf(source, opacity, s) : nullptr;
    for (int32_t i = 0; i < columns; ++i) {
      const int32_t x = xMap[i];
      TPVRGB v = read(in, x);
      if constexpr (WithOperation || Blended) {
        TPVRGB d = pixel_access::Read<TPVRGB>(out, i);
        if constexpr (WithOperation) {
          TPVRGB combined = d;
          BlendPixel(v, combined, operation);
          v = combined;
        }
        if constexpr (Blended) {
          const int32_t a = alpha ? std::min<int32_t>(limit, alpha[x]) : limit;
          v = TPVRGB{MoveToward(d.b, v.b, a), MoveToward(d.g, v.g, a), MoveToward(d.r, v.r, a)};
        }
      }
      pixel_access::Write(out, i, v);
    }
  }
}

// Limits the area and runs the loop made for the opacity (null: opaque) and operation.
template <class Reader>
void Paint(const TPVBitmap& source, const Reader& read, TPVRenderRows rows, TPVBitmap& target,
           TPVBlendOperation operation, TPVRenderArea area, const TPVRenderOpacity* opacity) {
  if (!LimitToMaps(source, rows, target, area)) return;
  const int32_t rowLength = target.GetRowLen();
  const TPVRenderOpacity none;
  if (opacity) {
    if (operation != pvboNormal)
      PaintMapped<true, true>(source, read, rows, rowLength, operation, area, *opacity);
    else
      PaintMapped<true, false>(source, read, rows, rowLength, operation, area, *opacity);
  } else if (operation != pvboNormal) {
    PaintMapped<false, true>(source, read, rows, rowLength, operation, area, none);
  } else {
    PaintMapped<false, false>(source, read, rows, rowLength, operation, area, none);
  }
}

}  // namespace calmora::render
