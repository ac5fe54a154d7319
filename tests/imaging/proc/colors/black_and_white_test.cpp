// Black-and-white conversion: the ordered dither against the whole Bayer matrix for every grey,
// thresholds on every pixel format, the maximum-entropy and mean thresholds, progress, and
// two-colour extraction.
#include "imaging/proc/colors/black_and_white.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/color_helpers.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"

namespace calmora {
namespace {

using test::BitAt;
using test::FillRGB;
using test::NewBitmap;
using test::Storage;

// The Bayer matrix by its recursion: each cell v of the n x n matrix becomes the 2 x 2 block
// 4v, 4v + 2 / 4v + 3, 4v + 1.
std::vector<std::vector<int>> BayerMatrix(int size) {
  std::vector<std::vector<int>> m{{0}};
  for (int n = 1; n < size; n *= 2) {
    std::vector<std::vector<int>> next(2 * n, std::vector<int>(2 * n));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) {
        next[i][j] = 4 * m[i][j];
        next[i][j + n] = 4 * m[i][j] + 2;
        next[i + n][j] = 4 * m[i][j] + 3;
        next[i + n][j + n] = 4 * m[i][j] + 1;
      }
    m = next;
  }
  return m;
}

// Collects the progress a routine reports.
struct ProgressLog {
  std::vector<int> values;
  TPVProgressRecord Record() {
    TPVProgressRecord record;
    record.OnProgress = [this](TObject*, int percent) { values.push_back(percent); };
    return record;
  }
};

class BlackAndWhite : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Bitmap(int32_t width, int32_t height, TPVPixelFormat format) {
    return NewBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST(OrderedDither, IsTheBayerMatrix) {
  const auto bayer = BayerMatrix(8);
  const int firstRows[2][8] = {{0, 32, 8, 40, 2, 34, 10, 42}, {48, 16, 56, 24, 50, 18, 58, 26}};
  for (int j = 0; j < 8; ++j) {
    EXPECT_EQ(bayer[0][j], firstRows[0][j]);
    EXPECT_EQ(bayer[1][j], firstRows[1][j]);
  }
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j) EXPECT_EQ(kOrderedDitherMatrix[i][j], bayer[i][j]);
}

// Every grey level on a whole 8 x 8 tile (grey g on rows 8g..8g + 7): a pixel is white where
// the matrix, indexed by column then row, is below grey >> 2, or everywhere from 251 up.
TEST_P(BlackAndWhite, DitherMatchesTheMatrixForEveryGrey) {
  const auto bayer = BayerMatrix(8);
  auto bitmap = Bitmap(16, 8 * 256 + 2, pv24RGB);
  FillRGB(*bitmap, [](int32_t, int32_t y) {
    if (y >= 8 * 256) return MakeRGB(255, 255, 250);  // grey 254, but not all channels >= 251
    const auto g = static_cast<uint8_t>(y / 8);
    return MakeRGB(g, g, g);
  });
  ProgressLog log;
  TPVProgressRecord progress = log.Record();
  DitherTo1Bit(*bitmap, progress);
  ASSERT_EQ(bitmap->Format, pv1g);
  for (int32_t y = 0; y < bitmap->Height; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const int grey = y < 8 * 256 ? y / 8 : 254;
      const int f = grey >= 251 && y < 8 * 256 ? 64 : grey >> 2;
      ASSERT_EQ(BitAt(*bitmap, x, y), bayer[x % 8][y % 8] < f)
          << "grey " << grey << " at " << x << "," << y;
    }
  ASSERT_EQ(log.values.size(), 8u * 256 + 2);
  EXPECT_EQ(progress.Step, 100 / (8 * 256 + 2 + 0.5));
  for (size_t y = 0; y < log.values.size(); ++y)
    EXPECT_EQ(log.values[y], static_cast<int>(progress.Step * static_cast<double>(y + 1)));
}

TEST_P(BlackAndWhite, DitherAndThresholdLeaveOtherFormatsAlone) {
  auto grey = Bitmap(5, 5, pv8g);
  grey->Fill(100);
  TPVProgressRecord progress;
  DitherTo1Bit(*grey, progress);
  ThresholdTo1Bit(*grey, 50, progress);
  EXPECT_EQ(grey->Format, pv8g);
  EXPECT_EQ(grey->GetScanline(4)[4], 100);
}

// One pixel per format and the grey level its channel table gives: thresholds at the level and
// one above it set and clear its bit.
TEST_P(BlackAndWhite, BinarizeReadsEveryFormatsGreyLevel) {
  TPVRGB cmyk;
  CMYKToRGB(TPVCMYK{10, 200, 30, 220}, cmyk);
  TPVRGB lab;
  ConvertCIELabToRGB(lab, TPVCIELab{150, 20, -30});
  const float half = 0.5f;
  const uint16_t word = 0x4D12;
  const TPVRGB48 blue48{0, 0, 0xFFFF};
  struct Case {
    TPVPixelFormat format;
    std::vector<uint8_t> pixel;
    int grey;
  };
  const Case cases[] = {
      {pv8p, {1}, 53},  // palette entry 1 is red
      {pv8g, {77}, 77},
      {pv16g, {uint8_t(word), uint8_t(word >> 8)}, 0x4D},
      {pv24RGB, {0, 255, 0}, 181},
      {pv32f,
       std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&half),
                            reinterpret_cast<const uint8_t*>(&half) + 4),
       127},
      {pvCMYK, {10, 200, 30, 220}, GrayLevelOf(cmyk)},
      {pvRGB48,
       std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&blue48),
                            reinterpret_cast<const uint8_t*>(&blue48) + 6),
       20},
      {pvCIELab, {150, 20, static_cast<uint8_t>(-30)}, GrayLevelOf(lab)},
      {pv32RGB, {255, 255, 255, 0}, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << int(c.format));
    auto source = Bitmap(3, 2, c.format);
    if (c.format == pv8p) source->SetPaletteColor(1, MakeRGB(255, 0, 0));
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 3; ++x)
        std::memcpy(source->GetScanline(y) + x * c.pixel.size(), c.pixel.data(), c.pixel.size());
    for (int32_t threshold : {c.grey, c.grey + 1}) {
      auto dest = Bitmap(3, 2, pv1g);
      TPVProgressRecord progress;
      ASSERT_TRUE(BinarizeToBitmap(*source, *dest, threshold, progress));
      EXPECT_EQ(BitAt(*dest, 2, 1), threshold == c.grey) << "threshold " << threshold;
    }
  }
}

