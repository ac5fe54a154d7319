// ApplyFilter3x3 and the named filters: the list, every filter and random ones against a
// per-pixel model over random rectangles in memory and in the temporary file, vector rows
// against plain ones, the multiply-high division at every divisor, ImageMagick's averages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>

#include "imaging/proc/filters/filter3x3.h"
#include "imaging/proc/filters/filter3x3_rows.h"
#include "imaging/proc/processor_features.h"
#include "imaging/proc/proc_unit.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

// The filter written out: each pixel of the clipped rectangle from the source as it was,
// neighbours clamped to the image, |sum| div divisor (0 counting as 1) limited to a byte.
Plane ModelFilter(const Plane& s, const Filter3x3& f, int32_t x1, int32_t y1, int32_t x2,
                  int32_t y2) {
  Plane out = s;
  const int64_t divisor = f.Divisor == 0 ? 1 : f.Divisor;
  for (int32_t y = std::max(y1, 0); y < std::min(y2, s.height); ++y)
    for (int32_t x = std::max(x1, 0); x < std::min(x2, s.width); ++x) {
      int64_t sum = 0;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx)
          sum += int64_t{f.Weights[3 * (dy + 1) + dx + 1]} *
                 s.at(std::clamp(x + dx, 0, s.width - 1), std::clamp(y + dy, 0, s.height - 1));
      out.at(x, y) = static_cast<int32_t>(std::clamp<int64_t>(std::llabs(sum) / divisor, 0, 255));
    }
  return out;
}

TEST(NamedFilters, TheProcessingUnitBuildsAndFreesTheNineEntries) {
  InitProcUnit();
  ASSERT_EQ(NamedFilters.size(), 9u);
  ASSERT_EQ(NamedFilterNames.size(), 9u);
  const struct {
    const char* name;
    Filter3x3 filter;
  } expected[] = {
      {"None", {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0}},
      {"Blur", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9}},
      {"Edges", {{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1}},
      {"Emboss", {{-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1}},
      {"High Pass 1", {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1}},
      {"High Pass 2", {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1}},
      {"High Pass 3", {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1}},
      {"Low Pass 1", {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 10}},
      {"Low Pass 2", {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}},
  };
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(NamedFilterNames[i], expected[i].name);
    EXPECT_EQ(NamedFilters[i], expected[i].filter) << expected[i].name;
  }
  const Filter3x3 sharpen{{0, -2, 0, -2, 11, -2, 0, -2, 0}, 3};
  EXPECT_EQ(AddNamedFilter(sharpen, "Sharpen"), 9);
  EXPECT_EQ(NamedFilters[9], sharpen);
  EXPECT_EQ(NamedFilterNames[9], "Sharpen");
  InitProcUnit();  // a second set-up starts the list afresh
  EXPECT_EQ(NamedFilters.size(), 9u);
  FinalizeProcUnit();
  EXPECT_TRUE(NamedFilters.empty());
  EXPECT_TRUE(NamedFilterNames.empty());
}

class FilterStorage : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// A rectangle that often reaches past an edge, starts before 0 or is empty.
void RandomRectangle(std::mt19937& random, int32_t width, int32_t height, int32_t& x1, int32_t& y1,
                     int32_t& x2, int32_t& y2) {
  std::uniform_int_distribution<int32_t> across(-4, width + 4), down(-4, height + 4);
  x1 = across(random);
  x2 = across(random);
  y1 = down(random);
  y2 = down(random);
  if (random() % 4 != 0) {  // mostly ordered; sometimes reversed, which is empty
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
  }
}

