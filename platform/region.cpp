// Regions over QRegion: the one-sweep union of many rectangles, polygons, rounded rectangles
// built from pixel centres, and the combinations.
#include "platform/region.h"

#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace calmora::platform {

namespace {

struct TSpan {
  int32_t Left;
  int32_t Right;
  friend bool operator==(const TSpan&, const TSpan&) = default;
};

struct TBand {
  int32_t Top;
  int32_t Bottom;
  std::vector<TSpan> Spans;
};

bool LeftOf(const TRegionRect* a, const TRegionRect* b) { return a->Left < b->Left; }

// The spans of the rectangles that cover a row band (kept in order of their left edges),
// merged where they overlap or touch.
std::vector<TSpan> MergedSpans(const std::vector<const TRegionRect*>& active) {
  std::vector<TSpan> merged;
  for (const TRegionRect* rect : active) {
    const TSpan span{rect->Left, rect->Right};
    if (!merged.empty() && span.Left <= merged.back().Right)
      merged.back().Right = std::max(merged.back().Right, span.Right);
    else
      merged.push_back(span);
  }
  return merged;
}

bool AboveOrLeftOf(const TRegionRect* a, const TRegionRect* b) {
  return a->Top != b->Top ? a->Top < b->Top : a->Left < b->Left;
}

// Sorts the rectangles by top, then by left edge (so the ones joining at one row arrive in
// order and merge into the active set without sorting it again), and lists their distinct
// top and bottom edges in order. Regions of a picture span few rows for their many pieces,
// so a bucket per row beats comparison sorts there.
void SortByRows(std::vector<const TRegionRect*>& pending, std::vector<int32_t>& edges) {
  if (pending.empty()) return;
  int64_t first = pending.front()->Top, last = pending.front()->Bottom;
  for (const TRegionRect* rect : pending) {
    first = std::min<int64_t>(first, rect->Top);
    last = std::max<int64_t>(last, rect->Bottom);
  }
  const auto rows = static_cast<size_t>(last - first + 1);
  if (rows > 4 * pending.size() + 4096) {
    std::sort(pending.begin(), pending.end(), AboveOrLeftOf);
    for (const TRegionRect* rect : pending) {
      edges.push_back(rect->Top);
      edges.push_back(rect->Bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return;
  }
  std::vector<size_t> bucketStart(rows + 1, 0);
  std::vector<bool> isEdge(rows, false);
  for (const TRegionRect* rect : pending) {
    ++bucketStart[static_cast<size_t>(rect->Top - first) + 1];
    isEdge[static_cast<size_t>(rect->Top - first)] = true;
    isEdge[static_cast<size_t>(rect->Bottom - first)] = true;
  }
  for (size_t row = 0; row < rows; ++row) bucketStart[row + 1] += bucketStart[row];
  std::vector<size_t> fill(bucketStart.begin(), bucketStart.end() - 1);
  std::vector<const TRegionRect*> sorted(pending.size());
  for (const TRegionRect* rect : pending) sorted[fill[static_cast<size_t>(rect->Top - first)]++] = rect;
  for (size_t row = 0; row < rows; ++row) {
    const auto begin = sorted.begin() + static_cast<std::ptrdiff_t>(bucketStart[row]);
    const auto end = sorted.begin() + static_cast<std::ptrdiff_t>(bucketStart[row + 1]);
    if (end - begin > 1) std::sort(begin, end, AboveOrLeftOf);
    if (isEdge[row]) edges.push_back(static_cast<int32_t>(first + static_cast<int64_t>(row)));
  }
  pending = std::move(sorted);
}

// QRegion takes a list of rectangles as it is when they are sorted by rows, do not overlap,
// share their height within a band and never touch sideways: the bands give exactly that.
QRegion RegionOfBands(const std::vector<TBand>& bands) {
  std::vector<QRect> rects;
  for (const TBand& band : bands)
    for (const TSpan& span : band.Spans)
      rects.emplace_back(span.Left, band.Top, span.Right - span.Left, band.Bottom - band.Top);
  QRegion region;
  if (!rects.empty()) region.setRects(rects.data(), static_cast<int>(rects.size()));
  return region;
}

}  // namespace

TRegion::TRegion() : Region_(std::make_unique<QRegion>()) {}
TRegion::~TRegion() = default;
TRegion::TRegion(const TRegion& other) : Region_(std::make_unique<QRegion>(*other.Region_)) {}
TRegion& TRegion::operator=(const TRegion& other) {
  *Region_ = *other.Region_;
  return *this;
}

TRegion TRegion::FromRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return FromRects({TRegionRect{left, top, right, bottom}});
}

TRegion TRegion::FromRects(const std::vector<TRegionRect>& rects) {
  std::vector<const TRegionRect*> pending;
  for (const TRegionRect& rect : rects)
    if (rect.Left < rect.Right && rect.Top < rect.Bottom) pending.push_back(&rect);
  std::vector<int32_t> edges;
  SortByRows(pending, edges);

  // One sweep down the row edges: rectangles join the active set at their top and leave at
  // their bottom; a band equal to the one just above it extends that one.
  std::vector<TBand> bands;
  std::vector<const TRegionRect*> active;
  size_t next = 0;
  for (size_t e = 0; e + 1 < edges.size(); ++e) {
    const int32_t top = edges[e];
    const int32_t bottom = edges[e + 1];
    std::erase_if(active, [top](const TRegionRect* rect) { return rect->Bottom <= top; });
    const auto joined = static_cast<std::ptrdiff_t>(active.size());
    while (next < pending.size() && pending[next]->Top <= top) active.push_back(pending[next++]);
    std::inplace_merge(active.begin(), active.begin() + joined, active.end(), LeftOf);
    if (active.empty()) continue;
    std::vector<TSpan> spans = MergedSpans(active);
    if (!bands.empty() && bands.back().Bottom == top && bands.back().Spans == spans)
      bands.back().Bottom = bottom;
    else
      bands.push_back(TBand{top, bottom, std::move(spans)});
  }
  TRegion region;
  *region.Region_ = RegionOfBands(bands);
  return region;
}

TRegion TRegion::FromPolygon(const TRegionPoint* points, int32_t count) {
  TRegion region;
  if (points == nullptr || count < 3) return region;
  QPolygon polygon;
  polygon.reserve(count);
  for (int32_t i = 0; i < count; ++i) polygon.append(QPoint(points[i].X, points[i].Y));
  *region.Region_ = QRegion(polygon, Qt::WindingFill);
  return region;
}

TRegion TRegion::FromRoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               int32_t ellipseWidth, int32_t ellipseHeight) {
  const int64_t width = int64_t{right} - left;
  const int64_t height = int64_t{bottom} - top;
  if (width <= 0 || height <= 0) return TRegion();
  const int64_t ew = std::min<int64_t>(ellipseWidth, width);
  const int64_t eh = std::min<int64_t>(ellipseHeight, height);
  if (ew < 2 || eh < 2) return FromRect(left, top, right, bottom);

  const double a = ew / 2.0;
  const double b = eh / 2.0;
  const double upperCentre = top + b;
  const double lowerCentre = bottom - b;
  // Only the rows within reach of a corner ellipse are cut; the rows between are whole.
  std::vector<TRegionRect> rows;
  const auto cutRow = [&](int32_t y) {
    const double centre = y + 0.5;
    const double dy = std::max({upperCentre - centre, centre - lowerCentre, 0.0});
    const double ratio = dy / b;
    const double half = ratio >= 1 ? 0 : a * std::sqrt(1 - ratio * ratio);
    const double first = std::ceil(left + a - half - 0.5);
    const double pastLast = std::floor(right - a + half - 0.5) + 1;
    if (first < pastLast)
      rows.push_back(TRegionRect{static_cast<int32_t>(first), y, static_cast<int32_t>(pastLast),
                                 y + 1});
  };
  const int64_t cornerRows = (eh + 1) / 2;
  for (int64_t y = top; y < top + cornerRows; ++y) cutRow(static_cast<int32_t>(y));
  for (int64_t y = std::max<int64_t>(bottom - cornerRows, top + cornerRows); y < bottom; ++y)
    cutRow(static_cast<int32_t>(y));
  if (top + cornerRows < bottom - cornerRows)
    rows.push_back(TRegionRect{left, static_cast<int32_t>(top + cornerRows), right,
                               static_cast<int32_t>(bottom - cornerRows)});
  return FromRects(rows);
}

void TRegion::Combine(const TRegion& other, TRegionCombineMode mode) {
  switch (mode) {
    case RGN_AND: *Region_ &= *other.Region_; break;
    case RGN_OR: *Region_ |= *other.Region_; break;
    case RGN_XOR: *Region_ ^= *other.Region_; break;
  }
}

bool TRegion::IsEmpty() const { return Region_->isEmpty(); }

bool TRegion::Contains(int32_t x, int32_t y) const { return Region_->contains(QPoint(x, y)); }

std::vector<TRegionRect> TRegion::Rects() const {
  std::vector<TRegionRect> rects;
  for (const QRect& rect : *Region_)
    rects.push_back(TRegionRect{rect.left(), rect.top(), rect.left() + rect.width(),
                                rect.top() + rect.height()});
  return rects;
}

}  // namespace calmora::platform
