// The fixed-point linear engines (ResampleFastLinear24, ResampleLinear8, ResampleLinear1Bit):
// their documented cases, and a plain model of the two passes over many random sizes, in
// memory and in the temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

// a + (b - a) x fraction / 2^17 rounded toward minus infinity.
int32_t Lerp(int32_t a, int32_t b, int32_t fraction) {
  return a + static_cast<int32_t>(std::floor((b - a) * static_cast<double>(fraction) / 131072));
}

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

// One axis of the byte engines, written out: line(k) reads input sample k of a line of n.
template <typename Line>
int32_t AxisValue(const Line& line, int32_t n, int32_t out, int32_t outSize, double ratio,
                  double slack) {
  const double f = out / ratio;
  const int32_t left = Trunc(f);
  if (ratio > 1) {
    const int32_t frac = Trunc((f - left) * 131072);
    return Lerp(line(left), line(std::min(left + 1, n - 1)), frac);
  }
  const int32_t last = Trunc(std::min(out + 1, outSize - 1) / ratio + slack);
  int32_t sum = 0;
  for (int32_t k = left; k <= last; ++k) sum += line(k);
  return sum / (last - left + 1);
}

// ResampleFastLinear24 and ResampleLinear8: rows first (with the 1e-10 term), then columns.
Plane ModelLinearBytes(const Plane& s, int32_t dw, int32_t dh) {
  const double rx = static_cast<double>(dw) / s.width, ry = static_cast<double>(dh) / s.height;
  if (rx == 1 && ry == 1) return s;
  Plane across(dw, s.height, s.channels), out(dw, dh, s.channels);
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t i = 0; i < dw; ++i)
      for (int32_t c = 0; c < s.channels; ++c)
        across.at(i, y, c) = AxisValue([&](int32_t k) { return s.at(k, y, c); }, s.width, i, dw,
                                       rx, 0.0000000001);
  for (int32_t j = 0; j < dh; ++j)
    for (int32_t i = 0; i < dw; ++i)
      for (int32_t c = 0; c < s.channels; ++c)
        out.at(i, j, c) = AxisValue([&](int32_t k) { return across.at(i, k, c); }, s.height, j, dh,
                                    ry, 0);
  return out;
}

// ResampleLinear1Bit when an axis grows: interpolation of 0/255 on both axes, grey RGB out.
Plane ModelLinear1Bit(const Plane& s, int32_t dw, int32_t dh) {
  const double rx = static_cast<double>(dw) / s.width, ry = static_cast<double>(dh) / s.height;
  const auto lerpAt = [](auto line, int32_t n, int32_t out, double ratio) {
    const double f = out / ratio;
    const int32_t left = Trunc(f);
    return Lerp(line(left), line(std::min(left + 1, n - 1)), Trunc((f - left) * 131072));
  };
  Plane across(dw, s.height, 1), out(dw, dh, 3);
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t i = 0; i < dw; ++i)
      across.at(i, y) = lerpAt([&](int32_t k) { return s.at(k, y) ? 255 : 0; }, s.width, i, rx);
  for (int32_t j = 0; j < dh; ++j)
    for (int32_t i = 0; i < dw; ++i) {
      const int32_t grey = lerpAt([&](int32_t k) { return across.at(i, k); }, s.height, j, ry);
      for (int32_t c = 0; c < 3; ++c) out.at(i, j, c) = grey;
    }
  return out;
}

using LinearEngine = bool (*)(TPVBitmap&, TPVBitmap&, TObject*, const TPVProgressEvent&);

struct EngineCase {
  const char* name;
  LinearEngine engine;
  TPVPixelFormat source;
  TPVPixelFormat destination;
};

const EngineCase kEngines[] = {
    {"FastLinear24", ResampleFastLinear24, pv24RGB, pv24RGB},
    {"Linear8", ResampleLinear8, pv8g, pv8g},
    {"Linear1Bit", ResampleLinear1Bit, pv1g, pv24RGB},
};

Plane RunEngine(const EngineCase& e, Storage storage, const Plane& source, int32_t dw,
                int32_t dh) {
  TPVBitmap from, to;
  MakeBitmap(from, storage, source, e.source);
  MakeBitmap(to, storage, dw, dh, e.destination);
  EXPECT_TRUE(e.engine(from, to, nullptr, nullptr));
  return ReadPlane(to);
}

class LinearEngines : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(LinearEngines, AgreeWithThePlainModelOverRandomSizes) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int32_t> sourceSize(1, 23), targetSize(1, 61);
  for (const EngineCase& e : kEngines) {
    for (int trial = 0; trial < 60; ++trial) {
      const int32_t sw = sourceSize(random), sh = sourceSize(random);
      const int32_t dw = targetSize(random), dh = targetSize(random);
      const Plane source = RandomPlane(random, sw, sh, e.source);
      const bool bothShrink = dw < sw && dh < sh;
      const bool equal = dw == sw && dh == sh;
      if (e.source == pv1g && (bothShrink || equal)) continue;  // other engines, tested below
      const Plane expected = e.source == pv1g ? ModelLinear1Bit(source, dw, dh)
                                              : ModelLinearBytes(source, dw, dh);
      ASSERT_EQ(RunEngine(e, GetParam(), source, dw, dh), expected)
          << e.name << " " << sw << "x" << sh << " to " << dw << "x" << dh;
    }
  }
}

