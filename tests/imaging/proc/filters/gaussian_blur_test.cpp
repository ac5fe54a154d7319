// GaussianBlurGray8: kernels against the formula in long double, both passes against a line
// model in memory and in the temporary file, vector lines against plain ones, constants, refused
// radii and formats, each pass within 1 of ImageMagick with the same one-dimensional kernel.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include "imaging/proc/filters/gaussian_blur.h"
#include "imaging/proc/filters/gaussian_lines.h"
#include "imaging/proc/processor_features.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

constexpr double kRadii[] = {1e-9, 0.3, 0.5, 0.8, 1, 1.7, 2.5, 4, 10, 33.3, 100, 1e7};

// The weights written out in long double: g(i) = exp(-((i - 100) / r)^2 / 2), then
// Round(g x 65536 / sum), halves to even.
std::vector<int32_t> ModelWeights(double radius) {
  std::vector<long double> g(201);
  long double sum = 0;
  for (int32_t i = 0; i <= 200; ++i) {
    const long double t = (i - 100) / static_cast<long double>(radius);
    g[i] = expl(-(t * t) / 2);
    sum += g[i];
  }
  std::vector<int32_t> weights(201);
  for (int32_t i = 0; i <= 200; ++i)
    weights[i] = static_cast<int32_t>(nearbyintl(g[i] * 65536 / sum));
  return weights;
}

int32_t ModelHalfWidth(const std::vector<int32_t>& w) {
  int32_t h = 100;
  while (h > 1 && w[100 + h] == 0 && w[100 - h] == 0) --h;
  return h;
}

// One line: (32768 + sum of weight x sample) >> 16, positions beyond the ends at the ends.
std::vector<int32_t> ModelLine(const std::vector<int32_t>& samples, const std::vector<int32_t>& w) {
  const int32_t n = static_cast<int32_t>(samples.size()), h = ModelHalfWidth(w);
  std::vector<int32_t> out(n);
  for (int32_t c = 0; c < n; ++c) {
    uint32_t sum = 32768;
    for (int32_t k = -h; k <= h; ++k)
      sum += static_cast<uint32_t>(w[100 + k]) * samples[std::clamp(c + k, 0, n - 1)];
    out[c] = static_cast<int32_t>(sum >> 16);
  }
  return out;
}

Plane ModelBlur(const Plane& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, double radius) {
  Plane out = s;
  x1 = std::clamp(x1, 0, s.width - 1), x2 = std::clamp(x2, 0, s.width - 1);
  y1 = std::clamp(y1, 0, s.height - 1), y2 = std::clamp(y2, 0, s.height - 1);
  if (x1 > x2 || y1 > y2) return out;
  const std::vector<int32_t> w = ModelWeights(radius);
  for (int32_t y = y1; y <= y2; ++y) {
    std::vector<int32_t> line;
    for (int32_t x = x1; x <= x2; ++x) line.push_back(out.at(x, y));
    const std::vector<int32_t> done = ModelLine(line, w);
    for (int32_t x = x1; x <= x2; ++x) out.at(x, y) = done[x - x1];
  }
  for (int32_t x = x1; x <= x2; ++x) {
    std::vector<int32_t> line;
    for (int32_t y = y1; y <= y2; ++y) line.push_back(out.at(x, y));
    const std::vector<int32_t> done = ModelLine(line, w);
    for (int32_t y = y1; y <= y2; ++y) out.at(x, y) = done[y - y1];
  }
  return out;
}

