// Geometry helpers for hit testing, constrained drawing, angles and page fitting (pen widths in
// geometry_pen_distance.cpp). Coordinates are int32, but every difference, product and shifted
// end is formed in 64 bits (or wider): far-apart points must not wrap into wrong distances.
#include "imaging/base/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "imaging/base/geometry/geometry_internal.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

constexpr long double Pi = std::numbers::pi_v<long double>;

// Unsigned angle between two vectors; 0 when one has no length or the cosine is out of range.
long double AngleBetweenVectors(long double v1x, long double v1y, long double v2x,
                                long double v2y) {
  const long double l1 = std::sqrt(v1x * v1x + v1y * v1y);
  const long double l2 = std::sqrt(v2x * v2x + v2y * v2y);
  if (l1 == 0 || l2 == 0) return 0;
  const long double c = (v1x * v2x + v1y * v2y) / (l1 * l2);
  if (c < -1 || c > 1) return 0;
  return CalcArcCos(c);
}

// Even-odd rule over the edges (previous point, point); Point(i) gives real coordinates.
template <typename PointAt>
bool EvenOddContains(double x, double y, int64_t count, PointAt Point) {
  bool inside = false;
  for (int64_t i = 0; i < count; ++i) {
    const auto [xi, yi] = Point(i);
    const auto [xj, yj] = Point(i == 0 ? count - 1 : i - 1);
    if (((y >= yi && y < yj) || (y >= yj && y < yi)) && x < xi + (xj - xi) * (y - yi) / (yj - yi))
      inside = !inside;
  }
  return inside;
}

struct TRealPoint {
  double x;
  double y;
};

}  // namespace

using geometry_detail::ClampToInt32;
using geometry_detail::Distance;
using geometry_detail::LineDistance;
using geometry_detail::SegmentDistance;
using geometry_detail::TruncToInt32;
using geometry_detail::TruncToInt64;

// ---- Rectangles and points ----

bool RectsIntersect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t left, int32_t top,
                    int32_t right, int32_t bottom) {
  if (std::max(x1, x2) < left || std::min(x1, x2) > right) return false;
  if (std::max(y1, y2) < top || std::min(y1, y2) > bottom) return false;
  return true;
}

bool IsPointInRect(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                   int32_t bottom) {
  return left <= x && x <= right && top <= y && y <= bottom;
}

bool IsPointInCornerRect(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  OrderCorners(x1, y1, x2, y2);
  return IsPointInRect(x, y, x1, y1, x2, y2);
}

void ExtendRectToPoint(TRect& Rect, int32_t x, int32_t y) {
  Rect.Left = std::min(Rect.Left, x);
  Rect.Right = std::max(Rect.Right, x);
  Rect.Top = std::min(Rect.Top, y);
  Rect.Bottom = std::max(Rect.Bottom, y);
}

void FitSizeInBox(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight,
                  int32_t& newWidth, int32_t& newHeight) {
  if (width == 0 || height == 0) return;
  const double s = std::min(static_cast<double>(boxHeight) / height,
                            static_cast<double>(boxWidth) / width);
  newWidth = std::max<int32_t>(1, TruncToInt32(static_cast<double>(width) * s));
  newHeight = std::max<int32_t>(1, TruncToInt32(static_cast<double>(height) * s));
}

void ConstrainLineEnd(int32_t x0, int32_t y0, int32_t& x, int32_t& y) {
  int64_t ex = x;
  int64_t ey = y;
  const int64_t dx = std::llabs(int64_t{x0} - ex);
  const int64_t dy = std::llabs(int64_t{y0} - ey);
  if (dy > dx + 30) {
    ex = x0;  // vertical
  } else if (dy < dx - 30) {
    ey = y0;  // horizontal
  } else {
    // Onto the 45-degree diagonal. The chain's later tests rely on the earlier ones having
    // failed; an end on the fixed point's column below it, or on its row to the right of
    // it, falls through every test and stays where it is.
    const int64_t k = std::llabs(dx - dy);
    if (ex > x0 && ey > y0) {  // right of and below: the shorter delta grows
      if (dx >= dy) ey += k; else ex += k;
    } else if (ex < x0 && ey < y0) {  // left of and above: the longer delta shrinks
      if (dx >= dy) ex += k; else ey += k;
    } else if (ex < x0) {  // left, on or below the row
      if (dx >= dy) ey += k; else ex -= k;
    } else if (ey < y0) {  // above, on or right of the column
      if (dx >= dy) ey -= k; else ex += k;
    }
  }
  x = ClampToInt32(ex);
  y = ClampToInt32(ey);
}

// ---- Distances ----

double CalcDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return Distance(x1, y1, x2, y2);
}

double CalcDistanceToLine(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) throw std::domain_error("Floating point division by zero");
  return LineDistance(x, y, x1, y1, x2, y2);
}

double CalcDistanceToSegment(int32_t x, int32_t y, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2) {
  return SegmentDistance(x, y, x1, y1, x2, y2);
}

// ---- Angles ----

long double CalcArcTan2(long double y, long double x) { return std::atan2(y, x); }

