// Distances to polylines, rectangles and ellipses drawn with a pen width, compared with a
// brute-force model that walks every pen offset and every ellipse sample, over many random
// shapes (degenerate, reversed, inside, outside, on the outline, far away).
#include "imaging/base/geometry/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace calmora {
namespace {

// ---- The model: every offset and every sample, one segment distance each ----

double ModelSegment(int64_t x, int64_t y, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return CalcDistanceToSegment(static_cast<int32_t>(x), static_cast<int32_t>(y),
                               static_cast<int32_t>(x1), static_cast<int32_t>(y1),
                               static_cast<int32_t>(x2), static_cast<int32_t>(y2));
}

double ModelRectangle(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                      int32_t bottom, bool filled, int32_t penWidth) {
  double best = 2147483647.0;
  for (int64_t l = -(penWidth / 2); l <= penWidth / 2; ++l) {
    const int64_t L = left + l, T = top + l, R = right + l, B = bottom + l;
    if (filled && L <= x && x <= R && T <= y && y <= B) return 0;
    best = std::min({best, ModelSegment(x, y, L, T, R, T), ModelSegment(x, y, R, T, R, B),
                     ModelSegment(x, y, R, B, L, B), ModelSegment(x, y, L, B, L, T)});
  }
  return best;
}

double ModelEllipse(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    bool filled, int32_t penWidth) {
  constexpr long double Pi = std::numbers::pi_v<long double>;
  const int64_t cx = (int64_t{right} - left) / 2, cy = (int64_t{bottom} - top) / 2;
  const int64_t px = int64_t{x} - left - cx, py = int64_t{y} - top - cy;
  double best = 2147483647.0;
  for (int64_t l = -(penWidth / 2); l <= penWidth / 2; ++l) {
    const int64_t rx = cx + l, ry = cy + l;
    int64_t v = static_cast<int64_t>(2 * Pi * std::min(rx, ry));
    if (!filled) v /= 8;
    v = std::max<int64_t>(v, 2);
    std::vector<int64_t> sx(static_cast<size_t>(v)), sy(static_cast<size_t>(v));
    for (int64_t k = 0; k < v; ++k) {
      sx[k] = static_cast<int64_t>(std::cos(2 * Pi * k / v) * rx);
      sy[k] = static_cast<int64_t>(std::sin(2 * Pi * k / v) * ry);
    }
    for (int64_t k = 1; k < v; ++k)
      best = std::min(best, filled ? std::trunc(ModelSegment(px, py, 0, 0, sx[k], sy[k]))
                                   : ModelSegment(px, py, sx[k - 1], sy[k - 1], sx[k], sy[k]));
  }
  return best;
}

double ModelPolyline(int32_t x, int32_t y, const std::vector<TPoint>& points, int32_t originX,
                     int32_t originY, int32_t offsetX, int32_t offsetY, double scaleX,
                     double scaleY, int32_t penWidth, bool closed) {
  const auto count = static_cast<int32_t>(points.size());
  if (count <= 0) return 1000000;
  std::vector<TPoint> mapped;
  for (const TPoint& p : points)
    mapped.push_back(
        {static_cast<int32_t>(std::nearbyint((double(p.x) - originX) * scaleX + offsetX)),
         static_cast<int32_t>(std::nearbyint((double(p.y) - originY) * scaleY + offsetY))});
  const int64_t half = penWidth / 2;
  std::vector<double> distances;
  auto measure = [&](TPoint a, TPoint b) {
    double d = ModelSegment(x, y, a.x, a.y, b.x, b.y);
    if (penWidth > 1 && half > 1)
      for (int64_t e = -half; e <= half; ++e)
        for (int64_t g = 2; g <= half; ++g)
          d = std::min(d, ModelSegment(x, y, a.x + e, a.y + g, b.x + e, b.y + g));
    distances.push_back(d);
  };
  for (int32_t i = 1; i < count; ++i) measure(mapped[i - 1], mapped[i]);
  if (closed) measure(mapped[count - 1], mapped[0]);
  return distances.empty() ? 1000000 : *std::min_element(distances.begin(), distances.end());
}

// ---- Random shapes ----

class Shapes {
 public:
  explicit Shapes(uint64_t seed) : random_(seed) {}

