// The separable kernel engine through ResampleFiltered (pv24RGB), ResampleGray8 (pv8g) and
// Resample1Bit (pv1g to grey): a double-precision model written from the engine's description
// over many random sizes, filters and images, and its documented cases, in memory and in the
// temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/proc/resample/resample_kernels.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

// ---- The model ----

double ModelSinc(double x) { return x == 0 ? 1 : std::sin(M_PI * x) / (M_PI * x); }

// Kernel and support of filters 1 .. 8.
double ModelKernel(int filter, double x) {
  const double t = std::fabs(x);
  switch (filter) {
    case rfTriangle: return t < 1 ? 1 - t : 0;
    case rfHermite: return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
    case rfBell: return t < 0.5 ? 0.75 - t * t : t < 1.5 ? 0.5 * (t - 1.5) * (t - 1.5) : 0;
    case rfBSpline:
      return t < 1   ? 0.5 * t * t * t - t * t + 2.0 / 3.0
             : t < 2 ? (2 - t) * (2 - t) * (2 - t) / 6
                     : 0;
    case rfLanczos3: return t < 3 ? ModelSinc(t) * ModelSinc(t / 3) : 0;
    case rfMitchell:
      return t < 1   ? (7 * t * t * t - 12 * t * t + 16.0 / 3.0) / 6
             : t < 2 ? (-7.0 / 3.0 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3.0) / 6
                     : 0;
    case rfNearest: return x > -0.5 && x <= 0.5 ? 1 : 0;
    case rfLinear: return x >= -1 && x < 0 ? 1 + x : x >= 0 && x < 1 ? 1 - x : 0;
  }
  return 0;
}

double ModelSupport(int filter) {
  const double supports[] = {0, 1, 1, 1.5, 2, 3, 2, 1, 1};
  return supports[filter];
}

struct Pair {
  int64_t index;
  int64_t weight;
};

// The contributors of every output index: (index, weight) pairs of non-zero weight, the index
// mirrored at the edges and then limited.
std::vector<std::vector<Pair>> Contributors(int32_t in, int32_t out, int filter) {
  const double scale =
      in == 1 || out == 1 ? static_cast<double>(out) / in : static_cast<double>(out - 1) / (in - 1);
  const double support = ModelSupport(filter);
  const double width = scale >= 1 ? support : support / scale;
  const double fscale = scale >= 1 ? 1 : 1 / scale;
  std::vector<std::vector<Pair>> all(static_cast<size_t>(out));
  for (int32_t i = 0; i < out; ++i) {
    const double center = i / scale;
    const auto left = static_cast<int64_t>(std::floor(center - width));
    const auto right = static_cast<int64_t>(std::ceil(center + width));
    for (int64_t j = left; j <= right; ++j) {
      const double value = scale >= 1 ? ModelKernel(filter, center - j) * 256
                                      : ModelKernel(filter, (center - j) / fscale) * 256 / fscale;
      const auto weight = static_cast<int64_t>(std::nearbyint(value));
      if (weight == 0) continue;
      int64_t index = j < 0 ? -j : j < in ? j : 2 * int64_t{in} - j - 1;
      index = std::clamp<int64_t>(index, 0, in - 1);
      all[static_cast<size_t>(i)].push_back({index, weight});
    }
  }
  return all;
}

int32_t Quotient(int64_t acc, int64_t weightSum) {
  const int64_t v = weightSum != 0 ? acc / weightSum : static_cast<uint32_t>(acc) >> 8;
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 255));
}

// Samples 0 .. 255 (a 1-bit plane given as 0 / 255) resampled by the filter.
Plane ModelKernelResample(const Plane& s, int32_t dw, int32_t dh, int filter) {
  Plane out(dw, dh, s.channels);
  if (s.width < 2 && s.height < 2) {  // one pixel is every pixel
    for (int32_t y = 0; y < dh; ++y)
      for (int32_t x = 0; x < dw; ++x)
        for (int32_t c = 0; c < s.channels; ++c) out.at(x, y, c) = s.at(0, 0, c);
    return out;
  }
  Plane across(dw, s.height, s.channels);
  const auto columns = Contributors(s.width, dw, filter);
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t i = 0; i < dw; ++i)
      for (int32_t c = 0; c < s.channels; ++c) {
        int64_t acc = 0, sum = 0;
        for (const Pair& p : columns[i]) {
          acc += p.weight * s.at(static_cast<int32_t>(p.index), y, c);
          sum += p.weight;
        }
        across.at(i, y, c) = Quotient(acc, sum);
      }
  const auto rows = Contributors(s.height, dh, filter);
  for (int32_t j = 0; j < dh; ++j)
    for (int32_t i = 0; i < dw; ++i)
      for (int32_t c = 0; c < s.channels; ++c) {
        int64_t acc = 0, sum = 0;
        for (const Pair& p : rows[j]) {
          acc += p.weight * across.at(i, static_cast<int32_t>(p.index), c);
          sum += p.weight;
        }
        out.at(i, j, c) = Quotient(acc, sum);
      }
  return out;
}

// ---- Running the engine ----

