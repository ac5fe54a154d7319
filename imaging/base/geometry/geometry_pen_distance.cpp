// Distances to polylines, rectangles and ellipses drawn with a pen width: the smallest segment
// distance over every pen offset and ellipse sample (billions at a pen or radius of 2^30), found
// by a search that measures only the groups that can hold it, with the walk's own expressions.
#include "imaging/base/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

#include "imaging/base/geometry/geometry_bounds.h"
#include "imaging/base/geometry/geometry_internal.h"
#include "imaging/base/geometry/geometry_search.h"

namespace calmora {

namespace {

using geometry_detail::Box64;
using geometry_detail::LeafSize;
using geometry_detail::LowestChordDistance;
using geometry_detail::LowestSegmentDistance;
using geometry_detail::LowestSpokeDistance;
using geometry_detail::Point64;
using geometry_detail::RoundingSlack;
using geometry_detail::SegmentDistance;
using geometry_detail::SmallestByBounds;
using geometry_detail::TruncToInt32;
using geometry_detail::TruncToInt64;

constexpr long double Pi = std::numbers::pi_v<long double>;
constexpr double Unreachable = std::numeric_limits<double>::infinity();

// What the rounding slack of a search's bounds scales with: the sum of its coordinates' sizes.
long double Slack(std::initializer_list<int64_t> values) {
  int64_t sum = 0;  // a few values below 2^34 each
  for (int64_t v : values) sum += std::llabs(v);
  return RoundingSlack(sum);
}

// ---- Rectangles: the outline shifted by (l, l) for every offset l of the pen ----

struct OffsetRange {
  int64_t first = 0;
  int64_t last = 0;
};

class RectangleSearch {
 public:
  RectangleSearch(int64_t x, int64_t y, int64_t left, int64_t top, int64_t right, int64_t bottom,
                  int64_t half)
      : x_(x),
        y_(y),
        left_(left),
        top_(top),
        right_(right),
        bottom_(bottom),
        slack_(Slack({x, y, left, top, right, bottom, 2 * half})) {}

  // Shifting the outline by (l, l) is shifting the point by (-l, -l): over a range of offsets
  // the point runs along a diagonal, which its box holds.
  double LowerBound(const OffsetRange& range) const {
    const Box64 points{x_ - range.last, y_ - range.last, x_ - range.first, y_ - range.first};
    const Point64 corners[] = {{left_, top_}, {right_, top_}, {right_, bottom_}, {left_, bottom_}};
    double lowest = LowestSegmentDistance(points, corners[3], corners[0], slack_);
    for (int i = 1; i < 4; ++i)
      lowest = std::min(lowest, LowestSegmentDistance(points, corners[i - 1], corners[i], slack_));
    return lowest;
  }
  int64_t Count(const OffsetRange& range) const { return range.last - range.first + 1; }
  double Smallest(const OffsetRange& range) const {
    double best = Unreachable;
    for (int64_t l = range.first; l <= range.last; ++l) {
      const int64_t L = left_ + l, T = top_ + l, R = right_ + l, B = bottom_ + l;
      best =
          std::min({best, SegmentDistance(x_, y_, L, T, R, T), SegmentDistance(x_, y_, R, T, R, B),
                    SegmentDistance(x_, y_, R, B, L, B), SegmentDistance(x_, y_, L, B, L, T)});
    }
    return best;
  }
  void Split(const OffsetRange& range, OffsetRange children[2]) const {
    const int64_t middle = range.first + (range.last - range.first) / 2;
    children[0] = {range.first, middle};
    children[1] = {middle + 1, range.last};
  }

 private:
  int64_t x_, y_, left_, top_, right_, bottom_;
  long double slack_;
};

// ---- Polylines: each segment shifted by (e, g) over the box of a wide pen ----

struct ShiftBox {
  int64_t e0 = 0, e1 = 0;  // horizontal shifts
  int64_t g0 = 0, g1 = 0;  // vertical shifts
};

class ShiftedSegmentSearch {
 public:
  ShiftedSegmentSearch(int64_t x, int64_t y, TPoint a, TPoint b, int64_t half)
      : x_(x), y_(y), a_{a.x, a.y}, b_{b.x, b.y}, half_(half) {}

