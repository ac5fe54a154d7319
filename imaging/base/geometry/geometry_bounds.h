// Lower bounds for the pen-width searches: the least that SegmentDistance can answer for any
// member of a group of point and segment pairs, aware of its FarDistance rule, from exact
// sign tests on integer points and distances in extended precision.
#pragma once

#include <cstdint>

namespace calmora::geometry_detail {

struct Point64 {
  int64_t x = 0;
  int64_t y = 0;
  friend bool operator==(const Point64&, const Point64&) = default;
};

// Inclusive integer box with left <= right and top <= bottom.
struct Box64 {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

// What SegmentDistance's double arithmetic may be off by when every coordinate and difference
// stays below `magnitude`; the bounds below are lowered by it. It rounds products of
// differences twice, so its error stays near magnitude x 2^-51; 2^-40 leaves a wide margin and
// costs the searches nothing.
inline long double RoundingSlack(int64_t magnitude) {
  return (1 + static_cast<long double>(magnitude)) * 0x1p-40L;
}

// No SegmentDistance(q, a, b) with q in the box lies below this.
double LowestSegmentDistance(const Box64& points, Point64 a, Point64 b, long double slack);
// No SegmentDistance(p, a, b) with a and b in the box lies below this.
double LowestChordDistance(Point64 p, const Box64& ends, long double slack);
// No SegmentDistance(p, origin, s) with s in the box lies below this.
double LowestSpokeDistance(Point64 p, const Box64& ends, long double slack);

}  // namespace calmora::geometry_detail