TEST(GaussianKernel, WeightsFollowTheFormulaInLongDouble) {
  for (const double radius : kRadii) {
    const gaussian::Kernel kernel = gaussian::MakeKernel(radius);
    const std::vector<int32_t> expected = ModelWeights(radius);
    EXPECT_EQ(std::vector<int32_t>(std::begin(kernel.Weights), std::end(kernel.Weights)), expected)
        << "radius " << radius;
    EXPECT_EQ(kernel.HalfWidth, ModelHalfWidth(expected)) << "radius " << radius;
    for (int32_t k = 1; k <= 100; ++k) ASSERT_EQ(kernel.Weight(k), kernel.Weight(-k));
  }
  // Values worked by hand: radius 1 reaches 4 (weight 9 there, 0 at 5); a tiny radius keeps
  // only the centre; a huge one spreads 65536 / 201 over every offset.
  const gaussian::Kernel one = gaussian::MakeKernel(1);
  EXPECT_EQ(one.HalfWidth, 4);
  EXPECT_EQ(one.Weight(0), 26145);
  const gaussian::Kernel tiny = gaussian::MakeKernel(1e-9);
  EXPECT_EQ(tiny.Weight(0), 65536);
  EXPECT_EQ(tiny.HalfWidth, 1);
  const gaussian::Kernel huge = gaussian::MakeKernel(1e7);
  EXPECT_EQ(huge.HalfWidth, 100);
  EXPECT_EQ(huge.Weight(100), 326);
}

// Lines of bytes (the column pass) and of bytes held in 16 bits (the row pass), of every length
// the vector routine splits into groups of 64 and 16 and a plain tail.
template <typename Sample>
void ExpectVectorLinesEqualPlainLines(std::mt19937& random) {
  for (const double radius : kRadii) {
    const gaussian::Kernel kernel = gaussian::MakeKernel(radius);
    const int32_t h = kernel.HalfWidth;
    for (int trial = 0; trial < 8; ++trial) {
      const int32_t count = static_cast<int32_t>(random() % 200);
      std::vector<Sample> line(count + 2 * h);
      for (Sample& b : line) b = static_cast<uint8_t>(trial == 0 ? 255 : random());
      std::vector<const Sample*> near(h), far(h);
      for (int32_t k = 1; k <= h; ++k) {
        near[k - 1] = line.data() + h - k;
        far[k - 1] = line.data() + h + k;
      }
      const gaussian::LineTaps<Sample> taps{near.data(), line.data() + h, far.data()};
      std::vector<uint8_t> plain(count), vector(count);
      gaussian::ConvolveLinePlain(kernel, taps, count, plain.data());
      gaussian::ConvolveLineAvx2(kernel, taps, count, vector.data());
      ASSERT_EQ(vector, plain) << "radius " << radius << " count " << count;
    }
  }
}

TEST(GaussianLines, VectorLinesEqualPlainLines) {
  if (!ProcessorHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 random(21);
  ExpectVectorLinesEqualPlainLines<uint8_t>(random);
  ExpectVectorLinesEqualPlainLines<uint16_t>(random);
}

class BlurStorage : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(BlurStorage, BothPassesMatchTheLineModel) {
  std::mt19937 random(23);
  for (const double radius : kRadii)
    for (int trial = 0; trial < 3; ++trial) {
      const int32_t width = 1 + static_cast<int32_t>(random() % 60);
      const int32_t height = 1 + static_cast<int32_t>(random() % 30);
      const Plane source = RandomPlane(random, width, height, pv8g);
      std::uniform_int_distribution<int32_t> across(-3, width + 3), down(-3, height + 3);
      int32_t x1 = across(random), x2 = across(random), y1 = down(random), y2 = down(random);
      if (trial < 2) {
        if (x1 > x2) std::swap(x1, x2);
        if (y1 > y2) std::swap(y1, y2);
      }
      TPVBitmap bitmap;
      MakeBitmap(bitmap, GetParam(), source, pv8g);
      GaussianBlurGray8(bitmap, x1, y1, x2, y2, radius);
      ASSERT_EQ(ReadPlane(bitmap), ModelBlur(source, x1, y1, x2, y2, radius))
          << "radius " << radius << " " << width << "x" << height << " (" << x1 << "," << y1
          << ")-(" << x2 << "," << y2 << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, BlurStorage, ::testing::ValuesIn(kStorages), StorageCaseName);

TEST(GaussianBlurGray8, AConstantStaysConstant) {
  for (const double radius : kRadii)
    for (const int32_t level : {0, 1, 128, 254, 255}) {
      Plane flat(37, 19, 1);
      for (int32_t& s : flat.samples) s = level;
      TPVBitmap bitmap;
      MakeBitmap(bitmap, Storage::MemoryBlock, flat, pv8g);
      GaussianBlurGray8(bitmap, 0, 0, 36, 18, radius);
      EXPECT_EQ(ReadPlane(bitmap), flat) << "radius " << radius << " level " << level;
    }
}

TEST(GaussianBlurGray8, RefusedRadiiAndFormatsChangeNothing) {
  std::mt19937 random(29);
  const Plane source = RandomPlane(random, 20, 10, pv8g);
  const double nan = std::nan(""), infinity = HUGE_VAL;
  for (const double radius : {0.0, -1.0, -0.0, nan, infinity, -infinity}) {
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, source, pv8g);
    GaussianBlurGray8(bitmap, 0, 0, 19, 9, radius);
    EXPECT_EQ(ReadPlane(bitmap), source) << "radius " << radius;
  }
  for (const TPVPixelFormat format : {pv1g, pv8p, pv16g, pv24RGB}) {
    const Plane other = RandomPlane(random, 20, 10, format);
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, other, format);
    GaussianBlurGray8(bitmap, 0, 0, 19, 9, 2.5);
    EXPECT_EQ(ReadPlane(bitmap), other) << PixelFormatBits[format];
  }
}

