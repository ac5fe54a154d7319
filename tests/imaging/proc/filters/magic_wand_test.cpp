// The magic wand against a breadth-first fill, a test of every pixel and the outline algorithm
// written out on its literal grid of cells, over random few-colour images of every format; the
// documented vertex lists, hole-free outlines, seeds on and off the edges, memory refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/filters/magic_wand.h"
#include "imaging/proc/filters/magic_wand_region.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

// ---- Models ----

// Pixels of an image as a grid of flags.
struct Flags {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> on;
  Flags(int32_t w, int32_t h) : width(w), height(h), on(static_cast<size_t>(w) * h, 0) {}
  bool At(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width && y < height && on[y * width + x];
  }
  void Set(int32_t x, int32_t y) { on[y * width + x] = 1; }
  int32_t Count() const { return static_cast<int32_t>(std::count(on.begin(), on.end(), 1)); }
};

bool Matches(TPVRGB a, TPVRGB b, int32_t tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// Breadth-first, four neighbours, every pixel through GetPixelAsRGB.
Flags ModelRegion(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance) {
  Flags region(bitmap.GetWidth(), bitmap.GetHeight());
  const TPVRGB seed = bitmap.GetPixelAsRGB(x, y);
  if (!Matches(seed, seed, tolerance)) return region;
  std::deque<std::pair<int32_t, int32_t>> queue{{x, y}};
  region.Set(x, y);
  while (!queue.empty()) {
    const auto [px, py] = queue.front();
    queue.pop_front();
    const int32_t dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (int32_t d = 0; d < 4; ++d) {
      const int32_t nx = px + dx[d], ny = py + dy[d];
      if (nx < 0 || ny < 0 || nx >= region.width || ny >= region.height || region.At(nx, ny))
        continue;
      if (!Matches(bitmap.GetPixelAsRGB(nx, ny), seed, tolerance)) continue;
      region.Set(nx, ny);
      queue.push_back({nx, ny});
    }
  }
  return region;
}

// The region with each pixel's 3 x 3 neighbourhood, within the image.
Flags Grown(const Flags& region) {
  Flags out(region.width, region.height);
  for (int32_t y = 0; y < region.height; ++y)
    for (int32_t x = 0; x < region.width; ++x)
      for (int32_t d = 0; d < 9; ++d)
        if (region.At(x + d % 3 - 1, y + d / 3 - 1)) out.Set(x, y);
  return out;
}

// The outline as the algorithm states it, on a byte grid of (4H + 4) x (4W + 4) cells.
std::vector<TPoint> LiteralOutline(const Flags& region, bool dilate) {
  int32_t left = region.width, top = region.height, right = -1, bottom = -1;
  for (int32_t y = 0; y < region.height; ++y)
    for (int32_t x = 0; x < region.width; ++x)
      if (region.At(x, y)) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
  if (right < 0) return {};
  const int32_t w = right - left + 1, h = bottom - top + 1;
  // 1. The box, grown within itself with dilate.
  Flags box(w, h);
  for (int32_t r = 0; r < h; ++r)
    for (int32_t c = 0; c < w; ++c)
      if (region.At(left + c, top + r))
        for (int32_t d = 0; d < 9; ++d) {
          const int32_t nc = c + (dilate ? d % 3 - 1 : 0), nr = r + (dilate ? d / 3 - 1 : 0);
          if (nc >= 0 && nr >= 0 && nc < w && nr < h) box.Set(nc, nr);
        }
  // 2. Blocks of 4 x 4 ones.
  const int32_t gw = 4 * w + 4, gh = 4 * h + 4;
  std::vector<uint8_t> grid(static_cast<size_t>(gw) * gh, 0);
  const auto cell = [&](int32_t c, int32_t r) -> uint8_t& { return grid[r * gw + c]; };
  for (int32_t r = 0; r < h; ++r)
    for (int32_t c = 0; c < w; ++c)
      if (box.At(c, r))
        for (int32_t k = 0; k < 16; ++k) cell(4 * c + 2 + k % 4, 4 * r + 2 + k / 4) = 1;
  // 3. Border cells: before and after every run of ones in rows, then in columns.
  for (int32_t r = 0; r < gh; ++r) {
    for (int32_t c = 1; c < gw; ++c)
      if (cell(c, r) == 1 && cell(c - 1, r) != 1) cell(c - 1, r) = 3;
    for (int32_t c = gw - 2; c >= 0; --c)
      if (cell(c, r) == 1 && cell(c + 1, r) != 1) cell(c + 1, r) = 3;
  }
  for (int32_t c = 0; c < gw; ++c) {
    for (int32_t r = 1; r < gh; ++r)
      if (cell(c, r) == 1 && cell(c, r - 1) != 1) cell(c, r - 1) = 3;
    for (int32_t r = gh - 2; r >= 0; --r)
      if (cell(c, r) == 1 && cell(c, r + 1) != 1) cell(c, r + 1) = 3;
  }
  // 4. The start: the cell marked 3 nearest to (smallest column, smallest row) of them all.
  int32_t minC = gw, minR = gh;
  for (int32_t r = 0; r < gh; ++r)
    for (int32_t c = 0; c < gw; ++c)
      if (cell(c, r) == 3) minC = std::min(minC, c), minR = std::min(minR, r);
  int64_t best = INT64_MAX;
  int32_t sc = 0, sr = 0;
  for (int32_t r = 0; r < gh; ++r)
    for (int32_t c = 0; c < gw; ++c) {
      const int64_t d = int64_t{c - minC} * (c - minC) + int64_t{r - minR} * (r - minR);
      if (cell(c, r) == 3 && d < best) best = d, sc = c, sr = r;
    }
  cell(sc, sr) = 2;
  // 5. The trace.
  const int32_t sx[] = {1, 1, 0, -1, -1, -1, 0, 1}, sy[] = {0, -1, -1, -1, 0, 1, 1, 1};
  const int32_t order[] = {0, 2, 4, 6, 1, 3, 5, 7};
  const auto marked = [&](int32_t c, int32_t r) {
    return c >= 0 && r >= 0 && c < gw && r < gh && cell(c, r) == 3;
  };
  std::vector<int32_t> codes;
  int32_t c = sc, r = sr, previous = 1;
  for (;;) {
    if (marked(c + sx[previous], r + sy[previous])) {
      c += sx[previous], r += sy[previous];
      cell(c, r) = 2;
      codes.push_back(previous);
    }
    bool found = false;
    for (const int32_t d : order)
      if (marked(c + sx[d], r + sy[d])) {
        c += sx[d], r += sy[d];
        cell(c, r) = 2;
        codes.push_back(d);
        previous = d;
        found = true;
        break;
      }
    if (!found) break;
  }
  for (int32_t d = 0; d < 8; ++d)
    if (c + sx[d] == sc && r + sy[d] == sr) codes.push_back(d);
  // 6 and 7. Vertices where the code changes, divided by 4.
  int32_t px = sc + 4 * left - 1, py = sr + 4 * top - 1;
  std::vector<TPoint> points{{px / 4, py / 4}};
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i > 0 && codes[i] != codes[i - 1]) points.push_back({px / 4, py / 4});
    px += sx[codes[i]], py += sy[codes[i]];
  }
  return points;
}

