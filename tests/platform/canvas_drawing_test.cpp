// The canvas's drawing operations: lines that leave out their end point (checked against the
// ideal line over many random lines), the raster modes on RGB and indexed pixels, fills,
// pixels and rectangle copies clipped to the bitmap, and text in a mapped font.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <cmath>
#include <random>
#include <set>
#include <utility>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "platform/font_names.h"
#include "tests/support/qt_test_app.h"

namespace calmora::platform {
namespace {

TBitmap& Blank(TBitmap& bitmap, TPixelFormat format, int width, int height) {
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  return bitmap;
}

std::set<std::pair<int, int>> SetPixels(TCanvas& canvas, uint32_t background) {
  std::set<std::pair<int, int>> pixels;
  for (int y = 0; y < canvas.GetBitmap().GetHeight(); ++y)
    for (int x = 0; x < canvas.GetBitmap().GetWidth(); ++x)
      if (canvas.GetPixel(x, y) != background) pixels.emplace(x, y);
  return pixels;
}

TEST(CanvasDrawingTest, OnePixelLinesLeaveOutTheirEndAndFollowTheIdealLine) {
  std::mt19937 random(15);
  std::uniform_int_distribution<int> coordinate(0, 47);
  for (int round = 0; round < 400; ++round) {
    TBitmap bitmap;
    TCanvas& canvas = *Blank(bitmap, pf24bit, 48, 48).GetCanvas();
    const int x0 = coordinate(random), y0 = coordinate(random);
    const int x1 = coordinate(random), y1 = coordinate(random);
    canvas.Pen.Color = 0xFFFFFF;
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
    EXPECT_EQ(canvas.GetPenPos(), (TCanvasPoint{x1, y1}));
    const auto pixels = SetPixels(canvas, 0);
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    ASSERT_EQ(static_cast<int>(pixels.size()), steps) << x0 << "," << y0 << " " << x1 << "," << y1;
    if (steps == 0) continue;
    EXPECT_TRUE(pixels.count({x0, y0}));
    EXPECT_FALSE(pixels.count({x1, y1}));
    // One pixel per step along the major axis, within half a pixel of the ideal line.
    const bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    for (const auto& [x, y] : pixels) {
      const double t = xMajor ? double(x - x0) / (x1 - x0) : double(y - y0) / (y1 - y0);
      const double minor = xMajor ? y0 + t * (y1 - y0) : x0 + t * (x1 - x0);
      EXPECT_LE(std::abs((xMajor ? y : x) - minor), 0.5) << x << "," << y;
      EXPECT_GE(t, 0);
      EXPECT_LT(t, 1);
    }
  }
}

TEST(CanvasDrawingTest, PenModesCombinePenAndPixel) {
  struct Case {
    TPenMode mode;
    uint32_t expected;  // pen 0x00F0F0 over pixel 0x3C0FF0
  };
  const uint32_t p = 0x00F0F0, d = 0x3C0FF0;
  const Case cases[] = {
      {pmBlack, 0},
      {pmWhite, 0xFFFFFF},
      {pmNop, d},
      {pmNot, ~d & 0xFFFFFF},
      {pmCopy, p},
      {pmNotCopy, ~p & 0xFFFFFF},
      {pmMergePenNot, (p | ~d) & 0xFFFFFF},
      {pmMaskPenNot, p & ~d},
      {pmMergeNotPen, (~p | d) & 0xFFFFFF},
      {pmMaskNotPen, ~p & d},
      {pmMerge, p | d},
      {pmNotMerge, ~(p | d) & 0xFFFFFF},
      {pmMask, p & d},
      {pmNotMask, ~(p & d) & 0xFFFFFF},
      {pmXor, p ^ d},
      {pmNotXor, ~(p ^ d) & 0xFFFFFF},
  };
  for (const Case& c : cases) {
    for (TPixelFormat format : {pf24bit, pf32bit}) {
      TBitmap bitmap;
      TCanvas& canvas = *Blank(bitmap, format, 4, 1).GetCanvas();
      canvas.SetPixel(0, 0, d);
      canvas.Pen.Color = p;
      canvas.Pen.Mode = c.mode;
      canvas.MoveTo(0, 0);
      canvas.LineTo(2, 0);
      EXPECT_EQ(canvas.GetPixel(0, 0), c.expected) << int(c.mode);
    }
  }
}

TEST(CanvasDrawingTest, NotModeTwiceRestoresEveryFormat) {
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    TBitmap bitmap;
    TCanvas& canvas = *Blank(bitmap, format, 20, 20).GetCanvas();
    for (int i = 0; i < 20; ++i) canvas.SetPixel(i, i, 0x804020 * (i + 1));
    std::vector<uint32_t> before;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) before.push_back(canvas.GetPixel(x, y));
    canvas.Pen.Mode = pmNot;
    for (int pass = 0; pass < 2; ++pass) {
      canvas.MoveTo(0, 19);
      canvas.LineTo(19, 0);
      if (pass == 0) {
        EXPECT_NE(canvas.GetPixel(0, 19), before[19 * 20]) << int(format);
      }
    }
    std::vector<uint32_t> after;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) after.push_back(canvas.GetPixel(x, y));
    EXPECT_EQ(before, after) << int(format);
  }
}

