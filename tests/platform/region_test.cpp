// Regions against per-pixel models: the one-sweep union of many rectangles, the combination
// modes, rounded rectangles decided by pixel centres and winding polygons.
#include "platform/region.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace calmora::platform {
namespace {

constexpr int kSide = 64;

bool InRect(const TRegionRect& r, int x, int y) {
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

std::vector<TRegionRect> RandomRects(std::mt19937& random, int count) {
  std::uniform_int_distribution<int> coordinate(-8, kSide + 8);
  std::vector<TRegionRect> rects;
  for (int i = 0; i < count; ++i)
    rects.push_back(TRegionRect{coordinate(random), coordinate(random), coordinate(random),
                                coordinate(random)});
  return rects;
}

TEST(RegionTest, ManyRectanglesUniteAsEveryPixelSays) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    const std::vector<TRegionRect> rects = RandomRects(random, 1 + round * 5);
    const TRegion region = TRegion::FromRects(rects);
    for (int y = -10; y < kSide + 10; ++y)
      for (int x = -10; x < kSide + 10; ++x) {
        bool inside = false;
        for (const TRegionRect& rect : rects) inside = inside || InRect(rect, x, y);
        ASSERT_EQ(region.Contains(x, y), inside) << round << " at " << x << "," << y;
      }
    // The pieces read back never overlap, so a span copy touches each pixel once.
    const std::vector<TRegionRect> pieces = region.Rects();
    for (size_t a = 0; a < pieces.size(); ++a)
      for (size_t b = a + 1; b < pieces.size(); ++b)
        ASSERT_FALSE(pieces[a].Left < pieces[b].Right && pieces[b].Left < pieces[a].Right &&
                     pieces[a].Top < pieces[b].Bottom && pieces[b].Top < pieces[a].Bottom);
  }
}

TEST(RegionTest, RightAndBottomEdgesAreExclusive) {
  const TRegion region = TRegion::FromRect(2, 3, 5, 7);
  EXPECT_TRUE(region.Contains(2, 3));
  EXPECT_TRUE(region.Contains(4, 6));
  EXPECT_FALSE(region.Contains(5, 6));
  EXPECT_FALSE(region.Contains(4, 7));
  EXPECT_TRUE(TRegion::FromRect(5, 5, 5, 9).IsEmpty());
  EXPECT_TRUE(TRegion::FromRect(5, 9, 8, 2).IsEmpty());
}

TEST(RegionTest, CombinationsFollowTheirLogic) {
  std::mt19937 random(11);
  struct Mode {
    TRegionCombineMode Value;
    bool (*Logic)(bool, bool);
  };
  const Mode modes[] = {{RGN_AND, [](bool a, bool b) { return a && b; }},
                        {RGN_OR, [](bool a, bool b) { return a || b; }},
                        {RGN_XOR, [](bool a, bool b) { return a != b; }}};
  for (const Mode& mode : modes)
    for (int round = 0; round < 10; ++round) {
      const std::vector<TRegionRect> first = RandomRects(random, 6);
      const std::vector<TRegionRect> second = RandomRects(random, 6);
      TRegion combined = TRegion::FromRects(first);
      combined.Combine(TRegion::FromRects(second), mode.Value);
      for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
          bool a = false, b = false;
          for (const TRegionRect& rect : first) a = a || InRect(rect, x, y);
          for (const TRegionRect& rect : second) b = b || InRect(rect, x, y);
          ASSERT_EQ(combined.Contains(x, y), mode.Logic(a, b)) << int(mode.Value);
        }
    }
}

// A pixel of a rounded rectangle: its centre inside the rectangle, and inside the corner
// ellipse where it lies beyond the ellipse's centre in both directions.
bool InRoundRect(int left, int top, int right, int bottom, int ew, int eh, int x, int y) {
  ew = std::min(ew, right - left);
  eh = std::min(eh, bottom - top);
  if (x < left || x >= right || y < top || y >= bottom) return false;
  if (ew < 2 || eh < 2) return true;
  const double a = ew / 2.0, b = eh / 2.0;
  const double px = x + 0.5, py = y + 0.5;
  const double cx = px < left + a ? left + a : (px > right - a ? right - a : px);
  const double cy = py < top + b ? top + b : (py > bottom - b ? bottom - b : py);
  const double u = (px - cx) / a, v = (py - cy) / b;
  return u * u + v * v <= 1.0 + 1e-9;
}

TEST(RegionTest, RoundedRectanglesTakeThePixelsWhoseCentresLieInside) {
  struct Case {
    int Left, Top, Right, Bottom, EllipseWidth, EllipseHeight;
  };
  const Case cases[] = {{0, 0, 40, 30, 20, 10}, {3, 5, 60, 50, 57, 45}, {-20, -5, 30, 70, 100, 100},
                        {10, 10, 50, 20, 1, 8},  {0, 0, 33, 17, 9, 13},  {5, 2, 9, 60, 4, 25}};
  for (const Case& c : cases) {
    const TRegion region = TRegion::FromRoundRect(c.Left, c.Top, c.Right, c.Bottom,
                                                  c.EllipseWidth, c.EllipseHeight);
    int differences = 0;
    for (int y = -25; y < 80; ++y)
      for (int x = -25; x < 80; ++x)
        if (region.Contains(x, y) != InRoundRect(c.Left, c.Top, c.Right, c.Bottom,
                                                 c.EllipseWidth, c.EllipseHeight, x, y))
          ++differences;
    EXPECT_EQ(differences, 0) << c.Left << "," << c.Top << "," << c.Right << "," << c.Bottom;
  }
}

TEST(RegionTest, PolygonsFillByTheWindingRule) {
  // A five-pointed star drawn in one stroke: its centre pentagon is wound twice, so the
  // winding rule fills it where the alternate rule would leave a hole.
  std::vector<TRegionPoint> star;
  for (int k = 0; k < 5; ++k) {
    const double angle = -M_PI / 2 + k * 4 * M_PI / 5;
    star.push_back(TRegionPoint{static_cast<int>(std::lround(50 + 40 * std::cos(angle))),
                                static_cast<int>(std::lround(50 + 40 * std::sin(angle)))});
  }
  const TRegion region = TRegion::FromPolygon(star.data(), static_cast<int>(star.size()));
  EXPECT_TRUE(region.Contains(50, 50));
  EXPECT_TRUE(region.Contains(50, 15));
  EXPECT_FALSE(region.Contains(5, 5));
  const TRegionPoint line[] = {{0, 0}, {5, 5}};
  EXPECT_TRUE(TRegion::FromPolygon(line, 2).IsEmpty());
  EXPECT_TRUE(TRegion::FromPolygon(nullptr, 4).IsEmpty());
}

TEST(RegionTest, CopiesKeepTheirOwnPixels) {
  TRegion first = TRegion::FromRect(0, 0, 4, 4);
  TRegion second = first;
  second.Combine(TRegion::FromRect(10, 10, 12, 12), RGN_OR);
  EXPECT_FALSE(first.Contains(10, 10));
  EXPECT_TRUE(second.Contains(10, 10));
  first = second;
  EXPECT_TRUE(first.Contains(11, 11));
}

}  // namespace
}  // namespace calmora::platform
