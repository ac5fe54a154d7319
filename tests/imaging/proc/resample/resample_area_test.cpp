// The area-weighted engines ResampleArea8 and ResampleArea16 and CubicInterpolate: a literal
// double-precision model of the boundary walks over many random sizes and images, netpbm's
// pamscale for 2 x 2 averages, equal sizes, a hard edge, and a walk long enough for rounding
// to carry it past the last source column.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "imaging/proc/resample/resample_area.h"
#include "imaging/proc/resample/resample_engines.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

double ModelCubic(int32_t p, int32_t c, int32_t n, double t, int32_t n2, double low,
                  double high) {
  const auto i = [](double x) { return x * x * x - 2 * x * x + 1; };
  const auto o = [](double x) { return 5 * x * x - x * x * x - 8 * x + 4; };
  const double v = p * o(std::fabs(t + 1)) + c * i(std::fabs(t)) + n * i(std::fabs(t - 1)) +
                   n2 * o(std::fabs(t - 2));
  return std::clamp(v, low, high);
}

// The engines step by step as written: a table of segment widths, then for every vertical
// segment a horizontal walk that decides for itself which boundary comes next, samples at the
// segment's end and adds area x value. Column and row indexes are limited to the source.
Plane ModelArea(const Plane& s, int32_t dw, int32_t dh, bool bicubic, int32_t limit) {
  const int32_t sw = s.width, sh = s.height, n = s.channels;
  const double gx = static_cast<double>(sw) / dw, gy = static_cast<double>(sh) / dh;
  const int mode = gx < 1 && gy < 1 ? 0 : gx < 1 ? 1 : gy < 1 ? 2 : 3;
  std::vector<double> width;
  double pos = 0, e = 0;
  for (int64_t k = 0, c = 0; k < int64_t{sw} + dw; ++k) {
    double w;
    if ((c + 1) + 0.0001 >= e + gx) {
      e = e + gx;
      w = e - pos;
    } else {
      w = (c + 1) - pos;
      ++c;
    }
    pos += w;
    width.push_back(w);
  }

  Plane out(dw, dh, n);
  std::vector<double> acc(static_cast<size_t>(dw) * n, 0);
  int32_t j = 0, left = dh;
  double ypos = 0, ey = 0;
  while (left > 0) {
    bool sourceFirst = false;
    double h, fy;
    if ((j + 1) + 0.0001 < ey + gy) {
      sourceFirst = true;
      h = (j + 1) - ypos;
      fy = 1;
    } else {
      ey = ey + gy;
      h = ey - ypos;
      fy = ey - j;
    }
    ypos += h;
    const int32_t cur = std::min(j, sh - 1);
    const int32_t prev = cur == 0 ? cur : cur - 1;
    const int32_t next = cur < sh - 1 ? cur + 1 : cur;
    const int32_t next2 = cur + 1 < sh - 1 ? cur + 2 : next;

    size_t k = 0;
    int32_t i = 0, d = 0;
    double ex = 0;
    while (d < dw) {
      const bool destinationFirst = (i + 1) + 0.0001 >= ex + gx;
      double fx = 1;
      if (destinationFirst) {
        fx = (ex + gx) - i;
        ex = ex + gx;
      }
      if (k >= width.size()) ADD_FAILURE() << "walk past the width table";
      const double area = width.at(k++) * h;
      const int32_t ic = std::min(i, sw - 1);
      const int32_t im1 = ic == 0 ? ic : ic - 1;
      const int32_t ip1 = ic >= sw - 1 ? ic : ic + 1;
      const int32_t ip2 = ic + 1 < sw - 1 ? ic + 2 : ip1;
      for (int32_t c = 0; c < n; ++c) {
        const auto S = [&](int32_t row, int32_t column) { return s.at(column, row, c); };
        const auto across = [&](int32_t row) {
          return static_cast<int32_t>(std::nearbyint(
              ModelCubic(S(row, im1), S(row, ic), S(row, ip1), fx, S(row, ip2), 0, limit)));
        };
        double v = S(cur, ic);
        if (!bicubic && mode == 0)
          v = (1 - fy) * ((1 - fx) * S(cur, ic) + fx * S(cur, ip1)) +
              fy * ((1 - fx) * S(next, ic) + fx * S(next, ip1));
        if (!bicubic && mode == 1) v = (1 - fx) * S(cur, ic) + fx * S(cur, ip1);
        if (!bicubic && mode == 2) v = (1 - fy) * S(cur, ic) + fy * S(next, ic);
        if (bicubic && mode == 0)
          v = ModelCubic(across(prev), across(cur), across(next), fy, across(next2), 0, limit);
        if (bicubic && mode == 1)
          v = ModelCubic(S(cur, im1), S(cur, ic), S(cur, ip1), fx, S(cur, ip2), 0, limit);
        if (bicubic && mode == 2)
          v = ModelCubic(S(prev, ic), S(cur, ic), S(next, ic), fy, S(next2, ic), 0, limit);
        acc[static_cast<size_t>(d) * n + c] += area * v;
      }
      if (destinationFirst)
        ++d;
      else
        ++i;
    }
    if (sourceFirst) {
      ++j;
    } else {
      const int32_t row = dh - left;
      for (int32_t x = 0; x < dw * n; ++x) {
        const double v = std::nearbyint(acc[x] * (1 / (gx * gy)));
        out.samples[static_cast<size_t>(row) * dw * n + x] =
            static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(limit)));
        acc[x] = 0;
      }
      --left;
    }
  }
  return out;
}