TEST(CanvasDrawingTest, IndexedBitmapsCombineTableIndices) {
  TBitmap bitmap;
  TCanvas& canvas = *Blank(bitmap, pf8bit, 4, 1).GetCanvas();
  bitmap.GetScanLine(0)[0] = 0x35;
  canvas.Pen.Mode = pmNot;
  canvas.MoveTo(0, 0);
  canvas.LineTo(1, 0);
  EXPECT_EQ(bitmap.GetScanLine(0)[0], 0xCA);
  // Copy mode takes the nearest entry of the 3-3-2 cube: pure red is index 0xE0.
  canvas.Pen.Mode = pmCopy;
  canvas.Pen.Color = 0x0000FF;
  canvas.MoveTo(0, 0);
  canvas.LineTo(1, 0);
  EXPECT_EQ(bitmap.GetScanLine(0)[0], 0xE0);
}

TEST(CanvasDrawingTest, FillRectIsExclusiveClippedAndClearFillsNothing) {
  TBitmap bitmap;
  TCanvas& canvas = *Blank(bitmap, pf24bit, 10, 8).GetCanvas();
  canvas.Brush.Color = 0x112233;
  canvas.FillRect(-3, 2, 4, 20);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(canvas.GetPixel(x, y), (x < 4 && y >= 2) ? 0x112233u : 0u) << x << "," << y;
  canvas.Brush.Style = bsClear;
  canvas.FillRect(0, 0, 10, 8);
  EXPECT_EQ(canvas.GetPixel(9, 0), 0u);
  canvas.Brush.Style = bsSolid;
  canvas.FillRect(5, 5, 5, 7);  // empty
  canvas.FillRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX);
  EXPECT_EQ(canvas.GetPixel(9, 0), 0x112233u);
}

TEST(CanvasDrawingTest, PixelsOutsideTheBitmap) {
  TBitmap bitmap;
  TCanvas& canvas = *Blank(bitmap, pf24bit, 3, 3).GetCanvas();
  EXPECT_EQ(canvas.GetPixel(-1, 0), CLR_INVALID);
  EXPECT_EQ(canvas.GetPixel(3, 0), CLR_INVALID);
  EXPECT_EQ(canvas.GetPixel(0, 3), CLR_INVALID);
  canvas.SetPixel(5, 5, 0xFFFFFF);
  canvas.SetPixel(2, 2, 0xABCDEF);
  EXPECT_EQ(canvas.GetPixel(2, 2), 0xABCDEFu);
  TBitmap empty;
  EXPECT_EQ(empty.GetCanvas()->GetPixel(0, 0), CLR_INVALID);
  empty.GetCanvas()->LineTo(5, 5);
}

