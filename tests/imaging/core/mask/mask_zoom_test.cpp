// StretchMaskRect against a pixel-by-pixel model of the zoomed copy, sources far wider and
// taller than 2^31 / 16384 pixels, and the zoom buffer's life between drawing calls.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/core/mask/mask.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/mask/mask_test_shapes.h"

namespace calmora {
namespace {

// Trunc of a real, as a 64-bit integer.
int64_t Trunc(double v) { return static_cast<int64_t>(std::trunc(v)); }

// The zoomed copy written out from its definition: a destination pixel inside the box's
// destination span shows the mask pixel under origin + (k x step) >> 14 (rows past the mask
// show its last row); everything else is 0.
std::vector<int32_t> ModelZoom(const TPVMask& mask, int32_t width, int32_t height, int32_t sx,
                               int32_t sy, int32_t sw, int32_t sh) {
  std::vector<int32_t> zoom(static_cast<size_t>(width) * height, 0);
  const int64_t stepX = Trunc(static_cast<double>(sw) / width * 16384);
  const int64_t stepY = Trunc(static_cast<double>(sh) / height * 16384);
  const double rx = static_cast<double>(width) / sw, ry = static_cast<double>(height) / sh;
  const int64_t firstRow = std::max<int64_t>(Trunc((mask.BoxTop - sy) * ry), 0);
  const int64_t lastRow = std::min<int64_t>(Trunc(ry * (mask.BoxBottom - sy + 1)), height - 1);
  const int64_t firstColumn = std::max<int64_t>(Trunc((mask.BoxLeft - sx) * rx), 0);
  const int64_t lastColumn = std::min<int64_t>(Trunc(rx * (mask.BoxRight - sx + 1)), width - 1);
  for (int64_t i = firstRow; i <= lastRow; ++i)
    for (int64_t j = firstColumn; j <= lastColumn; ++j) {
      const int64_t row = std::min<int64_t>(sy + ((i * stepY) >> 14), mask.Height - 1);
      const int64_t column = sx + ((j * stepX) >> 14);
      zoom[i * width + j] = mask.GetPixel(static_cast<int32_t>(column), static_cast<int32_t>(row));
    }
  return zoom;
}

std::vector<int32_t> ReadZoom(const std::vector<uint8_t>& buffer, int32_t bits, int32_t width,
                              int32_t height) {
  std::vector<int32_t> zoom;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      zoom.push_back(test::ZoomPixel(buffer.data(), bits, width, height, x, y));
  return zoom;
}

TEST(StretchMaskRect, MatchesThePixelModelAtManyZoomsAndOffsets) {
  std::mt19937 random(2113);
  for (int32_t bits : {1, 8}) {
    TPVMask mask;
    ASSERT_TRUE(mask.Allocate(97, 61, bits));
    test::FillStar(mask, bits == 1 ? 1 : 255, 50, 30, 28, 12, 9);
    if (bits == 8) mask.FillSpan(90, 10, 40, 30);  // soft values are copied as they are
    for (int trial = 0; trial < 300; ++trial) {
      std::uniform_int_distribution<int32_t> offset(-20, 80), extent(1, 120), size(1, 150);
      const int32_t sx = offset(random), sy = offset(random), sw = extent(random),
                    sh = extent(random), height = size(random);
      const int32_t width = trial % 3 == 0 ? sw : size(random);  // 1:1 across is copied straight
      const int32_t rowBytes = (width * bits + 31) / 32 * 4;
      std::vector<uint8_t> buffer(static_cast<size_t>(rowBytes) * height, 0xA5);
      StretchMaskRect(mask, buffer.data(), width, height, sx, sy, sw, sh);
      ASSERT_EQ(ReadZoom(buffer, bits, width, height),
                ModelZoom(mask, width, height, sx, sy, sw, sh))
          << bits << " bits, source " << sx << "," << sy << " " << sw << "x" << sh << " into "
          << width << "x" << height;
    }
  }
}

TEST(StretchMaskRect, EmptySourcesAndMasksGiveZeros) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(16, 16, 8));
  std::vector<uint8_t> buffer(16 * 16, 7);
  StretchMaskRect(mask, buffer.data(), 16, 16, 0, 0, 16, 16);  // nothing selected
  EXPECT_EQ(buffer, std::vector<uint8_t>(16 * 16, 0));
  mask.Fill(255);
  mask.SetPixel(0, 0, 255);
  mask.RecomputeBox();
  buffer.assign(buffer.size(), 7);
  StretchMaskRect(mask, buffer.data(), 16, 16, 0, 0, 0, 16);
  EXPECT_EQ(buffer, std::vector<uint8_t>(16 * 16, 0));
  buffer.assign(buffer.size(), 7);
  StretchMaskRect(mask, buffer.data(), 0, 16, 0, 0, 16, 16);
  EXPECT_EQ(buffer, std::vector<uint8_t>(16 * 16, 7)) << "no destination: nothing written";
}