  // The segment shifted by (e, g) is as far from the point as the segment from the point
  // shifted by (-e, -g): a box of points. (The slack is worked out here, not up front: most
  // segments of a thin pen are measured without any bound.)
  double LowerBound(const ShiftBox& s) const {
    const long double slack = Slack({x_, y_, a_.x, a_.y, b_.x, b_.y, 2 * half_});
    return LowestSegmentDistance(Box64{x_ - s.e1, y_ - s.g1, x_ - s.e0, y_ - s.g0}, a_, b_, slack);
  }
  int64_t Count(const ShiftBox& s) const { return (s.e1 - s.e0 + 1) * (s.g1 - s.g0 + 1); }
  double Smallest(const ShiftBox& s) const {
    double best = Unreachable;
    for (int64_t e = s.e0; e <= s.e1; ++e)
      for (int64_t g = s.g0; g <= s.g1; ++g)
        best = std::min(best, SegmentDistance(x_, y_, a_.x + e, a_.y + g, b_.x + e, b_.y + g));
    return best;
  }
  void Split(const ShiftBox& s, ShiftBox children[2]) const {
    children[0] = children[1] = s;
    if (s.e1 - s.e0 >= s.g1 - s.g0) {
      children[0].e1 = s.e0 + (s.e1 - s.e0) / 2;
      children[1].e0 = children[0].e1 + 1;
    } else {
      children[0].g1 = s.g0 + (s.g1 - s.g0) / 2;
      children[1].g0 = children[0].g1 + 1;
    }
  }

 private:
  int64_t x_, y_;
  Point64 a_, b_;
  int64_t half_;
};

// ---- Ellipses: a polygon of samples for every pen offset ----

// Offsets first..last, and of each offset's chords (or spokes) k those whose k / v lies in
// [part, part + 1) / 2^depth of the turn: a share of the turn that means the same for every
// offset, although each has its own sample count v.
struct EllipseGroup {
  int64_t first = 0;
  int64_t last = 0;
  int32_t depth = 0;
  int64_t part = 0;
};

struct RealRange {
  long double low;
  long double high;
};

// cos(2 pi t) over turns t0..t1.
RealRange CosineOverTurns(long double t0, long double t1) {
  if (t1 - t0 >= 1) return {-1, 1};
  const long double c0 = std::cos(2 * Pi * t0), c1 = std::cos(2 * Pi * t1);
  RealRange range{std::min(c0, c1), std::max(c0, c1)};
  if (std::ceil(t0) <= t1) range.high = 1;
  if (std::ceil(t0 - 0.5L) <= t1 - 0.5L) range.low = -1;
  return range;
}

RealRange Product(RealRange a, RealRange b) {
  const long double p[] = {a.low * b.low, a.low * b.high, a.high * b.low, a.high * b.high};
  return {*std::min_element(p, p + 4), *std::max_element(p, p + 4)};
}

int64_t CeilDivide(__int128 n, __int128 d) { return static_cast<int64_t>((n + d - 1) / d); }

class EllipseSearch {
 public:
  EllipseSearch(int64_t px, int64_t py, int64_t halfWidth, int64_t halfHeight, bool filled,
                int64_t half)
      : px_(px),
        py_(py),
        halfWidth_(halfWidth),
        halfHeight_(halfHeight),
        filled_(filled),
        slack_(Slack({px, py, 2 * halfWidth, 2 * halfHeight, 4 * half})) {}

  // About one sample per pixel of the smaller radius; an outline needs fewer.
  int64_t SampleCount(int64_t l) const {
    int64_t v =
        TruncToInt64(2 * Pi * static_cast<long double>(std::min(halfWidth_ + l, halfHeight_ + l)));
    if (!filled_) v /= 8;
    return std::max<int64_t>(v, 2);
  }

  double LowerBound(const EllipseGroup& group) const {
    Box64 samples;
    if (!SampleBox(group, samples)) return Unreachable;
    const Point64 point{px_, py_};
    // Filled values are whole numbers, so a bound between two of them prunes as its floor
    // would, while still ordering the groups by how close they come.
    return filled_ ? LowestSpokeDistance(point, samples, slack_)
                   : LowestChordDistance(point, samples, slack_);
  }