TEST(CanvasDrawingTest, CopyRectCopiesStretchesAndReadsBeforeWriting) {
  TBitmap source;
  TCanvas& from = *Blank(source, pf24bit, 4, 4).GetCanvas();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) from.SetPixel(x, y, static_cast<uint32_t>(16 * y + x + 1));
  TBitmap target;
  TCanvas& to = *Blank(target, pf32bit, 8, 8).GetCanvas();
  to.CopyRect(0, 0, 4, 4, from, 0, 0, 4, 4);
  EXPECT_EQ(to.GetPixel(3, 2), 16u * 2 + 3 + 1);
  // Doubled: each source pixel covers 2 x 2.
  to.CopyRect(0, 0, 8, 8, from, 0, 0, 4, 4);
  EXPECT_EQ(to.GetPixel(7, 5), 16u * 2 + 3 + 1);
  // Outside the source reads black.
  to.CopyRect(0, 0, 2, 2, from, 3, 3, 5, 5);
  EXPECT_EQ(to.GetPixel(0, 0), 16u * 3 + 3 + 1);
  EXPECT_EQ(to.GetPixel(1, 1), 0u);
  // Within one canvas, shifted by one: every pixel takes its left neighbour's old value.
  from.CopyRect(1, 0, 4, 1, from, 0, 0, 3, 1);
  EXPECT_EQ(from.GetPixel(1, 0), 1u);
  EXPECT_EQ(from.GetPixel(3, 0), 3u);
}

TEST(CanvasDrawingTest, TextIsDrawnInItsBoxInTheMappedFont) {
  EXPECT_EQ(InstalledFamilyFor("Arial"), QStringLiteral("Liberation Sans"));
  EXPECT_EQ(InstalledFamilyFor("arial"), QStringLiteral("Liberation Sans"));
  EXPECT_EQ(InstalledFamilyFor("Verdana"), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(InstalledFamilyFor("DejaVu Serif"), QStringLiteral("DejaVu Serif"));
  TFont font;
  font.Name = "Arial";
  font.Size = 9;
  EXPECT_EQ(font.PixelHeight(), 12);
  EXPECT_EQ(QFontInfo(ToolkitFont(font)).family(), QStringLiteral("Liberation Sans"));

  TBitmap bitmap;
  TCanvas& canvas = *Blank(bitmap, pf24bit, 120, 40).GetCanvas();
  canvas.Font = font;
  canvas.Font.Color = 0xFFFFFF;
  canvas.Brush.Color = 0x0000FF;
  const int width = canvas.TextWidth("Hello");
  const int height = canvas.TextHeight("Hello");
  EXPECT_GT(width, 20);
  EXPECT_GE(height, 12);
  canvas.TextOut(10, 5, "Hello");
  EXPECT_EQ(canvas.GetPenPos(), (TCanvasPoint{10 + width, 5}));
  int inked = 0;  // pixels of the letters: neither the brush nor the untouched background
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 120; ++x) {
      const bool inside = x >= 10 && x < 10 + width && y >= 5 && y < 5 + height;
      const uint32_t c = canvas.GetPixel(x, y);
      if (!inside) {
        EXPECT_EQ(c, 0u) << x << "," << y;
      } else if (c != 0x0000FF) {
        ++inked;
      }
    }
  EXPECT_GT(inked, 30);
  EXPECT_EQ(canvas.GetPixel(10, 5), 0x0000FFu);  // the brush behind the text
  // A clear brush leaves the background.
  canvas.Brush.Style = bsClear;
  canvas.TextOut(10, 25, "Hello");
  EXPECT_EQ(canvas.GetPixel(10, 25), 0u);
}

TEST(CanvasDrawingTest, EveryOperationRunsOnChange) {
  TBitmap bitmap;
  TCanvas& canvas = *Blank(bitmap, pf24bit, 8, 8).GetCanvas();
  int changes = 0;
  canvas.OnChange = [&] { ++changes; };
  canvas.SetPixel(1, 1, 1);
  canvas.FillRect(0, 0, 2, 2);
  canvas.LineTo(3, 3);
  canvas.CopyRect(4, 4, 6, 6, canvas, 0, 0, 2, 2);
  canvas.TextOut(0, 0, "x");
  EXPECT_GE(changes, 5);
}

}  // namespace
}  // namespace calmora::platform
