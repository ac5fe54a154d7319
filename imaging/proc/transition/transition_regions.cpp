// The region builders of the clip-region transitions. Patterns of many pieces collect their
// rectangles first and unite them in one sweep.
#include "imaging/proc/transition/transition_regions.h"

#include <algorithm>
#include <cmath>

#include "imaging/base/random.h"

namespace calmora::transitions {

namespace {

// Rounds to the nearest integer, halves to even.
int32_t RoundToInt(long double value) { return static_cast<int32_t>(std::nearbyint(value)); }

// The jitter of a shred edge: the first draw added, the second taken away.
int32_t Jitter(int32_t range) {
  const int32_t added = Random(range);
  return added - Random(range);
}

// A rectangle given along a pattern's axis: along runs across for rows, down for columns.
TRegionRect Oriented(bool columns, int32_t alongFirst, int32_t acrossFirst, int32_t alongLast,
                     int32_t acrossLast) {
  return columns ? TRegionRect{acrossFirst, alongFirst, acrossLast, alongLast}
                 : TRegionRect{alongFirst, acrossFirst, alongLast, acrossLast};
}

// The bars of one direction. For rows, "along" is x (side W) and bars stack down to H.
void AddBars(std::vector<TRegionRect>& rects, bool columns, int32_t progress, int32_t side,
             int32_t extent, int32_t band, int32_t kind) {
  for (int32_t i = progress > side ? 5 : 0; i < extent + 5; i += 10) {
    if (progress > side) {
      rects.push_back(Oriented(columns, 0, i - 5, side, i));
      if (kind == 1 || kind == 4) rects.push_back(Oriented(columns, 2 * side - progress, i, side, i + 5));
      if (kind == 2 || kind == 5) rects.push_back(Oriented(columns, 0, i, progress - side, i + 5));
      continue;
    }
    // Within one band of the end the bars snap to their full length.
    if (side < band + progress) progress = side;
    if (kind == 1 || kind == 5) rects.push_back(Oriented(columns, side - progress, i, side, i + 5));
    if (kind == 2 || kind == 4) rects.push_back(Oriented(columns, 0, i, progress, i + 5));
    if (kind == 3) {
      rects.push_back(Oriented(columns, 0, i + 5, progress, i + 10));
      rects.push_back(Oriented(columns, side - progress, i, side, i + 5));
    }
  }
}

void AddShreds(std::vector<TRegionRect>& rects, bool columns, int32_t progress, int32_t side,
               int32_t extent, int32_t kind) {
  const int32_t range = progress < side ? side / 7 : 0;
  for (int32_t at = 0; at < extent; at += 5) {
    const int32_t end = at + 5 + extent % 5;
    switch (kind) {
      case 1: rects.push_back(Oriented(columns, side - progress + Jitter(range), at, side, end)); break;
      case 2: rects.push_back(Oriented(columns, 0, at, progress + Jitter(range), end)); break;
      case 3:
        rects.push_back(Oriented(columns, (side - progress + Jitter(range)) / 2, at, side / 2, end));
        rects.push_back(Oriented(columns, side / 2, at, (side + progress + Jitter(range)) / 2, end));
        break;
      case 4:
        rects.push_back(Oriented(columns, side - (progress + Jitter(range)) / 2, at, side, end));
        rects.push_back(Oriented(columns, 0, at, (progress + Jitter(range)) / 2, end));
        break;
      default: break;
    }
  }
}

void AddSpeckles(std::vector<TRegionRect>& rects, bool columns, int32_t progress, int32_t side,
                 int32_t extent, int32_t kind) {
  const int32_t reach = progress < side ? side / 10 : 0;
  const int32_t size = std::max(reach / 20, 2);
  const int32_t nearLimit = (3 * reach / size) / 4;
  for (int32_t at = 0; at < extent; at += size / 2) {
    if (kind == 1)
      rects.push_back(Oriented(columns, side - progress, at, side, at + size));
    else
      rects.push_back(Oriented(columns, 0, at, progress, at + size));
    for (int32_t i = reach / size; i >= 1; --i) {
      const bool near = i <= nearLimit;
      if ((near ? 1 : 0) < Random(i)) continue;
      const int32_t first = kind == 1 ? side - progress - size * i : progress + size * (i - 1);
      rects.push_back(Oriented(columns, first, at, first + size, at + size));
    }
  }
}

}  // namespace

TRegion TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  const TRegionPoint points[] = {{x1, y1}, {x2, y2}, {x3, y3}};
  return TRegion::FromPolygon(points, 3);
}

TRegion PieRegion(int32_t cx, int32_t cy, int32_t r, double StartAngle, double EndAngle,
                  int32_t Count) {
  if (Count < 1) return TRegion();
  std::vector<TRegionPoint> points;
  points.reserve(static_cast<size_t>(Count) + 2);
  points.push_back(TRegionPoint{cx, cy});
  for (int32_t k = 0; k <= Count; ++k) {
    const long double angle = StartAngle + k * (EndAngle - StartAngle) / Count;
    points.push_back(TRegionPoint{cx + RoundToInt(r * std::cos(angle)),
                                  cy + RoundToInt(r * std::sin(angle))});
  }
  return TRegion::FromPolygon(points.data(), static_cast<int32_t>(points.size()));
}

void RotatePoints(std::vector<TRegionPoint>& Points, int32_t cx, int32_t cy, long double Angle) {
  const long double sine = std::sin(Angle);
  const long double cosine = std::cos(Angle);
  for (TRegionPoint& point : Points) {
    const long double dx = point.X - cx;
    const long double dy = point.Y - cy;
    point = TRegionPoint{cx + RoundToInt(dx * cosine - dy * sine),
                         cy + RoundToInt(dx * sine + dy * cosine)};
  }
}

TRegion BarsRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t Band,
                   int32_t KindX, int32_t KindY) {
  std::vector<TRegionRect> rects;
  if (KindX != 0) AddBars(rects, false, XProg, W, H, Band, KindX);
  if (KindY != 0) AddBars(rects, true, YProg, H, W, Band, KindY);
  return TRegion::FromRects(rects);
}

TRegion ShredRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t KindX,
                    int32_t KindY) {
  std::vector<TRegionRect> rects;
  AddShreds(rects, false, XProg, W, H, KindX);
  AddShreds(rects, true, YProg, H, W, KindY);
  return TRegion::FromRects(rects);
}

TRegion SpeckleRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t KindX,
                      int32_t KindY) {
  std::vector<TRegionRect> rects;
  if (KindX != 0) AddSpeckles(rects, false, XProg, W, H, KindX);
  if (KindY != 0) AddSpeckles(rects, true, YProg, H, W, KindY);
  return TRegion::FromRects(rects);
}

}  // namespace calmora::transitions