bool RunArea(const TPVBitmap& from, TPVBitmap& to, bool bicubic) {
  const TPVPixelFormat f = from.GetPixelFormat();
  return f == pv16g || f == pvRGB48 ? ResampleArea16(from, to, bicubic, nullptr, nullptr)
                                    : ResampleArea8(from, to, bicubic, nullptr, nullptr);
}

constexpr TPVPixelFormat kAreaFormats[] = {pv24RGB, pv8g, pvRGB48, pv16g};

class AreaEngines : public ::testing::TestWithParam<Storage> {
 protected:
  Plane Run(const Plane& source, TPVPixelFormat format, int32_t dw, int32_t dh, bool bicubic) {
    TPVBitmap from, to;
    MakeBitmap(from, GetParam(), source, format);
    MakeBitmap(to, GetParam(), dw, dh, format);
    EXPECT_TRUE(RunArea(from, to, bicubic));
    return ReadPlane(to);
  }
  TempFolderScope temp_;
};

TEST_P(AreaEngines, AgreeWithTheLiteralModelOverRandomSizes) {
  std::mt19937 random(41);
  std::uniform_int_distribution<int32_t> sourceSize(1, 19), targetSize(1, 47);
  for (const TPVPixelFormat format : kAreaFormats)
    for (int trial = 0; trial < 40; ++trial) {
      const int32_t sw = sourceSize(random), sh = sourceSize(random);
      const int32_t dw = targetSize(random), dh = targetSize(random);
      const Plane source = RandomPlane(random, sw, sh, format);
      for (const bool bicubic : {false, true})
        ASSERT_EQ(Run(source, format, dw, dh, bicubic),
                  ModelArea(source, dw, dh, bicubic, SampleLimit(format)))
            << "format " << int{format} << " " << sw << "x" << sh << " to " << dw << "x" << dh
            << (bicubic ? " bicubic" : " bilinear");
    }
}

TEST_P(AreaEngines, EqualSizesReproduceTheSource) {
  std::mt19937 random(42);
  for (const TPVPixelFormat format : kAreaFormats)
    for (const bool bicubic : {false, true}) {
      const Plane source = RandomPlane(random, 11, 6, format);
      EXPECT_EQ(Run(source, format, 11, 6, bicubic), source) << int{format} << bicubic;
    }
}

