// Rounding toward the infinities, clamping with its Low-first rule, min/max and exchanges.
#include "imaging/base/numeric_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace calmora {
namespace {

TEST(NumericHelpers, CeilAndFloorToInt) {
  struct Case {
    long double x;
    int32_t ceil;
    int32_t floor;
  };
  const Case cases[] = {
      {2.0L, 2, 2},
      {-1.5L, -1, -2},
      {1.5L, 2, 1},
      {0.0L, 0, 0},
      {-0.0L, 0, 0},
      {-2.0L, -2, -2},
      {0.25L, 1, 0},
      {-0.25L, 0, -1},
      {1e-30L, 1, 0},
      {-1e-30L, 0, -1},
      {2147483646.5L, 2147483647, 2147483646},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CeilToInt(c.x), c.ceil) << static_cast<double>(c.x);
    EXPECT_EQ(FloorToInt(c.x), c.floor) << static_cast<double>(c.x);
  }
}

TEST(NumericHelpers, RoundingOutOfRangeSaturates) {
  EXPECT_EQ(CeilToInt(1e12L), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(FloorToInt(-1e12L), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(CeilToInt(std::numeric_limits<long double>::quiet_NaN()), 0);
  EXPECT_EQ(FloorToInt(std::numeric_limits<long double>::infinity()),
            std::numeric_limits<int32_t>::max());
}

TEST(NumericHelpers, MinMax) {
  EXPECT_EQ(IntMax(3, 7), 7);
  EXPECT_EQ(IntMax(-3, -7), -3);
  EXPECT_EQ(IntMin(3, 7), 3);
  EXPECT_EQ(IntMin(-3, -7), -7);
  EXPECT_EQ(MinFloat(1.5, -2.5), -2.5);
  EXPECT_EQ(MaxFloat(1.5, -2.5), 1.5);
  // With a NaN the comparison fails, so the second argument comes back.
  EXPECT_EQ(MinFloat(std::nan(""), 4.0), 4.0);
  EXPECT_EQ(MaxFloat(std::nan(""), 4.0), 4.0);
}

TEST(NumericHelpers, ClampIntTestsLowFirst) {
  EXPECT_EQ(ClampInt(5, 0, 10), 5);
  EXPECT_EQ(ClampInt(-5, 0, 10), 0);
  EXPECT_EQ(ClampInt(15, 0, 10), 10);
  EXPECT_EQ(ClampInt(0, 0, 10), 0);
  EXPECT_EQ(ClampInt(10, 0, 10), 10);
  // Low above High: at or below Low gives Low, anything above Low gives High.
  EXPECT_EQ(ClampInt(10, 10, 0), 10);
  EXPECT_EQ(ClampInt(-4, 10, 0), 10);
  EXPECT_EQ(ClampInt(11, 10, 0), 0);
  EXPECT_EQ(ClampInt(500, 10, 0), 0);
}

TEST(NumericHelpers, ClampByte) {
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(0), 0);
  EXPECT_EQ(ClampByte(255), 255);
  EXPECT_EQ(ClampByte(128), 128);
  EXPECT_EQ(ClampByte(std::numeric_limits<int32_t>::min()), 0);
}

TEST(NumericHelpers, SwapsAndOrderCorners) {
  int32_t a = 1, b = 2;
  SwapInt(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
  uint8_t x = 10, y = 20;
  SwapByte(x, y);
  EXPECT_EQ(x, 20);
  EXPECT_EQ(y, 10);

  int32_t x1 = 9, y1 = 2, x2 = 3, y2 = 8;
  OrderCorners(x1, y1, x2, y2);
  EXPECT_EQ(x1, 3);
  EXPECT_EQ(x2, 9);
  EXPECT_EQ(y1, 2);
  EXPECT_EQ(y2, 8);
  x1 = 1, y1 = 7, x2 = 4, y2 = -1;
  OrderCorners(x1, y1, x2, y2);
  EXPECT_EQ(x1, 1);
  EXPECT_EQ(x2, 4);
  EXPECT_EQ(y1, -1);
  EXPECT_EQ(y2, 7);
}

}  // namespace
}  // namespace calmora
