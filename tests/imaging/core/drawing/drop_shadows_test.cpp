// The drop-shadow strips against the formulas written out here: the fill, the darkening with
// its slanted far end (in the bitmap and through the canvas), the grey ramp with its slanted
// near end, for the right strip and the bottom strip; other styles draw nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/core/drawing/drawing_helpers.h"

namespace calmora {
namespace {

using platform::TBitmap;

constexpr int kSize = 40;

void Noise(TBitmap& bitmap, uint32_t seed) {
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(kSize, kSize);
  std::mt19937 random(seed);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < 3 * kSize; ++x) bitmap.GetScanLine(y)[x] = static_cast<uint8_t>(random());
}

// The expected picture, pixel by pixel, as colours 0x00BBGGRR.
struct Picture {
  std::vector<uint32_t> pixels;
  explicit Picture(TBitmap& bitmap) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) pixels.push_back(bitmap.GetCanvas()->GetPixel(x, y));
  }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < kSize && y < kSize; }
  void Scale(int x, int y, double f) {
    if (!Inside(x, y)) return;
    uint32_t& c = pixels[y * kSize + x];
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
      out |= static_cast<uint32_t>(((c >> shift) & 0xFF) * f) << shift;
    c = out;
  }
  void Set(int x, int y, uint32_t color) {
    if (Inside(x, y)) pixels[y * kSize + x] = color;
  }
};

// Style 2 of the right strip, as the formula says; the bottom strip exchanges x and y.
void ModelDarken(Picture& picture, bool right, int left, int top, int r, int bottom) {
  const int w = right ? r - left + 1 : bottom - top + 1;
  for (int h = 0; h < w; ++h) {
    const double q = (w - h) / (w / 3.0);
    const double f = std::exp(-0.1 - q * q / 6);
    if (right) {
      for (int y = top + w; y <= bottom + h - w + 3; ++y) picture.Scale(left + h, y, f);
    } else {
      for (int x = left + w; x <= r + h - w + 3; ++x) picture.Scale(x, top + h, f);
    }
  }
}

int Ramp(double exponent) {
  return std::clamp(static_cast<int>(std::exp(exponent) / std::numbers::e * 255), 0, 255);
}

void ModelRamp(Picture& picture, bool right, int left, int top, int r, int bottom) {
  const int across = right ? r - left + 1 : bottom - top + 1;
  const int along = right ? bottom - top + 1 : r - left + 1;
  int j0 = 0;
  for (int i = 0; i <= along; ++i) {
    if (i > along - across + 1) ++j0;
    const int ceiling = Ramp(static_cast<double>(along - 3 * i) / along);
    for (int j = j0; j <= across; ++j) {
      const uint32_t grey = static_cast<uint32_t>(std::max(Ramp(double(j) / across), ceiling));
      if (right)
        picture.Set(left + j, top + i, grey * 0x010101u);
      else
        picture.Set(left + i, top + j, grey * 0x010101u);
    }
  }
}

struct Case {
  bool right;
  int left, top, r, bottom;
};

// The view's strips around an object (8, 6)-(30, 25), and others that reach past the edges.
const Case kCases[] = {
    {true, 30, 6, 35, 28},   {false, 8, 25, 34, 30}, {true, 3, 2, 9, 37},
    {false, -4, 30, 44, 37}, {true, 36, -3, 41, 20}, {false, 2, 3, 9, 4},
};

TEST(DropShadowsTest, DarkeningInTheBitmapAndThroughTheCanvas) {
  for (const Case& c : kCases) {
    for (bool throughCanvas : {false, true}) {
      TBitmap bitmap;
      Noise(bitmap, 7);
      Picture expected(bitmap);
      ModelDarken(expected, c.right, c.left, c.top, c.r, c.bottom);
      auto draw = c.right ? DrawRightShadow : DrawBottomShadow;
      draw(*bitmap.GetCanvas(), throughCanvas ? nullptr : &bitmap, c.left, c.top, c.r, c.bottom, 2,
           0);
      EXPECT_EQ(Picture(bitmap).pixels, expected.pixels)
          << c.right << " " << c.left << "," << c.top << " " << throughCanvas;
    }
  }
}

