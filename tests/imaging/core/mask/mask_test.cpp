// TPVMask: pixels, rows, spans, the box, AllSet, polygon fills (checked against a plain
// row-by-row edge walk), translation, resizing and planes too large to be had at once.
#include "imaging/core/mask/mask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "tests/support/process_state.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

struct Box {
  int32_t left, top, right, bottom;
  friend bool operator==(const Box&, const Box&) = default;
};

Box BoxOf(const TPVMask& mask) { return Box{mask.BoxLeft, mask.BoxTop, mask.BoxRight, mask.BoxBottom}; }

int32_t CountSelected(const TPVMask& mask) {
  int32_t count = 0;
  for (int32_t y = 0; y < mask.Height; ++y)
    for (int32_t x = 0; x < mask.Width; ++x) count += mask.IsPointInside(x, y) ? 1 : 0;
  return count;
}

// The even-odd fill walked row by row from the top vertex, with the edges stepped one row at a
// time: what the closed form in the mask must reproduce exactly.
void ReferenceFill(TPVMask& mask, int32_t value, const std::vector<TPoint>& points) {
  struct Edge {
    int64_t x, ymax, dx, dy, err;
  };
  const int32_t n = static_cast<int32_t>(points.size());
  int32_t ymin = points[0].y, ymax = points[0].y;
  for (const TPoint& p : points) {
    ymin = std::min(ymin, p.y);
    ymax = std::max(ymax, p.y);
  }
  std::vector<std::vector<Edge>> buckets(static_cast<size_t>(ymax - ymin + 1));
  for (int32_t k = 0; k < n; ++k) {
    const TPoint a = points[k], b = points[(k + 1) % n];
    if (a.y == b.y) continue;
    const TPoint upper = a.y < b.y ? a : b, lower = a.y < b.y ? b : a;
    auto& bucket = buckets[upper.y - ymin];
    bucket.insert(bucket.begin(), Edge{upper.x, lower.y, lower.x - upper.x, lower.y - upper.y, 0});
  }
  std::vector<Edge> active;
  for (int32_t y = ymin; y <= ymax; ++y) {
    std::vector<Edge> stepped;
    for (Edge e : active) {
      if (e.ymax == y) continue;
      e.x += e.dx / e.dy;
      e.err += 2 * (e.dx - (e.dx / e.dy) * e.dy);
      if (e.err > e.dy || e.err < -e.dy) {
        e.x += e.dx > 0 ? 1 : -1;
        e.err += e.dx > 0 ? -2 * e.dy : 2 * e.dy;
      }
      stepped.push_back(e);
    }
    active = stepped;
    for (const Edge& e : buckets[y - ymin]) {
      auto place = std::find_if(active.begin(), active.end(), [&](const Edge& o) {
        return o.x > e.x || (o.x == e.x && o.dx * e.dy >= e.dx * o.dy);
      });
      active.insert(place, e);
    }
    for (size_t i = 0; i + 1 < active.size(); i += 2)
      if (active[i + 1].x - 1 >= active[i].x)
        mask.FillSpan(value, int32_t(active[i].x), int32_t(active[i + 1].x - 1), y);
  }
}

TEST(Mask, NewMaskPixelsAndBox) {
  TPVMask mask;
  EXPECT_EQ(mask.Data, nullptr);
  EXPECT_TRUE(mask.IsEmpty());
  ASSERT_NE(mask.DotBitmap, nullptr);
  EXPECT_NE(mask.DotRow, nullptr);
  ASSERT_TRUE(mask.Allocate(10, 10, 8));
  EXPECT_EQ(mask.RowBytes, 12);
  EXPECT_TRUE(mask.IsEmpty());
  EXPECT_FALSE(mask.AllSet);
  mask.SetPixel(3, 4, 200);
  EXPECT_EQ(BoxOf(mask), (Box{3, 4, 3, 4}));
  EXPECT_EQ(mask.GetPixel(3, 4), 200);
  EXPECT_EQ(mask.GetPixel(10, 0), 0);
  EXPECT_EQ(mask.GetPixel(-1, 4), 0);
  mask.SetPixel(10, 4, 9);  // outside: ignored
  mask.SetPixel(-1, -1, 9);
  EXPECT_EQ(BoxOf(mask), (Box{3, 4, 3, 4}));
  EXPECT_EQ(mask.GetRow(0), mask.Data + 9 * 12) << "row 0 is the last in memory";
  EXPECT_EQ(mask.GetRow(9), mask.Data);
  EXPECT_FALSE(mask.Allocate(4, 4, 4));
  EXPECT_EQ(mask.Data, nullptr);
}