// The three variants: the source format, and what the model's output becomes in the
// destination (pv1g comes out as grey pv24RGB).
struct Variant {
  const char* name;
  TPVPixelFormat source;
  TPVPixelFormat destination;
};

constexpr Variant kVariants[] = {
    {"Rgb24", pv24RGB, pv24RGB}, {"Grey8", pv8g, pv8g}, {"Bits1", pv1g, pv24RGB}};

// A plane as the engine reads it: 1-bit samples as 0 or 255.
Plane AsBytes(const Plane& source, TPVPixelFormat format) {
  Plane bytes = source;
  if (format == pv1g)
    for (int32_t& s : bytes.samples) s *= 255;
  return bytes;
}

// The model's grey output as the pv24RGB pixels Resample1Bit writes.
Plane AsWritten(const Plane& model, TPVPixelFormat destination) {
  if (model.channels == 3 || destination != pv24RGB) return model;
  Plane rgb(model.width, model.height, 3);
  for (int32_t y = 0; y < model.height; ++y)
    for (int32_t x = 0; x < model.width; ++x)
      for (int32_t c = 0; c < 3; ++c) rgb.at(x, y, c) = model.at(x, y);
  return rgb;
}

bool RunKernel(TPVBitmap& from, TPVBitmap& to, TResampleFilter filter) {
  switch (from.GetPixelFormat()) {
    case pv24RGB: return ResampleFiltered(from, to, filter, nullptr, nullptr);
    case pv8g: return ResampleGray8(from, to, filter);
    default: return Resample1Bit(from, to, filter);
  }
}

class KernelEngine : public ::testing::TestWithParam<std::tuple<int, Storage>> {
 protected:
  const Variant& variant() const { return kVariants[std::get<0>(GetParam())]; }
  Storage storage() const { return std::get<1>(GetParam()); }

  // The engine's output as a plane.
  Plane Run(const Plane& source, int32_t dw, int32_t dh, TResampleFilter filter) {
    TPVBitmap from, to;
    MakeBitmap(from, storage(), source, variant().source);
    MakeBitmap(to, storage(), dw, dh, variant().destination);
    EXPECT_TRUE(RunKernel(from, to, filter));
    EXPECT_EQ(to.GetPixelFormat(), variant().destination);
    return ReadPlane(to);
  }
  Plane Model(const Plane& source, int32_t dw, int32_t dh, int filter) {
    return AsWritten(ModelKernelResample(AsBytes(source, variant().source), dw, dh, filter),
                     variant().destination);
  }
  TempFolderScope temp_;
};

TEST_P(KernelEngine, AgreesWithTheModelOverRandomSizesFiltersAndImages) {
  std::mt19937 random(1300 + std::get<0>(GetParam()));
  std::uniform_int_distribution<int32_t> small(1, 17), target(1, 41), filter(rfTriangle, rfLinear);
  for (int trial = 0; trial < 120; ++trial) {
    const int32_t sw = small(random), sh = small(random);
    const int32_t dw = target(random), dh = target(random);
    const auto f = static_cast<TResampleFilter>(filter(random));
    const Plane source = RandomPlane(random, sw, sh, variant().source);
    ASSERT_EQ(Run(source, dw, dh, f), Model(source, dw, dh, f))
        << sw << "x" << sh << " to " << dw << "x" << dh << " filter " << int{f};
  }
}

// Strong reductions, down to a single column or row: kernels many source samples wide, whose
// runs reach far past both edges. Beyond 512 source samples per output every weight rounds to
// 0 and the output is 0.
TEST_P(KernelEngine, AgreesWithTheModelOnStrongReductions) {
  std::mt19937 random(1400 + std::get<0>(GetParam()));
  std::uniform_int_distribution<int32_t> large(20, 1200), target(1, 4);
  for (int f = rfTriangle; f <= rfLinear; ++f)
    for (int trial = 0; trial < 3; ++trial) {
      const int32_t sw = trial == 0 ? 1100 : large(random);
      const int32_t sh = std::uniform_int_distribution<int32_t>(1, 30)(random);
      const int32_t dw = trial == 0 ? 2 : target(random), dh = target(random);
      const Plane source = RandomPlane(random, sw, sh, variant().source);
      ASSERT_EQ(Run(source, dw, dh, static_cast<TResampleFilter>(f)), Model(source, dw, dh, f))
          << sw << "x" << sh << " to " << dw << "x" << dh << " filter " << f;
    }
}

// Kernels that are 1 at 0 and vanish at every other whole number give each sample back.
TEST_P(KernelEngine, EqualSizesReproduceTheImageWithInterpolatingKernels) {
  std::mt19937 random(1500);
  for (const TResampleFilter f : {rfTriangle, rfHermite, rfLanczos3, rfNearest, rfLinear}) {
    const Plane source = RandomPlane(random, 13, 7, variant().source);
    EXPECT_EQ(Run(source, 13, 7, f),
              AsWritten(AsBytes(source, variant().source), variant().destination))
        << int{f};
  }
}