// Even-odd test of the point (x + 0.5, y + 0.5) against the closed polygon.
bool CentreInside(const std::vector<TPoint>& polygon, int32_t x, int32_t y) {
  const double cx = x + 0.5, cy = y + 0.5;
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const TPoint a = polygon[i], b = polygon[j];
    if ((a.y > cy) != (b.y > cy) && cx < a.x + (cy - a.y) * (b.x - a.x) / double(b.y - a.y))
      inside = !inside;
  }
  return inside;
}

// A mask after SetPixel of every flagged pixel, the way the routines are documented to write.
void ModelMask(TPVMask& mask, const Flags& pixels, int32_t value) {
  for (int32_t y = 0; y < pixels.height; ++y)
    for (int32_t x = 0; x < pixels.width; ++x)
      if (pixels.At(x, y)) mask.SetPixel(x, y, value);
}

void ExpectSameMask(const TPVMask& actual, const TPVMask& expected) {
  ASSERT_EQ(actual.RowBytes, expected.RowBytes);
  EXPECT_EQ(0, std::memcmp(actual.Data, expected.Data,
                           static_cast<size_t>(actual.RowBytes) * actual.Height));
  EXPECT_EQ(actual.BoxLeft, expected.BoxLeft);
  EXPECT_EQ(actual.BoxTop, expected.BoxTop);
  EXPECT_EQ(actual.BoxRight, expected.BoxRight);
  EXPECT_EQ(actual.BoxBottom, expected.BoxBottom);
  EXPECT_EQ(actual.AllSet, expected.AllSet);
}

