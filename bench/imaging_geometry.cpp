// Hit-test distances with a pen width at everyday sizes: CalcDistanceToEllipse, -Rectangle and
// -Polyline against the walk over every pen offset and ellipse sample they replace (the peer),
// for points spread around the outline. The search must not cost more where the walk is short.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "imaging/base/geometry/geometry.h"
#include "imaging/base/geometry/geometry_internal.h"

namespace calmora {
namespace {

using geometry_detail::TruncToInt32;

// ---- The walks ----

double WalkEllipse(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   bool filled, int32_t penWidth) {
  constexpr long double Pi = std::numbers::pi_v<long double>;
  const int64_t cx = (int64_t{right} - left) / 2, cy = (int64_t{bottom} - top) / 2;
  const auto px = static_cast<int32_t>(x - left - cx), py = static_cast<int32_t>(y - top - cy);
  double best = NoDistance;
  for (int32_t l = -(penWidth / 2); l <= penWidth / 2; ++l) {
    const int64_t rx = cx + l, ry = cy + l;
    int64_t v = static_cast<int64_t>(2 * Pi * static_cast<long double>(std::min(rx, ry)));
    if (!filled) v /= 8;
    v = std::max<int64_t>(v, 2);
    auto sample = [&](int64_t k) {
      const long double a = 2 * Pi * k / v;
      return TPoint{static_cast<int32_t>(std::cos(a) * rx), static_cast<int32_t>(std::sin(a) * ry)};
    };
    TPoint previous = sample(0);
    for (int64_t k = 1; k < v; ++k) {
      const TPoint current = sample(k);
      best = std::min(
          best, filled
                    ? std::trunc(CalcDistanceToSegment(px, py, 0, 0, current.x, current.y))
                    : CalcDistanceToSegment(px, py, previous.x, previous.y, current.x, current.y));
      previous = current;
    }
  }
  return best;
}

double WalkRectangle(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     bool filled, int32_t penWidth) {
  double best = NoDistance;
  for (int32_t l = -(penWidth / 2); l <= penWidth / 2; ++l) {
    const int32_t L = left + l, T = top + l, R = right + l, B = bottom + l;
    if (filled && IsPointInRect(x, y, L, T, R, B)) return 0;
    best = std::min(
        {best, CalcDistanceToSegment(x, y, L, T, R, T), CalcDistanceToSegment(x, y, R, T, R, B),
         CalcDistanceToSegment(x, y, R, B, L, B), CalcDistanceToSegment(x, y, L, B, L, T)});
  }
  return best;
}

// Mapped as the hit test maps its points (here with scale 1 and no offsets).
double WalkPolyline(int32_t x, int32_t y, const std::vector<TPoint>& raw, int32_t penWidth) {
  std::vector<TPoint> points(raw.size());
  for (size_t i = 0; i < raw.size(); ++i)
    points[i] = {TruncToInt32(std::nearbyint((static_cast<double>(raw[i].x) - 0) * 1.0 + 0)),
                 TruncToInt32(std::nearbyint((static_cast<double>(raw[i].y) - 0) * 1.0 + 0))};
  const int32_t half = penWidth / 2;
  double best = FarDistance;
  for (size_t i = 1; i < points.size(); ++i) {
    const TPoint a = points[i - 1], b = points[i];
    best = std::min(best, CalcDistanceToSegment(x, y, a.x, a.y, b.x, b.y));
    if (penWidth > 1 && half > 1)
      for (int32_t e = -half; e <= half; ++e)
        for (int32_t g = 2; g <= half; ++g)
          best = std::min(best, CalcDistanceToSegment(x, y, a.x + e, a.y + g, b.x + e, b.y + g));
  }
  return best;
}

// ---- Points to ask about: around the outline, a few pixels in and out, and inside ----

std::vector<TPoint> PointsAround(int32_t radius) {
  std::vector<TPoint> points;
  for (int i = 0; i < 64; ++i) {
    const double a = i * 0.37, r = radius + (i % 9) - 4 - (i % 16 == 0 ? radius / 2 : 0);
    points.push_back({static_cast<int32_t>(radius + std::cos(a) * r),
                      static_cast<int32_t>(radius + std::sin(a) * r)});
  }
  return points;
}

// Arguments: radius, pen width, filled.
template <typename Distance>
void RunBoxShape(benchmark::State& state, Distance distance) {
  const auto radius = static_cast<int32_t>(state.range(0));
  const auto pen = static_cast<int32_t>(state.range(1));
  const bool filled = state.range(2) != 0;
  const std::vector<TPoint> points = PointsAround(radius);
  size_t i = 0;
  for (auto _ : state) {
    const TPoint p = points[i++ % points.size()];
    benchmark::DoNotOptimize(distance(p.x, p.y, 0, 0, 2 * radius, 2 * radius, filled, pen));
  }
}

void BM_EllipseSearch(benchmark::State& state) { RunBoxShape(state, CalcDistanceToEllipse); }
void BM_EllipseWalk(benchmark::State& state) { RunBoxShape(state, WalkEllipse); }
void BM_RectangleSearch(benchmark::State& state) { RunBoxShape(state, CalcDistanceToRectangle); }
void BM_RectangleWalk(benchmark::State& state) { RunBoxShape(state, WalkRectangle); }

void EverydayEllipses(benchmark::internal::Benchmark* b) {
  for (int radius : {5, 20, 50, 200})
    for (int pen : {1, 3, 10})
      for (int filled : {0, 1}) b->Args({radius, pen, filled});
}
void EverydayRectangles(benchmark::internal::Benchmark* b) {
  for (int pen : {1, 3, 10, 30})
    for (int filled : {0, 1}) b->Args({100, pen, filled});
}

BENCHMARK(BM_EllipseSearch)->Apply(EverydayEllipses);
BENCHMARK(BM_EllipseWalk)->Apply(EverydayEllipses);
BENCHMARK(BM_RectangleSearch)->Apply(EverydayRectangles);
BENCHMARK(BM_RectangleWalk)->Apply(EverydayRectangles);

// A ten-point polyline; argument: pen width.
std::vector<TPoint> TenPoints() {
  std::vector<TPoint> points;
  for (int i = 0; i < 10; ++i) points.push_back({i * 30, (i * 37) % 100});
  return points;
}

template <typename Distance>
void RunPolyline(benchmark::State& state, Distance distance) {
  const std::vector<TPoint> line = TenPoints();
  const auto pen = static_cast<int32_t>(state.range(0));
  int32_t i = 0;
  for (auto _ : state) {
    ++i;
    benchmark::DoNotOptimize(distance(i % 300, (i * 7) % 120, line, pen));
  }
}

void BM_PolylineSearch(benchmark::State& state) {
  RunPolyline(state, [](int32_t x, int32_t y, const std::vector<TPoint>& line, int32_t pen) {
    return CalcDistanceToPolyline(x, y, line.data(), int32_t(line.size()), 0, 0, 0, 0, 1, 1, pen,
                                  false);
  });
}
void BM_PolylineWalk(benchmark::State& state) { RunPolyline(state, WalkPolyline); }

BENCHMARK(BM_PolylineSearch)->Arg(1)->Arg(4)->Arg(10)->Arg(30);
BENCHMARK(BM_PolylineWalk)->Arg(1)->Arg(4)->Arg(10)->Arg(30);

}  // namespace
}  // namespace calmora

BENCHMARK_MAIN();
