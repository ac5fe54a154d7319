// The selection drawings, headless on our device bitmap: the inverted overlay, the outline's
// dots (against an independent neighbour test) and the checkerboard outside the selection.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "imaging/core/mask/mask.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/mask/mask_test_shapes.h"

namespace calmora {
namespace {

using platform::TBitmap;

constexpr TPVRGB kBackground{30, 20, 10};  // blue, green, red

TBitmap& Canvas24(TBitmap& bitmap, int32_t width, int32_t height) {
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(width, height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = bitmap.GetScanLine(y) + 3 * x;
      p[0] = kBackground.b;
      p[1] = kBackground.g;
      p[2] = kBackground.r;
    }
  return bitmap;
}

TPVRGB PixelAt(TBitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* p = bitmap.GetScanLine(y) + 3 * x;
  return TPVRGB{p[0], p[1], p[2]};
}

using PointSet = std::set<std::pair<int32_t, int32_t>>;

PointSet ChangedPixels(TBitmap& bitmap) {
  PointSet changed;
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
    for (int32_t x = 0; x < bitmap.GetWidth(); ++x)
      if (!(PixelAt(bitmap, x, y) == kBackground)) changed.insert({x, y});
  return changed;
}

// ---- DrawInverted ----

TEST(DrawInverted, InvertsTheStretchedSelectionAndTwiceRestores) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(40, 30, 1));
  test::FillStar(mask, 1, 20, 15, 13, 6, 7);
  for (int32_t zoom : {1, 2}) {
    TBitmap bitmap;
    Canvas24(bitmap, 40 * zoom + 6, 30 * zoom + 4);
    mask.DrawInverted(*bitmap.GetCanvas(), 3, 2, 40 * zoom, 30 * zoom, 0, 0, 40, 30);
    for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
      for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
        const bool inside = x >= 3 && y >= 2 && x < 3 + 40 * zoom && y < 2 + 30 * zoom;
        const bool selected = inside && mask.IsPointInside((x - 3) / zoom, (y - 2) / zoom);
        const TPVRGB expected = selected ? TPVRGB{static_cast<uint8_t>(~kBackground.b),
                                                  static_cast<uint8_t>(~kBackground.g),
                                                  static_cast<uint8_t>(~kBackground.r)}
                                         : kBackground;
        ASSERT_EQ(PixelAt(bitmap, x, y), expected) << "zoom " << zoom << ", " << x << "," << y;
      }
    mask.DrawInverted(*bitmap.GetCanvas(), 3, 2, 40 * zoom, 30 * zoom, 0, 0, 40, 30);
    EXPECT_TRUE(ChangedPixels(bitmap).empty()) << "zoom " << zoom;
  }
}

TEST(DrawInverted, PartOfTheMaskLandsWhereTheSourceRectangleSays) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(20, 20, 1));
  mask.SetPixel(12, 5, 1);  // the only selected pixel
  TBitmap bitmap;
  Canvas24(bitmap, 10, 10);
  mask.DrawInverted(*bitmap.GetCanvas(), 0, 0, 10, 10, 10, 4, 10, 10);
  EXPECT_EQ(ChangedPixels(bitmap), (PointSet{{2, 1}}));
}

TEST(DrawInverted, DrawsNothingForAnEightBitOrEmptyMask) {
  TPVMask soft, empty;
  ASSERT_TRUE(soft.Allocate(20, 20, 8));
  soft.Fill(255);
  soft.SetPixel(0, 0, 255);
  soft.RecomputeBox();
  ASSERT_TRUE(empty.Allocate(20, 20, 1));
  TBitmap bitmap;
  Canvas24(bitmap, 20, 20);
  soft.DrawInverted(*bitmap.GetCanvas(), 0, 0, 20, 20, 0, 0, 20, 20);
  empty.DrawInverted(*bitmap.GetCanvas(), 0, 0, 20, 20, 0, 0, 20, 20);
  EXPECT_TRUE(ChangedPixels(bitmap).empty());
}

// ---- DrawOutline ----

constexpr TColor kFirst = 0x0000FF;   // red
constexpr TColor kSecond = 0xFF0000;  // blue
constexpr TPVRGB kFirstPixel{0, 0, 255};
constexpr TPVRGB kSecondPixel{255, 0, 0};

// Every dot has the colour of its diagonal dash.
void ExpectDashColours(TBitmap& bitmap, const PointSet& dots, int32_t phase) {
  for (const auto& [x, y] : dots)
    ASSERT_EQ(PixelAt(bitmap, x, y), ((x + y + phase) & 7) < 4 ? kFirstPixel : kSecondPixel)
        << x << "," << y << " phase " << phase;
}