// The maximum-entropy threshold: the t of 1..255 whose split scores highest, computed here by
// direct sums for each t.
int ExpectedEntropyThreshold(const std::vector<int>& levels) {
  double p[256] = {};
  for (int v : levels) p[v] += 1.0 / static_cast<double>(levels.size());
  double all = 0;
  for (double q : p)
    if (q > 0) all -= q * std::log(q);
  int best = -1;
  double bestScore = 0;
  for (int t = 1; t < 256; ++t) {
    double share = 0, dark = 0;
    for (int j = 0; j < t; ++j) {
      share += p[j];
      if (p[j] > 0) dark -= p[j] * std::log(p[j]);
    }
    if (share < 1e-12 || share > 1 - 1e-12) continue;
    const double score =
        std::log(share - share * share) + dark / share + (all - dark) / (1 - share);
    if (best < 0 || score > bestScore + 1e-12) {
      best = t;
      bestScore = score;
    }
  }
  return best;
}

TEST_P(BlackAndWhite, MaximumEntropySplitsBetweenLevels) {
  struct Case {
    std::vector<int> levels;  // one per column, repeated on every row
    int expected;             // -1: the model decides
  };
  const Case cases[] = {
      {{0, 0, 255, 255}, 1},  // scores 0 at every t: the first split wins
      {{30, 120, 120, 120, 120, 220, 220, 220, 30, 120}, -1},
      {{10, 10, 10, 10, 10, 10, 10, 200}, -1},
      {{60, 61, 62, 200, 201, 202, 90}, -1},
  };
  for (const Case& c : cases) {
    const int32_t width = static_cast<int32_t>(c.levels.size());
    auto source = Bitmap(width, 3, pv8g);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < width; ++x)
        source->GetScanline(y)[x] = static_cast<uint8_t>(c.levels[x]);
    const int t = c.expected >= 0 ? c.expected : ExpectedEntropyThreshold(c.levels);
    ASSERT_GT(t, 0);
    auto dest = Bitmap(width, 3, pv1g);
    TPVProgressRecord progress;
    ASSERT_TRUE(BinarizeToBitmap(*source, *dest, kMaxEntropyThreshold, progress));
    for (int32_t x = 0; x < width; ++x)
      EXPECT_EQ(BitAt(*dest, x, 2), c.levels[x] >= t) << "level " << c.levels[x] << ", t " << t;
  }
}

TEST_P(BlackAndWhite, MeanThresholds) {
  // pv16g: the mean and the pixels on the same 8-bit scale.
  auto mid = Bitmap(4, 4, pv16g);
  mid->Fill(32768);
  auto halves = Bitmap(4, 4, pv16g);
  halves->Fill(0x2000);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const uint16_t bright = 0xE000;
      std::memcpy(halves->GetScanline(y) + 2 * x, &bright, 2);
    }
  // A single level has no split: -2 falls back to the mean, which every pixel reaches.
  auto flat = Bitmap(4, 4, pv24RGB);
  FillRGB(*flat, [](int32_t, int32_t) { return MakeRGB(255, 0, 0); });
  struct Case {
    TPVBitmap* source;
    int32_t threshold;
    bool topRowSet, bottomRowSet;
  };
  const Case cases[] = {{mid.get(), kMeanColorThreshold, true, true},
                        {halves.get(), kMeanColorThreshold, true, false},
                        {flat.get(), kMaxEntropyThreshold, true, true},
                        {flat.get(), kMeanColorThreshold, true, true}};
  for (const Case& c : cases) {
    auto dest = Bitmap(4, 4, pv1g);
    TPVProgressRecord progress;
    ASSERT_TRUE(BinarizeToBitmap(*c.source, *dest, c.threshold, progress));
    EXPECT_EQ(BitAt(*dest, 3, 0), c.topRowSet);
    EXPECT_EQ(BitAt(*dest, 3, 3), c.bottomRowSet);
  }
}