long double CalcArcCos(long double c) {
  // Cosines from rounded lengths can stray just past +-1; they mean the straight angles.
  if (c >= 1) return 0;
  if (c <= -1) return Pi;
  return CalcArcTan2(std::sqrt(1 - c * c), c);
}

long double CalcAngleBetweenSegments(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                                     int32_t y3) {
  return AngleBetweenVectors(static_cast<long double>(int64_t{x2} - x1),
                             static_cast<long double>(int64_t{y2} - y1),
                             static_cast<long double>(int64_t{x3} - x2),
                             static_cast<long double>(int64_t{y3} - y2));
}

long double CalcLineAngle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int64_t dx = int64_t{x2} - x1;
  const int64_t dy = int64_t{y2} - y1;  // screen y grows downwards
  if (dy == 0) return dx < 0 ? Pi : 0;
  if (dx == 0) return dy < 0 ? Pi / 2 : 3 * Pi / 2;
  const long double vx = static_cast<long double>(dx);
  const long double vy = static_cast<long double>(dy);
  // The angle to the nearer horizontal direction, placed in its quadrant.
  if (dx > 0 && dy < 0) return AngleBetweenVectors(1, 0, vx, vy);
  if (dx < 0 && dy < 0) return Pi - AngleBetweenVectors(-1, 0, vx, vy);
  if (dx < 0) return Pi + AngleBetweenVectors(-1, 0, vx, vy);
  return 2 * Pi - AngleBetweenVectors(1, 0, vx, vy);
}

int CalcTurnDirection(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  // Differences of int32 values need 33 bits, their products 66: exact in 128 bits.
  using Wide = __int128;
  const Wide d1x = Wide{x1} - x0, d1y = Wide{y1} - y0;
  const Wide d2x = Wide{x2} - x0, d2y = Wide{y2} - y0;
  if (d1y * d2x < d1x * d2y) return 1;
  if (d1x * d2y < d1y * d2x) return -1;
  if (d1x * d2x < 0 || d1y * d2y < 0) return -1;  // P0 lies between P1 and P2
  if (d2x * d2x + d2y * d2y > d1x * d1x + d1y * d1y) return 1;
  return 0;
}

long double CalcVertexAngle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2,
                            int32_t y2) {
  long double a = CalcDistance(x1, y1, x2, y2);
  long double b = CalcDistance(x0, y0, x1, y1);
  long double c = CalcDistance(x0, y0, x2, y2);
  if (a == 0) a = 1;
  if (b == 0) b = 1;
  if (c == 0) c = 1;
  long double angle = CalcArcCos((a * a + b * b - c * c) / (2 * a * b));
  if (CalcTurnDirection(x0, y0, x1, y1, x2, y2) == -1) angle = 2 * Pi - angle;
  return angle;
}

// ---- Point lists ----

void RotatePoints(TPoint* points, int32_t lastIndex, int32_t cx, int32_t cy, double angle) {
  if (points == nullptr) return;
  const long double d = static_cast<long double>(angle) * -Pi / 180;
  const long double cosD = std::cos(d);
  const long double sinD = std::sin(d);
  for (int32_t i = 0; i <= lastIndex; ++i) {
    const long double rx = static_cast<long double>(int64_t{points[i].x} - cx);
    const long double ry = static_cast<long double>(int64_t{points[i].y} - cy);
    points[i].x = ClampToInt32(cx + TruncToInt64(cosD * rx - sinD * ry));
    points[i].y = ClampToInt32(cy + TruncToInt64(sinD * rx + cosD * ry));
  }
}

bool IsPointInPolygon(int32_t x, int32_t y, const TPoint* points, int32_t lastIndex) {
  if (points == nullptr || lastIndex < 0) return false;
  return EvenOddContains(x, y, int64_t{lastIndex} + 1, [points](int64_t i) {
    return TRealPoint{static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
  });
}

bool IsPointInScaledPolygon(int32_t x, int32_t y, const TPoint* points, int32_t count,
                            int32_t originX, int32_t originY, int32_t offsetX, int32_t offsetY,
                            double scaleX, double scaleY) {
  if (points == nullptr || count <= 0) return false;
  return EvenOddContains(x, y, count, [&](int64_t i) {
    return TRealPoint{(static_cast<double>(points[i].x) - originX) * scaleX + offsetX,
                      (static_cast<double>(points[i].y) - originY) * scaleY + offsetY};
  });
}

// ---- Conversions ----

TFontStyles LogFontToFontStyles(const LOGFONTA* LogFont) {
  TFontStyles styles;
  if (LogFont == nullptr) return styles;
  if (LogFont->lfWeight >= 700) styles.Include(fsBold);
  if (LogFont->lfItalic != 0) styles.Include(fsItalic);
  if (LogFont->lfUnderline != 0) styles.Include(fsUnderline);
  if (LogFont->lfStrikeOut != 0) styles.Include(fsStrikeOut);
  return styles;
}

bool SameGUID(const TGUID& a, const TGUID& b) { return std::memcmp(&a, &b, sizeof(TGUID)) == 0; }

}  // namespace calmora