TEST(Mask, AllSetFollowsFillsAndWrites) {
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(13, 3, bits));
    mask.Fill(255);
    EXPECT_TRUE(mask.AllSet);
    mask.SetPixel(0, 0, bits == 1 ? 1 : 255);
    EXPECT_TRUE(mask.AllSet) << bits;
    mask.SetPixel(0, 0, 0);
    EXPECT_FALSE(mask.AllSet) << bits;
    mask.CheckAllSet();
    EXPECT_FALSE(mask.AllSet);
    mask.SetPixel(0, 0, 255);
    mask.CheckAllSet();
    EXPECT_TRUE(mask.AllSet) << bits;
    mask.Fill(0);
    EXPECT_FALSE(mask.AllSet);
    mask.CheckAllSet();
    EXPECT_FALSE(mask.AllSet);
  }
  TPVMask empty;
  ASSERT_TRUE(empty.Allocate(4, 0, 8));
  empty.CheckAllSet();
  EXPECT_TRUE(empty.AllSet) << "no rows: every pixel is selected";
}

TEST(Mask, SpansInBothForms) {
  TPVMask bits;
  ASSERT_TRUE(bits.Allocate(40, 2, 1));
  EXPECT_EQ(bits.FillSpan(1, 3, 35, 1), 33);
  for (int32_t x = 0; x < 40; ++x) EXPECT_EQ(bits.GetPixel(x, 1), x >= 3 && x <= 35 ? 1 : 0) << x;
  EXPECT_EQ(bits.FillSpan(0, 10, 20, 1), 11);
  EXPECT_EQ(bits.GetPixel(15, 1), 0);
  EXPECT_EQ(bits.FillSpan(1, -5, 100, 0), 40);
  EXPECT_EQ(bits.FillSpan(1, 5, 4, 0), 0);
  EXPECT_EQ(bits.FillSpan(1, 0, 4, 2), 0);
  EXPECT_TRUE(bits.IsEmpty()) << "spans leave the box alone";
  TPVMask bytes;
  ASSERT_TRUE(bytes.Allocate(8, 1, 8));
  EXPECT_EQ(bytes.FillSpan(77, 2, 5, 0), 4);
  EXPECT_EQ(bytes.GetPixel(5, 0), 77);
  EXPECT_EQ(bytes.GetPixel(6, 0), 0);
}

TEST(Mask, ClearAndRecomputeBox) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(20, 20, 1));
  mask.FillSpan(1, 4, 9, 7);
  mask.FillSpan(1, 6, 6, 12);
  EXPECT_TRUE(mask.IsEmpty());
  mask.RecomputeBox();
  EXPECT_EQ(BoxOf(mask), (Box{4, 7, 9, 12}));
  mask.Clear();
  EXPECT_TRUE(mask.IsEmpty());
  EXPECT_EQ(mask.GetPixel(6, 12), 0);
}

TEST(Mask, SquarePolygon) {
  const std::vector<TPoint> square = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(10, 10, bits));
    mask.FillPolygon(bits == 1 ? 1 : 255, square.data(), 4);
    EXPECT_EQ(CountSelected(mask), 16);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_TRUE(mask.IsPointInside(x, y));
    EXPECT_EQ(BoxOf(mask), (Box{0, 0, 3, 3}));
  }
}

TEST(Mask, PolygonThatSelectsNothingKeepsTheBox) {
  const std::vector<TPoint> above = {{1, -9}, {8, -9}, {8, -2}, {1, -2}};
  TPVMask fresh;
  ASSERT_TRUE(fresh.Allocate(10, 10, 8));
  fresh.FillPolygon(255, above.data(), 4);
  EXPECT_EQ(CountSelected(fresh), 0);
  EXPECT_TRUE(fresh.IsEmpty());

  TPVMask selected;
  ASSERT_TRUE(selected.Allocate(10, 10, 8));
  const std::vector<TPoint> square = {{2, 2}, {5, 2}, {5, 5}, {2, 5}};
  selected.FillPolygon(255, square.data(), 4);
  const Box box = BoxOf(selected);
  EXPECT_EQ(box, (Box{2, 2, 4, 4}));
  selected.FillPolygon(255, above.data(), 4);
  EXPECT_EQ(BoxOf(selected), box) << "the selected pixels are still inside the box";
  EXPECT_EQ(CountSelected(selected), 9);
}