TEST_P(FilterStorage, EveryNamedFilterMatchesThePerPixelModel) {
  std::mt19937 random(7);
  for (int32_t f = 0; f < 9; ++f)
    for (int trial = 0; trial < 6; ++trial) {
      const int32_t width = 1 + static_cast<int32_t>(random() % 70);
      const int32_t height = 1 + static_cast<int32_t>(random() % 12);
      const Plane source = RandomPlane(random, width, height, pv8g);
      int32_t x1, y1, x2, y2;
      RandomRectangle(random, width, height, x1, y1, x2, y2);
      if (trial == 0)
        x1 = y1 = -3, x2 = width, y2 = height;  // a negative start writes nothing outside
      TPVBitmap bitmap;
      MakeBitmap(bitmap, GetParam(), source, pv8g);
      ApplyFilter3x3(bitmap, BuiltInFilters[f], x1, y1, x2, y2);
      EXPECT_EQ(ReadPlane(bitmap), ModelFilter(source, BuiltInFilters[f], x1, y1, x2, y2))
          << BuiltInFilterNames[f] << " " << width << "x" << height << " (" << x1 << "," << y1
          << ")-(" << x2 << "," << y2 << ")";
    }
}

// Small weights take the 16-bit rows, large ones and odd divisors the 64-bit ones.
TEST_P(FilterStorage, RandomFiltersMatchThePerPixelModel) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 60; ++trial) {
    Filter3x3 filter;
    const int32_t reach = trial % 3 == 0 ? 1 << 28 : trial % 3 == 1 ? 14 : 3;
    std::uniform_int_distribution<int32_t> weight(-reach, reach);
    for (int32_t& w : filter.Weights) w = weight(random);
    const int32_t divisors[] = {0, 1, -3, 2, 7, 64, 255, 1000, 40000};
    filter.Divisor = divisors[random() % 9];
    const int32_t width = 1 + static_cast<int32_t>(random() % 90);
    const int32_t height = 1 + static_cast<int32_t>(random() % 6);
    const Plane source = RandomPlane(random, width, height, pv8g);
    TPVBitmap bitmap;
    MakeBitmap(bitmap, GetParam(), source, pv8g);
    ApplyFilter3x3(bitmap, filter, 0, 0, width, height);
    ASSERT_EQ(ReadPlane(bitmap), ModelFilter(source, filter, 0, 0, width, height))
        << "trial " << trial;
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, FilterStorage, ::testing::ValuesIn(kStorages), StorageCaseName);

TEST(ApplyFilter3x3, FlatAreasAndTheIdentity) {
  Plane flat(20, 5, 1);
  for (int32_t& s : flat.samples) s = 77;
  const struct {
    int32_t filter;
    int32_t expected;
  } cases[] = {{0, 77}, {1, 77}, {2, 0}, {3, 77}, {7, 69}, {8, 77}};
  for (const auto& c : cases) {
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, flat, pv8g);
    ApplyFilter3x3(bitmap, BuiltInFilters[c.filter], 0, 0, 20, 5);
    Plane expected = flat;
    for (int32_t& s : expected.samples) s = c.expected;
    EXPECT_EQ(ReadPlane(bitmap), expected) << BuiltInFilterNames[c.filter];
  }
  std::mt19937 random(3);
  const Plane noise = RandomPlane(random, 33, 9, pv8g);
  TPVBitmap bitmap;
  MakeBitmap(bitmap, Storage::MemoryBlock, noise, pv8g);
  ApplyFilter3x3(bitmap, BuiltInFilters[0], -10, -10, 100, 100);
  EXPECT_EQ(ReadPlane(bitmap), noise);
}

TEST(ApplyFilter3x3, OtherFormatsAreLeftUnchanged) {
  std::mt19937 random(5);
  for (const TPVPixelFormat format : {pv1g, pv8p, pv16g, pv24RGB, pv32RGB}) {
    const Plane source = RandomPlane(random, 17, 4, format);
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, source, format);
    ApplyFilter3x3(bitmap, BuiltInFilters[2], 0, 0, 17, 4);
    EXPECT_EQ(ReadPlane(bitmap), source) << PixelFormatBits[format];
  }
}

// floor(n x Magic / 2^(16 + Shift)) = n div d for every n below 2^15. Both sides only grow
// with n, so agreeing just before and at each multiple of d is agreeing everywhere.
TEST(FilterRows, MultiplyHighDividesExactlyAtEveryDivisor) {
  for (int32_t d = 2; d <= 32767; ++d) {
    const filter3x3::RowPlan plan = filter3x3::MakeRowPlan({{0, 0, 0, 0, 1, 0, 0, 0, 0}, d});
    ASSERT_TRUE(plan.Narrow);
    const auto divide = [&](int64_t n) { return (n * plan.Magic) >> (16 + plan.Shift); };
    for (int64_t k = 1; k * d - 1 < 32768; ++k) {
      ASSERT_EQ(divide(k * d - 1), k - 1) << "d " << d;
      if (k * d < 32768) {
        ASSERT_EQ(divide(k * d), k) << "d " << d;
      }
    }
  }
}

