// MagicWandOutline: the region's outer border traced on a grid of four cells per pixel side,
// eight ways from border cell to border cell, with a vertex wherever the direction changes.
#include <algorithm>
#include <new>
#include <vector>

#include "imaging/proc/filters/magic_wand.h"
#include "imaging/proc/filters/magic_wand_region.h"

namespace calmora {

namespace {

using wand::BitPlane;

// Chain codes: 0 east, 1 north-east, 2 north, 3 north-west, 4 west, 5 south-west, 6 south,
// 7 south-east (y grows downward).
constexpr int32_t kStepX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int32_t kStepY[8] = {0, -1, -1, -1, 0, 1, 1, 1};
// The order the trace searches in: east, north, west, south, then the diagonals.
constexpr int32_t kSearchOrder[8] = {0, 2, 4, 6, 1, 3, 5, 7};
constexpr int32_t kNorthEast = 1;

// The region's pixels over its bounding box; with dilate every pixel also sets its eight
// neighbours, limited to the box.
bool BuildBoxPlane(const wand::Region& region, bool dilate, BitPlane& box) {
  const int32_t width = region.Right - region.Left + 1, height = region.Bottom - region.Top + 1;
  if (!box.Allocate(width, height)) return false;
  const int64_t sourceWords = region.Taken.WordsPerRow(), words = box.WordsPerRow();
  const int32_t shift = region.Left & 63;
  const uint64_t lastMask = ~uint64_t{0} >> (63 - ((width - 1) & 63));
  for (int32_t r = 0; r < height; ++r) {
    const uint64_t* source = region.Taken.Row(region.Top + r) + (region.Left >> 6);
    const int64_t available = sourceWords - (region.Left >> 6);
    uint64_t* row = box.Row(r);
    for (int64_t w = 0; w < words; ++w) {
      const uint64_t next = shift != 0 && w + 1 < available ? source[w + 1] << (64 - shift) : 0;
      row[w] = (source[w] >> shift) | next;
    }
    row[words - 1] &= lastMask;
  }
  if (!dilate) return true;
  BitPlane grown;
  const std::unique_ptr<uint64_t[]> merged = wand::TryWords(words);
  if (!merged || !grown.Allocate(width, height)) return false;
  for (int32_t r = 0; r < height; ++r) {
    std::fill(merged.get(), merged.get() + words, uint64_t{0});
    for (int32_t s = std::max(r - 1, 0); s <= std::min(r + 1, height - 1); ++s)
      for (int64_t w = 0; w < words; ++w) merged[w] |= box.Row(s)[w];
    wand::SpreadSideways(merged.get(), 0, words - 1, grown.Row(r));
    grown.Row(r)[words - 1] &= lastMask;
  }
  box = std::move(grown);
  return true;
}

// The cells of the grid over a box plane of W x H pixels: (4W + 4) x (4H + 4), pixel (c, r) a
// block of "inside" cells at columns 4c + 2..4c + 5 and rows 4r + 2..4r + 5; the border cells
// are the outside cells next to an inside cell across a side. The grid is never stored: a
// cell's kind follows from one bit per pixel, and the cells walked on are kept in 64 x 64 tiles
// made only where the walk goes. So the outline costs about two bits per pixel of the image
// (the region and its box) instead of the sixteen bytes per pixel a grid of cells would take.
class OutlineGrid {
 public:
  explicit OutlineGrid(const BitPlane& box)
      : box_(box), columns_(4 * int64_t{box.Width()} + 4), rows_(4 * int64_t{box.Height()} + 4) {}

  // False when the directory of walked tiles cannot be had.
  bool Prepare() {
    tilesAcross_ = (columns_ + 63) / 64;
    const int64_t tiles = tilesAcross_ * ((rows_ + 63) / 64);
    if (!wand::WithinBlockLimit(tiles * static_cast<int64_t>(sizeof(Tile)))) return false;
    tiles_.resize(static_cast<size_t>(tiles));
    return true;
  }

  bool IsInside(int64_t x, int64_t y) const {
    if (x < 2 || y < 2) return false;
    const int64_t c = (x - 2) >> 2, r = (y - 2) >> 2;
    return c < box_.Width() && r < box_.Height() &&
           box_.Get(static_cast<int32_t>(c), static_cast<int32_t>(r));
  }
  bool IsBorder(int64_t x, int64_t y) const {
    return !IsInside(x, y) &&
           (IsInside(x - 1, y) || IsInside(x + 1, y) || IsInside(x, y - 1) || IsInside(x, y + 1));
  }
  // A border cell the walk has not been on.
  bool IsOpen(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= columns_ || y >= rows_ || !IsBorder(x, y)) return false;
    const Tile& tile = TileOf(x, y);
    return !tile || ((tile[y & 63] >> (x & 63)) & 1) == 0;
  }
  // False when the tile of the cell cannot be had.
  bool Walk(int64_t x, int64_t y) {
    Tile& tile = TileOf(x, y);
    if (!tile) tile = wand::TryWords(64);
    if (!tile) return false;
    tile[y & 63] |= uint64_t{1} << (x & 63);
    return true;
  }

 private:
  using Tile = std::unique_ptr<uint64_t[]>;  // 64 rows of 64 cells
  Tile& TileOf(int64_t x, int64_t y) { return tiles_[(y >> 6) * tilesAcross_ + (x >> 6)]; }
  const Tile& TileOf(int64_t x, int64_t y) const {
    return tiles_[(y >> 6) * tilesAcross_ + (x >> 6)];
  }

