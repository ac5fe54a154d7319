// Polygon fills of TPVMask: the even-odd scan-line fill with its active edge list, and the
// lists of several polygons. Each edge's x on a row comes from a closed form of the
// incremental (Bresenham-like) stepping, so rows above the mask are skipped in one jump
// instead of being walked, whatever the coordinates.
#include <algorithm>
#include <limits>
#include <vector>

#include "imaging/core/mask/mask.h"

namespace calmora {

namespace {

using Wide = __int128;

struct PolygonEdge {
  int64_t X = 0;     // x of the upper end
  int64_t Top = 0;   // y of the upper end: the row the edge becomes active
  int64_t YMax = 0;  // y of the lower end: the row the edge is removed on
  int64_t Dx = 0;    // x(lower) - x(upper)
  int64_t Dy = 0;    // y(lower) - y(upper), > 0
  int32_t Index = 0;
};

// x of the edge on row y. Stepping one row adds dx div dy and 2 x (dx mod dy) to an error
// term, with one more pixel in the direction of dx (and the error pulled back by 2 x dy)
// whenever the error leaves [-dy, dy]; after k steps that extra count is
// ceil((2k|r| - dy) / 2dy) when positive.
int64_t EdgeXAt(const PolygonEdge& edge, int64_t y) {
  const Wide k = y - edge.Top;
  const Wide quotient = edge.Dx / edge.Dy;
  const Wide remainder = edge.Dx - quotient * edge.Dy;
  Wide x = edge.X + k * quotient;
  if (remainder != 0) {
    const Wide magnitude = remainder < 0 ? -remainder : remainder;
    const Wide excess = 2 * k * magnitude - edge.Dy;
    const Wide steps = excess > 0 ? (excess + 2 * edge.Dy - 1) / (2 * edge.Dy) : 0;
    x += remainder > 0 ? steps : -steps;
  }
  const Wide low = std::numeric_limits<int64_t>::min(), high = std::numeric_limits<int64_t>::max();
  return static_cast<int64_t>(std::clamp(x, low, high));
}

int32_t ToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

void TPVMask::FillPolygon(int32_t value, const TPoint* points, int32_t count) {
  if (!Data || !points || count <= 0) return;
  const int32_t savedLeft = BoxLeft, savedTop = BoxTop, savedRight = BoxRight,
                savedBottom = BoxBottom;

  int64_t yMin = points[0].y, yMax = points[0].y;
  for (int32_t i = 0; i < count; ++i) {
    yMin = std::min<int64_t>(yMin, points[i].y);
    yMax = std::max<int64_t>(yMax, points[i].y);
    if (value != 0) {
      // Right and bottom edges are exclusive in the fill.
      BoxLeft = std::min(BoxLeft, points[i].x);
      BoxTop = std::min(BoxTop, points[i].y);
      if (BoxRight < points[i].x) BoxRight = points[i].x - 1;
      if (BoxBottom < points[i].y) BoxBottom = points[i].y - 1;
    }
  }
  if (value != 0) ClampBox();

  std::vector<PolygonEdge> edges;
  for (int32_t k = 0; k < count; ++k) {
    const TPoint& a = points[k];
    const TPoint& b = points[(k + 1) % count];
    if (a.y == b.y) continue;
    const TPoint& upper = a.y < b.y ? a : b;
    const TPoint& lower = a.y < b.y ? b : a;
    edges.push_back(PolygonEdge{upper.x, upper.y, lower.y, int64_t{lower.x} - upper.x,
                                int64_t{lower.y} - upper.y, k});
  }
  // By activation row; within a row the later edge first, as pushing at a bucket's head gives.
  std::sort(edges.begin(), edges.end(), [](const PolygonEdge& p, const PolygonEdge& q) {
    return p.Top != q.Top ? p.Top < q.Top : p.Index > q.Index;
  });

  std::vector<const PolygonEdge*> active;
  size_t next = 0;
  int64_t written = 0;
  // One row of the active list: edges that end here leave, edges that start here join in x
  // order (for equal x before the first edge whose slope is greater or equal), then the pairs
  // of the list fill the spans between them.
  auto row = [&](int64_t y, bool fill) {
    std::erase_if(active, [y](const PolygonEdge* edge) { return edge->YMax <= y; });
    for (; next < edges.size() && edges[next].Top == y; ++next) {
      const PolygonEdge& edge = edges[next];
      const int64_t x = EdgeXAt(edge, y);
      auto place = std::find_if(active.begin(), active.end(), [&](const PolygonEdge* other) {
        const int64_t otherX = EdgeXAt(*other, y);
        return otherX > x ||
               (otherX == x && Wide(other->Dx) * edge.Dy >= Wide(edge.Dx) * other->Dy);
      });
      active.insert(place, &edge);
    }
    if (!fill) return;
    for (size_t i = 0; i + 1 < active.size(); i += 2) {
      const int64_t xa = EdgeXAt(*active[i], y);
      const int64_t xb = EdgeXAt(*active[i + 1], y);
      if (xb - 1 >= xa) written += FillSpan(value, ToInt32(xa), ToInt32(xb - 1), static_cast<int32_t>(y));
    }
  };
  // Rows above the mask only change the list where edges start.
  while (next < edges.size() && edges[next].Top < 0) row(edges[next].Top, false);
  const int64_t lastRow = std::min<int64_t>(yMax, Height - 1);
  for (int64_t y = std::max<int64_t>(yMin, 0); y <= lastRow; ++y) row(y, true);

  // A polygon that selected nothing must not leave its vertices in the box.
  if (written == 0) {
    BoxLeft = savedLeft;
    BoxTop = savedTop;
    BoxRight = savedRight;
    BoxBottom = savedBottom;
  }
}

void TPVMask::FillPolygons(int32_t value, const TPoint* points, int32_t count) {
  if (!points) count = 0;
  int32_t start = 0;
  for (int32_t i = 0; i <= count; ++i) {
    if (i == count || points[i].x == PolygonSeparator) {
      FillPolygon(value, points + start, i - start);
      start = i + 1;
    }
  }
  CheckAllSet();
}

}  // namespace calmora