TEST(FilterRows, VectorRowsEqualPlainRows) {
  if (!ProcessorHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 random(13);
  std::uniform_int_distribution<int32_t> byte(0, 255);
  for (int trial = 0; trial < 300; ++trial) {
    Filter3x3 filter;
    int32_t budget = 128;  // the sum of |weights| the 16-bit rows allow
    for (int32_t& w : filter.Weights) {
      w = static_cast<int32_t>(random() % (budget / 3 + 1)) * (random() % 2 ? 1 : -1);
      budget -= std::abs(w);
    }
    if (trial < 2) {  // the widest sums, of either sign
      filter = Filter3x3{};
      filter.Weights[4] = trial == 0 ? 128 : -128;
    }
    filter.Divisor = static_cast<int32_t>(random() % 3 == 0 ? 1 + random() % 4 : random() % 32768);
    const filter3x3::RowPlan plan = filter3x3::MakeRowPlan(filter);
    ASSERT_TRUE(plan.Narrow);
    const int32_t count = static_cast<int32_t>(random() % 100);
    std::vector<uint8_t> rows(3 * (count + 2));
    for (uint8_t& b : rows) b = static_cast<uint8_t>(byte(random));
    if (trial % 10 == 0) std::fill(rows.begin(), rows.end(), 255);  // the largest sums
    std::vector<uint8_t> plain(count), vector(count);
    const uint8_t* above = rows.data();
    filter3x3::FilterRowPlain(plan, above, above + count + 2, above + 2 * (count + 2), count,
                              plain.data());
    filter3x3::FilterRowAvx2(plan, above, above + count + 2, above + 2 * (count + 2), count,
                             vector.data());
    ASSERT_EQ(vector, plain) << "trial " << trial;
  }
}

// ImageMagick computes in floating point and rounds where the filter truncates.
TEST(ApplyFilter3x3, AveragingFiltersAreWithinOneOfImageMagick) {
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder;
  std::mt19937 random(17);
  const Plane source = RandomPlane(random, 61, 23, pv8g);
  TPVBitmap original;
  MakeBitmap(original, Storage::MemoryBlock, source, pv8g);
  const std::string in = folder.File("in.pgm"), out = folder.File("out.pgm");
  ASSERT_TRUE(SavePNM(original, in));
  for (const int32_t f : {1, 7, 8}) {
    const Filter3x3& filter = BuiltInFilters[f];
    std::ostringstream kernel;
    kernel << "3x3:";
    for (int32_t i = 0; i < 9; ++i) kernel << (i ? "," : " ") << filter.Weights[i];
    std::ostringstream scale;  // a fraction is not read as one, so the decimal in full
    scale.precision(17);
    scale << 1.0 / filter.Divisor;
    const ToolResult run =
        RunTool("convert " + ShellQuoted(in) + " -virtual-pixel edge -define convolve:scale=" +
                ShellQuoted(scale.str()) + " -morphology Convolve " + ShellQuoted(kernel.str()) +
                " -depth 8 " + ShellQuoted(out));
    ASSERT_EQ(run.Status, 0) << run.Output;
    TPVBitmap expected;
    std::string error;
    ASSERT_TRUE(LoadPNM(out, expected, &error)) << error;
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, source, pv8g);
    ApplyFilter3x3(bitmap, filter, 0, 0, source.width, source.height);
    const Plane ours = ReadPlane(bitmap), theirs = ReadPlane(expected);
    ASSERT_EQ(ours.samples.size(), theirs.samples.size());
    for (size_t i = 0; i < ours.samples.size(); ++i)
      ASSERT_LE(std::abs(ours.samples[i] - theirs.samples[i]), 1)
          << BuiltInFilterNames[f] << " at " << i % source.width << "," << i / source.width;
  }
}

}  // namespace
}  // namespace calmora::test
