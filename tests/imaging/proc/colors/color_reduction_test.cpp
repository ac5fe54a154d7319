// Colour reduction in place, nearest palette entries and grey rectangles, with their progress.
#include "imaging/proc/colors/color_reduction.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/proc/colors/quantizer.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::FillRGB;
using test::NewBitmap;
using test::RGBAt;
using test::Storage;

struct ProgressLog {
  std::vector<int> values;
  TPVProgressEvent Event() {
    return [this](TObject*, int percent) { values.push_back(percent); };
  }
};

class ColorReduction : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Bitmap(int32_t width, int32_t height, TPVPixelFormat format) {
    return NewBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST(NearestPaletteIndex, SmallestSumOfDifferencesFirstOfEquals) {
  const TPVRGB palette[] = {MakeRGB(0, 0, 0), MakeRGB(100, 100, 100), MakeRGB(110, 90, 100),
                            MakeRGB(255, 255, 255)};
  struct Case {
    TPVRGB color;
    int32_t count, index;
  };
  const Case cases[] = {
      {MakeRGB(105, 95, 100), 4, 1},  // 10 from entries 1 and 2: the first
      {MakeRGB(109, 91, 100), 4, 2},  {MakeRGB(250, 250, 250), 4, 3},
      {MakeRGB(250, 250, 250), 3, 1},  // 450 from entries 1 and 2
      {MakeRGB(1, 2, 3), 0, 0},       {MakeRGB(255, 255, 255), -2, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestPaletteIndex(palette, c.count, c.color), c.index);
}

TEST_P(ColorReduction, GreyRectangleUsesTheGreyWeights) {
  auto bitmap = Bitmap(6, 5, pv24RGB);
  const TPVRGB colours[4] = {MakeRGB(255, 0, 0), MakeRGB(0, 255, 0), MakeRGB(0, 0, 255),
                             MakeRGB(255, 255, 255)};
  FillRGB(*bitmap, [&](int32_t x, int32_t) { return colours[x % 4]; });
  ProgressLog log;
  // X1, Y1 below 0 are held at 0; X2, Y2 past the edge at the size.
  ConvertRectToGray(*bitmap, -3, -1, 4, 3, log.Event(), nullptr);
  const int greys[4] = {53, 181, 20, 255};
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const uint8_t g = static_cast<uint8_t>(greys[x % 4]);
      EXPECT_EQ(RGBAt(*bitmap, x, y), x < 4 && y < 3 ? MakeRGB(g, g, g) : colours[x % 4]);
    }
  // Trunc(rows done * 100 / 2.5): 40, 80, then 120 held at 100.
  EXPECT_EQ(log.values, (std::vector<int>{40, 80, 100}));
  log.values.clear();
  ConvertRectToGray(*bitmap, 2, 1, 100, 100, log.Event(), nullptr);
  EXPECT_EQ(log.values, (std::vector<int>{28, 57, 85, 100}));  // four rows: / 3.5
}

TEST_P(ColorReduction, EmptyRectanglesChangeAndReportNothing) {
  auto bitmap = Bitmap(4, 4, pv24RGB);
  FillRGB(*bitmap, [](int32_t, int32_t) { return MakeRGB(255, 0, 0); });
  ProgressLog log;
  for (auto [x1, y1, x2, y2] :
       {std::tuple{2, 0, 2, 4}, std::tuple{0, 3, 4, 1}, std::tuple{-5, -5, 0, 0},
        std::tuple{4, 0, 9, 4}, std::tuple{0, 9, 4, 12}})
    ConvertRectToGray(*bitmap, x1, y1, x2, y2, log.Event(), nullptr);
  EXPECT_TRUE(log.values.empty());
  EXPECT_EQ(RGBAt(*bitmap, 2, 2), MakeRGB(255, 0, 0));
}

TEST_P(ColorReduction, ReduceReportsOncePerRowAndLeavesOtherFormatsAlone) {
  auto bitmap = Bitmap(30, 9, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t y) { return MakeRGB(x * 8, y * 20, 100); });
  ProgressLog log;
  std::vector<TPVRGB> palette(16);
  ReduceColors24(*bitmap, 16, palette.data(), log.Event(), nullptr);
  ASSERT_EQ(log.values.size(), 9u);
  for (size_t y = 0; y < 9; ++y)
    EXPECT_EQ(log.values[y], static_cast<int>(100 / 9.5 * double(y + 1)));
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      const TPVRGB c = RGBAt(*bitmap, x, y);
      EXPECT_NE(std::find(palette.begin(), palette.end(), c), palette.end());
    }
  // A null palette works on a temporary one; no colours or another format change nothing.
  auto again = Bitmap(30, 9, pv24RGB);
  FillRGB(*again, [](int32_t x, int32_t y) { return MakeRGB(x * 8, y * 20, 100); });
  ReduceColors24(*again, 0, nullptr, nullptr, nullptr);
  EXPECT_EQ(RGBAt(*again, 29, 8), MakeRGB(232, 160, 100));
  ReduceColors24(*again, 16, nullptr, nullptr, nullptr);
  EXPECT_EQ(RGBAt(*again, 29, 8), RGBAt(*bitmap, 29, 8));
  auto grey = Bitmap(3, 3, pv8g);
  grey->Fill(77);
  log.values.clear();
  ReduceColors24(*grey, 2, nullptr, log.Event(), nullptr);
  EXPECT_EQ(grey->GetScanline(2)[2], 77);
  EXPECT_TRUE(log.values.empty());
}

// Every pixel becomes its quantiser's palette entry, with each quantiser (the network's results
// go through a table of the colours met).
TEST_P(ColorReduction, ReducedPixelsAreTheQuantisersEntries) {
  const auto colour = [](int32_t x, int32_t y) {
    return MakeRGB(static_cast<uint8_t>(x * 5 + y), static_cast<uint8_t>(y * 7),
                   static_cast<uint8_t>(x * y));
  };
  for (int32_t algorithm : {0, 1}) {
    test::ScopedOverride<int32_t> choice(QuantizerAlgorithm, algorithm);
    auto original = Bitmap(61, 47, pv24RGB);
    FillRGB(*original, colour);
    std::vector<TPVRGB> expectedPalette(256);
    const TPVQuantizer quantizer(*original, expectedPalette.data(), 256);
    ASSERT_EQ(quantizer.Algorithm, algorithm);
    auto reduced = Bitmap(61, 47, pv24RGB);
    FillRGB(*reduced, colour);
    std::vector<TPVRGB> palette(256);
    ReduceColors24(*reduced, 256, palette.data(), nullptr, nullptr);
    ASSERT_EQ(palette, expectedPalette);
    for (int32_t y = 0; y < 47; ++y)
      for (int32_t x = 0; x < 61; ++x)
        ASSERT_EQ(RGBAt(*reduced, x, y), palette[quantizer.RGBIndex(colour(x, y))])
            << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, ColorReduction, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