PointSet Border(int32_t left, int32_t top, int32_t width, int32_t height) {
  PointSet border;
  for (int32_t y = top; y < top + height; ++y)
    for (int32_t x = left; x < left + width; ++x)
      if (x == left || y == top || x == left + width - 1 || y == top + height - 1)
        border.insert({x, y});
  return border;
}

// Widths 32 and 64 leave the zoom rows without padding: the outline must not read past them.
TEST(DrawOutline, FullySelectedMaskShownWholeGetsDotsOnTheFourBordersOnly) {
  struct Case {
    int32_t Bits, MaskWidth, MaskHeight, Zoom;
  };
  for (const Case& c : {Case{1, 40, 30, 1}, Case{8, 40, 30, 1}, Case{1, 32, 20, 1},
                        Case{1, 64, 9, 1}, Case{1, 16, 10, 2}, Case{8, 32, 12, 1},
                        Case{1, 20, 15, 3}}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(c.MaskWidth, c.MaskHeight, c.Bits));
    mask.Fill(255);
    mask.RecomputeBox();
    const int32_t width = c.MaskWidth * c.Zoom, height = c.MaskHeight * c.Zoom;
    for (int32_t phase : {0, 1, 6}) {
      TBitmap bitmap;
      Canvas24(bitmap, width + 4, height + 4);
      mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, phase,
                       TPVDrawRect{2, 2, width, height},
                       TPVDrawRect{0, 0, c.MaskWidth, c.MaskHeight});
      const PointSet dots = ChangedPixels(bitmap);
      EXPECT_EQ(dots, Border(2, 2, width, height))
          << c.Bits << " bits, " << c.MaskWidth << "x" << c.MaskHeight << " zoom " << c.Zoom;
      ExpectDashColours(bitmap, dots, phase);
    }
  }
}

TEST(DrawOutline, DashColoursStartWithTheFirstColourAtTheOrigin) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(12, 6, 1));
  mask.Fill(255);
  mask.RecomputeBox();
  TBitmap bitmap;
  Canvas24(bitmap, 12, 6);
  mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, 0, TPVDrawRect{0, 0, 12, 6},
                   TPVDrawRect{0, 0, 12, 6});
  EXPECT_EQ(PixelAt(bitmap, 0, 0), kFirstPixel);
  EXPECT_EQ(PixelAt(bitmap, 3, 0), kFirstPixel);
  EXPECT_EQ(PixelAt(bitmap, 4, 0), kSecondPixel);
  EXPECT_EQ(PixelAt(bitmap, 8, 0), kFirstPixel);
}

// A view that starts inside a selection reaching on past its left, right and bottom edges: no
// dots in the first or last zoom column, nor in the last row; the top row is the selection's.
TEST(DrawOutline, EdgesWhereTheSelectionRunsOnBeyondTheViewGetNoDots) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(40, 30, 1));
  mask.Fill(255);
  mask.RecomputeBox();
  TBitmap bitmap;
  Canvas24(bitmap, 20, 20);
  mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, 0, TPVDrawRect{0, 0, 20, 20},
                   TPVDrawRect{5, 0, 20, 20});
  PointSet topRow;
  for (int32_t x = 1; x < 19; ++x) topRow.insert({x, 0});
  EXPECT_EQ(ChangedPixels(bitmap), topRow);
}

// Selections away from the view's edges: a dot on exactly the zoom pixels that are selected and
// have an unselected one among their eight neighbours.
TEST(DrawOutline, DotsMarkSelectedPixelsBesideUnselectedOnes) {
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(64, 48, bits));
    test::FillStar(mask, bits == 1 ? 1 : 255, 32, 24, 20, 8, 11);
    if (bits == 8) mask.FillSpan(7, 28, 36, 24);  // a soft value still counts as selected
    for (int32_t zoom : {1, 2, 4}) {  // zooms whose 14-bit step is exact
      const int32_t width = 64 * zoom, height = 48 * zoom;
      const auto selected = [&](int32_t j, int32_t i) {
        return j >= 0 && i >= 0 && j < width && i < height &&
               mask.IsPointInside(j / zoom, i / zoom);
      };
      PointSet expected;
      for (int32_t i = 0; i < height; ++i)
        for (int32_t j = 0; j < width; ++j) {
          if (!selected(j, i)) continue;
          bool edge = false;
          for (int32_t di = -1; di <= 1; ++di)
            for (int32_t dj = -1; dj <= 1; ++dj) edge = edge || !selected(j + dj, i + di);
          if (edge) expected.insert({j + 1, i + 1});
        }
      TBitmap bitmap;
      Canvas24(bitmap, width + 2, height + 2);
      mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, 3, TPVDrawRect{1, 1, width, height},
                       TPVDrawRect{0, 0, 64, 48});
      const PointSet dots = ChangedPixels(bitmap);
      EXPECT_EQ(dots, expected) << bits << " bits, zoom " << zoom;
      ExpectDashColours(bitmap, dots, 3);
    }
  }
}

