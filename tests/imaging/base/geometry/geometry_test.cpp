// Geometry helpers: rectangle tests, distances, angles, rotation, polygon tests, box fitting.
#include "imaging/base/geometry/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

namespace calmora {
namespace {

constexpr double Pi = std::numbers::pi;

TEST(GeometryRects, RectsIntersectCountsTouchingEdges) {
  struct Case {
    int x1, y1, x2, y2, l, t, r, b;
    bool expected;
  };
  const Case cases[] = {
      {0, 0, 10, 0, 0, 0, 10, 10, true},      // segment lying on the top edge
      {10, 5, 20, 5, 0, 0, 10, 10, true},     // touching the right edge from outside
      {11, 5, 20, 5, 0, 0, 10, 10, false},    // one pixel right of it
      {20, 20, -5, -5, 0, 0, 10, 10, true},   // corners in reverse order, spanning it
      {-5, -5, -1, 20, 0, 0, 10, 10, false},  // left of it
      {3, 11, 4, 30, 0, 0, 10, 10, false},    // below it
  };
  for (const Case& c : cases)
    EXPECT_EQ(RectsIntersect(c.x1, c.y1, c.x2, c.y2, c.l, c.t, c.r, c.b), c.expected)
        << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
}

TEST(GeometryRects, PointInRectAndCornerRect) {
  EXPECT_TRUE(IsPointInRect(0, 0, 0, 0, 10, 10));
  EXPECT_TRUE(IsPointInRect(10, 10, 0, 0, 10, 10));
  EXPECT_FALSE(IsPointInRect(11, 5, 0, 0, 10, 10));
  // An unordered rectangle holds nothing; the corner form orders it first.
  EXPECT_FALSE(IsPointInRect(5, 5, 10, 10, 0, 0));
  EXPECT_TRUE(IsPointInCornerRect(5, 5, 10, 10, 0, 0));
  EXPECT_TRUE(IsPointInCornerRect(10, 0, 10, 10, 0, 0));
  EXPECT_FALSE(IsPointInCornerRect(-1, 5, 10, 10, 0, 0));
}

TEST(GeometryRects, ExtendRectToPointGrowsEachSide) {
  TRect r{2000000000, 2000000000, -2000000000, -2000000000};  // the "nothing drawn" start
  ExtendRectToPoint(r, 5, 7);
  EXPECT_EQ(r, (TRect{5, 7, 5, 7}));
  ExtendRectToPoint(r, -3, 20);
  EXPECT_EQ(r, (TRect{-3, 7, 5, 20}));
  ExtendRectToPoint(r, 0, 0);
  EXPECT_EQ(r, (TRect{-3, 0, 5, 20}));
}

TEST(GeometryRects, FitSizeInBox) {
  struct Case {
    int w, h, bw, bh, ew, eh;
  };
  const Case cases[] = {
      {400, 200, 100, 100, 100, 50},
      {1, 1000, 10, 10, 1, 10},     // the width stays at least 1
      {200, 400, 595, 842, 421, 842},
      {595, 842, 595, 842, 595, 842},
      {10, 10, 595, 842, 595, 595},  // small images grow to fit
  };
  for (const Case& c : cases) {
    int32_t nw = -7, nh = -7;
    FitSizeInBox(c.w, c.h, c.bw, c.bh, nw, nh);
    EXPECT_EQ(nw, c.ew) << c.w << "x" << c.h;
    EXPECT_EQ(nh, c.eh) << c.w << "x" << c.h;
  }
  int32_t nw = -7, nh = -8;
  FitSizeInBox(0, 100, 10, 10, nw, nh);
  FitSizeInBox(100, 0, 10, 10, nw, nh);
  EXPECT_EQ(nw, -7);  // untouched
  EXPECT_EQ(nh, -8);
}

TEST(GeometryRects, ConstrainLineEnd) {
  struct Case {
    int x0, y0, x, y, ex, ey;
  };
  const Case cases[] = {
      {0, 0, 100, 20, 100, 0},      // horizontal
      {0, 0, 20, 100, 0, 100},      // vertical
      {0, 0, 100, 90, 100, 100},    // right and below: the shorter delta grows
      {0, 0, 90, 100, 100, 100},
      {0, 0, -100, -90, -90, -90},  // left and above: the longer delta shrinks
      {0, 0, -90, -100, -90, -90},
      {0, 0, -100, 90, -100, 100},  // left and below
      {0, 0, -90, 100, -100, 100},
      {0, 0, 100, -90, 100, -100},  // right and above
      {0, 0, 90, -100, 100, -100},
      {0, 0, 100, 70, 100, 100},    // exactly 30 apart still snaps to the diagonal
      {0, 0, 100, 69, 100, 0},
      {50, 50, 50, 60, 50, 60},     // on the column below the fixed point: left alone
      {50, 50, 60, 50, 60, 50},     // on the row right of it: left alone
      {50, 50, 40, 50, 40, 60},     // on the row left of it: moved down the diagonal
      {50, 50, 50, 40, 60, 40},     // on the column above it: moved right
  };
  for (const Case& c : cases) {
    int32_t x = c.x, y = c.y;
    ConstrainLineEnd(c.x0, c.y0, x, y);
    EXPECT_EQ(x, c.ex) << "end " << c.x << "," << c.y;
    EXPECT_EQ(y, c.ey) << "end " << c.x << "," << c.y;
  }
}

TEST(GeometryDistances, DistanceAndLine) {
  EXPECT_DOUBLE_EQ(CalcDistance(0, 0, 3, 4), 5);
  EXPECT_DOUBLE_EQ(CalcDistance(-3, -4, 0, 0), 5);
  // Far beyond the range where 32-bit squares would wrap.
  EXPECT_DOUBLE_EQ(CalcDistance(-2000000000, 0, 2000000000, 0), 4e9);
  EXPECT_DOUBLE_EQ(CalcDistanceToLine(0, 10, -5, 0, 5, 0), 10);
  EXPECT_DOUBLE_EQ(CalcDistanceToLine(100, 10, -5, 0, 5, 0), 10);  // the line, not the segment
  EXPECT_NEAR(CalcDistanceToLine(0, 0, 0, 10, 10, 0), std::sqrt(50.0), 1e-12);
  EXPECT_THROW(CalcDistanceToLine(1, 1, 3, 3, 3, 3), std::domain_error);
}

TEST(GeometryDistances, Segment) {
  struct Case {
    int x, y, x1, y1, x2, y2;
    double expected;
  };
  const Case cases[] = {
      {0, 0, 10, 0, 20, 0, 10},              // before the first end
      {0, 0, 100000, 0, 100010, 0, 1000000}, // too far on the x axis
      {30, 0, 10, 0, 20, 0, 10},             // past the second end
      {15, 7, 10, 0, 20, 0, 7},              // above the middle
      {15, -7, 20, 0, 10, 0, 7},             // ends reversed
      {3, 4, 0, 0, 0, 0, 5},                 // a point-like segment
      {-5, 60000, 0, 0, 10, 0, 1000000},     // too far on the y axis
      {0, 60000, 0, 0, 10, 0, 60000},        // above the segment: the line distance
      {0, 44000, 0, 0, 0, -10, 44000},       // near enough
      {200000, 5, -300000, 0, 300000, 0, 5}, // long segment, far from its ends
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(CalcDistanceToSegment(c.x, c.y, c.x1, c.y1, c.x2, c.y2), c.expected)
        << c.x << "," << c.y;
}

// The segment distance from its definition: where the point projects decided exactly in
// integers, lengths in extended precision, and an end beyond 45000 on either axis far away.
long double ModelSegmentDistance(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2,
                                 int64_t y2) {
  const auto length = [](int64_t dx, int64_t dy) {
    return std::sqrt(static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy);
  };
  const auto toEnd = [&](int64_t ex, int64_t ey) -> long double {
    const bool near = std::llabs(x - ex) <= 45000 && std::llabs(y - ey) <= 45000;
    return near ? length(x - ex, y - ey) : 1000000;
  };
  if (x1 == x2 && y1 == y2) return length(x - x1, y - y1);
  const int64_t ux = x2 - x1, uy = y2 - y1;
  const int64_t along = (x - x1) * ux + (y - y1) * uy, squared = ux * ux + uy * uy;
  if (along > squared) return toEnd(x2, y2);
  if (along < 0) return toEnd(x1, y1);
  return std::fabs(static_cast<long double>(ux * (y - y1) - uy * (x - x1))) / length(ux, uy);
}

TEST(GeometryDistances, SegmentMatchesAModelAroundTheNearBound) {
  std::mt19937_64 random(45000);
  const auto between = [&](int64_t low, int64_t high) {
    return std::uniform_int_distribution<int64_t>(low, high)(random);
  };
  // Offsets of the point from an end: mostly right at the bound on one or both axes.
  const auto offset = [&]() -> int64_t {
    const int64_t sign = between(0, 1) ? 1 : -1;
    switch (between(0, 3)) {
      case 0: return sign * (45000 + between(-2, 2));
      case 1: return sign * between(0, 45000);
      case 2: return sign * between(45000, 200000);
      default: return between(-50, 50);
    }
  };
  int far = 0, longButNear = 0;
  for (int i = 0; i < 200000; ++i) {
    const int64_t x1 = between(-300000, 300000), y1 = between(-300000, 300000);
    int64_t x2 = x1 + between(-2000, 2000), y2 = y1 + between(-2000, 2000);
    if (between(0, 9) == 0) x2 = x1, y2 = y1;
    const bool pastSecond = between(0, 1);
    const int64_t x = (pastSecond ? x2 : x1) + offset(), y = (pastSecond ? y2 : y1) + offset();
    const long double expected = ModelSegmentDistance(x, y, x1, y1, x2, y2);
    const double got = CalcDistanceToSegment(int32_t(x), int32_t(y), int32_t(x1), int32_t(y1),
                                             int32_t(x2), int32_t(y2));
    const auto where = [&] {
      return ::testing::Message() << x << "," << y << " to " << x1 << "," << y1 << " - " << x2 << ","
                                  << y2;
    };
    if (expected == 1000000) {
      ++far;
      ASSERT_EQ(got, 1000000) << where();
    } else {
      longButNear += expected > 40000;
      ASSERT_NEAR(got, static_cast<double>(expected), 1e-9 * (1 + static_cast<double>(expected)))
          << where();
    }
  }
  // Both sides of the bound are well covered.
  EXPECT_GT(far, 10000);
  EXPECT_GT(longButNear, 10000);
}

TEST(GeometryDistances, Polyline) {
  const TPoint line[] = {{0, 0}, {10, 0}, {10, 10}};
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(5, 3, line, 3, 0, 0, 0, 0, 1, 1, 1, false), 3);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(13, 5, line, 3, 0, 0, 0, 0, 1, 1, 1, false), 3);
  // The closing segment (10,10)-(0,0) only counts when closed.
  EXPECT_NEAR(CalcDistanceToPolyline(2, 6, line, 3, 0, 0, 0, 0, 1, 1, 1, true),
              std::sqrt(8.0), 1e-12);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(2, 6, line, 3, 0, 0, 0, 0, 1, 1, 1, false), 6);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(2, 6, line, 0, 0, 0, 0, 0, 1, 1, 1, false), 1000000);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(2, 6, line, -1, 0, 0, 0, 0, 1, 1, 1, true), 1000000);
  // Mapped: (p - (100, 100)) * 2 + (5, 5); the segment (0,0)-(10,0) becomes (-195,-195)-(-175,-195).
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(-185, -190, line, 2, 100, 100, 5, 5, 2, 2, 1, false), 5);
  // Mapping rounds halves to even: 0.5 * 5 = 2.5 -> 2, and 0.5 * 7 = 3.5 -> 4.
  const TPoint dot[] = {{5, 7}, {5, 7}};
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(2, 4, dot, 2, 0, 0, 0, 0, 0.5, 0.5, 1, false), 0);
  // A pen of width 6 also measures the segment shifted down by 2 and 3 pixels.
  const TPoint flat[] = {{0, 0}, {100, 0}};
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(50, 3, flat, 2, 0, 0, 0, 0, 1, 1, 6, false), 0);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(50, -3, flat, 2, 0, 0, 0, 0, 1, 1, 6, false), 3);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(50, 3, flat, 2, 0, 0, 0, 0, 1, 1, 4, false), 1);
  EXPECT_DOUBLE_EQ(CalcDistanceToPolyline(50, 3, flat, 2, 0, 0, 0, 0, 1, 1, 3, false), 3);
}