  const BitPlane& box_;
  int64_t columns_, rows_;
  int64_t tilesAcross_ = 0;
  std::vector<Tile> tiles_;
};

struct Cell {
  int64_t X = 0, Y = 0;
};

// The border cell nearest to (1, 1), the top-left corner of all border cells (the box's first
// row and column hold region pixels), the first in row order among equals. The nearest cell of
// each exposed side of a pixel is the side's first one, and no cell of pixel (c, r) lies
// nearer than 16 (c^2 + r^2), which ends the search early.
Cell StartCell(const BitPlane& box) {
  const int32_t width = box.Width(), height = box.Height();
  int64_t best = INT64_MAX;
  Cell start;
  const auto consider = [&](int64_t x, int64_t y) {
    const int64_t d = (x - 1) * (x - 1) + (y - 1) * (y - 1);
    if (d < best || (d == best && (y < start.Y || (y == start.Y && x < start.X)))) {
      best = d;
      start = {x, y};
    }
  };
  for (int32_t r = 0; r < height && 16 * int64_t{r} * r <= best; ++r) {
    bool beyond = false;
    wand::ForEachRun(box.Row(r), 0, width - 1, [&](int32_t first, int32_t last) {
      for (int32_t c = first; c <= last && !beyond; ++c) {
        beyond = 16 * (int64_t{c} * c + int64_t{r} * r) > best;
        if (beyond) break;
        const int64_t x = 4 * int64_t{c}, y = 4 * int64_t{r};
        if (r == 0 || !box.Get(c, r - 1)) consider(x + 2, y + 1);
        if (c == first) consider(x + 1, y + 2);
        if (c == last) consider(x + 6, y + 2);
        if (r + 1 == height || !box.Get(c, r + 1)) consider(x + 2, y + 6);
      }
    });
  }
  return start;
}

// The vertices of a walk: the start, then the point reached before each change of direction,
// in pixel corners (grid points divided by 4, rounding down; the grid's -1 offset puts a
// pixel's first border cell onto its corner).
class VertexList {
 public:
  VertexList(Cell start, const wand::Region& region)
      : x_(start.X + 4 * int64_t{region.Left} - 1), y_(start.Y + 4 * int64_t{region.Top} - 1) {
    Keep();
  }
  void Step(int32_t code) {
    if (last_ >= 0 && code != last_) Keep();
    x_ += kStepX[code];
    y_ += kStepY[code];
    last_ = code;
  }
  const std::vector<TPoint>& Points() const { return points_; }

 private:
  void Keep() { points_.push_back({static_cast<int32_t>(x_ >> 2), static_cast<int32_t>(y_ >> 2)}); }

  int64_t x_, y_;
  int32_t last_ = -1;
  std::vector<TPoint> points_;
};

// Walks the border from the start cell; false when a tile of walked cells cannot be had.
bool Trace(OutlineGrid& grid, Cell start, VertexList& vertices) {
  enum class Step { kMoved, kBlocked, kFailed };
  Cell at = start;
  if (!grid.Walk(at.X, at.Y)) return false;
  const auto step = [&](int32_t code) {
    const Cell next{at.X + kStepX[code], at.Y + kStepY[code]};
    if (!grid.IsOpen(next.X, next.Y)) return Step::kBlocked;
    if (!grid.Walk(next.X, next.Y)) return Step::kFailed;
    at = next;
    vertices.Step(code);
    return Step::kMoved;
  };
  // Each round first goes on in the direction the last search found, then searches anew.
  int32_t previous = kNorthEast;
  for (;;) {
    if (step(previous) == Step::kFailed) return false;
    Step found = Step::kBlocked;
    for (const int32_t code : kSearchOrder) {
      found = step(code);
      if (found == Step::kFailed) return false;
      if (found == Step::kMoved) {
        previous = code;
        break;
      }
    }
    if (found == Step::kBlocked) break;
  }
  // The step back onto the start closes the outline when it is one step away.
  for (int32_t code = 0; code < 8; ++code)
    if (at.X + kStepX[code] == start.X && at.Y + kStepY[code] == start.Y) vertices.Step(code);
  return true;
}

}  // namespace

std::unique_ptr<TPoint[]> MagicWandOutline(const TPVBitmap& Bitmap, int32_t X, int32_t Y,
                                           bool Dilate, int32_t Tolerance, int32_t& PointCount) {
  PointCount = 0;
  try {
    wand::Region region;
    if (!wand::FindRegion(Bitmap, X, Y, Tolerance, region) || region.IsEmpty()) return nullptr;
    BitPlane box;
    if (!BuildBoxPlane(region, Dilate, box)) return nullptr;
    region.Taken = BitPlane();  // only its box is needed from here on
    OutlineGrid grid(box);
    if (!grid.Prepare()) return nullptr;
    const Cell start = StartCell(box);
    VertexList vertices(start, region);
    if (!Trace(grid, start, vertices)) return nullptr;
    const std::vector<TPoint>& points = vertices.Points();
    if (points.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
    std::unique_ptr<TPoint[]> result(new (std::nothrow) TPoint[points.size()]);
    if (!result) return nullptr;
    std::copy(points.begin(), points.end(), result.get());
    PointCount = static_cast<int32_t>(points.size());
    return result;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace calmora