// Sizes where a box's end, divided out, lands a hair short of a whole number (28 / (18 / 28)
// gives 13.999...): the columns' 1e-10 term reaches the whole number, the rows have none.
TEST_P(LinearEngines, BoxEndsAHairShortOfAWholeNumber) {
  std::mt19937 random(12);
  const int32_t sizes[][2] = {{28, 18}, {50, 14}, {58, 10}};
  for (const EngineCase& e : {kEngines[0], kEngines[1]})
    for (const auto& [from, to] : sizes) {
      const Plane source = RandomPlane(random, from, from, e.source);
      ASSERT_EQ(RunEngine(e, GetParam(), source, to, to), ModelLinearBytes(source, to, to))
          << e.name << " " << from << " to " << to;
    }
}

// Long enlargements meet many fractions, so that each of the 17 bits shows in some result.
TEST_P(LinearEngines, LongEnlargementsAgreeWithTheModel) {
  std::mt19937 random(13);
  for (const EngineCase& e : kEngines) {
    const Plane wide = RandomPlane(random, 5, 2, e.source);
    const Plane tall = RandomPlane(random, 2, 5, e.source);
    const auto model = e.source == pv1g ? ModelLinear1Bit : ModelLinearBytes;
    EXPECT_EQ(RunEngine(e, GetParam(), wide, 4001, 3), model(wide, 4001, 3)) << e.name;
    EXPECT_EQ(RunEngine(e, GetParam(), tall, 3, 4001), model(tall, 3, 4001)) << e.name;
  }
}

// Halving a row of 4: the boxes are columns 0..2 (each box takes the next box's first sample)
// and column 2 alone; the mean truncates.
TEST_P(LinearEngines, HalvingARowOfFourAveragesColumnsZeroToTwoThenTwo) {
  Plane rgb(4, 1, 3), grey(4, 1, 1);
  const int32_t values[4] = {10, 21, 30, 40};
  for (int32_t x = 0; x < 4; ++x) {
    grey.at(x, 0) = values[x];
    for (int32_t c = 0; c < 3; ++c) rgb.at(x, 0, c) = values[x] + 100 * c;
  }
  Plane rgbHalf(2, 1, 3), greyHalf(2, 1, 1);
  greyHalf.samples = {20, 30};
  rgbHalf.samples = {20, 120, 220, 30, 130, 230};
  EXPECT_EQ(RunEngine(kEngines[0], GetParam(), rgb, 2, 1), rgbHalf);
  EXPECT_EQ(RunEngine(kEngines[1], GetParam(), grey, 2, 1), greyHalf);
}

// With only the height changing, each output is the mean of a sample and its right neighbour,
// and the last column a copy.
TEST_P(LinearEngines, UnchangedWidthStillAveragesNeighbours) {
  Plane grey(4, 1, 1), expected(4, 2, 1);
  grey.samples = {0, 10, 21, 40};
  expected.samples = {5, 15, 30, 40, 5, 15, 30, 40};
  EXPECT_EQ(RunEngine(kEngines[1], GetParam(), grey, 4, 2), expected);
}

TEST_P(LinearEngines, EqualSizesCopyTheSource) {
  std::mt19937 random(5);
  for (const EngineCase& e : kEngines) {
    const Plane source = RandomPlane(random, 13, 7, e.source);
    TPVBitmap from, to;
    MakeBitmap(from, GetParam(), source, e.source);
    MakeBitmap(to, GetParam(), 13, 7, e.destination);
    ASSERT_TRUE(e.engine(from, to, nullptr, nullptr)) << e.name;
    EXPECT_EQ(to.GetPixelFormat(), e.source) << e.name;  // a 1-bit copy stays pv1g
    EXPECT_EQ(ReadPlane(to), source) << e.name;
  }
}

// When both axes shrink, a 1-bit image is counted into grey levels.
TEST_P(LinearEngines, OneBitShrinkingBothAxesCountsPixels) {
  std::mt19937 random(8);
  const Plane source = RandomPlane(random, 17, 11, pv1g);
  TPVBitmap from, counted;
  MakeBitmap(from, GetParam(), source, pv1g);
  MakeBitmap(counted, GetParam(), 5, 4, pv24RGB);
  ASSERT_TRUE(Shrink1BitToGray(from, 0, 0, 16, 10, counted));
  EXPECT_EQ(RunEngine(kEngines[2], GetParam(), source, 5, 4), ReadPlane(counted));
}

INSTANTIATE_TEST_SUITE_P(Storages, LinearEngines, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

TEST(LinearStep, ShiftRoundsTowardMinusInfinity) {
  EXPECT_EQ(resample::LinearStep(10, 0, 1), 9);
  EXPECT_EQ(resample::LinearStep(0, 10, 1), 0);
  EXPECT_EQ(resample::LinearStep(0, 255, 131071), 254);
  EXPECT_EQ(resample::LinearStep(255, 0, 131071), 0);
}

// After every row of both passes, whether or not the value changed: factor 100 / (sh + dh +
// 0.5), source row y reports Trunc(y x factor), destination row j Trunc((sh + j) x factor).
TEST(LinearProgress, ReportsAfterEveryRowOfBothPasses) {
  for (const EngineCase& e : kEngines) {
    TPVBitmap from(3, 10, e.source), to(7, 4, e.destination);
    ProgressLog log;
    TObject sender;
    ASSERT_TRUE(e.engine(from, to, &sender, log.Event())) << e.name;
    const double factor = 100 / (10 + 4 + 0.5);
    std::vector<int> expected;
    for (int y = 0; y < 10; ++y) expected.push_back(static_cast<int>(y * factor));
    for (int j = 0; j < 4; ++j) expected.push_back(static_cast<int>((10 + j) * factor));
    EXPECT_EQ(log.percents, expected) << e.name;
    EXPECT_EQ(log.sender, &sender);
  }
}

}  // namespace
}  // namespace calmora::test