  int32_t Between(int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random_);
  }
  bool OneIn(int n) { return Between(1, n) == 1; }

  // Mostly thin pens, sometimes none (0 and negative widths) and up to 50.
  int32_t PenWidth() {
    switch (Between(0, 5)) {
      case 0: return Between(-3, 1);
      case 1: return Between(2, 5);
      case 2: return Between(6, 50);
      default: return Between(1, 12);
    }
  }

  // A side length: degenerate, small, reversed or up to `large`.
  int32_t Side(int32_t large) {
    switch (Between(0, 7)) {
      case 0: return 0;
      case 1: return Between(1, 3);
      case 2: return -Between(1, 60);
      case 3: return Between(100, large);
      default: return Between(4, 120);
    }
  }

  // A point near (x, y): on it, a few pixels off, further off or far beyond the 45000 bound.
  TPoint Near(int64_t x, int64_t y) {
    switch (Between(0, 9)) {
      case 0: return Clamp(x, y);
      case 1: return Clamp(x + Between(-60, 60), y + Between(-60, 60));
      case 2: return Clamp(x + Between(-50000, 50000), y + Between(-50000, 50000));
      default: return Clamp(x + Between(-4, 4), y + Between(-4, 4));
    }
  }

 private:
  static TPoint Clamp(int64_t x, int64_t y) {
    return {static_cast<int32_t>(std::clamp<int64_t>(x, -1000000, 1000000)),
            static_cast<int32_t>(std::clamp<int64_t>(y, -1000000, 1000000))};
  }
  std::mt19937_64 random_;
};

struct BoxCase {
  int32_t x, y, left, top, right, bottom;
  bool filled;
  int32_t penWidth;
};

std::ostream& operator<<(std::ostream& out, const BoxCase& c) {
  return out << "point " << c.x << "," << c.y << " box " << c.left << "," << c.top << " - "
             << c.right << "," << c.bottom << (c.filled ? " filled" : " outline") << " pen "
             << c.penWidth;
}

// A box and a point near its outline, its centre or anywhere about it.
BoxCase RandomBox(Shapes& shapes, int32_t largeSide) {
  BoxCase c{};
  c.left = shapes.Between(-300, 300);
  c.top = shapes.Between(-300, 300);
  c.right = c.left + shapes.Side(largeSide);
  c.bottom = shapes.OneIn(4) ? c.top + (c.right - c.left) : c.top + shapes.Side(largeSide);
  c.filled = shapes.OneIn(2);
  c.penWidth = shapes.PenWidth();
  const int64_t cx = (int64_t{c.left} + c.right) / 2, cy = (int64_t{c.top} + c.bottom) / 2;
  const int64_t w = c.right - c.left, h = c.bottom - c.top;
  TPoint p;
  switch (shapes.Between(0, 4)) {
    case 0: p = shapes.Near(cx, cy); break;
    case 1: {  // about the outline of the inscribed ellipse
      const double a = shapes.Between(0, 3599) * std::numbers::pi / 1800;
      p = shapes.Near(cx + std::llround(std::cos(a) * w / 2),
                      cy + std::llround(std::sin(a) * h / 2));
      break;
    }
    case 2:
      p = shapes.Near(shapes.OneIn(2) ? c.left : c.right, cy + shapes.Between(-5, 5) * h / 4);
      break;
    default:
      p = shapes.Near(cx + shapes.Between(-2, 2) * w / 2, cy + shapes.Between(-2, 2) * h / 2);
  }
  c.x = p.x;
  c.y = p.y;
  return c;
}

using BoxDistance = double (*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool, int32_t);

// The routine and the model agree on a case, to the last bit.
::testing::AssertionResult Agree(BoxDistance routine, BoxDistance model, const BoxCase& c) {
  const double got = routine(c.x, c.y, c.left, c.top, c.right, c.bottom, c.filled, c.penWidth);
  const double want = model(c.x, c.y, c.left, c.top, c.right, c.bottom, c.filled, c.penWidth);
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << c << ": " << got << ", the walk " << want;
}

TEST(GeometryPenDistance, RectangleMatchesEveryOffset) {
  Shapes shapes(1);
  for (int i = 0; i < 20000; ++i) {
    BoxCase c = RandomBox(shapes, 2000);
    if (shapes.OneIn(10)) c.penWidth = shapes.Between(51, 400);
    ASSERT_TRUE(Agree(CalcDistanceToRectangle, ModelRectangle, c));
  }
}

