// The Gaussian curve against its formula, and the two textures: the striped rows, and the
// noisy texture replayed from a fixed seed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/base/random.h"
#include "imaging/core/drawing/drawing_helpers.h"

namespace calmora {
namespace {

int Grey(platform::TBitmap& bitmap, int x, int y) {
  const uint8_t* pixel = bitmap.GetScanLine(y) + 3 * x;
  EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]) << x << "," << y;
  return pixel[0];
}

TEST(TexturesTest, GaussianCurveExample) {
  double curve[4];
  MakeGaussianCurve(4, 130, 255, 0.5, curve, 0);
  // 240.3..., 251.1..., 255, 251.1...
  EXPECT_GE(curve[0], 240.3);
  EXPECT_LT(curve[0], 240.4);
  EXPECT_GE(curve[1], 251.1);
  EXPECT_LT(curve[1], 251.2);
  EXPECT_EQ(curve[2], 255);
  EXPECT_EQ(curve[1], curve[3]);
}

TEST(TexturesTest, GaussianCurveFollowsItsFormula) {
  std::mt19937 random(2121);
  std::uniform_real_distribution<double> real(0.05, 6);
  for (int round = 0; round < 200; ++round) {
    const int n = 1 + static_cast<int>(random() % 300);
    const double s = real(random), low = real(random) * 20, high = low + real(random) * 40;
    std::vector<double> curve(static_cast<size_t>(n));
    MakeGaussianCurve(n, low, high, s, curve.data(), 0);
    std::vector<double> raw(static_cast<size_t>(n));
    double largest = -100000;
    for (int k = 0; k < n; ++k) {
      const double t = 2.0 * k / n - 1;
      raw[k] = std::exp(-s * s * t * t / 2) / (s * std::sqrt(2 * std::numbers::pi));
      largest = std::max(largest, raw[k]);
    }
    double top = -1;
    for (int k = 0; k < n; ++k) {
      EXPECT_DOUBLE_EQ(curve[k], raw[k] / largest * (high - low) + low);
      top = std::max(top, curve[k]);
    }
    EXPECT_DOUBLE_EQ(top, high);
  }
}

TEST(TexturesTest, StripedTextureRepeatsFourGreyRows) {
  platform::TBitmap graphic;
  PaintStripedTexture(graphic, 13, 11);
  ASSERT_EQ(graphic.GetPixelFormat(), platform::pf24bit);
  ASSERT_EQ(graphic.GetWidth(), 13);
  ASSERT_EQ(graphic.GetHeight(), 11);
  const int levels[4] = {240, 251, 255, 251};
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 13; ++x) EXPECT_EQ(Grey(graphic, x, y), levels[y % 4]);
  PaintStripedTexture(graphic, -4, 3);
  EXPECT_EQ(graphic.GetWidth(), 0);
}

TEST(TexturesTest, NoisyTextureReplaysFromItsSeed) {
  const int width = 420, height = 30;
  SetRandomSeed(2024);
  platform::TBitmap graphic;
  PaintNoisyTexture(graphic, width, height);
  ASSERT_EQ(graphic.GetPixelFormat(), platform::pf24bit);
  ASSERT_EQ(graphic.GetWidth(), width);

  std::vector<double> curve(width);
  MakeGaussianCurve(width, 160, 208, 3, curve.data(), 0);
  EXPECT_EQ(static_cast<int>(curve[width / 2]), 208);
  EXPECT_NEAR(curve[0], 160, 1);
  SetRandomSeed(2024);
  int step = 0, steps = 0;
  for (int y = 0; y < height; ++y) {
    int counter = 0;
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(Grey(graphic, x, y), static_cast<int>(curve[x]) + step) << x << "," << y;
      ++counter;
      if (Random(width) + 100 < counter) {
        counter = 0;
        step = Random(11);
        ++steps;
      }
    }
  }
  EXPECT_GT(steps, 10);  // the step did change, so the carry-over was exercised
}

}  // namespace
}  // namespace calmora