TEST_P(BlackAndWhite, BinarizeNeedsAOneBitDestinationOfTheSameSize) {
  auto source = Bitmap(6, 3, pv8g);
  source->Fill(200);
  TPVProgressRecord progress;
  for (auto [width, height, format] :
       {std::tuple{6, 4, pv1g}, std::tuple{5, 3, pv1g}, std::tuple{6, 3, pv8g}}) {
    auto dest = Bitmap(width, height, format);
    dest->Fill(0);
    EXPECT_FALSE(BinarizeToBitmap(*source, *dest, 100, progress));
    EXPECT_EQ(dest->GetScanline(0)[0], 0);
  }
  EXPECT_FALSE(BinarizeToBitmap(*source, *source, 100, progress));
  // A pv1g source is copied whatever the destination.
  auto bits = Bitmap(9, 2, pv1g);
  bits->Fill(1);
  auto copy = Bitmap(3, 3, pv8g);
  EXPECT_TRUE(BinarizeToBitmap(*bits, *copy, 100, progress));
  EXPECT_EQ(copy->Format, pv1g);
  EXPECT_EQ(copy->Width, 9);
  EXPECT_TRUE(BitAt(*copy, 8, 1));
}

TEST_P(BlackAndWhite, ThresholdReportsOncePerRowAndReplacesThePixels) {
  auto bitmap = Bitmap(7, 13, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t) { return MakeRGB(x * 40, x * 40, x * 40); });
  ProgressLog log;
  TPVProgressRecord progress = log.Record();
  ThresholdTo1Bit(*bitmap, 120, progress);
  ASSERT_EQ(bitmap->Format, pv1g);
  for (int32_t x = 0; x < 7; ++x) EXPECT_EQ(BitAt(*bitmap, x, 12), x * 40 >= 120);
  ASSERT_EQ(log.values.size(), 13u);
  for (size_t y = 0; y < 13; ++y)
    EXPECT_EQ(log.values[y], static_cast<int>(100 / 13.5 * double(y + 1)));
  EXPECT_EQ(log.values.back(), 96);
}

TEST_P(BlackAndWhite, TwoColourImagesBecomeOneBitWithTheDarkerColourClear) {
  struct Case {
    TPVRGB first, second;
    TPVRGB darker, lighter;
  };
  const TPVRGB white = MakeRGB(255, 255, 255), black = MakeRGB(0, 0, 0);
  const TPVRGB red = MakeRGB(255, 0, 0), blue = MakeRGB(0, 0, 255);
  const Case cases[] = {
      {white, black, black, white}, {black, white, black, white}, {red, blue, blue, red}};
  for (const Case& c : cases) {
    auto bitmap = Bitmap(11, 5, pv24RGB);
    FillRGB(*bitmap, [&](int32_t x, int32_t y) { return (x + y) % 3 == 0 ? c.first : c.second; });
    TPVRGB color0{}, color1{};
    auto bits = ExtractTwoColorBitmap(*bitmap, color0, color1);
    ASSERT_TRUE(bits);
    EXPECT_EQ(test::StorageOf(*bits), GetParam());
    EXPECT_EQ(color0, c.darker);
    EXPECT_EQ(color1, c.lighter);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 11; ++x)
        EXPECT_EQ(BitAt(*bits, x, y), ((x + y) % 3 == 0 ? c.first : c.second) == c.lighter);
  }
}

TEST_P(BlackAndWhite, OneColourOrMoreThanTwoGiveNoBitmap) {
  auto one = Bitmap(4, 4, pv8g);
  one->Fill(9);
  TPVRGB color0{}, color1{};
  EXPECT_FALSE(ExtractTwoColorBitmap(*one, color0, color1));
  auto three = Bitmap(4, 4, pv24RGB);
  FillRGB(*three,
          [](int32_t x, int32_t y) { return MakeRGB(y == 3 && x == 3 ? 7 : x % 2 * 200, 0, 0); });
  EXPECT_FALSE(ExtractTwoColorBitmap(*three, color0, color1));
  // Two grey levels of a pv8g image are two colours.
  auto two = Bitmap(4, 4, pv8g);
  two->Fill(200);
  two->GetScanline(2)[1] = 50;
  auto bits = ExtractTwoColorBitmap(*two, color0, color1);
  ASSERT_TRUE(bits);
  EXPECT_EQ(color0, MakeRGB(50, 50, 50));
  EXPECT_FALSE(BitAt(*bits, 1, 2));
  EXPECT_TRUE(BitAt(*bits, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Storages, BlackAndWhite, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