TEST(GeometryDistances, Rectangle) {
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(5, 5, 0, 0, 10, 10, true, 1), 0);
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(5, 4, 0, 0, 10, 10, false, 1), 4);
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(15, 5, 0, 0, 10, 10, true, 1), 5);
  // Width 4 measures the rectangle shifted by -2..2 on both axes.
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(15, 5, 0, 0, 10, 10, false, 4), 3);
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(15, 5, 0, 0, 10, 10, true, 4), 3);
  // A negative width of -2 or less makes the offset loop empty.
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(15, 5, 0, 0, 10, 10, false, -2), 2147483647.0);
  EXPECT_DOUBLE_EQ(CalcDistanceToRectangle(15, 5, 0, 0, 10, 10, false, -1), 5);
}

TEST(GeometryDistances, Ellipse) {
  // Circle of radius 50 about (50, 50).
  EXPECT_DOUBLE_EQ(CalcDistanceToEllipse(50, 50, 0, 0, 100, 100, true, 1), 0);
  EXPECT_DOUBLE_EQ(CalcDistanceToEllipse(70, 40, 0, 0, 100, 100, true, 1), 0);
  EXPECT_NEAR(CalcDistanceToEllipse(50, 50, 0, 0, 100, 100, false, 1), 50, 1.5);
  EXPECT_NEAR(CalcDistanceToEllipse(150, 50, 0, 0, 100, 100, false, 1), 50, 1e-9);
  // Filled, the spokes end at samples 1..v-1: the nearest end is (49, 1), truncated to 51.
  EXPECT_DOUBLE_EQ(CalcDistanceToEllipse(150, 50, 0, 0, 100, 100, true, 1), 51);
  EXPECT_NEAR(CalcDistanceToEllipse(100, 50, 0, 0, 100, 100, false, 1), 0, 1e-9);
  // A pen of width 10 reaches 5 pixels further out.
  EXPECT_NEAR(CalcDistanceToEllipse(155, 50, 0, 0, 100, 100, false, 10), 50, 1e-9);
  EXPECT_DOUBLE_EQ(CalcDistanceToEllipse(150, 50, 0, 0, 100, 100, false, -2), 2147483647.0);
  // A degenerate box still gives two samples.
  EXPECT_DOUBLE_EQ(CalcDistanceToEllipse(3, 4, 0, 0, 0, 0, false, 1), 5);
}

