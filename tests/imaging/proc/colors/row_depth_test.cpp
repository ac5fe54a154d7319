// ConvertRowDepth as one table: every pair of depths, the bytes written (into a destination
// that starts dirty, so packed rows must be cleared first) and the row length returned.
#include "imaging/proc/colors/row_depth.h"

#include <gtest/gtest.h>

#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/proc/colors/quantizer.h"

namespace calmora {
namespace {

constexpr uint8_t kDirty = 0xAA;

struct Case {
  int32_t sourceBits, destBits, width;
  std::vector<uint8_t> source;
  std::vector<uint8_t> written;  // the destination's first bytes afterwards; the rest stays dirty
  int32_t length;
};

TEST(ConvertRowDepth, EveryPairOfDepths) {
  std::vector<TPVRGB> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = TPVRGB{uint8_t(i), uint8_t(i + 1), uint8_t(i + 2)};
  // An image of three colours: the exact path indexes them 0, 1, 2 in order of appearance.
  TPVBitmap image(3, 1, pv24RGB);
  const uint8_t colours[9] = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  std::copy(colours, colours + 9, image.GetScanline(0));
  const TPVQuantizer quantizer(image, nullptr, 16);
  ASSERT_TRUE(quantizer.ExactColors);

  const Case cases[] = {
      {1, 1, 10, {0xA5, 0xC0}, {0xA5, 0xC0}, 2},
      {1, 4, 3, {0xA0}, {0x10, 0x10}, 2},  // the third pixel alone in the high nibble
      {1, 8, 5, {0xB0}, {1, 0, 1, 1, 0}, 5},
      {1, 24, 2, {0x40}, {0, 1, 2, 1, 2, 3}, 6},
      {4, 4, 3, {0x12, 0x30}, {0x12, 0x30}, 2},
      {4, 8, 3, {0x12, 0x3F}, {1, 2, 3}, 3},
      {4, 24, 2, {0x5A}, {5, 6, 7, 10, 11, 12}, 6},
      {8, 1, 10, {1, 0, 0, 1, 0, 0, 0, 1, 1, 0}, {0x91, 0x80}, 2},
      {8, 1, 3, {0, 7, 255}, {0x60}, 1},  // any non-zero byte is a set bit
      {8, 8, 3, {4, 5, 6}, {4, 5, 6}, 3},
      {8, 24, 2, {3, 200}, {3, 4, 5, 200, 201, 202}, 6},
      {24, 4, 3, {40, 50, 60, 70, 80, 90, 10, 20, 30}, {0x12, 0x00}, 2},
      {24, 8, 3, {40, 50, 60, 70, 80, 90, 10, 20, 30}, {1, 2, 0}, 3},
      {24, 24, 2, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, 6},
      {32, 24, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 5, 6, 7}, 6},
      // Pairs without a conversion write nothing but still give the length.
      {4, 1, 8, {0x11, 0x11, 0x11, 0x11}, {}, 1},
      {8, 4, 2, {1, 2}, {}, 1},
      {24, 1, 9, std::vector<uint8_t>(27, 0), {}, 2},
      {16, 8, 3, {1, 2, 3, 4, 5, 6}, {}, 3},
      {24, 32, 2, {1, 2, 3, 4, 5, 6}, {}, 0},
      {8, 8, -4, {1, 2, 3}, {}, 0},
      {8, 8, 0, {1}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.sourceBits << " -> " << c.destBits << " bits, width " << c.width);
    std::vector<uint8_t> dest(16, kDirty);
    EXPECT_EQ(ConvertRowDepth(c.source.data(), dest.data(), c.sourceBits, c.destBits, c.width,
                              palette.data(), &quantizer),
              c.length);
    std::vector<uint8_t> expected = c.written;
    expected.resize(dest.size(), kDirty);
    EXPECT_EQ(dest, expected);
  }
}

TEST(ConvertRowDepth, WithoutPaletteOrQuantiserWritesNothing) {
  const std::vector<uint8_t> source(12, 1);
  for (auto [from, to] : {std::pair{8, 24}, std::pair{1, 24}, std::pair{24, 8}, std::pair{24, 4}}) {
    std::vector<uint8_t> dest(16, kDirty);
    ConvertRowDepth(source.data(), dest.data(), from, to, 3, nullptr, nullptr);
    EXPECT_EQ(dest, std::vector<uint8_t>(16, kDirty)) << from << " -> " << to;
  }
}

}  // namespace
}  // namespace calmora