TEST(Mask, SeparatedPolygonsFillIndependently) {
  const int32_t s = TPVMask::PolygonSeparator;
  const std::vector<TPoint> points = {{0, 0}, {6, 0}, {6, 6}, {0, 6}, {s, s},
                                      {3, 3}, {9, 3}, {9, 9}, {3, 9}};
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(10, 10, 8));
  mask.FillPolygons(255, points.data(), static_cast<int32_t>(points.size()));
  EXPECT_TRUE(mask.IsPointInside(4, 4)) << "the overlap stays selected";
  EXPECT_TRUE(mask.IsPointInside(1, 1));
  EXPECT_TRUE(mask.IsPointInside(8, 8));
  EXPECT_FALSE(mask.IsPointInside(8, 1));
  EXPECT_EQ(CountSelected(mask), 36 + 36 - 9);
  EXPECT_FALSE(mask.AllSet);
}

TEST(Mask, PolygonListWithoutPointsFillsNothing) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(4, 4, 1));
  mask.SetPixel(1, 1, 1);
  mask.FillPolygons(1, nullptr, 3);
  EXPECT_EQ(CountSelected(mask), 1);
  EXPECT_EQ(BoxOf(mask), (Box{1, 1, 1, 1}));
  EXPECT_FALSE(mask.AllSet);
}

TEST(Mask, HugeCoordinatesAreCheap) {
  const std::vector<TPoint> everything = {
      {-2000000000, -2000000000}, {2000000000, -1900000000}, {2000000000, 2000000000},
      {-1900000000, 2000000000}};
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(64, 64, 1));
  mask.FillPolygons(1, everything.data(), 4);
  EXPECT_EQ(CountSelected(mask), 64 * 64);
  EXPECT_TRUE(mask.AllSet);
  EXPECT_EQ(BoxOf(mask), (Box{0, 0, 63, 63}));
}

TEST(Mask, PolygonFillMatchesTheRowByRowWalk) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int32_t> coordinate(-15, 45), corners(3, 8);
  for (int round = 0; round < 400; ++round) {
    std::vector<TPoint> points(static_cast<size_t>(corners(random)));
    for (TPoint& p : points) p = TPoint{coordinate(random), coordinate(random)};
    const int32_t bits = round % 2 ? 1 : 8;
    const int32_t value = bits == 1 ? 1 : 200;
    TPVMask ours, reference;
    ASSERT_TRUE(ours.Allocate(30, 30, bits));
    ASSERT_TRUE(reference.Allocate(30, 30, bits));
    ours.FillPolygon(value, points.data(), static_cast<int32_t>(points.size()));
    ReferenceFill(reference, value, points);
    ASSERT_EQ(std::memcmp(ours.Data, reference.Data, static_cast<size_t>(ours.RowBytes) * 30), 0)
        << "round " << round;
  }
}

TEST(Mask, TranslateWithoutClipShrinksTheOffsets) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(10, 10, 8));
  mask.SetPixel(8, 8, 255);
  mask.SetPixel(9, 9, 255);
  int32_t dx = 5, dy = 0;
  mask.Translate(dx, dy, false);
  EXPECT_EQ(dx, 0);
  EXPECT_EQ(BoxOf(mask), (Box{8, 8, 9, 9}));
  EXPECT_EQ(mask.GetPixel(9, 9), 255);
  dx = -3;
  dy = -20;
  mask.Translate(dx, dy, false);
  EXPECT_EQ(dx, -3);
  EXPECT_EQ(dy, -8);
  EXPECT_EQ(mask.GetPixel(5, 0), 255);
  EXPECT_EQ(mask.GetPixel(6, 1), 255);
  EXPECT_EQ(mask.GetPixel(9, 9), 0);
  EXPECT_EQ(BoxOf(mask), (Box{5, 0, 6, 1}));
}

