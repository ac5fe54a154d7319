// Block copies onto a canvas against per-pixel models: the block copy (also within one
// bitmap), the smoothing stretch against a floating-point model of its definition, mirroring,
// and the copy through a clip region.
#include "platform/canvas_blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "platform/region.h"

namespace calmora::platform {
namespace {

// A 24- or 32-bit bitmap whose every byte is random.
void FillRandom(TBitmap& bitmap, int width, int height, TPixelFormat format, uint32_t seed) {
  ASSERT_TRUE(bitmap.SetPixelFormat(format));
  ASSERT_TRUE(bitmap.SetSize(width, height));
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < bitmap.GetRowLength(); ++i)
      bitmap.GetScanLine(y)[i] = static_cast<uint8_t>(random());
}

std::vector<std::vector<uint8_t>> Rows(TBitmap& bitmap) {
  std::vector<std::vector<uint8_t>> rows;
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    rows.emplace_back(bitmap.GetScanLine(y), bitmap.GetScanLine(y) + bitmap.GetRowLength());
  return rows;
}

TEST(CanvasBlitTest, BlockCopiesClipToBothBitmapsAndSurviveOverlap) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> place(-30, 50);
  std::uniform_int_distribution<int> extent(-5, 60);
  for (int round = 0; round < 200; ++round) {
    const bool oneBitmap = round % 2 == 0;
    TBitmap dest, other;
    FillRandom(dest, 41, 37, pf24bit, round);
    FillRandom(other, 29, 45, pf24bit, round + 1000);
    TBitmap& source = oneBitmap ? dest : other;
    const auto destBefore = Rows(dest);
    const auto sourceBefore = Rows(source);
    const int x = place(random), y = place(random), w = extent(random), h = extent(random);
    const int sx = place(random), sy = place(random);
    BitBlt(*dest.GetCanvas(), x, y, w, h, *source.GetCanvas(), sx, sy);
    for (int py = 0; py < dest.GetHeight(); ++py)
      for (int px = 0; px < dest.GetWidth(); ++px) {
        const int qx = px - x + sx, qy = py - y + sy;
        const bool copied = px >= x && px < x + w && py >= y && py < y + h && qx >= 0 &&
                            qy >= 0 && qx < source.GetWidth() && qy < source.GetHeight();
        for (int c = 0; c < 3; ++c) {
          const uint8_t expected = copied ? sourceBefore[qy][3 * qx + c] : destBefore[py][3 * px + c];
          ASSERT_EQ(dest.GetScanLine(py)[3 * px + c], expected) << round << " " << px << "," << py;
        }
      }
  }
}

// One axis of the smoothing stretch as its definition says, in floating point: weights of the
// source positions 0 .. sourceLength - 1 for destination position k.
std::vector<double> AxisModel(int k, int destLength, int sourceLength) {
  std::vector<double> weights(sourceLength, 0.0);
  if (destLength == sourceLength) {
    weights[k] = 1;
  } else if (destLength < sourceLength) {
    const double scale = double(sourceLength) / destLength;
    const double begin = k * scale, end = (k + 1) * scale;
    for (int j = 0; j < sourceLength; ++j) {
      const double overlap = std::min(end, j + 1.0) - std::max(begin, double(j));
      if (overlap > 0) weights[j] = overlap / scale;
    }
  } else {
    double position = (k + 0.5) * sourceLength / destLength - 0.5;
    position = std::clamp(position, 0.0, sourceLength - 1.0);
    const int j = static_cast<int>(std::floor(position));
    const double fraction = position - j;
    weights[j] += 1 - fraction;
    if (j + 1 < sourceLength) weights[j + 1] += fraction;
  }
  return weights;
}

TEST(CanvasBlitTest, SmoothStretchAveragesWhenShrinkingAndInterpolatesWhenEnlarging) {
  struct Case {
    int DestWidth, DestHeight, SourceWidth, SourceHeight;
    bool MirrorX, MirrorY;
    TPixelFormat Format;
  };
  const Case cases[] = {{13, 9, 40, 31, false, false, pf24bit}, {40, 31, 13, 9, false, false, pf24bit},
                        {40, 9, 13, 31, true, false, pf32bit},  {7, 50, 50, 7, false, true, pf24bit},
                        {25, 25, 25, 25, true, true, pf24bit},  {1, 1, 30, 20, false, false, pf24bit},
                        {33, 3, 1, 1, false, false, pf32bit},   {20, 16, 20, 5, true, false, pf24bit}};
  for (const Case& c : cases) {
    TBitmap source, dest;
    FillRandom(source, c.SourceWidth + 4, c.SourceHeight + 4, c.Format, 5);
    FillRandom(dest, c.DestWidth + 6, c.DestHeight + 6, c.Format, 6);
    const auto before = Rows(dest);
    const int channels = c.Format == pf24bit ? 3 : 4;
    // Drawn at (3, 2) from (2, 1); a mirrored axis gives its rectangle from the far edge.
    const int x = c.MirrorX ? 3 + c.DestWidth : 3;
    const int y = c.MirrorY ? 2 + c.DestHeight : 2;
    ASSERT_TRUE(SmoothStretchBlt(*dest.GetCanvas(), x, y, c.MirrorX ? -c.DestWidth : c.DestWidth,
                                 c.MirrorY ? -c.DestHeight : c.DestHeight, *source.GetCanvas(), 2,
                                 1, c.SourceWidth, c.SourceHeight));
    int worst = 0;
    for (int py = 0; py < dest.GetHeight(); ++py)
      for (int px = 0; px < dest.GetWidth(); ++px) {
        const int i = px - 3, j = py - 2;
        const bool inside = i >= 0 && i < c.DestWidth && j >= 0 && j < c.DestHeight;
        for (int ch = 0; ch < channels; ++ch) {
          const int actual = dest.GetScanLine(py)[channels * px + ch];
          if (!inside) {
            ASSERT_EQ(actual, before[py][channels * px + ch]);
            continue;
          }
          const auto wx = AxisModel(c.MirrorX ? c.DestWidth - 1 - i : i, c.DestWidth, c.SourceWidth);
          const auto wy = AxisModel(c.MirrorY ? c.DestHeight - 1 - j : j, c.DestHeight, c.SourceHeight);
          double value = 0;
          for (int sy = 0; sy < c.SourceHeight; ++sy)
            for (int sx = 0; sx < c.SourceWidth; ++sx)
              value += wx[sx] * wy[sy] * source.GetScanLine(1 + sy)[channels * (2 + sx) + ch];
          worst = std::max(worst, std::abs(actual - static_cast<int>(std::lround(value))));
        }
      }
    EXPECT_LE(worst, 1) << c.DestWidth << "x" << c.DestHeight << " from " << c.SourceWidth
                        << "x" << c.SourceHeight;
  }
}