TEST(GeometryPenDistance, EllipseMatchesEverySample) {
  Shapes shapes(2);
  for (int i = 0; i < 6000; ++i)
    ASSERT_TRUE(
        Agree(CalcDistanceToEllipse, ModelEllipse, RandomBox(shapes, i % 50 == 0 ? 3000 : 400)));
}

TEST(GeometryPenDistance, WideAndElongatedEllipsesMatch) {
  // Pens wider than the ellipse, long thin ellipses with a few long chords per offset, and
  // points inside the stroke, where many offsets come within a pixel.
  Shapes shapes(4);
  for (int i = 0; i < 150; ++i) {
    BoxCase c = RandomBox(shapes, 2500);
    if (shapes.OneIn(2)) c.right = c.left + shapes.Between(0, 40);
    c.penWidth = shapes.Between(50, 400);
    ASSERT_TRUE(Agree(CalcDistanceToEllipse, ModelEllipse, c));
  }
}

struct PolylineCase {
  int32_t x, y;
  std::vector<TPoint> points;
  int32_t originX, originY, offsetX, offsetY;
  double scaleX, scaleY;
  int32_t penWidth;
  bool closed;
};

std::ostream& operator<<(std::ostream& out, const PolylineCase& c) {
  out << "point " << c.x << "," << c.y << " line";
  for (const TPoint& p : c.points) out << " " << p.x << "," << p.y;
  return out << " origin " << c.originX << "," << c.originY << " offset " << c.offsetX << ","
             << c.offsetY << " scale " << c.scaleX << "," << c.scaleY << " pen " << c.penWidth
             << (c.closed ? " closed" : " open");
}

double RandomScale(Shapes& shapes) {
  const double scales[] = {1, 1, 1, 2, 0.5, 0.37, 1.5, -1, 0, 3.25};
  return shapes.OneIn(4) ? shapes.Between(-3000, 3000) / 1000.0 : scales[shapes.Between(0, 9)];
}

PolylineCase RandomPolyline(Shapes& shapes) {
  PolylineCase c{};
  const int32_t count = shapes.Between(0, 6);
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0 && shapes.OneIn(6))
      c.points.push_back(c.points.back());  // a repeated point: a zero-length segment
    else if (shapes.OneIn(20))
      c.points.push_back({shapes.Between(-60000, 60000), shapes.Between(-60000, 60000)});
    else
      c.points.push_back({shapes.Between(-200, 200), shapes.Between(-200, 200)});
  }
  if (shapes.OneIn(3)) {
    c.originX = shapes.Between(-100, 100);
    c.originY = shapes.Between(-100, 100);
    c.offsetX = shapes.Between(-100, 100);
    c.offsetY = shapes.Between(-100, 100);
    c.scaleX = RandomScale(shapes);
    c.scaleY = shapes.OneIn(2) ? c.scaleX : RandomScale(shapes);
  } else {
    c.scaleX = c.scaleY = 1;
  }
  c.penWidth = shapes.PenWidth();
  c.closed = shapes.OneIn(2);
  // Near a mapped point or between two, or anywhere.
  if (count > 0 && !shapes.OneIn(5)) {
    const TPoint& a = c.points[shapes.Between(0, count - 1)];
    const TPoint& b = c.points[shapes.Between(0, count - 1)];
    const int32_t t = shapes.Between(0, 8);
    const double mx = ((a.x + (b.x - a.x) * t / 8.0) - c.originX) * c.scaleX + c.offsetX;
    const double my = ((a.y + (b.y - a.y) * t / 8.0) - c.originY) * c.scaleY + c.offsetY;
    const TPoint p = shapes.Near(std::llround(mx), std::llround(my));
    c.x = p.x;
    c.y = p.y;
  } else {
    c.x = shapes.Between(-400, 400);
    c.y = shapes.Between(-400, 400);
  }
  return c;
}

