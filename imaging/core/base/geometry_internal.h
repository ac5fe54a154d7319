// What the geometry files share: saturating conversions of reals and 64-bit values to
// coordinates, and the point-to-segment distance behind every hit test, which the searches
// over pen widths and ellipse samples must reproduce value for value.
#pragma once

#include <cstdint>

namespace calmora::geometry_detail {

// An end further than this on either axis counts as far away (FarDistance); the hit tests
// rely on that answer rather than on the exact distance.
inline constexpr int64_t NearBound = 45000;

int32_t ClampToInt32(int64_t Value);
// Trunc toward zero into int64; values beyond the range saturate, NaN gives 0.
int64_t TruncToInt64(long double Value);
int32_t TruncToInt32(long double Value);

double Distance(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
// Distance from (x, y) to the line through two different points.
double LineDistance(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2, int64_t y2);
// CalcDistanceToSegment on 64-bit coordinates: the pen-width loops shift ends past int32.
double SegmentDistance(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2, int64_t y2);

}  // namespace calmora::geometry_detail