TEST(CanvasBlitTest, SmoothStretchTakesBlackOutsideTheSourceAndServesOnlyWholeByteFormats) {
  TBitmap source, dest;
  ASSERT_TRUE(source.SetPixelFormat(pf24bit));
  ASSERT_TRUE(source.SetSize(4, 4));
  for (int y = 0; y < 4; ++y) std::fill_n(source.GetScanLine(y), 12, uint8_t{200});
  FillRandom(dest, 8, 8, pf24bit, 9);
  // Source columns -4 .. 3 on 8 destination columns: the left half reads outside.
  ASSERT_TRUE(SmoothStretchBlt(*dest.GetCanvas(), 0, 0, 8, 8, *source.GetCanvas(), -4, 0, 8, 4));
  EXPECT_EQ(dest.GetScanLine(4)[0], 0);
  EXPECT_EQ(dest.GetScanLine(4)[3 * 7], 200);
  // Past the right and bottom edges: whole destination columns and rows take nothing.
  for (const int extent : {8, 40}) {
    FillRandom(dest, extent, extent, pf24bit, 10);
    ASSERT_TRUE(SmoothStretchBlt(*dest.GetCanvas(), 0, 0, extent, extent, *source.GetCanvas(), 2,
                                 2, 8, 8));
    EXPECT_EQ(dest.GetScanLine(0)[0], 200);
    EXPECT_EQ(dest.GetScanLine(extent - 1)[3 * (extent - 1)], 0);
    EXPECT_EQ(dest.GetScanLine(0)[3 * (extent - 1)], 0);
  }
  TBitmap indexed;
  ASSERT_TRUE(indexed.SetPixelFormat(pf8bit));
  ASSERT_TRUE(indexed.SetSize(4, 4));
  EXPECT_FALSE(SmoothStretchBlt(*dest.GetCanvas(), 0, 0, 8, 8, *indexed.GetCanvas(), 0, 0, 4, 4));
}

TEST(CanvasBlitTest, CopyRectStretchesSmoothlyOnlyInTheHalftoneMode) {
  TBitmap source, nearest, smooth;
  ASSERT_TRUE(source.SetPixelFormat(pf24bit));
  ASSERT_TRUE(source.SetSize(2, 1));
  uint8_t* row = source.GetScanLine(0);
  std::fill_n(row, 3, uint8_t{0});
  std::fill_n(row + 3, 3, uint8_t{240});
  for (TBitmap* dest : {&nearest, &smooth}) {
    ASSERT_TRUE(dest->SetPixelFormat(pf24bit));
    ASSERT_TRUE(dest->SetSize(8, 1));
  }
  smooth.GetCanvas()->StretchMode = HALFTONE;
  nearest.GetCanvas()->CopyRect(0, 0, 8, 1, *source.GetCanvas(), 0, 0, 2, 1);
  smooth.GetCanvas()->CopyRect(0, 0, 8, 1, *source.GetCanvas(), 0, 0, 2, 1);
  EXPECT_EQ(nearest.GetScanLine(0)[3 * 3], 0);
  // Pixel 3 has its centre at (3 + 1/2) x 2 / 8 - 1/2 = 3/8 of the way between the two.
  EXPECT_EQ(smooth.GetScanLine(0)[3 * 3], 90);
}

TEST(CanvasBlitTest, RegionsCopyTheirPixelsOnly) {
  TBitmap picture, canvasBitmap;
  FillRandom(picture, 30, 20, pf24bit, 1);
  FillRandom(canvasBitmap, 40, 40, pf24bit, 2);
  const auto before = Rows(canvasBitmap);
  TRegion region = TRegion::FromRoundRect(-5, 3, 33, 39, 20, 14);
  region.Combine(TRegion::FromRect(20, 0, 45, 5), RGN_XOR);
  DrawThroughRegion(*canvasBitmap.GetCanvas(), 4, 6, picture, region);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool onPicture = x >= 4 && x < 34 && y >= 6 && y < 26;
      const bool drawn = onPicture && region.Contains(x, y);
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(canvasBitmap.GetScanLine(y)[3 * x + c],
                  drawn ? picture.GetScanLine(y - 6)[3 * (x - 4) + c] : before[y][3 * x + c]);
    }
}

}  // namespace
}  // namespace calmora::platform