// ---- Images ----

int32_t Below(std::mt19937& random, int32_t n) { return static_cast<int32_t>(random() % n); }

// A random image of a few colours (some close to each other, so tolerances matter): blobs of
// random rectangles over a background, in any format.
void FewColourImage(std::mt19937& random, TPVBitmap& bitmap, Storage storage, int32_t width,
                    int32_t height, TPVPixelFormat format, int32_t colours) {
  Plane plane(width, height, PixelFormatChannels[format]);
  const int32_t limit = SampleLimit(format);
  std::vector<std::vector<int32_t>> palette(colours);
  std::uniform_int_distribution<int32_t> sample(0, limit), nudge(-6, 6);
  for (int32_t i = 0; i < colours; ++i)
    for (int32_t c = 0; c < plane.channels; ++c)
      palette[i].push_back(
          i > 0 && i % 2 == 0 && limit > 1
              ? std::clamp(palette[i - 1][c] + nudge(random) * (limit / 255), 0, limit)
              : sample(random));
  std::vector<int32_t> index(static_cast<size_t>(width) * height, 0);
  for (int32_t n = 0; n < 2 + width * height / 12; ++n) {
    const int32_t x = Below(random, width), y = Below(random, height);
    const int32_t w = 1 + Below(random, 4), h = 1 + Below(random, 4);
    const int32_t colour = Below(random, colours);
    for (int32_t yy = y; yy < std::min(y + h, height); ++yy)
      for (int32_t xx = x; xx < std::min(x + w, width); ++xx) index[yy * width + xx] = colour;
  }
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t c = 0; c < plane.channels; ++c)
        plane.at(x, y, c) =
            format == pv8p ? index[y * width + x] : palette[index[y * width + x]][c];
  if (format == pv32f) {  // floats between 0 and 1, written as floats
    MakeBitmap(bitmap, storage, width, height, format);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x)
        bitmap.SetPixelFloat(x, y, static_cast<float>(plane.at(x, y) / 255.0));
    return;
  }
  MakeBitmap(bitmap, storage, plane, format);
  const auto byte = [&] { return static_cast<uint8_t>(random()); };
  if (format == pv8p)  // red 40 on every third entry, so some colours lie close
    for (int32_t i = 0; i < 256; ++i)
      bitmap.SetPaletteColor(i, TPVRGB{byte(), byte(), i % 3 == 0 ? uint8_t{40} : byte()});
}

constexpr TPVPixelFormat kFormats[] = {pv1g,  pv8p,   pv8g,    pv16g,    pv24RGB,
                                       pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB};

class WandStorage : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// ---- Fill and global selection ----

TEST_P(WandStorage, FillEqualsABreadthFirstFill) {
  std::mt19937 random(41);
  for (const TPVPixelFormat format : kFormats)
    for (int trial = 0; trial < 8; ++trial) {
      const int32_t width = 1 + Below(random, 70);
      const int32_t height = 1 + Below(random, 20);
      TPVBitmap bitmap;
      FewColourImage(random, bitmap, GetParam(), width, height, format, 2 + trial % 4);
      const int32_t x = Below(random, width), y = Below(random, height);
      const int32_t tolerance = Below(random, 3) * 4;
      const bool dilate = trial % 2 == 1;
      const int32_t bits = trial % 3 == 0 ? 1 : 8;
      const int32_t values1[] = {1, 2, 0}, values8[] = {255, 100, 0};
      const int32_t value = (bits == 1 ? values1 : values8)[trial % 3];
      TPVMask mask, expected;
      // The mask may be larger or smaller than the image, and holds something already.
      const int32_t maskWidth = std::max(width + Below(random, 5) - 2, 1);
      for (TPVMask* m : {&mask, &expected}) {
        ASSERT_TRUE(m->Allocate(maskWidth, height + 1, bits));
        if (trial % 3 == 2) m->Fill(0x5A);
      }
      MagicWandFill(bitmap, x, y, dilate, tolerance, mask, value);
      const Flags region = ModelRegion(bitmap, x, y, tolerance);
      ModelMask(expected, dilate ? Grown(region) : region, value);
      SCOPED_TRACE(testing::Message() << "format " << int(format) << " trial " << trial);
      ExpectSameMask(mask, expected);
    }
}

