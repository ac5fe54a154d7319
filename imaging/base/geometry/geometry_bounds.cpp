// Lower bounds of SegmentDistance over groups of points and segments. Sides of lines and which of
// its cases can apply are decided in 128-bit integers (coordinates stay below 2^36, products
// below 2^73), so a touching segment is never taken for a missing one; only lengths round.
#include "imaging/base/geometry/geometry_bounds.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/base/geometry/geometry.h"
#include "imaging/base/geometry/geometry_internal.h"

namespace calmora::geometry_detail {

namespace {

using Wide = __int128;

// Twice the signed area of (a, b, c): positive when c lies left of a -> b (y up).
Wide Orientation(Point64 a, Point64 b, Point64 c) {
  return Wide(b.x - a.x) * (c.y - a.y) - Wide(b.y - a.y) * (c.x - a.x);
}

int Sign(Wide value) { return (value > 0) - (value < 0); }

long double Length(int64_t dx, int64_t dy) {
  const auto x = static_cast<long double>(dx), y = static_cast<long double>(dy);
  return std::sqrt(x * x + y * y);
}

// c, collinear with a and b, lies within their box.
bool WithinBox(Point64 a, Point64 b, Point64 c) {
  return std::min(a.x, b.x) <= c.x && c.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= c.y &&
         c.y <= std::max(a.y, b.y);
}

bool SegmentsMeet(Point64 a, Point64 b, Point64 c, Point64 d) {
  const int o1 = Sign(Orientation(a, b, c)), o2 = Sign(Orientation(a, b, d));
  const int o3 = Sign(Orientation(c, d, a)), o4 = Sign(Orientation(c, d, b));
  if (o1 * o2 < 0 && o3 * o4 < 0) return true;
  return (o1 == 0 && WithinBox(a, b, c)) || (o2 == 0 && WithinBox(a, b, d)) ||
         (o3 == 0 && WithinBox(c, d, a)) || (o4 == 0 && WithinBox(c, d, b));
}

// Clockwise on the screen from the top left.
std::array<Point64, 4> Corners(const Box64& box) {
  return {
      {{box.left, box.top}, {box.right, box.top}, {box.right, box.bottom}, {box.left, box.bottom}}};
}

bool InBox(Point64 p, const Box64& box) {
  return box.left <= p.x && p.x <= box.right && box.top <= p.y && p.y <= box.bottom;
}

long double PointToSegment(Point64 p, Point64 a, Point64 b) {
  const int64_t ux = b.x - a.x, uy = b.y - a.y;
  const Wide along = Wide(p.x - a.x) * ux + Wide(p.y - a.y) * uy;
  const Wide squared = Wide(ux) * ux + Wide(uy) * uy;
  if (along <= 0 || squared == 0) return Length(p.x - a.x, p.y - a.y);
  if (along >= squared) return Length(p.x - b.x, p.y - b.y);
  const Wide cross = Orientation(a, b, p);
  return std::fabs(static_cast<long double>(cross)) / Length(ux, uy);
}

long double PointToTriangle(Point64 p, Point64 a, Point64 b, Point64 c) {
  const Wide o1 = Orientation(a, b, p), o2 = Orientation(b, c, p), o3 = Orientation(c, a, p);
  const bool flat = Orientation(a, b, c) == 0;
  if (!flat && ((o1 >= 0 && o2 >= 0 && o3 >= 0) || (o1 <= 0 && o2 <= 0 && o3 <= 0))) return 0;
  return std::min({PointToSegment(p, a, b), PointToSegment(p, b, c), PointToSegment(p, c, a)});
}

long double SegmentToSegment(Point64 a, Point64 b, Point64 c, Point64 d) {
  if (SegmentsMeet(a, b, c, d)) return 0;
  return std::min({PointToSegment(a, c, d), PointToSegment(b, c, d), PointToSegment(c, a, b),
                   PointToSegment(d, a, b)});
}

long double PointToBox(Point64 p, const Box64& box) {
  const int64_t dx = std::max({box.left - p.x, int64_t{0}, p.x - box.right});
  const int64_t dy = std::max({box.top - p.y, int64_t{0}, p.y - box.bottom});
  return Length(dx, dy);
}

long double BoxToSegment(const Box64& box, Point64 a, Point64 b) {
  if (InBox(a, box) || InBox(b, box)) return 0;
  const auto corners = Corners(box);
  long double nearest = SegmentToSegment(corners[3], corners[0], a, b);
  for (int i = 1; i < 4; ++i)
    nearest = std::min(nearest, SegmentToSegment(corners[i - 1], corners[i], a, b));
  return nearest;
}

// The segments from the origin to the points of a box fill the hull of the origin and the
// box: the box itself and the four triangles of the origin with a side of the box.
long double PointToFan(Point64 p, const Box64& box) {
  const Point64 origin{0, 0};
  const auto corners = Corners(box);
  long double nearest = PointToBox(p, box);
  for (int i = 0; i < 4 && nearest > 0; ++i)
    nearest = std::min(nearest, PointToTriangle(p, origin, corners[i], corners[(i + 1) % 4]));
  return nearest;
}

bool BoxesMeet(const Box64& a, const Box64& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

// The points SegmentDistance counts as near an end.
Box64 NearBox(Point64 end) {
  return {end.x - NearBound, end.y - NearBound, end.x + NearBound, end.y + NearBound};
}

// How far SegmentDistance's double projection (q - a) . u may stray from the exact one, for
// |q - a| up to `reach` and |u| up to `length`: a relative 2^-52 of each product, so 2^-40
// leaves a wide margin. A case within this of applying is taken as possible.
Wide ProjectionTolerance(long double reach, long double length) {
  return static_cast<Wide>(std::ceil((reach + length + 1) * (length + 1) * 0x1p-40L)) + 1;
}

// A true distance lowered by the rounding, never below 0.
long double Lowered(long double distance, long double slack) {
  return std::max<long double>(0, distance - slack);
}

}  // namespace

// SegmentDistance answers by where q projects onto a -> b: before a, the distance to a when q
// is near it, else FarDistance; beside the segment, the distance to its line; past b, as
// before a. A segment of no length gives the plain distance to its point.
double LowestSegmentDistance(const Box64& points, Point64 a, Point64 b, long double slack) {
  if (a == b)
    return static_cast<double>(
        std::min<long double>(Lowered(PointToBox(a, points), slack), FarDistance));
  const int64_t ux = b.x - a.x, uy = b.y - a.y;
  const Wide squared = Wide(ux) * ux + Wide(uy) * uy;
  const auto corners = Corners(points);
  Wide low = 0, high = 0;
  long double reach = 0;
  for (int i = 0; i < 4; ++i) {
    const Wide along = Wide(corners[i].x - a.x) * ux + Wide(corners[i].y - a.y) * uy;
    low = i == 0 ? along : std::min(low, along);
    high = i == 0 ? along : std::max(high, along);
    reach = std::max(reach, Length(corners[i].x - a.x, corners[i].y - a.y));
  }
  const Wide tolerance = ProjectionTolerance(reach, Length(ux, uy));
  long double lowest = FarDistance;
  if (high >= -tolerance && low <= squared + tolerance)
    lowest = std::min(lowest, Lowered(BoxToSegment(points, a, b), slack));
  if (low < tolerance && BoxesMeet(points, NearBox(a)))
    lowest = std::min(lowest, Lowered(PointToBox(a, points), slack));
  if (high > squared - tolerance && BoxesMeet(points, NearBox(b)))
    lowest = std::min(lowest, Lowered(PointToBox(b, points), slack));
  return static_cast<double>(lowest);
}

// Which case applies to a chord cannot be told from the box of its ends: every one is taken as
// possible, and each gives at least the distance to the box.
double LowestChordDistance(Point64 p, const Box64& ends, long double slack) {
  return static_cast<double>(
      std::min<long double>(Lowered(PointToBox(p, ends), slack), FarDistance));
}

// For a spoke from the origin to s: p projects before the origin when p . s < 0 (then the
// distance to the origin if p is near it), beside the spoke when 0 <= p . s <= |s|^2 (which
// takes in a spoke of no length, answered by its distance to the origin), past s otherwise
// (the distance to s if near).
double LowestSpokeDistance(Point64 p, const Box64& ends, long double slack) {
  const long double toOrigin = Length(p.x, p.y);
  long double lowest = FarDistance;
  const auto corners = Corners(ends);
  // p . s is linear and |s|^2 - p . s convex in s: their extremes over the box lie at corners.
  Wide low = 0, high = 0, besideHigh = 0;
  long double longest = 0;
  for (int i = 0; i < 4; ++i) {
    const Point64 s = corners[i];
    const Wide along = Wide(p.x) * s.x + Wide(p.y) * s.y;
    const Wide beside = Wide(s.x) * s.x + Wide(s.y) * s.y - along;
    low = i == 0 ? along : std::min(low, along);
    high = i == 0 ? along : std::max(high, along);
    besideHigh = i == 0 ? beside : std::max(besideHigh, beside);
    longest = std::max(longest, Length(s.x, s.y));
  }
  const Wide tolerance = ProjectionTolerance(toOrigin + longest, longest);
  const bool nearOrigin = std::llabs(p.x) <= NearBound && std::llabs(p.y) <= NearBound;
  if (low < tolerance && nearOrigin) lowest = std::min(lowest, Lowered(toOrigin, slack));
  if (high >= -tolerance && besideHigh >= -tolerance)
    lowest = std::min(lowest, Lowered(PointToFan(p, ends), slack));
  if (BoxesMeet(ends, NearBox(p))) lowest = std::min(lowest, Lowered(PointToBox(p, ends), slack));
  return static_cast<double>(lowest);
}

}  // namespace calmora::geometry_detail