TEST(Mask, TranslateWithClipCutsThePixels) {
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(20, 4, bits));
    mask.FillSpan(bits == 1 ? 1 : 255, 2, 9, 1);
    mask.RecomputeBox();
    int32_t dx = 15, dy = 1;
    mask.Translate(dx, dy, true);
    EXPECT_EQ(dx, 15);
    for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(mask.IsPointInside(x, 2), x >= 17) << bits << " " << x;
    EXPECT_FALSE(mask.IsPointInside(2, 1));
    EXPECT_EQ(BoxOf(mask), (Box{17, 2, 19, 2}));
    dx = 40;
    dy = 0;
    mask.Translate(dx, dy, true);
    EXPECT_EQ(CountSelected(mask), 0) << bits;
    EXPECT_TRUE(mask.IsEmpty());
  }
}

TEST(Mask, ResizeKeepsTheTopLeftAndForgetsWhatWasCut) {
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(16, 8, bits));
    mask.Fill(255);
    mask.RecomputeBox();
    ASSERT_TRUE(mask.Resize(10, 5));
    EXPECT_EQ(mask.Width, 10);
    EXPECT_EQ(mask.BitsPerPixel, bits);
    EXPECT_EQ(BoxOf(mask), (Box{0, 0, 9, 4}));
    EXPECT_EQ(CountSelected(mask), 50);
    ASSERT_TRUE(mask.Resize(16, 8));
    EXPECT_EQ(CountSelected(mask), 50) << "cut pixels do not come back, " << bits << " bits";
    EXPECT_TRUE(mask.IsPointInside(9, 4));
    EXPECT_FALSE(mask.IsPointInside(10, 4));
    EXPECT_FALSE(mask.IsPointInside(0, 5));
  }
}

TEST(Mask, ResizeToNothingEmptiesTheBox) {
  for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(6, 6, 8));
    mask.SetPixel(2, 3, 255);
    ASSERT_TRUE(mask.Resize(width, height));
    EXPECT_TRUE(mask.IsEmpty()) << width << " x " << height;
    EXPECT_GE(mask.BoxRight, 0);
    EXPECT_GE(mask.BoxBottom, 0);
    ASSERT_TRUE(mask.Resize(6, 6));
    EXPECT_EQ(CountSelected(mask), 0);
    EXPECT_TRUE(mask.IsEmpty());
  }
}

// 40000 x 50000 at 8 bits is 2 GB: more than many machines have free. The plane must come as
// untouched zero pages (or be refused), not be claimed page by page while it is cleared.
TEST(Mask, HugePlanesCostMemoryOnlyWhereTheyAreUsed) {
  const int64_t before = test::ResidentBytes();
  TPVMask mask;
  if (!mask.Allocate(40000, 50000, 8)) {
    EXPECT_EQ(mask.Data, nullptr);
    EXPECT_EQ(mask.Width, 0);
    return;
  }
  EXPECT_LT(test::ResidentBytes() - before, int64_t{64} << 20);
  mask.SetPixel(39999, 49999, 255);
  EXPECT_EQ(mask.GetPixel(39999, 49999), 255);
  EXPECT_EQ(mask.GetPixel(20000, 25000), 0);
}

TEST(Mask, PlanesThatCannotBeHadAreRefusedCleanly) {
  TPVMask mask;
  EXPECT_FALSE(mask.Allocate(1 << 20, 1 << 20, 8)) << "1 TiB fits no machine";
  EXPECT_EQ(mask.Data, nullptr);
  EXPECT_EQ(mask.Width, 0);
  ASSERT_TRUE(mask.Allocate(8, 8, 1));
  mask.SetPixel(3, 3, 1);
  {
    test::BlockLimitScope exhausted(bitmap_testing::SingleBlockLimit, 0);
    EXPECT_FALSE(mask.Resize(16, 16));
    EXPECT_EQ(mask.Width, 8) << "a refused resize keeps the mask";
    EXPECT_EQ(mask.GetPixel(3, 3), 1);
    EXPECT_FALSE(mask.Allocate(8, 8, 8));
    EXPECT_EQ(mask.Data, nullptr);
    EXPECT_EQ(mask.Width, 0);
    EXPECT_EQ(mask.BitsPerPixel, 0);
    EXPECT_EQ(mask.GetPixel(3, 3), 0);
  }
  EXPECT_TRUE(mask.Allocate(8, 8, 8));
}

}  // namespace
}  // namespace calmora