TEST_P(WandStorage, GlobalEqualsATestOfEveryPixel) {
  std::mt19937 random(43);
  for (const TPVPixelFormat format : kFormats)
    for (int trial = 0; trial < 4; ++trial) {
      const int32_t width = 1 + Below(random, 150);
      const int32_t height = 1 + Below(random, 12);
      TPVBitmap bitmap;
      FewColourImage(random, bitmap, GetParam(), width, height, format, 3);
      const int32_t x = Below(random, width), y = Below(random, height);
      const int32_t tolerance = trial * 5;
      TPVMask mask, expected;
      ASSERT_TRUE(mask.Allocate(width, height, 8));
      ASSERT_TRUE(expected.Allocate(width, height, 8));
      MagicWandGlobal(bitmap, x, y, tolerance, mask, 255);
      Flags matching(width, height);
      for (int32_t py = 0; py < height; ++py)
        for (int32_t px = 0; px < width; ++px)
          if (Matches(bitmap.GetPixelAsRGB(px, py), bitmap.GetPixelAsRGB(x, y), tolerance))
            matching.Set(px, py);
      ModelMask(expected, matching, 255);
      SCOPED_TRACE(testing::Message() << "format " << int(format) << " trial " << trial);
      ExpectSameMask(mask, expected);
    }
}

// ---- Outline ----

TEST_P(WandStorage, OutlineEqualsTheLiteralGrid) {
  std::mt19937 random(47);
  for (const TPVPixelFormat format : kFormats)
    for (int trial = 0; trial < 12; ++trial) {
      const int32_t width = 1 + Below(random, 40);
      const int32_t height = 1 + Below(random, 25);
      TPVBitmap bitmap;
      FewColourImage(random, bitmap, GetParam(), width, height, format, 2 + trial % 3);
      const int32_t x = Below(random, width), y = Below(random, height);
      const bool dilate = trial % 2 == 1;
      const int32_t tolerance = trial % 3 == 0 ? 6 : 0;
      int32_t count = -1;
      const std::unique_ptr<TPoint[]> points =
          MagicWandOutline(bitmap, x, y, dilate, tolerance, count);
      const std::vector<TPoint> expected =
          LiteralOutline(ModelRegion(bitmap, x, y, tolerance), dilate);
      ASSERT_EQ(std::vector<TPoint>(points.get(), points.get() + count), expected)
          << "format " << int(format) << " trial " << trial;
    }
}

// Many small regions of two grey levels: holes, pinches where the region touches itself across
// a corner, thin arms, and the same grown.
TEST(MagicWandOutline, ManyRegionsEqualTheLiteralGrid) {
  std::mt19937 random(61);
  for (int trial = 0; trial < 1500; ++trial) {
    const int32_t width = 1 + Below(random, 24);
    const int32_t height = 1 + Below(random, 24);
    TPVBitmap bitmap;
    FewColourImage(random, bitmap, Storage::MemoryBlock, width, height, pv8g, 2);
    const int32_t x = Below(random, width), y = Below(random, height);
    const bool dilate = trial % 2 == 1;
    int32_t count = -1;
    const std::unique_ptr<TPoint[]> points = MagicWandOutline(bitmap, x, y, dilate, 0, count);
    ASSERT_EQ(std::vector<TPoint>(points.get(), points.get() + count),
              LiteralOutline(ModelRegion(bitmap, x, y, 0), dilate))
        << "trial " << trial;
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, WandStorage, ::testing::ValuesIn(kStorages), StorageCaseName);

// Pixels of one colour drawn on a black pv24RGB image.
void Draw(TPVBitmap& bitmap, int32_t width, int32_t height, const std::vector<TPoint>& white) {
  MakeBitmap(bitmap, Storage::MemoryBlock, width, height, pv24RGB);
  bitmap.Fill(0);
  for (const TPoint p : white) bitmap.SetPixel24(p.x, p.y, TPVRGB{255, 255, 255});
}

TEST(MagicWandOutline, VerticesOfASinglePixelAndATwoByTwoSquare) {
  const struct {
    std::vector<TPoint> pixels;
    std::vector<TPoint> vertices;
  } cases[] = {
      {{{10, 20}},
       {{10, 20}, {11, 20}, {11, 20}, {11, 21}, {11, 21}, {10, 21}, {10, 21}, {10, 20}}},
      {{{10, 20}, {11, 20}, {10, 21}, {11, 21}},
       {{10, 20}, {12, 20}, {12, 20}, {12, 22}, {12, 22}, {10, 22}, {10, 22}, {10, 20}}},
  };
  for (const auto& c : cases) {
    TPVBitmap bitmap;
    Draw(bitmap, 40, 40, c.pixels);
    int32_t count = 0;
    const std::unique_ptr<TPoint[]> points = MagicWandOutline(bitmap, 10, 20, false, 0, count);
    EXPECT_EQ(std::vector<TPoint>(points.get(), points.get() + count), c.vertices);
  }
}

// Complement pixels that cannot reach the image's surroundings through their sides.
bool HasHoles(const Flags& region) {
  Flags outside(region.width + 2, region.height + 2);
  std::deque<std::pair<int32_t, int32_t>> queue{{0, 0}};
  outside.Set(0, 0);
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    const int32_t dx[] = {1, -1, 0, 0}, dy[] = {0, 0, 1, -1};
    for (int32_t d = 0; d < 4; ++d) {
      const int32_t nx = x + dx[d], ny = y + dy[d];
      if (nx < 0 || ny < 0 || nx >= outside.width || ny >= outside.height || outside.At(nx, ny) ||
          region.At(nx - 1, ny - 1))
        continue;
      outside.Set(nx, ny);
      queue.push_back({nx, ny});
    }
  }
  return outside.Count() + region.Count() != outside.width * outside.height;
}

