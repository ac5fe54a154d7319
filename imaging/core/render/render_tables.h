// What a scaled render of a TPVBitmap works from: the target's row table, the column and row
// maps (kept by a caller between renders of the same geometry), and the painted area and
// opacity that RenderToBitmap hands each per-format renderer.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace calmora {

// The target's rows, index 0 the top one. Empty: let the render build it.
using TPVRenderRowTable = std::vector<uint8_t*>;
// The same rows as a renderer reads them.
using TPVRenderRows = std::span<uint8_t* const>;
// A source column per target column, or a source row per target row. Empty: let the render
// build it. A map the render builds starts at the first painted column (row); one passed in is
// read from the entry (first painted column - targetX), (first painted row - targetY).
using TPVRenderMap = std::vector<int32_t>;

// Scale factors carry 14 fraction bits: this is 1:1.
inline constexpr int64_t kRenderScaleOne = 0x4000;

// Where a renderer paints, in the order a renderer takes its arguments. Rows and columns of
// the target are inclusive; entry i of YMap is the source row of target row FirstRow + i, entry
// i of XMap the source column of target column FirstColumn + i.
struct TPVRenderArea {
  bool RowReuse = false;  // a target row showing the same source row as the one above copies it
  int64_t YScale = kRenderScaleOne;  // source rows per target row, 14 fraction bits
  int64_t XScale = kRenderScaleOne;
  int32_t LastRow = -1;
  int32_t LastColumn = -1;
  int32_t FirstRow = 0;
  int32_t FirstColumn = 0;
  int32_t TargetY = 0;
  int32_t TargetX = 0;
  int32_t SourceY = 0;
  int32_t SourceX = 0;
  std::span<const int32_t> YMap;
  std::span<const int32_t> XMap;
};

// How far the blended renderers move each target pixel toward the source's: by the smaller of
// Transparency and the alpha byte of the source column, read from the source's alpha plane when
// UseAlphaPlane, else from AlphaRow (a byte per source column).
struct TPVRenderOpacity {
  std::span<const uint8_t> AlphaRow;
  bool UseAlphaPlane = false;
  int32_t Transparency = 255;
};

}  // namespace calmora
