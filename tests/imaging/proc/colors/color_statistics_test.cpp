// The mean colour (a mean of row means, pvRGB48 scaled) and the grey histogram of each format,
// with pv32f values outside 0..1 held to the end bins.
#include "imaging/proc/colors/color_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "imaging/base/color_helpers.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"

namespace calmora {
namespace {

using test::FillRGB;
using test::NewBitmap;
using test::PutRGB;
using test::Storage;

class ColorStatistics : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Bitmap(int32_t width, int32_t height, TPVPixelFormat format) {
    return NewBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST_P(ColorStatistics, AverageIsAMeanOfRowMeans) {
  auto bitmap = Bitmap(2, 2, pv24RGB);
  // Row means 1 (of 1, 2) and 2 (of 2, 3): 3 div 2 = 1, where the pixels' mean is 2.
  PutRGB(*bitmap, 0, 0, MakeRGB(1, 10, 0));
  PutRGB(*bitmap, 1, 0, MakeRGB(2, 20, 0));
  PutRGB(*bitmap, 0, 1, MakeRGB(2, 30, 255));
  PutRGB(*bitmap, 1, 1, MakeRGB(3, 40, 255));
  int32_t r = -1, g = -1, b = -1;
  AverageColor(*bitmap, r, g, b);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g, 25);
  EXPECT_EQ(b, 127);
}

TEST_P(ColorStatistics, AverageScalesSixteenBitColour) {
  auto bitmap = Bitmap(3, 1, pvRGB48);
  const TPVRGB48 pixel{25900, 65535, 0};  // red: 25900 * 255 / 65535 = 100.78, high byte 101
  for (int32_t x = 0; x < 3; ++x) std::memcpy(bitmap->GetScanline(0) + 6 * x, &pixel, 6);
  int32_t r = -1, g = -1, b = -1;
  AverageColor(*bitmap, r, g, b);
  EXPECT_EQ(r, 100);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 0);
}

TEST(AverageColor, OfAnEmptyBitmapIsBlack) {
  TPVBitmap empty;
  int32_t r = 5, g = 5, b = 5;
  AverageColor(empty, r, g, b);
  EXPECT_EQ(r + g + b, 0);
}

TEST_P(ColorStatistics, HistogramOfColourFormatsCountsGreyLevels) {
  auto bitmap = Bitmap(4, 2, pv24RGB);
  const TPVRGB colours[4] = {MakeRGB(255, 0, 0), MakeRGB(0, 255, 0), MakeRGB(0, 0, 255),
                             MakeRGB(255, 255, 255)};
  FillRGB(*bitmap, [&](int32_t x, int32_t) { return colours[x]; });
  TPVGrayHistogram hist;
  hist.fill(99);
  GrayHistogram(*bitmap, hist);
  TPVGrayHistogram expected{};
  expected[53] = expected[181] = expected[20] = expected[255] = 2;
  EXPECT_EQ(hist, expected);
}

TEST_P(ColorStatistics, HistogramOfGreyFormatsCountsTheirValues) {
  const float floats[] = {-0.5f, 1.5f, 0.5f, std::numeric_limits<float>::quiet_NaN(), 1.0f, 0.0f};
  auto real = Bitmap(6, 1, pv32f);
  std::memcpy(real->GetScanline(0), floats, sizeof floats);
  auto words = Bitmap(3, 1, pv16g);
  const uint16_t values[] = {0xFFFF, 0x1234, 0x00FF};
  std::memcpy(words->GetScanline(0), values, sizeof values);
  auto bits = Bitmap(10, 1, pv1g);
  bits->GetScanline(0)[0] = 0xA0;  // pixels 0 and 2 set
  bits->GetScanline(0)[1] = 0x00;
  struct Case {
    TPVBitmap* bitmap;
    std::vector<std::pair<int, int64_t>> bins;
  };
  const Case cases[] = {
      {real.get(), {{0, 3}, {255, 2}, {127, 1}}},  // below 0 and NaN count as 0, above 1 as 255
      {words.get(), {{255, 1}, {0x12, 1}, {0, 1}}},
      {bits.get(), {{1, 2}, {0, 8}}},
  };
  for (const Case& c : cases) {
    TPVGrayHistogram hist;
    GrayHistogram(*c.bitmap, hist);
    TPVGrayHistogram expected{};
    for (auto [bin, count] : c.bins) expected[bin] = count;
    EXPECT_EQ(hist, expected) << "format " << int(c.bitmap->Format);
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, ColorStatistics, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
