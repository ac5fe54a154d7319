// Fitting a render's rectangles to its bitmaps, the painted area and the column and row maps.
// Sums of starts and sizes are taken in 64 bits: callers may pass any int32.
#include "imaging/core/render/render_placement.h"

#include <algorithm>
#include <cmath>

namespace calmora::render {

namespace {

// One axis of a placement: the target start and size, the source start and size, the ratio.
struct Axis {
  int64_t targetStart, targetSize, sourceStart, sourceSize;
  double ratio;
};

void FitAxis(Axis& a, int32_t targetLimit) {
  if (a.targetStart < 0) {
    const int64_t k = -a.targetStart;
    const auto shown = static_cast<int64_t>(std::nearbyint(static_cast<double>(k) * a.ratio));
    a.targetSize -= k;
    a.sourceSize -= shown;
    a.sourceStart += shown;
    a.targetStart = 0;
  }
  const int64_t excess = a.targetStart + a.targetSize - targetLimit;
  if (excess > 0) {
    a.sourceSize -= static_cast<int64_t>(std::trunc(static_cast<double>(excess) * a.ratio));
    a.targetSize = targetLimit - a.targetStart;
  }
}

int32_t Clamp(int64_t value, int64_t low, int64_t high) {
  return static_cast<int32_t>(std::clamp(value, low, high));
}

}  // namespace

bool FitPlacement(Placement& p, int32_t targetWidth, int32_t targetHeight, int32_t sourceWidth,
                  int32_t sourceHeight) {
  if (p.TargetWidth == 0 || p.TargetHeight == 0 || p.SourceWidth == 0 || p.SourceHeight == 0 ||
      p.TargetY > targetHeight - 1 || p.TargetX > targetWidth - 1 || sourceWidth < 1 ||
      sourceHeight < 1)
    return false;
  p.RatioY = static_cast<double>(p.SourceHeight) / p.TargetHeight;
  p.RatioX = static_cast<double>(p.SourceWidth) / p.TargetWidth;
  Axis x{p.TargetX, p.TargetWidth, p.SourceX, p.SourceWidth, p.RatioX};
  Axis y{p.TargetY, p.TargetHeight, p.SourceY, p.SourceHeight, p.RatioY};
  FitAxis(y, targetHeight);
  FitAxis(x, targetWidth);
  p.TargetX = Clamp(x.targetStart, 0, targetWidth - 1);
  p.TargetY = Clamp(y.targetStart, 0, targetHeight - 1);
  p.TargetWidth = Clamp(x.targetSize, 0, targetWidth);
  p.TargetHeight = Clamp(y.targetSize, 0, targetHeight);
  p.SourceX = Clamp(x.sourceStart, 0, sourceWidth - 1);
  p.SourceY = Clamp(y.sourceStart, 0, sourceHeight - 1);
  p.SourceWidth = Clamp(x.sourceSize, 0, sourceWidth);
  p.SourceHeight = Clamp(y.sourceSize, 0, sourceHeight);
  return p.TargetWidth > 0 && p.TargetHeight > 0 && p.SourceWidth > 0 && p.SourceHeight > 0;
}

TPVRenderArea PaintedArea(const Placement& p, const TRect* clip, int32_t targetWidth,
                          int32_t targetHeight) {
  // No clip rectangle: one wider than any bitmap.
  const TRect open{-2147483646, -2147483646, 2147483646, 2147483646};
  const TRect& c = clip ? *clip : open;
  TPVRenderArea area;
  area.YScale = static_cast<int64_t>(
      std::trunc(static_cast<double>(p.SourceHeight) / p.TargetHeight * kRenderScaleOne));
  area.XScale = static_cast<int64_t>(
      std::trunc(static_cast<double>(p.SourceWidth) / p.TargetWidth * kRenderScaleOne));
  area.FirstRow = std::max({c.Top, p.TargetY, 0});
  area.FirstColumn = std::max({c.Left, p.TargetX, 0});
  area.LastRow = static_cast<int32_t>(std::min<int64_t>(
      {c.Bottom, int64_t{p.TargetY} + p.TargetHeight - 1, targetHeight - 1}));
  area.LastColumn = static_cast<int32_t>(std::min<int64_t>(
      {c.Right, int64_t{p.TargetX} + p.TargetWidth - 1, targetWidth - 1}));
  area.TargetX = p.TargetX;
  area.TargetY = p.TargetY;
  area.SourceX = p.SourceX;
  area.SourceY = p.SourceY;
  return area;
}

TPVRenderMap BuildMap(int32_t first, int32_t last, int32_t targetStart, double ratio,
                      int32_t sourceStart, int32_t sourceSize) {
  TPVRenderMap map;
  if (last < first) return map;
  map.resize(static_cast<size_t>(int64_t{last} - first + 1));
  for (int64_t t = first; t <= last; ++t) {
    const double position = static_cast<double>(t - targetStart) * ratio + sourceStart;
    const double limited = std::clamp(std::trunc(position), 0.0, sourceSize - 1.0);
    map[static_cast<size_t>(t - first)] = static_cast<int32_t>(limited);
  }
  return map;
}

}  // namespace calmora::render
