// The soft shadow against its formula: the object's mask moved toward the bottom right, blurred
// by the installed blur (this test's box blur, or none), every pixel around the object scaled
// by 1 - mask / 255; pixels inside never change, none gets lighter.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/drawing/drawing_helpers.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using Mask = std::vector<std::vector<int>>;

// A 3 x 3 box blur with edges repeated, on an int grid: this test's stand-in for the
// processing layer's Gaussian blur.
Mask BoxBlur(const Mask& mask) {
  const int h = static_cast<int>(mask.size()), w = static_cast<int>(mask[0].size());
  Mask out = mask;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sum = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          sum += mask[std::clamp(y + dy, 0, h - 1)][std::clamp(x + dx, 0, w - 1)];
      out[y][x] = sum / 9;
    }
  return out;
}

struct BlurCall {
  int x1 = -1, y1 = -1, x2 = -1, y2 = -1;
  double radius = 0;
  int calls = 0;
};
BlurCall LastBlur;

void TestBlur(TPVBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double radius) {
  LastBlur = BlurCall{x1, y1, x2, y2, radius, LastBlur.calls + 1};
  Mask grid(static_cast<size_t>(bitmap.GetHeight()), std::vector<int>(bitmap.GetWidth()));
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x) grid[y][x] = bitmap.GetScanline(y)[x];
  grid = BoxBlur(grid);
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x)
      bitmap.GetScanline(y)[x] = static_cast<uint8_t>(grid[y][x]);
}

void Noise(platform::TBitmap& bitmap, int width, int height) {
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(width, height);
  std::mt19937 random(static_cast<uint32_t>(width * 31 + height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 3 * width; ++x) bitmap.GetScanLine(y)[x] = static_cast<uint8_t>(random());
}

struct Case {
  int width, height, left, top, right, bottom;
};

const Case kCases[] = {
    {60, 50, 10, 12, 40, 30}, {60, 50, 0, 0, 60, 50},   {30, 30, 2, 25, 20, 40},
    {40, 40, -10, -8, 5, 6},  {40, 40, 20, 20, 21, 21}, {40, 40, 50, 50, 60, 60},
};

void CheckAgainstTheFormula(bool withBlur) {
  test::ScopedOverride<TGaussianBlurGray8Proc> hook(GaussianBlurGray8Proc,
                                                    withBlur ? &TestBlur : nullptr);
  for (const Case& c : kCases) {
    platform::TBitmap bitmap;
    Noise(bitmap, c.width, c.height);
    platform::TBitmap original;
    Noise(original, c.width, c.height);

    Mask mask(static_cast<size_t>(c.bottom - c.top + 11), std::vector<int>(c.right - c.left + 11));
    for (int y = 5; y <= c.bottom - c.top + 7; ++y)
      for (int x = 5; x <= c.right - c.left + 7; ++x) mask[y][x] = 255;
    if (withBlur) mask = BoxBlur(mask);

    LastBlur = BlurCall{};
    DrawSoftShadow(bitmap, c.left, c.top, c.right, c.bottom, 12345);
    if (withBlur) {
      EXPECT_EQ(LastBlur.calls, 1);
      EXPECT_EQ(LastBlur.x1, 0);
      EXPECT_EQ(LastBlur.y1, 0);
      EXPECT_EQ(LastBlur.x2, c.right - c.left + 10);
      EXPECT_EQ(LastBlur.y2, c.bottom - c.top + 10);
      EXPECT_EQ(LastBlur.radius, 2.5);
    }
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        for (int k = 0; k < 3; ++k) {
          const int was = original.GetScanLine(y)[3 * x + k];
          const int now = bitmap.GetScanLine(y)[3 * x + k];
          const bool object = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
          const bool reached =
              x >= c.left - 5 && x <= c.right + 5 && y >= c.top - 5 && y <= c.bottom + 5;
          int expected = was;
          if (reached && !object)
            expected = static_cast<int>(was * (1 - mask[y - c.top + 5][x - c.left + 5] / 255.0));
          ASSERT_EQ(now, expected) << c.left << "," << c.top << " at " << x << "," << y;
          ASSERT_LE(now, was);
        }
  }
}

TEST(SoftShadowTest, FollowsTheFormulaWithTheInstalledBlur) { CheckAgainstTheFormula(true); }

TEST(SoftShadowTest, FollowsTheFormulaWithoutABlur) { CheckAgainstTheFormula(false); }

TEST(SoftShadowTest, OtherFormatsAndEmptyRectanglesChangeNothing) {
  platform::TBitmap bitmap;
  bitmap.SetPixelFormat(platform::pf32bit);
  bitmap.SetSize(20, 20);
  DrawSoftShadow(bitmap, 5, 5, 10, 10, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(bitmap.GetScanLine(y)[x], 0);
  Noise(bitmap, 20, 20);
  platform::TBitmap original;
  Noise(original, 20, 20);
  DrawSoftShadow(bitmap, 10, 10, -20, 5, 0);  // reversed past the reach: no mask
  DrawSoftShadow(bitmap, INT32_MIN, 0, INT32_MAX, 10, 0);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(bitmap.GetScanLine(y)[x], original.GetScanLine(y)[x]);
}

}  // namespace
}  // namespace calmora
