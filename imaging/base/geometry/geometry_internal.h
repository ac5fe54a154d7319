// What the geometry files share, inline as the searches' innermost step: saturating conversions
// to coordinates, and the point-to-segment distance behind every hit test, which the pen-width
// searches must reproduce value for value.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "imaging/base/geometry/geometry.h"

namespace calmora::geometry_detail {

// An end further than this on either axis counts as far away (FarDistance); the hit tests
// rely on that answer rather than on the exact distance.
inline constexpr int64_t NearBound = 45000;

inline int32_t ClampToInt32(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Trunc toward zero into int64; values beyond the range saturate, NaN gives 0.
inline int64_t TruncToInt64(long double Value) {
  if (std::isnan(Value)) return 0;
  if (Value >= 9.2e18L) return std::numeric_limits<int64_t>::max();
  if (Value <= -9.2e18L) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(Value);
}

inline int32_t TruncToInt32(long double Value) { return ClampToInt32(TruncToInt64(Value)); }

inline bool IsNear(int64_t x, int64_t y, int64_t px, int64_t py) {
  return std::llabs(x - px) <= NearBound && std::llabs(y - py) <= NearBound;
}

inline double Distance(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  const double dx = static_cast<double>(x2 - x1);
  const double dy = static_cast<double>(y2 - y1);
  return std::sqrt(dx * dx + dy * dy);
}

// Distance from (x, y) to the line through two different points, written relative to the
// first point: the same value as |(y1 - y2) x + (x2 - x1) y + x1 y2 - x2 y1| / length, without
// the large products that cancel.
inline double LineDistance(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  const double ux = static_cast<double>(x2 - x1);
  const double uy = static_cast<double>(y2 - y1);
  const double cross = -uy * static_cast<double>(x - x1) + ux * static_cast<double>(y - y1);
  return std::fabs(cross) / std::sqrt(uy * uy + ux * ux);
}

// CalcDistanceToSegment on 64-bit coordinates: the pen-width searches shift ends past int32.
inline double SegmentDistance(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2,
                              int64_t y2) {
  const double dA = Distance(x, y, x1, y1);
  if (x1 == x2 && y1 == y2) return dA;
  const double ux = static_cast<double>(x2 - x1);
  const double uy = static_cast<double>(y2 - y1);
  const double t =
      (static_cast<double>(x - x1) * ux + static_cast<double>(y - y1) * uy) / (ux * ux + uy * uy);
  if (t > 1) return IsNear(x, y, x2, y2) ? Distance(x, y, x2, y2) : FarDistance;
  if (t >= 0) return LineDistance(x, y, x1, y1, x2, y2);
  return IsNear(x, y, x1, y1) ? dA : FarDistance;
}

}  // namespace calmora::geometry_detail
