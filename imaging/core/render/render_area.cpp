// The bounds every renderer keeps to: the painted area cut to what the row table, the maps and
// both bitmaps cover; the straight row copy of a 1:1 render; the alpha bytes of a blended row.
#include <algorithm>
#include <cstring>

#include "imaging/core/render/bitmap_renderers.h"

namespace calmora::render {

int64_t TabledOperationPixels = 4 * 65536;

namespace {

// Moves the first row (column) up to 0, dropping the map entries of the rows left out.
bool StartAtZero(int32_t& first, std::span<const int32_t>& map, bool withMap) {
  if (first >= 0) return true;
  const int64_t skipped = -int64_t{first};
  first = 0;
  if (!withMap) return true;
  if (skipped >= static_cast<int64_t>(map.size())) return false;
  map = map.subspan(static_cast<size_t>(skipped));
  return true;
}

// Ends the run at the last entry before the first one outside 0..size - 1.
int32_t LastInside(int32_t first, int32_t last, std::span<const int32_t> map, int32_t size) {
  const int64_t count = std::min<int64_t>(int64_t{last} - first + 1, map.size());
  for (int64_t i = 0; i < count; ++i)
    if (map[i] < 0 || map[i] >= size) return static_cast<int32_t>(first + i - 1);
  return static_cast<int32_t>(first + count - 1);
}

bool TargetTakesPixels(const TPVBitmap& target) {
  return target.GetPixelFormat() == pv24RGB && target.GetWidth() > 0;
}

}  // namespace

bool LimitToMaps(const TPVBitmap& source, TPVRenderRows rows, const TPVBitmap& target,
                 TPVRenderArea& area) {
  if (!TargetTakesPixels(target) || source.IsEmpty()) return false;
  if (!StartAtZero(area.FirstRow, area.YMap, true) ||
      !StartAtZero(area.FirstColumn, area.XMap, true))
    return false;
  area.LastRow = static_cast<int32_t>(
      std::min<int64_t>(area.LastRow, static_cast<int64_t>(rows.size()) - 1));
  area.LastColumn = std::min(area.LastColumn, target.GetWidth() - 1);
  area.LastRow = LastInside(area.FirstRow, area.LastRow, area.YMap, source.GetHeight());
  area.LastColumn = LastInside(area.FirstColumn, area.LastColumn, area.XMap, source.GetWidth());
  return area.FirstRow <= area.LastRow && area.FirstColumn <= area.LastColumn;
}

bool LimitToStraightCopy(const TPVBitmap& source, TPVRenderRows rows, const TPVBitmap& target,
                         TPVRenderArea& area) {
  if (!TargetTakesPixels(target) || source.IsEmpty()) return false;
  // Target row r reads source row r + (SourceY - TargetY): both ends must lie in the source.
  const int64_t rowShift = int64_t{area.SourceY} - area.TargetY;
  const int64_t columnShift = int64_t{area.SourceX} - area.TargetX;
  const int64_t firstRow = std::max<int64_t>({area.FirstRow, 0, -rowShift});
  const int64_t lastRow = std::min<int64_t>(
      {area.LastRow, static_cast<int64_t>(rows.size()) - 1, source.GetHeight() - 1 - rowShift});
  const int64_t firstColumn = std::max<int64_t>({area.FirstColumn, 0, -columnShift});
  const int64_t lastColumn = std::min<int64_t>(
      {area.LastColumn, target.GetWidth() - 1, source.GetWidth() - 1 - columnShift});
  if (firstRow > lastRow || firstColumn > lastColumn) return false;
  area.FirstRow = static_cast<int32_t>(firstRow);
  area.LastRow = static_cast<int32_t>(lastRow);
  area.FirstColumn = static_cast<int32_t>(firstColumn);
  area.LastColumn = static_cast<int32_t>(lastColumn);
  return true;
}

void CopyStraight(const TPVBitmap& source, TPVRenderRows rows, const TPVRenderArea& area) {
  const int64_t firstSourceColumn = int64_t{area.FirstColumn} + area.SourceX - area.TargetX;
  const auto bytes = static_cast<size_t>(area.LastColumn - area.FirstColumn + 1) * 3;
  for (int32_t r = area.FirstRow; r <= area.LastRow; ++r) {
    const uint8_t* in = source.GetScanline(r + area.SourceY - area.TargetY);
    if (!in || !rows[r]) continue;
    std::memcpy(rows[r] + int64_t{area.FirstColumn} * 3, in + firstSourceColumn * 3, bytes);
  }
}

// The operations it serves work on each channel alone, so one BlendPixel call fills three
// entries: target levels d, d + 1 and d + 2 in blue, green and red.
TabledOperationColor::TabledOperationColor(TPVBlendOperation operation) : table_(65536) {
  for (int32_t s = 0; s < 256; ++s) {
    const auto level = static_cast<uint8_t>(s);
    for (int32_t d = 0; d < 256; d += 3) {
      TPVRGB pixel{static_cast<uint8_t>(d), static_cast<uint8_t>(std::min(d + 1, 255)),
                   static_cast<uint8_t>(std::min(d + 2, 255))};
      BlendPixel(TPVRGB{level, level, level}, pixel, operation);
      uint8_t* entries = &table_[s << 8 | d];
      entries[0] = pixel.b;
      if (d + 1 < 256) entries[1] = pixel.g;
      if (d + 2 < 256) entries[2] = pixel.r;
    }
  }
}

void TabledOperationColor::CombineRow(TPVRGB* colors, const uint8_t* target,
                                      int32_t count) const {
  const uint8_t* __restrict table = table_.data();
  uint8_t* __restrict c = &colors->b;
  const uint8_t* __restrict t = target;
  for (int32_t j = 0; j < count * 3; ++j) c[j] = table[c[j] << 8 | t[j]];
}

void OperationColor::CombineRow(TPVRGB* colors, const uint8_t* target, int32_t count) const {
  for (int32_t i = 0; i < count; ++i) {
    TPVRGB d = pixel_access::Read<TPVRGB>(target, i);
    BlendPixel(colors[i], d, Operation);
    colors[i] = d;
  }
}

MappedRowCopy24::MappedRowCopy24(std::span<const int32_t> xMap, int32_t count,
                                 int32_t sourceRowLength)
    : offsets_(static_cast<size_t>(std::max(count, 0))) {
  const int64_t lastWord = int64_t{sourceRowLength} - 4;  // last offset a 4-byte read may take
  int32_t words = 0;
  for (int32_t i = 0; i < count; ++i) {
    offsets_[i] = xMap[i] * 3;
    if (words == i && offsets_[i] <= lastWord) ++words;
  }
  wordColumns_ = words & ~3;
}

void MappedRowCopy24::Run(const uint8_t* in, const uint8_t* next, uint8_t* out) const {
  const int32_t* at = offsets_.data();
  const auto pixel = [in](int32_t offset) {
    uint32_t value;
    std::memcpy(&value, in + offset, 4);
    return uint64_t{value & 0xFFFFFFu};
  };
  int32_t i = 0;
  for (; i < wordColumns_; i += 4, out += 12) {
    if (next) __builtin_prefetch(next + at[i]);
    const uint64_t third = pixel(at[i + 2]);
    const uint64_t low = pixel(at[i]) | pixel(at[i + 1]) << 24 | third << 48;
    const auto high = static_cast<uint32_t>(third >> 16 | pixel(at[i + 3]) << 8);
    std::memcpy(out, &low, 8);
    std::memcpy(out + 8, &high, 4);
  }
  for (const auto count = static_cast<int32_t>(offsets_.size()); i < count; ++i, out += 3)
    std::memcpy(out, in + at[i], 3);
}

void BlendRow(uint8_t* __restrict target, const uint8_t* __restrict colors,
              const uint8_t* __restrict weights, int32_t bytes) {
  for (int32_t j = 0; j < bytes; ++j) {
    const auto w = static_cast<uint16_t>(weights[j]);
    target[j] = static_cast<uint8_t>((target[j] * (256 - w) + colors[j] * w) >> 8);
  }
}

const uint8_t* AlphaRowOf(const TPVBitmap& source, const TPVRenderOpacity& opacity,
                          int32_t sourceRow) {
  if (opacity.UseAlphaPlane) {
    // A plane that does not cover the image (never made so here) counts as none.
    const TPVBitmap* plane = source.AlphaBitmap.get();
    if (plane && plane->GetPixelFormat() == pv8g && plane->GetWidth() >= source.GetWidth() &&
        plane->GetHeight() >= source.GetHeight())
      return plane->GetScanline(sourceRow);
  }
  if (opacity.AlphaRow.size() >= static_cast<size_t>(source.GetWidth()))
    return opacity.AlphaRow.data();
  return nullptr;
}

}  // namespace calmora::render