TEST(MagicWandOutline, AHoleFreeOutlineHoldsExactlyTheRegionsCentres) {
  std::mt19937 random(53);
  int32_t checked = 0;
  for (int trial = 0; trial < 2000 && checked < 400; ++trial) {
    const int32_t width = 2 + Below(random, 30);
    const int32_t height = 2 + Below(random, 20);
    TPVBitmap bitmap;
    FewColourImage(random, bitmap, Storage::MemoryBlock, width, height, pv8g, 2);
    const int32_t x = Below(random, width), y = Below(random, height);
    const Flags region = ModelRegion(bitmap, x, y, 0);
    if (HasHoles(region)) continue;
    ++checked;
    int32_t count = 0;
    const std::unique_ptr<TPoint[]> points = MagicWandOutline(bitmap, x, y, false, 0, count);
    const std::vector<TPoint> polygon(points.get(), points.get() + count);
    for (int32_t py = 0; py < height; ++py)
      for (int32_t px = 0; px < width; ++px)
        ASSERT_EQ(CentreInside(polygon, px, py), region.At(px, py))
            << "trial " << trial << " pixel " << px << "," << py;
  }
  EXPECT_EQ(checked, 400);
}

// ---- Edges, refusals and the seed's own rules ----

TEST(MagicWand, SeedsOutsideTheImageDoNothing) {
  TPVBitmap bitmap;
  Draw(bitmap, 8, 6, {{1, 1}});
  for (const TPoint seed : std::vector<TPoint>{{-1, 0}, {0, -1}, {8, 0}, {0, 6}, {INT32_MAX, 3}}) {
    int32_t count = 5;
    EXPECT_EQ(MagicWandOutline(bitmap, seed.x, seed.y, true, 10, count), nullptr);
    EXPECT_EQ(count, 0);
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(8, 6, 8));
    MagicWandFill(bitmap, seed.x, seed.y, true, 10, mask, 255);
    MagicWandGlobal(bitmap, seed.x, seed.y, 10, mask, 255);
    EXPECT_TRUE(mask.IsEmpty());
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(mask.GetPixel(x, y), 0);
  }
}

// The seed's row is searched downward first: on the last row there is no row below to read.
TEST(MagicWand, SeedsOnTheEdgeRowsAndColumns) {
  TempFolderScope temp;
  std::mt19937 random(59);
  for (const Storage storage : kStorages)
    for (const TPoint seed : std::vector<TPoint>{{0, 0}, {12, 0}, {0, 4}, {12, 4}, {5, 4}}) {
      TPVBitmap bitmap;
      FewColourImage(random, bitmap, storage, 13, 5, pv24RGB, 2);
      TPVMask mask, expected;
      ASSERT_TRUE(mask.Allocate(13, 5, 1));
      ASSERT_TRUE(expected.Allocate(13, 5, 1));
      MagicWandFill(bitmap, seed.x, seed.y, false, 0, mask, 1);
      ModelMask(expected, ModelRegion(bitmap, seed.x, seed.y, 0), 1);
      ExpectSameMask(mask, expected);
    }
}