// 200,000 source columns onto 100: the step is 2000 x 16384, and column 99 needs 3.2 x 10^9.
TEST(StretchMaskRect, MapsSourcesWiderAndTallerThanTwoToTheThirtyOneOverTheStep) {
  for (int32_t bits : {1, 8}) {
    TPVMask wide;
    ASSERT_TRUE(wide.Allocate(200000, 2, bits));
    for (int32_t y = 0; y < 2; ++y) wide.FillSpan(bits == 1 ? 1 : 255, 190000, 199999, y);
    wide.RecomputeBox();
    std::vector<uint8_t> buffer(static_cast<size_t>((100 * bits + 31) / 32 * 4) * 2);
    StretchMaskRect(wide, buffer.data(), 100, 2, 0, 0, 200000, 2);
    for (int32_t x = 0; x < 100; ++x)
      EXPECT_EQ(test::ZoomPixel(buffer.data(), bits, 100, 2, x, 1) != 0, x >= 95)
          << bits << " bits, column " << x;

    TPVMask tall;
    ASSERT_TRUE(tall.Allocate(2, 200000, bits));
    for (int32_t y = 190000; y < 200000; ++y) tall.FillSpan(bits == 1 ? 1 : 255, 0, 1, y);
    tall.RecomputeBox();
    std::vector<uint8_t> column(static_cast<size_t>(4) * 100);
    StretchMaskRect(tall, column.data(), 2, 100, 0, 0, 2, 200000);
    for (int32_t y = 0; y < 100; ++y)
      EXPECT_EQ(test::ZoomPixel(column.data(), bits, 2, 100, 1, y) != 0, y >= 95)
          << bits << " bits, row " << y;
  }
}

TEST(ZoomBuffer, IsKeptWhileTheDestinationSizeStaysAndRefilledEveryCall) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(40, 30, 1));
  test::FillStar(mask, 1, 20, 15, 12, 5, 6);
  platform::TBitmap bitmap;
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(64, 48);
  mask.ShadeOutside(bitmap, 0, 0, 64, 48, 0, 0, 40, 30);
  ASSERT_NE(mask.ZoomBuffer, nullptr);
  const uint8_t* buffer = mask.ZoomBuffer;
  EXPECT_EQ(mask.ZoomWidth, 64);
  EXPECT_EQ(mask.ZoomHeight, 48);
  ASSERT_EQ(mask.ZoomRows.size(), 48u);
  EXPECT_EQ(mask.ZoomRows[47], mask.ZoomBuffer) << "rows are stored bottom-up";

  // Same size, another source: the same memory, new content.
  mask.DrawOutline(*bitmap.GetCanvas(), 0, 0, 0, TPVDrawRect{0, 0, 64, 48},
                   TPVDrawRect{20, 15, 20, 15});
  EXPECT_EQ(mask.ZoomBuffer, buffer);
  std::vector<uint8_t> expected(8 * 48);
  StretchMaskRect(mask, expected.data(), 64, 48, 20, 15, 20, 15);
  EXPECT_EQ(std::vector<uint8_t>(mask.ZoomBuffer, mask.ZoomBuffer + 8 * 48), expected);

  mask.ShadeOutside(bitmap, 0, 0, 32, 24, 0, 0, 40, 30);
  EXPECT_EQ(mask.ZoomWidth, 32);
  EXPECT_EQ(mask.ZoomHeight, 24);
  EXPECT_EQ(mask.ZoomRows.size(), 24u);
  mask.FreeData();
  EXPECT_EQ(mask.ZoomBuffer, nullptr);
}

}  // namespace
}  // namespace calmora