TEST(DropShadowsTest, TheViewsStripsHaveSlantedFarEnds) {
  // Right strip (R, T)-(R + 5, B + 3) of an object with R = 30, T = 6, B = 25: six columns,
  // column h darkened from row T + 6 down to row B + h.
  TBitmap bitmap;
  Noise(bitmap, 3);
  Picture before(bitmap);
  DrawRightShadow(*bitmap.GetCanvas(), &bitmap, 30, 6, 35, 28, 2, 0);
  Picture after(bitmap);
  for (int h = 0; h < 6; ++h) {
    const int x = 30 + h;
    EXPECT_EQ(after.pixels[5 * kSize + x] == before.pixels[5 * kSize + x], true);
    EXPECT_NE(after.pixels[12 * kSize + x], before.pixels[12 * kSize + x]);
    EXPECT_NE(after.pixels[(25 + h) * kSize + x], before.pixels[(25 + h) * kSize + x]) << h;
    EXPECT_EQ(after.pixels[(26 + h) * kSize + x], before.pixels[(26 + h) * kSize + x]) << h;
  }
}

TEST(DropShadowsTest, GreyRamp) {
  for (const Case& c : kCases) {
    TBitmap bitmap;
    Noise(bitmap, 11);
    Picture expected(bitmap);
    ModelRamp(expected, c.right, c.left, c.top, c.r, c.bottom);
    auto draw = c.right ? DrawRightShadow : DrawBottomShadow;
    draw(*bitmap.GetCanvas(), &bitmap, c.left, c.top, c.r, c.bottom, 3, 0);
    EXPECT_EQ(Picture(bitmap).pixels, expected.pixels) << c.right << " " << c.left << "," << c.top;
  }
}

TEST(DropShadowsTest, FillStartsTheStripsWidthFurtherOn) {
  TBitmap bitmap;
  Noise(bitmap, 5);
  Picture expected(bitmap);
  // Right (10, 4)-(13, 20): width 4, filled [10, 13) x [8, 21).
  for (int y = 8; y < 21; ++y)
    for (int x = 10; x < 13; ++x) expected.Set(x, y, 0x0000FF);
  // Bottom (5, 30)-(25, 33): height 4, filled [9, 26) x [30, 33).
  for (int y = 30; y < 33; ++y)
    for (int x = 9; x < 26; ++x) expected.Set(x, y, 0x0000FF);
  bitmap.GetCanvas()->Brush.Color = 0x0000FF;
  DrawRightShadow(*bitmap.GetCanvas(), &bitmap, 10, 4, 13, 20, 1, 0);
  DrawBottomShadow(*bitmap.GetCanvas(), &bitmap, 5, 30, 25, 33, 1, 0);
  EXPECT_EQ(Picture(bitmap).pixels, expected.pixels);
}

TEST(DropShadowsTest, OtherStylesAndEmptyOrHugeStripsDrawNothingOrStayInside) {
  TBitmap bitmap;
  Noise(bitmap, 9);
  const Picture before(bitmap);
  for (int style : {0, 4, -1, 100}) {
    DrawRightShadow(*bitmap.GetCanvas(), &bitmap, 5, 5, 10, 30, style, 0);
    DrawBottomShadow(*bitmap.GetCanvas(), &bitmap, 5, 5, 30, 10, style, 0);
  }
  for (int style : {2, 3}) {
    DrawRightShadow(*bitmap.GetCanvas(), &bitmap, 10, 10, 5, 5, style, 0);  // reversed
    DrawBottomShadow(*bitmap.GetCanvas(), nullptr, 20, 20, 20, 19, style, 0);
  }
  EXPECT_EQ(Picture(bitmap).pixels, before.pixels);
  // Strips far larger than the surface end quickly and touch only the surface.
  for (int style : {1, 2, 3}) {
    DrawRightShadow(*bitmap.GetCanvas(), &bitmap, INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2,
                    INT32_MAX / 2, style, 0);
    DrawBottomShadow(*bitmap.GetCanvas(), nullptr, -2000000000, -5, 2000000000, 2000000000, style,
                     0);
  }
}

}  // namespace
}  // namespace calmora