TEST(DrawOutline, DotsOffTheCanvasAreDroppedAndEmptyMasksDrawNothing) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(40, 30, 1));
  TBitmap bitmap;
  Canvas24(bitmap, 30, 20);
  mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, 0, TPVDrawRect{0, 0, 40, 30},
                   TPVDrawRect{0, 0, 40, 30});
  EXPECT_TRUE(ChangedPixels(bitmap).empty());
  mask.Fill(255);
  mask.RecomputeBox();
  mask.DrawOutline(*bitmap.GetCanvas(), kFirst, kSecond, 0, TPVDrawRect{-5, -4, 40, 30},
                   TPVDrawRect{0, 0, 40, 30});
  PointSet visible;
  for (const auto& p : Border(-5, -4, 40, 30))
    if (p.first >= 0 && p.second >= 0 && p.first < 30 && p.second < 20) visible.insert(p);
  EXPECT_EQ(ChangedPixels(bitmap), visible);
}

// ---- ShadeOutside ----

constexpr TPVRGB kShade{97, 97, 97};

TEST(ShadeOutside, GreysTheUnselectedPixelsWithAnEvenCoordinateSum) {
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(40, 30, bits));
    test::FillStar(mask, bits == 1 ? 1 : 255, 20, 15, 14, 6, 5);
    for (int32_t zoom : {1, 2}) {
      TBitmap bitmap;
      Canvas24(bitmap, 40 * zoom + 5, 30 * zoom + 3);
      mask.ShadeOutside(bitmap, 5, 3, 40 * zoom, 30 * zoom, 0, 0, 40, 30);
      for (int32_t y = 0; y < bitmap.GetHeight(); ++y)
        for (int32_t x = 0; x < bitmap.GetWidth(); ++x) {
          const int32_t j = x - 5, i = y - 3;
          const bool shaded = j >= 0 && i >= 0 && (i + j) % 2 == 0 &&
                              !mask.IsPointInside(j / zoom, i / zoom);
          ASSERT_EQ(PixelAt(bitmap, x, y), shaded ? kShade : kBackground)
              << bits << " bits, zoom " << zoom << ", " << x << "," << y;
        }
    }
  }
}

// A view scrolled past the image's top and left starts at the canvas corner with the source
// moved by as much.
TEST(ShadeOutside, NegativeDestinationStartsAtTheCanvasEdge) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(40, 30, 1));
  test::FillStar(mask, 1, 20, 15, 14, 6, 5);
  TBitmap bitmap;
  Canvas24(bitmap, 33, 26);
  mask.ShadeOutside(bitmap, -7, -4, 40, 30, 0, 0, 40, 30);
  for (int32_t y = 0; y < 26; ++y)
    for (int32_t x = 0; x < 33; ++x) {
      const bool shaded = (x + y) % 2 == 0 && !mask.IsPointInside(x + 7, y + 4);
      ASSERT_EQ(PixelAt(bitmap, x, y), shaded ? kShade : kBackground) << x << "," << y;
    }
}

TEST(ShadeOutside, MapsMasksTallerThanTwoToTheThirtyOneOverTheStep) {
  TPVMask tall;
  ASSERT_TRUE(tall.Allocate(2, 200000, 8));
  for (int32_t y = 190000; y < 200000; ++y) tall.FillSpan(255, 0, 1, y);
  tall.RecomputeBox();
  TBitmap bitmap;
  Canvas24(bitmap, 2, 100);
  tall.ShadeOutside(bitmap, 0, 0, 2, 100, 0, 0, 2, 200000);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 2; ++x)
      ASSERT_EQ(PixelAt(bitmap, x, y), y < 95 && (x + y) % 2 == 0 ? kShade : kBackground)
          << x << "," << y;
}

TEST(ShadeOutside, LeavesOtherFormatsAndEmptyMasksAlone) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(8, 8, 1));
  TBitmap bitmap;
  Canvas24(bitmap, 8, 8);
  mask.ShadeOutside(bitmap, 0, 0, 8, 8, 0, 0, 8, 8);
  EXPECT_TRUE(ChangedPixels(bitmap).empty());
  mask.SetPixel(3, 3, 1);
  TBitmap wide;
  wide.SetPixelFormat(platform::pf32bit);
  wide.SetSize(8, 8);
  mask.ShadeOutside(wide, 0, 0, 8, 8, 0, 0, 8, 8);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t i = 0; i < wide.GetRowLength(); ++i) ASSERT_EQ(wide.GetScanLine(y)[i], 0);
}

}  // namespace
}  // namespace calmora