TEST(GeometryAngles, ArcCosAndArcTan) {
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcCos(-1)), Pi);
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcCos(1)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcCos(0)), Pi / 2);
  EXPECT_NEAR(static_cast<double>(CalcArcCos(0.5)), Pi / 3, 1e-15);
  // Rounded cosines just past the ends are the straight angles, not a NaN.
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcCos(1.0000000001L)), 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcCos(-1.0000000001L)), Pi);
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcTan2(1, 0)), Pi / 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(CalcArcTan2(0, -1)), Pi);
}

TEST(GeometryAngles, AngleBetweenSegments) {
  EXPECT_NEAR(static_cast<double>(CalcAngleBetweenSegments(0, 0, 10, 0, 10, 10)), Pi / 2, 1e-15);
  EXPECT_NEAR(static_cast<double>(CalcAngleBetweenSegments(0, 0, 10, 0, 20, 0)), 0, 1e-15);
  EXPECT_NEAR(static_cast<double>(CalcAngleBetweenSegments(0, 0, 10, 0, 0, 0)), Pi, 1e-15);
  EXPECT_NEAR(static_cast<double>(CalcAngleBetweenSegments(0, 0, 10, 0, 20, 10)), Pi / 4, 1e-15);
  EXPECT_EQ(CalcAngleBetweenSegments(5, 5, 5, 5, 20, 10), 0);  // no first segment
  EXPECT_EQ(CalcAngleBetweenSegments(0, 0, 5, 5, 5, 5), 0);    // no second segment
}