TEST(MagicWand, ToleranceZeroAndDiagonalNeighbours) {
  TPVBitmap bitmap;
  Draw(bitmap, 5, 5, {{2, 2}, {1, 1}, {3, 3}, {3, 2}});
  bitmap.SetPixel24(1, 3, TPVRGB{255, 255, 254});  // one step off the seed's colour
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(5, 5, 8));
  MagicWandFill(bitmap, 2, 2, false, 0, mask, 255);
  Flags expected(5, 5);
  expected.Set(2, 2), expected.Set(3, 2), expected.Set(3, 3);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x)
      EXPECT_EQ(mask.GetPixel(x, y) != 0, expected.At(x, y)) << x << "," << y;
  TPVMask loose;
  ASSERT_TRUE(loose.Allocate(5, 5, 8));
  bitmap.SetPixel24(2, 3, TPVRGB{255, 255, 254});
  MagicWandFill(bitmap, 2, 2, false, 1, loose, 255);
  EXPECT_EQ(loose.GetPixel(1, 3), 255);  // joined through (2, 3) at tolerance 1
}

TEST(MagicWand, ASinglePixelGrowsIntoItsClippedBlock) {
  for (const TPoint at : std::vector<TPoint>{{3, 2}, {0, 0}, {6, 4}}) {
    TPVBitmap bitmap;
    Draw(bitmap, 7, 5, {at});
    TPVMask plain, grown;
    ASSERT_TRUE(plain.Allocate(7, 5, 1));
    ASSERT_TRUE(grown.Allocate(7, 5, 1));
    MagicWandFill(bitmap, at.x, at.y, false, 0, plain, 1);
    MagicWandFill(bitmap, at.x, at.y, true, 0, grown, 1);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) {
        EXPECT_EQ(plain.GetPixel(x, y), x == at.x && y == at.y);
        EXPECT_EQ(grown.GetPixel(x, y), std::abs(x - at.x) <= 1 && std::abs(y - at.y) <= 1);
      }
  }
}

TEST(MagicWand, ANegativeToleranceMatchesNothing) {
  TPVBitmap bitmap;
  Draw(bitmap, 6, 4, {});
  int32_t count = 3;
  EXPECT_EQ(MagicWandOutline(bitmap, 1, 1, false, -1, count), nullptr);
  EXPECT_EQ(count, 0);
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(6, 4, 8));
  MagicWandFill(bitmap, 1, 1, true, -1, mask, 255);
  MagicWandGlobal(bitmap, 1, 1, -1, mask, 255);
  EXPECT_TRUE(mask.IsEmpty());
}

TEST(MagicWand, WorkingMemoryThatCannotBeHadGivesNoOutlineAndNoSelection) {
  TPVBitmap bitmap;
  Draw(bitmap, 300, 200, {});
  for (const int64_t limit : {int64_t{0}, int64_t{1000}, int64_t{7999}}) {
    ScopedOverride<int64_t> refuse(wand_testing::BlockLimit, limit);
    int32_t count = 7;
    EXPECT_EQ(MagicWandOutline(bitmap, 10, 10, false, 0, count), nullptr) << limit;
    EXPECT_EQ(count, 0);
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(300, 200, 8));
    MagicWandFill(bitmap, 10, 10, limit > 0, 0, mask, 255);
    EXPECT_TRUE(mask.IsEmpty());
  }
  int32_t count = 0;
  EXPECT_NE(MagicWandOutline(bitmap, 10, 10, false, 0, count), nullptr);
  EXPECT_EQ(count, 8);
  // A column of ten pixels needs 80-byte planes and a 512-byte tile of walked cells.
  TPVBitmap column;
  Draw(column, 1, 10, {});
  ScopedOverride<int64_t> refuse(wand_testing::BlockLimit, 100);
  EXPECT_EQ(MagicWandOutline(column, 0, 5, false, 0, count), nullptr);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace calmora::test