TEST(GeometryPenDistance, PolylineMatchesEveryShift) {
  Shapes shapes(3);
  for (int i = 0; i < 6060; ++i) {
    PolylineCase c = RandomPolyline(shapes);
    if (i >= 6000) {  // a few wide pens over one or two segments
      c.points.resize(std::min<size_t>(c.points.size(), 3));
      c.penWidth = shapes.Between(50, 300);
    }
    ASSERT_EQ(CalcDistanceToPolyline(c.x, c.y, c.points.data(), int32_t(c.points.size()), c.originX,
                                     c.originY, c.offsetX, c.offsetY, c.scaleX, c.scaleY,
                                     c.penWidth, c.closed),
              ModelPolyline(c.x, c.y, c.points, c.originX, c.originY, c.offsetX, c.offsetY,
                            c.scaleX, c.scaleY, c.penWidth, c.closed))
        << c;
  }
}

TEST(GeometryPenDistance, RadiiAndPensOf2To30Finish) {
  // Walking every offset and sample here would take hours; a hang fails by the test time-out.
  constexpr int32_t Big = 1 << 30;
  const TPoint line[] = {{-Big, -Big}, {Big, Big - 7}, {Big, -Big}};
  for (const bool filled : {false, true})
    for (const int32_t pen : {1, Big})
      for (const TPoint p :
           {TPoint{0, 0}, TPoint{Big, 0}, TPoint{-Big, -Big}, TPoint{12345, -Big},
            TPoint{Big - 5, 3}, TPoint{2000000000, 2000000000}, TPoint{INT32_MIN, INT32_MAX}}) {
        const double ellipse = CalcDistanceToEllipse(p.x, p.y, -Big, -Big, Big, Big, filled, pen);
        const double box = CalcDistanceToRectangle(p.x, p.y, -Big, -Big, Big, Big, filled, pen);
        const double polyline =
            CalcDistanceToPolyline(p.x, p.y, line, 3, 0, 0, 0, 0, 1, 1, pen, filled);
        for (const double d : {ellipse, box, polyline}) {
          EXPECT_GE(d, 0) << p.x << "," << p.y << " pen " << pen;
          EXPECT_LE(d, NoDistance) << p.x << "," << p.y << " pen " << pen;
        }
      }
  // A point on the outline, and one inside a filled shape.
  EXPECT_EQ(CalcDistanceToEllipse(Big, 0, -Big, -Big, Big, Big, false, Big), 0);
  EXPECT_EQ(CalcDistanceToEllipse(7, -9, -Big, -Big, Big, Big, true, Big), 0);
  EXPECT_EQ(CalcDistanceToRectangle(Big, 5, -Big, -Big, Big, Big, false, Big), 0);
  EXPECT_NEAR(CalcDistanceToPolyline(0, 0, line, 2, 0, 0, 0, 0, 1, 1, 1, false), 7 / std::sqrt(8.0),
              1e-3);
}

// The search measures at most about 65,000 chords. Only a point near the centre of an outline
// tens of thousands of pixels across has more chords within a pixel or two of the nearest;
// the answer is then the nearest of those measured: never below the walk's, and a hair above.
TEST(GeometryPenDistance, NearTheCentreOfAHugeOutlineTheAnswerStaysClose) {
  const struct {
    int32_t x, y, radius, pen;
  } cases[] = {{0, 0, 30000, 3}, {-10, -20, 31215, 4}, {81, -8, 35878, 5}, {7, 3, 40000, 1}};
  for (const auto& c : cases) {
    const double found =
        CalcDistanceToEllipse(c.x, c.y, -c.radius, -c.radius, c.radius, c.radius, false, c.pen);
    const double walked =
        ModelEllipse(c.x, c.y, -c.radius, -c.radius, c.radius, c.radius, false, c.pen);
    EXPECT_GE(found, walked) << c.radius;
    EXPECT_LE(found, walked + 0.05) << c.radius;
  }
  // Beyond 45000 on an axis every chord whose nearest point is an end answers FarDistance, and
  // which chords those are depends on how each end truncates: both answers are far away.
  const double found = CalcDistanceToEllipse(831, -433, -92541, -92541, 92541, 92541, false, 6);
  const double walked = ModelEllipse(831, -433, -92541, -92541, 92541, 92541, false, 6);
  EXPECT_GE(found, walked);
  EXPECT_GT(walked, 45000);
}

}  // namespace
}  // namespace calmora