// Two samples to three with the triangle: s0, (128 s0 + 128 s1) div 256, s1.
TEST_P(KernelEngine, TriangleTwoToThree) {
  Plane source(2, 1, PixelFormatChannels[variant().source]);
  const int32_t s0 = variant().source == pv1g ? 1 : 201, s1 = 0;
  for (int32_t c = 0; c < source.channels; ++c) {
    source.at(0, 0, c) = s0 - c;
    source.at(1, 0, c) = s1 + c;
  }
  const Plane bytes = AsBytes(source, variant().source);
  Plane expected(3, 1, source.channels);
  for (int32_t c = 0; c < source.channels; ++c) {
    expected.at(0, 0, c) = bytes.at(0, 0, c);
    expected.at(1, 0, c) = (128 * bytes.at(0, 0, c) + 128 * bytes.at(1, 0, c)) / 256;
    expected.at(2, 0, c) = bytes.at(1, 0, c);
  }
  EXPECT_EQ(Run(source, 3, 1, rfTriangle), AsWritten(expected, variant().destination));
}

// The box kernel takes the sample at +0.5 and drops the one at -0.5: two to three puts the
// middle output on 0.5, which takes the first sample alone.
TEST_P(KernelEngine, TheBoxKernelIsAsymmetric) {
  Plane source(2, 1, PixelFormatChannels[variant().source]);
  const int32_t high = SampleLimit(variant().source);
  for (int32_t c = 0; c < source.channels; ++c) source.at(0, 0, c) = high;
  const Plane bytes = AsBytes(source, variant().source);
  Plane expected(3, 1, source.channels);
  for (int32_t c = 0; c < source.channels; ++c) {
    expected.at(0, 0, c) = expected.at(1, 0, c) = bytes.at(0, 0, c);
    expected.at(2, 0, c) = 0;
  }
  EXPECT_EQ(Run(source, 3, 1, rfNearest), AsWritten(expected, variant().destination));
}

// One pixel fills the destination with its colour, whatever the kernel would weigh it.
TEST_P(KernelEngine, ASinglePixelFillsTheDestination) {
  std::mt19937 random(1600);
  for (const TResampleFilter f : {rfTriangle, rfBSpline, rfMitchell}) {
    const Plane source = RandomPlane(random, 1, 1, variant().source);
    EXPECT_EQ(Run(source, 5, 3, f), Model(source, 5, 3, f)) << int{f};
    EXPECT_EQ(Run(source, 5, 3, f).at(4, 2, 0), AsBytes(source, variant().source).at(0, 0, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Variants, KernelEngine,
    ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kVariants))),
                       ::testing::ValuesIn(kStorages)),
    [](const auto& p) {
      return std::string(kVariants[std::get<0>(p.param)].name) + StorageName(std::get<1>(p.param));
    });

// Lanczos and Mitchell overshoot at a hard edge; the results are limited to 0 .. 255.
TEST(KernelEngineLimits, OvershootIsLimitedToAByte) {
  Plane edge(8, 1, 1);
  for (int32_t x = 4; x < 8; ++x) edge.at(x, 0) = 255;
  for (const TResampleFilter f : {rfLanczos3, rfMitchell}) {
    TPVBitmap from(8, 1, pv8g), to(29, 1, pv8g);
    WritePlane(from, edge);
    ASSERT_TRUE(ResampleGray8(from, to, f));
    const Plane out = ReadPlane(to);
    EXPECT_EQ(out, ModelKernelResample(edge, 29, 1, f)) << int{f};
    if (f == rfLanczos3) {
      EXPECT_EQ(*std::min_element(out.samples.begin(), out.samples.end()), 0);
      EXPECT_EQ(*std::max_element(out.samples.begin(), out.samples.end()), 255);
    }
  }
}

// Progress of the 24-bit engine: Trunc(u x 100 / (sh + dh + 0.5)) after every row u of both
// passes, reported only when it changes; 10 x 10 to 20 x 5 ends at Trunc(1500 / 15.5) = 96.
TEST(KernelEngineProgress, RisesOnlyOnChange) {
  struct Case {
    int32_t sw, sh, dw, dh;
  };
  for (const Case c : {Case{10, 10, 20, 5}, Case{4, 300, 3, 150}}) {
    TPVBitmap from(c.sw, c.sh, pv24RGB), to(c.dw, c.dh, pv24RGB);
    ProgressLog log;
    TObject sender;
    ASSERT_TRUE(ResampleFiltered(from, to, rfMitchell, &sender, log.Event()));
    const double factor = 100 / (c.sh + c.dh + 0.5);
    std::vector<int> expected;
    for (int u = 1; u <= c.sh + c.dh; ++u) {
      const int percent = static_cast<int>(u * factor);
      if (expected.empty() || expected.back() != percent) expected.push_back(percent);
    }
    EXPECT_EQ(log.percents, expected) << c.sh << " + " << c.dh << " rows";
    EXPECT_EQ(log.sender, &sender);
  }
  TPVBitmap from(10, 10, pv24RGB), to(20, 5, pv24RGB);
  ProgressLog log;
  ASSERT_TRUE(ResampleFiltered(from, to, rfTriangle, nullptr, log.Event()));
  EXPECT_EQ(log.percents.back(), 96);
}

}  // namespace
}  // namespace calmora::test
