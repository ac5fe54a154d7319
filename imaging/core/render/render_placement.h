// Where a scaled render draws: the target and source rectangles fitted to both bitmaps, the
// painted area inside the clip rectangle, and the maps from target columns and rows to source
// columns and rows.
#pragma once

#include <cstdint>

#include "imaging/base/geometry/geometry.h"
#include "imaging/core/render/render_tables.h"

namespace calmora::render {

struct Placement {
  int32_t TargetX = 0;
  int32_t TargetY = 0;
  int32_t TargetWidth = 0;
  int32_t TargetHeight = 0;
  int32_t SourceX = 0;
  int32_t SourceY = 0;
  int32_t SourceWidth = 0;
  int32_t SourceHeight = 0;
  // Source pixels per target pixel, of the rectangles as asked (FitPlacement keeps them).
  double RatioX = 0;
  double RatioY = 0;
};

// Fits the rectangles to a target and a source of the sizes given. A negative target start
// drops the target pixels before 0 and the source pixels they would show (rounded to the
// nearest, halves to even); a target rectangle reaching past the target drops what lies
// beyond, and the source pixels it would show (truncated); then each start is clamped into its
// bitmap and each size into 0..the bitmap's size. False when nothing is left to draw.
bool FitPlacement(Placement& placement, int32_t targetWidth, int32_t targetHeight,
                  int32_t sourceWidth, int32_t sourceHeight);

// The target rectangle within the clip rectangle (inclusive; null for none) and the target:
// the first and last row and column to paint, with the placement's starts and the scales
// (Trunc(source size / target size x 16384)). Empty when First > Last.
TPVRenderArea PaintedArea(const Placement& placement, const TRect* clip, int32_t targetWidth,
                          int32_t targetHeight);

// Entries for target positions first..last: Trunc((t - targetStart) x ratio + sourceStart)
// limited to 0..sourceSize - 1.
TPVRenderMap BuildMap(int32_t first, int32_t last, int32_t targetStart, double ratio,
                      int32_t sourceStart, int32_t sourceSize);

}  // namespace calmora::render