  int64_t Count(const EllipseGroup& group) const {
    if (group.last - group.first < LeafSize * 4) {  // few offsets: count exactly
      int64_t count = 0;
      for (int64_t l = group.first; l <= group.last; ++l) {
        const auto [low, high] = Indexes(group, SampleCount(l));
        count += std::max<int64_t>(0, high - low + 1);
      }
      return count;
    }
    // Each offset has at most v / 2^depth + 1 of its v samples in the share, and v grows with
    // the offset.
    const long double perOffset =
        std::ldexp(static_cast<long double>(SampleCount(group.last)), -group.depth) + 1;
    const long double count = static_cast<long double>(group.last - group.first + 1) * perOffset;
    return count > 0x1p62L ? std::numeric_limits<int64_t>::max() : static_cast<int64_t>(count);
  }

  double Smallest(const EllipseGroup& group) const {
    double best = Unreachable;
    for (int64_t l = group.first; l <= group.last; ++l) {
      const int64_t v = SampleCount(l), rx = halfWidth_ + l, ry = halfHeight_ + l;
      const auto [low, high] = Indexes(group, v);
      if (low > high) continue;
      if (filled_) {  // spokes from the centre: a point inside lies within a pixel of one
        for (int64_t k = low; k <= high; ++k) {
          const Point64 end = Sample(k, v, rx, ry);
          best = std::min(best, std::trunc(SegmentDistance(px_, py_, 0, 0, end.x, end.y)));
        }
        continue;
      }
      Point64 previous = Sample(low - 1, v, rx, ry);  // chords between neighbouring samples
      for (int64_t k = low; k <= high; ++k) {
        const Point64 current = Sample(k, v, rx, ry);
        best =
            std::min(best, SegmentDistance(px_, py_, previous.x, previous.y, current.x, current.y));
        previous = current;
      }
    }
    return best;
  }

  // Offsets are halved while they span more pixels than the share of the turn does along the
  // outline, or once the share holds no more than two samples of an offset; then the share is
  // halved.
  void Split(const EllipseGroup& group, EllipseGroup children[2]) const {
    children[0] = children[1] = group;
    if (group.first < group.last) {
      const long double radius = static_cast<long double>(
          std::max({std::llabs(halfWidth_ + group.first), std::llabs(halfWidth_ + group.last),
                    std::llabs(halfHeight_ + group.first), std::llabs(halfHeight_ + group.last)}));
      const long double arc = 2 * Pi * radius * std::ldexp(1.0L, -group.depth);
      const long double perOffset =
          std::ldexp(static_cast<long double>(SampleCount(group.last)), -group.depth);
      if (static_cast<long double>(group.last - group.first + 1) >= arc || perOffset <= 2 ||
          group.depth >= MaxDepth) {
        children[0].last = group.first + (group.last - group.first) / 2;
        children[1].first = children[0].last + 1;
        return;
      }
    }
    children[0].depth = children[1].depth = group.depth + 1;
    children[0].part = 2 * group.part;
    children[1].part = 2 * group.part + 1;
  }

 private:
  // Shares of the turn finer than 2^-60 would outrun the products in Indexes.
  static constexpr int32_t MaxDepth = 60;

  Point64 Sample(int64_t k, int64_t v, int64_t rx, int64_t ry) const {
    const long double a = 2 * Pi * k / v;
    return {TruncToInt64(std::cos(a) * rx), TruncToInt64(std::sin(a) * ry)};
  }

  // The chords (spokes) k = 1..v-1 of a sample count v whose k / v lies in the group's share.
  std::pair<int64_t, int64_t> Indexes(const EllipseGroup& group, int64_t v) const {
    if (group.depth == 0) return {1, v - 1};  // the whole turn
    const __int128 whole = __int128{1} << group.depth;
    return {std::max<int64_t>(1, CeilDivide(__int128{group.part} * v, whole)),
            std::min<int64_t>(v - 1, CeilDivide(__int128{group.part + 1} * v, whole) - 1)};
  }