// A single row only meets the row pass (a column of one sample keeps its value), a single
// column only the column pass. ImageMagick sums in floating point and rounds, where the blur
// adds one half and truncates.
TEST(GaussianBlurGray8, EachPassIsWithinOneOfImageMagick) {
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder;
  std::mt19937 random(31);
  for (const double radius : {0.8, 2.5, 10.0})
    for (const bool rows : {true, false}) {
      const int32_t length = 300;
      const Plane source = RandomPlane(random, rows ? length : 1, rows ? 1 : length, pv8g);
      TPVBitmap original;
      MakeBitmap(original, Storage::MemoryBlock, source, pv8g);
      const std::string in = folder.File("in.pgm"), out = folder.File("out.pgm");
      ASSERT_TRUE(SavePNM(original, in));
      const gaussian::Kernel kernel = gaussian::MakeKernel(radius);
      const int32_t size = 2 * kernel.HalfWidth + 1;
      std::ostringstream kernelText;
      kernelText.precision(17);
      kernelText << (rows ? size : 1) << "x" << (rows ? 1 : size) << ":";
      for (int32_t k = -kernel.HalfWidth; k <= kernel.HalfWidth; ++k)
        kernelText << (k > -kernel.HalfWidth ? "," : " ") << kernel.Weight(k) / 65536.0;
      const ToolResult run =
          RunTool("convert " + ShellQuoted(in) + " -virtual-pixel edge -morphology Convolve " +
                  ShellQuoted(kernelText.str()) + " -depth 8 " + ShellQuoted(out));
      ASSERT_EQ(run.Status, 0) << run.Output;
      TPVBitmap expected;
      std::string error;
      ASSERT_TRUE(LoadPNM(out, expected, &error)) << error;
      TPVBitmap bitmap;
      MakeBitmap(bitmap, Storage::MemoryBlock, source, pv8g);
      GaussianBlurGray8(bitmap, 0, 0, source.width - 1, source.height - 1, radius);
      const Plane ours = ReadPlane(bitmap), theirs = ReadPlane(expected);
      ASSERT_EQ(ours.samples.size(), theirs.samples.size());
      EXPECT_NE(ours, source);
      for (size_t i = 0; i < ours.samples.size(); ++i)
        ASSERT_LE(std::abs(ours.samples[i] - theirs.samples[i]), 1)
            << "radius " << radius << (rows ? " rows" : " columns") << " at " << i;
    }
}

}  // namespace
}  // namespace calmora::test
