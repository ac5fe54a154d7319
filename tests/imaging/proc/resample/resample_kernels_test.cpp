// The kernels and their table, the byte a weighted sum becomes (the literal quotient and the
// fast one against it), the weights of an axis, and the vectorised row loops against the plain
// ones.
#include "imaging/proc/resample/resample_kernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "imaging/proc/resample/resample_kernel_axis.h"
#include "imaging/proc/resample/resample_kernel_rows.h"

namespace calmora::test {
namespace {

using resample::KernelAxis;

struct KernelPoint {
  TResampleFilter filter;
  double x;
  double value;
};

TEST(ResampleKernels, ValuesAtChosenPoints) {
  const double sinc1 = std::sin(std::numbers::pi / 3) / (std::numbers::pi / 3);
  const double sinc15 = std::sin(std::numbers::pi * 1.5) / (std::numbers::pi * 1.5);
  const double sinc05 = std::sin(std::numbers::pi * 0.5) / (std::numbers::pi * 0.5);
  const KernelPoint points[] = {
      {rfTriangle, 0, 1},
      {rfTriangle, 0.25, 0.75},
      {rfTriangle, -0.25, 0.75},
      {rfTriangle, 1, 0},
      {rfHermite, 0.5, 0.5},
      {rfHermite, -0.25, 0.84375},
      {rfHermite, 1, 0},
      {rfBell, 0, 0.75},
      {rfBell, 0.25, 0.6875},
      {rfBell, -1, 0.125},
      {rfBell, 1.5, 0},
      {rfBSpline, 0, 2.0 / 3},
      {rfBSpline, 1, 1.0 / 6},
      {rfBSpline, -1.5, 0.125 / 6},
      {rfBSpline, 2, 0},
      {rfLanczos3, 0, 1},
      {rfLanczos3, 1, 0},
      {rfLanczos3, -3, 0},
      {rfLanczos3, 1.5, sinc15 * sinc05},
      {rfMitchell, 0, 16.0 / 18},
      {rfMitchell, 1, 1.0 / 18},
      {rfMitchell, -1.5, (-7.0 / 3 * 3.375 + 27 - 30 + 32.0 / 3) / 6},
      {rfMitchell, 2, 0},
      {rfNearest, 0, 1},
      {rfNearest, 0.5, 1},
      {rfNearest, -0.5, 0},
      {rfNearest, 0.75, 0},
      {rfLinear, -0.25, 0.75},
      {rfLinear, 0.5, 0.5},
      {rfLinear, -1, 0},
      {rfLinear, 1, 0},
  };
  for (const KernelPoint& p : points) {
    ASSERT_NE(ResampleKernels[p.filter].Kernel, nullptr) << int{p.filter};
    EXPECT_NEAR(ResampleKernels[p.filter].Kernel(p.x), p.value, 1e-15)
        << "filter " << int{p.filter} << " at " << p.x;
  }
  EXPECT_EQ(Sinc(0), 1);
  EXPECT_NEAR(Sinc(1.0 / 3), sinc1, 1e-16);
  EXPECT_NEAR(Lanczos3Kernel(0.5),
              sinc05 * (std::sin(std::numbers::pi / 6) / (std::numbers::pi / 6)), 1e-16);
}

TEST(ResampleKernels, TableHoldsTheKernelsAndTheirSupports) {
  const double supports[] = {0, 1, 1, 1.5, 2, 3, 2, 1, 1};
  for (int filter = 0; filter < kResampleKernelRows; ++filter) {
    const TResampleKernel& row = ResampleKernels[filter];
    const bool kernel = filter >= rfTriangle && filter <= rfLinear;
    EXPECT_EQ(row.Kernel != nullptr, kernel) << filter;
    EXPECT_EQ(IsKernelFilter(static_cast<TResampleFilter>(filter)), kernel) << filter;
    if (!kernel) continue;
    EXPECT_EQ(row.Support, supports[filter]) << filter;
    // Nothing beyond the support.
    EXPECT_EQ(row.Kernel(row.Support), 0) << filter;
    EXPECT_EQ(row.Kernel(-row.Support - 0.01), 0) << filter;
  }
}

// The literal quotient: truncated toward zero and limited to a byte; without a sum of weights
// the accumulator read unsigned and shifted right by 8, so a negative one gives 255.
TEST(KernelResult, DividesTruncatingOrShiftsWithoutWeights) {
  struct Case {
    int32_t acc, weightSum, expected;
  };
  const Case cases[] = {
      {256 * 100, 256, 100}, {256 * 100 - 1, 256, 99},
      {-255, 256, 0},        {-300, 256, 0},
      {100000, 256, 255},    {-600, -3, 200},
      {600, -3, 0},          {0, 0, 0},
      {-1, 0, 255},          {-100000, 0, 255},
      {1000, 0, 3},          {65535, 0, 255},
      {255, 0, 0},           {511, 0, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(resample::KernelResult(c.acc, c.weightSum), c.expected)
        << c.acc << " / " << c.weightSum;
}

// Near every multiple of the divisor, and at random, over the whole range of sums the fast
// quotient is allowed.
TEST(KernelResult, FastQuotientEqualsTheIntegerOne) {
  for (int32_t d = 1; d <= resample::kFastWeightSumLimit; d += d < 600 ? 1 : 97) {
    for (int32_t k = -2; k <= 258; ++k)
      for (int32_t delta = -1; delta <= 1; ++delta) {
        const int32_t acc = k * d + delta;
        ASSERT_EQ(resample::FastKernelResult(acc, d), resample::KernelResult(acc, d))
            << acc << " / " << d;
      }
  }
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> divisor(1, resample::kFastWeightSumLimit);
  std::uniform_int_distribution<int32_t> sum(-(1 << 24), 1 << 24);
  for (int n = 0; n < 2000000; ++n) {
    const int32_t d = divisor(random), acc = sum(random) % (300 * d);
    ASSERT_EQ(resample::FastKernelResult(acc, d), resample::KernelResult(acc, d))
        << acc << " / " << d;
  }
}

struct Tap {
  int32_t index;
  int32_t weight;
  friend bool operator==(const Tap&, const Tap&) = default;
};

std::vector<Tap> TapsOf(const KernelAxis& axis, int32_t i) {
  std::vector<Tap> taps;
  const resample::KernelTaps& t = axis.taps[i];
  for (int32_t k = 0; k < t.count; ++k)
    if (axis.WeightsOf(t)[k] != 0) taps.push_back({axis.InputIndex(t, k), axis.WeightsOf(t)[k]});
  return taps;
}

// Two samples to three with the triangle: the scale is (3 - 1) / (2 - 1) = 2, so the middle
// output sits halfway and takes 128 of each.
TEST(KernelAxis, TriangleTwoToThree) {
  KernelAxis axis;
  ASSERT_TRUE(resample::BuildKernelAxis(2, 3, ResampleKernels[rfTriangle], axis));
  ASSERT_EQ(axis.taps.size(), 3u);
  EXPECT_EQ(TapsOf(axis, 0), (std::vector<Tap>{{0, 256}}));
  EXPECT_EQ(TapsOf(axis, 1), (std::vector<Tap>{{0, 128}, {1, 128}}));
  EXPECT_EQ(TapsOf(axis, 2), (std::vector<Tap>{{1, 256}}));
}

// One output from four inputs: the scale is 1 / 4, the kernel four times as wide and its
// weights a quarter as large; positions before 0 mirror back into the input.
TEST(KernelAxis, ASingleOutputShrinksOverTheWholeInput) {
  KernelAxis axis;
  ASSERT_TRUE(resample::BuildKernelAxis(4, 1, ResampleKernels[rfTriangle], axis));
  // Centre 0, half-width 4: Round((1 - |j| / 4) x 64) for j = -3 .. 3, mirrored: -j.
  EXPECT_EQ(TapsOf(axis, 0),
            (std::vector<Tap>{{3, 16}, {2, 32}, {1, 48}, {0, 64}, {1, 48}, {2, 32}, {3, 16}}));
  EXPECT_EQ(axis.taps[0].weightSum, 256);
}

// A position past the end mirrors to 2 size - j - 1, and what still lies outside is limited.
TEST(KernelAxis, MirrorsThenLimits) {
  EXPECT_EQ(resample::ReflectedIndex(-1, 5), 1);
  EXPECT_EQ(resample::ReflectedIndex(-4, 5), 4);
  EXPECT_EQ(resample::ReflectedIndex(-7, 5), 4);
  EXPECT_EQ(resample::ReflectedIndex(5, 5), 4);
  EXPECT_EQ(resample::ReflectedIndex(7, 5), 2);
  EXPECT_EQ(resample::ReflectedIndex(11, 5), 0);
  EXPECT_EQ(resample::ReflectedIndex(-3, 1), 0);
}

// An axis with made-up weights, so that sums of weights of 0 and below 0 occur as well.
KernelAxis RandomAxis(std::mt19937& random, int32_t outputs, int32_t inputSize) {
  KernelAxis axis;
  axis.inputSize = inputSize;
  axis.low = -3;
  axis.high = inputSize + 2;
  std::uniform_int_distribution<int32_t> count(0, 9), weight(-300, 300), kind(0, 5);
  for (int32_t i = 0; i < outputs; ++i) {
    resample::KernelTaps taps{};
    taps.count = static_cast<int32_t>(std::min<int64_t>(count(random), axis.Extent()));
    taps.first = std::uniform_int_distribution<int32_t>(
        0, static_cast<int32_t>(axis.Extent() - taps.count))(random);
    taps.weightOffset = static_cast<int64_t>(axis.weights.size());
    for (int32_t k = 0; k < taps.count; ++k) {
      const int32_t w = kind(random) == 0 ? -weight(random) / 3 : std::abs(weight(random));
      axis.weights.push_back(k + 1 == taps.count && kind(random) == 0 ? -taps.weightSum : w);
      taps.weightSum += axis.weights.back();
    }
    axis.taps.push_back(taps);
  }
  return axis;
}

template <int Channels>
void ExpectRowsAgree(std::mt19937& random) {
  std::uniform_int_distribution<int32_t> size(1, 40), byte(0, 255);
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t inputSize = size(random), outputs = size(random);
    const KernelAxis axis = RandomAxis(random, outputs, inputSize);
    std::vector<uint8_t> row(
        static_cast<size_t>(axis.Extent() * Channels + resample::kRowReadSlack));
    for (uint8_t& b : row) b = static_cast<uint8_t>(byte(random));
    std::vector<uint8_t> fast(static_cast<size_t>(outputs) * Channels);
    std::vector<uint8_t> plain = fast;
    resample::ColumnConvolver<Channels> convolver;
    ASSERT_TRUE(convolver.Prepare(axis));
    convolver.Run(row.data(), fast.data());
    resample::plain::ConvolveRow<Channels>(row.data(), axis, plain.data());
    ASSERT_EQ(fast, plain) << Channels << " channels, trial " << trial;
  }
}

TEST(KernelRows, VectorisedLoopsMatchThePlainOnes) {
  std::mt19937 random(11);
  ExpectRowsAgree<1>(random);
  ExpectRowsAgree<3>(random);

  std::uniform_int_distribution<int32_t> byte(0, 255), count(1, 9), weight(-300, 300);
  for (int trial = 0; trial < 300; ++trial) {
    const int32_t samples = std::uniform_int_distribution<int32_t>(1, 3000)(random);
    const int32_t taps = count(random);
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(taps));
    std::vector<const uint8_t*> pointers;
    std::vector<int32_t> weights;
    int32_t sum = 0;
    for (auto& row : rows) {
      row.resize(static_cast<size_t>(samples));
      for (uint8_t& b : row) b = static_cast<uint8_t>(byte(random));
      pointers.push_back(row.data());
      weights.push_back(weight(random));
      sum += weights.back();
    }
    if (trial % 5 == 0) sum = 0;  // the sum the engine is given, whatever the weights
    std::vector<uint8_t> fast(static_cast<size_t>(samples)), plain(fast.size());
    resample::CombineRows(pointers.data(), weights.data(), taps, sum, samples, fast.data());
    resample::plain::CombineRows(pointers.data(), weights.data(), taps, sum, samples, plain.data());
    ASSERT_EQ(fast, plain) << "trial " << trial;
  }
}

}  // namespace
}  // namespace calmora::test