  // A box holding every sample the group's chords (or spokes) end at; false when it has none.
  // Trunc never decreases, so the samples' box is the Trunc of the box of their exact
  // positions, widened by far more than the rounding of cos and sin.
  bool SampleBox(const EllipseGroup& group, Box64& box) const {
    long double t0, t1;
    const long double behind = filled_ ? 0 : 1;  // an outline chord starts one sample back
    if (group.first == group.last) {
      const int64_t v = SampleCount(group.first);
      const auto [low, high] = Indexes(group, v);
      if (low > high) return false;
      t0 = (low - behind) / v;
      t1 = static_cast<long double>(high) / v;
    } else {
      t0 = std::ldexp(static_cast<long double>(group.part), -group.depth) -
           behind / SampleCount(group.first);
      t1 = std::ldexp(static_cast<long double>(group.part + 1), -group.depth);
    }
    const RealRange rx{static_cast<long double>(halfWidth_ + group.first),
                       static_cast<long double>(halfWidth_ + group.last)};
    const RealRange ry{static_cast<long double>(halfHeight_ + group.first),
                       static_cast<long double>(halfHeight_ + group.last)};
    const RealRange xs = Product(rx, CosineOverTurns(t0, t1));
    const RealRange ys = Product(ry, CosineOverTurns(t0 - 0.25L, t1 - 0.25L));
    const long double margin = 1e-6L + 1e-15L * std::max({std::fabs(rx.low), std::fabs(rx.high),
                                                          std::fabs(ry.low), std::fabs(ry.high)});
    box = {TruncToInt64(xs.low - margin), TruncToInt64(ys.low - margin),
           TruncToInt64(xs.high + margin), TruncToInt64(ys.high + margin)};
    return true;
  }

  int64_t px_, py_, halfWidth_, halfHeight_;
  bool filled_;
  long double slack_;
};

}  // namespace

double CalcDistanceToPolyline(int32_t x, int32_t y, const TPoint* points, int32_t count,
                              int32_t originX, int32_t originY, int32_t offsetX, int32_t offsetY,
                              double scaleX, double scaleY, int32_t penWidth, bool closed) {
  if (count <= 0 || points == nullptr) return FarDistance;
  std::vector<TPoint> mapped(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const double mx = (static_cast<double>(points[i].x) - originX) * scaleX + offsetX;
    const double my = (static_cast<double>(points[i].y) - originY) * scaleY + offsetY;
    mapped[i] = {TruncToInt32(std::nearbyint(mx)), TruncToInt32(std::nearbyint(my))};
  }
  const int64_t half = penWidth / 2;
  // A wide pen also counts the segment shifted across its width.
  const bool wide = penWidth > 1 && half > 1;
  double best = Unreachable;
  auto measure = [&](const TPoint& a, const TPoint& b) {
    best = std::min(best, SegmentDistance(x, y, a.x, a.y, b.x, b.y));
    if (wide)
      best = SmallestByBounds(ShiftedSegmentSearch(x, y, a, b, half),
                              ShiftBox{-half, half, 2, half}, best);
  };
  for (int32_t i = 1; i < count; ++i) measure(mapped[i - 1], mapped[i]);
  if (closed) measure(mapped[count - 1], mapped[0]);
  // A single point of an open line has no segment: far away.
  return best == Unreachable ? FarDistance : best;
}

double CalcDistanceToRectangle(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                               int32_t bottom, bool filled, int32_t penWidth) {
  const int64_t half = penWidth / 2;
  if (half < 0) return NoDistance;  // no offsets at all
  // Filled, any offset whose rectangle holds the point answers 0.
  if (filled && std::max({-half, int64_t{x} - right, int64_t{y} - bottom}) <=
                    std::min({half, int64_t{x} - left, int64_t{y} - top}))
    return 0;
  return SmallestByBounds(RectangleSearch(x, y, left, top, right, bottom, half),
                          OffsetRange{-half, half}, NoDistance);
}

double CalcDistanceToEllipse(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right,
                             int32_t bottom, bool filled, int32_t penWidth) {
  const int64_t half = penWidth / 2;
  if (half < 0) return NoDistance;  // no offsets at all
  const int64_t halfWidth = (int64_t{right} - left) / 2;
  const int64_t halfHeight = (int64_t{bottom} - top) / 2;
  // The point relative to the centre.
  const int64_t px = int64_t{x} - left - halfWidth;
  const int64_t py = int64_t{y} - top - halfHeight;
  return SmallestByBounds(EllipseSearch(px, py, halfWidth, halfHeight, filled, half),
                          EllipseGroup{-half, half, 0, 0}, NoDistance);
}

}  // namespace calmora