// Doubling a step from black to white overshoots on both sides; the limits keep every row
// monotone and inside the sample range.
TEST_P(AreaEngines, BicubicDoublingOfAHardEdgeStaysMonotoneAndInRange) {
  for (const TPVPixelFormat format : {pv8g, pv16g, pv24RGB}) {
    const int32_t limit = SampleLimit(format);
    Plane edge(8, 6, PixelFormatChannels[format]);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 4; x < 8; ++x)
        for (int32_t c = 0; c < edge.channels; ++c) edge.at(x, y, c) = limit;
    for (const int32_t dh : {6, 12}) {  // growing along the edge too, or not
      const Plane doubled = Run(edge, format, 16, dh, true);
      for (int32_t y = 0; y < dh; ++y)
        for (int32_t c = 0; c < edge.channels; ++c) {
          EXPECT_EQ(doubled.at(0, y, c), 0);
          EXPECT_EQ(doubled.at(15, y, c), limit);
          for (int32_t x = 1; x < 16; ++x)
            EXPECT_LE(doubled.at(x - 1, y, c), doubled.at(x, y, c))
                << int{format} << " row " << y << " column " << x;
        }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, AreaEngines, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

// 4 x 4 to 2 x 2 averages each 2 x 2 block, as pamscale -reduce 2 -linear does (without
// -linear it averages in linear light). Block sums of 2 mod 4 are avoided: they end in a half,
// where pamscale rounds up and the engines to even.
class AreaAgainstPamscale : public ::testing::TestWithParam<std::tuple<TPVPixelFormat, Storage>> {
 protected:
  TempFolderScope temp_;
};

TEST_P(AreaAgainstPamscale, HalvingAveragesTwoByTwoBlocks) {
  CALMORA_REQUIRE_TOOL("pamscale");
  const auto [format, storage] = GetParam();
  std::mt19937 random(43);
  ScratchFolder folder;
  for (int trial = 0; trial < 4; ++trial) {
    Plane source = RandomPlane(random, 4, 4, format);
    const int32_t limit = SampleLimit(format);
    for (int32_t by = 0; by < 4; by += 2)
      for (int32_t bx = 0; bx < 4; bx += 2)
        for (int32_t c = 0; c < source.channels; ++c) {
          int32_t sum = 0;
          for (int32_t k = 0; k < 4; ++k) sum += source.at(bx + k % 2, by + k / 2, c);
          int32_t& first = source.at(bx, by, c);
          if (sum % 4 == 2) first += first < limit ? 1 : -1;
        }
    TPVBitmap from;
    MakeBitmap(from, storage, source, format);
    const std::string in = folder.File("in.pnm"), out = folder.File("out.pnm");
    ASSERT_TRUE(SavePNM(from, in));
    const ToolResult reduced =
        RunTool("pamscale -reduce 2 -linear -quiet " + ShellQuoted(in) + " > " + ShellQuoted(out));
    ASSERT_EQ(reduced.Status, 0) << reduced.Output;
    TPVBitmap expected;
    std::string error;
    ASSERT_TRUE(LoadPNM(out, expected, &error)) << error;
    for (const bool bicubic : {false, true}) {
      TPVBitmap to;
      MakeBitmap(to, storage, 2, 2, format);
      ASSERT_TRUE(RunArea(from, to, bicubic));
      EXPECT_EQ(ReadPlane(to), ReadPlane(expected)) << (bicubic ? "bicubic" : "bilinear");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AreaAgainstPamscale,
    ::testing::Combine(::testing::Values(pv24RGB, pv16g), ::testing::ValuesIn(kStorages)),
    [](const auto& p) {
      return std::string(std::get<0>(p.param) == pv24RGB ? "P6" : "P5x16") +
             StorageName(std::get<1>(p.param));
    });

// Over about two million columns the destination boundaries, added up one by one, end a little
// past the last source boundary: the last segment then lies beyond the last column. The walk
// still has no more than sw + dw steps, and the engine samples the last column there.
TEST(AreaWalk, RoundingPastTheLastColumnStaysInTheSource) {
  constexpr int32_t sw = 2260088, dw = 1881202;
  resample::AreaWalk walk(sw, dw);
  resample::AreaStep step{};
  int64_t steps = 0, ends = 0, lastSource = 0;
  while (walk.Next(step)) {
    ++steps;
    ends += step.endsTarget ? 1 : 0;
    lastSource = step.sourceIndex;
  }
  EXPECT_LE(steps, int64_t{sw} + dw);
  EXPECT_EQ(ends, dw);
  EXPECT_TRUE(step.endsTarget);
  EXPECT_EQ(lastSource, sw);  // the case this test is for

  std::mt19937 random(44);
  const Plane source = RandomPlane(random, sw, 1, pv8g);
  TPVBitmap from(sw, 1, pv8g), to(dw, 1, pv8g);
  WritePlane(from, source);
  ASSERT_TRUE(ResampleArea8(from, to, false, nullptr, nullptr));
  EXPECT_TRUE(ReadPlane(to) == ModelArea(source, dw, 1, false, 255));
}

// 4 x 4 to 2 x 2 runs in mode 3 for either kind: the accumulator times 1 / 4, rounded to even.
TEST(AreaRounding, HalvesRoundToEven) {
  Plane source(4, 4, 1);
  const int32_t blocks[4][4] = {{0, 1, 4, 5}, {2, 3, 6, 8}, {8, 9, 12, 13}, {10, 11, 14, 15}};
  // Block sums 10, 19, 42, 50: means 2.5, 4.75, 10.5, 12.5.
  for (int32_t b = 0; b < 4; ++b)
    for (int32_t k = 0; k < 4; ++k) source.at(b % 2 * 2 + k % 2, b / 2 * 2 + k / 2) = blocks[b][k];
  TPVBitmap from(4, 4, pv8g), to(2, 2, pv8g);
  WritePlane(from, source);
  Plane expected(2, 2, 1);
  expected.samples = {2, 5, 10, 12};
  for (const bool bicubic : {false, true}) {
    ASSERT_TRUE(ResampleArea8(from, to, bicubic, nullptr, nullptr));
    EXPECT_EQ(ReadPlane(to), expected);
  }
}

// Trunc(rows emitted / dh x 100) after every destination row.
TEST(AreaProgress, ReportsAfterEveryDestinationRow) {
  TPVBitmap from(10, 10, pv24RGB), to(4, 3, pv24RGB);
  ProgressLog log;
  TObject sender;
  ASSERT_TRUE(ResampleArea8(from, to, true, &sender, log.Event()));
  EXPECT_EQ(log.percents, (std::vector<int>{33, 66, 100}));
  EXPECT_EQ(log.sender, &sender);
}

TEST(CubicInterpolate, PassesThroughTheSamplesAndIsLimited) {
  struct Case {
    int32_t prev, cur, next, next2;
    double t, expected;
  };
  const Case cases[] = {
      {10, 20, 30, 40, 0, 20},       {10, 20, 30, 40, 1, 30},      {0, 0, 255, 255, 0.5, 127.5},
      {255, 0, 0, 255, 0.5, 0},      {0, 255, 255, 0, 0.5, 255},   {0, 100, 200, 300, 0.25, 134.375},
      {100, 100, 100, 100, 0.7, 100}, {0, 0, 64, 0, 0.5, 40},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(CubicInterpolate(c.prev, c.cur, c.next, c.t, c.next2, 0, 255), c.expected, 1e-9)
        << c.prev << " " << c.cur << " " << c.next << " " << c.next2 << " at " << c.t;
  // o(1.5) = -0.125 and i(0.5) = 0.625: the overshoot below 0 before the limits.
  EXPECT_DOUBLE_EQ(CubicInterpolate(255, 0, 0, 0.5, 255, -1000, 1000), -63.75);
}

}  // namespace
}  // namespace calmora::test