TEST(GeometryAngles, LineAngle) {
  struct Case {
    int x2, y2;
    double expected;
  };
  const Case cases[] = {
      {10, 0, 0},           {0, -10, Pi / 2},       {-10, 0, Pi},         {0, 10, 3 * Pi / 2},
      {0, 0, 0},            {10, -10, Pi / 4},      {-10, 10, 5 * Pi / 4}, {-10, -10, 3 * Pi / 4},
      {10, 10, 7 * Pi / 4}, {10, -5, std::atan2(5.0, 10.0)},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(static_cast<double>(CalcLineAngle(0, 0, c.x2, c.y2)), c.expected, 1e-14)
        << c.x2 << "," << c.y2;
  // The axis directions are exact.
  EXPECT_EQ(static_cast<double>(CalcLineAngle(3, 3, 3, -7)), Pi / 2);
  EXPECT_EQ(CalcLineAngle(3, 3, 3, 3), 0);
}

TEST(GeometryAngles, TurnDirection) {
  EXPECT_EQ(CalcTurnDirection(0, 0, 10, 0, 10, 10), 1);
  EXPECT_EQ(CalcTurnDirection(0, 0, 10, 0, 10, -10), -1);
  EXPECT_EQ(CalcTurnDirection(0, 0, 10, 0, -10, 0), -1);  // P0 between P1 and P2
  EXPECT_EQ(CalcTurnDirection(0, 0, 0, 10, 0, -5), -1);
  EXPECT_EQ(CalcTurnDirection(0, 0, 10, 0, 20, 0), 1);  // P2 farther than P1
  EXPECT_EQ(CalcTurnDirection(0, 0, 20, 0, 10, 0), 0);  // P2 nearer
  EXPECT_EQ(CalcTurnDirection(0, 0, 10, 0, 10, 0), 0);
  // Products far beyond 64 bits keep their sign.
  const int32_t big = std::numeric_limits<int32_t>::max(), small = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(CalcTurnDirection(small, small, big, small, big, big), 1);
  EXPECT_EQ(CalcTurnDirection(small, small, big, small, big, small), 0);
}

TEST(GeometryAngles, VertexAngle) {
  EXPECT_NEAR(static_cast<double>(CalcVertexAngle(0, 0, 10, 0, 20, 0)), Pi, 1e-15);
  EXPECT_NEAR(static_cast<double>(CalcVertexAngle(0, 0, 10, 0, 10, 10)), Pi / 2, 1e-15);
  // The other way round the angle is measured the long way.
  EXPECT_NEAR(static_cast<double>(CalcVertexAngle(0, 0, 10, 0, 10, -10)), 3 * Pi / 2, 1e-15);
  // P2 on P0: the zero length counts as 1, so the cosine is (100 + 100 - 1) / 200.
  EXPECT_NEAR(static_cast<double>(CalcVertexAngle(0, 0, 10, 0, 0, 0)), std::acos(0.995), 1e-15);
  // Collinear points whose rounded lengths put the cosine just past -1 still give pi.
  EXPECT_NEAR(static_cast<double>(CalcVertexAngle(0, 0, 7, 3, 21, 9)), Pi, 1e-7);
  EXPECT_FALSE(std::isnan(CalcVertexAngle(1, 1, 1000003, 7, 3000007, 19)));
}

TEST(GeometryPoints, RotatePoints) {
  std::vector<TPoint> pts = {{10, 0}};
  RotatePoints(pts.data(), 0, 0, 0, 90);
  EXPECT_EQ(pts[0], (TPoint{0, -10}));  // counter-clockwise on the screen: up

  pts = {{10, 0}, {0, 10}, {-10, 0}, {7, 7}};
  RotatePoints(pts.data(), 2, 0, 0, -90);  // only points 0..2
  EXPECT_EQ(pts[0], (TPoint{0, 10}));
  EXPECT_EQ(pts[1], (TPoint{-10, 0}));
  EXPECT_EQ(pts[2], (TPoint{0, -10}));
  EXPECT_EQ(pts[3], (TPoint{7, 7}));

  pts = {{110, 50}};
  RotatePoints(pts.data(), 0, 100, 50, 180);
  EXPECT_EQ(pts[0], (TPoint{90, 50}));
  // Truncation toward zero: 10 * cos(45 degrees) = 7.07 -> 7.
  pts = {{10, 0}};
  RotatePoints(pts.data(), 0, 0, 0, 45);
  EXPECT_EQ(pts[0], (TPoint{7, -7}));
  RotatePoints(pts.data(), -1, 0, 0, 45);  // no points
  EXPECT_EQ(pts[0], (TPoint{7, -7}));
}

TEST(GeometryPoints, PointInPolygon) {
  const TPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(IsPointInPolygon(5, 5, square, 3));
  EXPECT_TRUE(IsPointInPolygon(0, 5, square, 3));    // left edge: inside
  EXPECT_FALSE(IsPointInPolygon(10, 5, square, 3));  // right edge: outside
  EXPECT_TRUE(IsPointInPolygon(5, 0, square, 3));    // top edge: inside
  EXPECT_FALSE(IsPointInPolygon(5, 10, square, 3));  // bottom edge: outside
  EXPECT_FALSE(IsPointInPolygon(-1, 5, square, 3));
  EXPECT_FALSE(IsPointInPolygon(5, 5, square, -1));
  // Even-odd: the centre of a pentagram is outside.
  const TPoint star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  EXPECT_FALSE(IsPointInPolygon(50, 50, star, 4));
  EXPECT_TRUE(IsPointInPolygon(50, 10, star, 4));
}

TEST(GeometryPoints, PointInScaledPolygon) {
  const TPoint square[] = {{100, 100}, {110, 100}, {110, 110}, {100, 110}};
  // Mapped to (p - 100) * 3 + 20: the square (20, 20)-(50, 50).
  EXPECT_TRUE(IsPointInScaledPolygon(20, 35, square, 4, 100, 100, 20, 20, 3, 3));
  EXPECT_FALSE(IsPointInScaledPolygon(50, 35, square, 4, 100, 100, 20, 20, 3, 3));
  EXPECT_FALSE(IsPointInScaledPolygon(105, 105, square, 4, 100, 100, 20, 20, 3, 3));
  // Unrounded: with scale 0.25 the right edge lies at x = 2.5, so x = 2 is inside.
  EXPECT_TRUE(IsPointInScaledPolygon(2, 1, square, 4, 100, 100, 0, 0, 0.25, 0.25));
  EXPECT_FALSE(IsPointInScaledPolygon(3, 1, square, 4, 100, 100, 0, 0, 0.25, 0.25));
  EXPECT_FALSE(IsPointInScaledPolygon(2, 1, square, 0, 100, 100, 0, 0, 0.25, 0.25));
}

TEST(GeometryConversions, LogFontToFontStyles) {
  EXPECT_TRUE(LogFontToFontStyles(nullptr).IsEmpty());
  LOGFONTA font;
  font.lfWeight = 699;
  EXPECT_TRUE(LogFontToFontStyles(&font).IsEmpty());
  font.lfWeight = 700;
  font.lfUnderline = 1;
  TFontStyles styles = LogFontToFontStyles(&font);
  EXPECT_TRUE(styles.Contains(fsBold));
  EXPECT_FALSE(styles.Contains(fsItalic));
  EXPECT_TRUE(styles.Contains(fsUnderline));
  EXPECT_FALSE(styles.Contains(fsStrikeOut));
  font.lfWeight = 400;
  font.lfItalic = 255;
  font.lfStrikeOut = 1;
  font.lfUnderline = 0;
  styles = LogFontToFontStyles(&font);
  EXPECT_EQ(styles.Bits, (1u << fsItalic) | (1u << fsStrikeOut));
}

TEST(GeometryConversions, SameGUID) {
  TGUID a{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  TGUID b = a;
  EXPECT_TRUE(SameGUID(a, b));
  b.D4[7] = 9;
  EXPECT_FALSE(SameGUID(a, b));
  b = a;
  b.D2 = 0;
  EXPECT_FALSE(SameGUID(a, b));
}

}  // namespace
}  // namespace calmora
