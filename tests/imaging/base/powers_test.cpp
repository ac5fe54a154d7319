// Powers with their integral fast paths and the cosine table of the blends.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "imaging/base/defs.h"
#include "imaging/base/powers.h"

namespace calmora {
namespace {

TEST(UtilsMath, RaiseToIntPower) {
  EXPECT_EQ(RaiseToIntPower(2, 10), 1024.0L);
  EXPECT_EQ(RaiseToIntPower(2, -2), 0.25L);
  EXPECT_EQ(RaiseToIntPower(7.5L, 0), 1.0L);
  EXPECT_EQ(RaiseToIntPower(0, 0), 1.0L);
  EXPECT_EQ(RaiseToIntPower(-3, 3), -27.0L);
  EXPECT_EQ(RaiseToIntPower(-3, 4), 81.0L);
  EXPECT_EQ(RaiseToIntPower(1, std::numeric_limits<int32_t>::min()), 1.0L);
  EXPECT_EQ(RaiseToIntPower(2, std::numeric_limits<int32_t>::min()), 0.0L);
}

TEST(UtilsMath, RaiseToPower) {
  EXPECT_EQ(RaiseToPower(5, 0), 1.0L);
  EXPECT_EQ(RaiseToPower(0, 3), 0.0L);
  EXPECT_EQ(RaiseToPower(0, 0.5L), 0.0L);
  EXPECT_EQ(RaiseToPower(2, 3), 8.0L);
  EXPECT_EQ(RaiseToPower(-2, 3), -8.0L);  // integral exponent: a negative base is fine
  EXPECT_NEAR(static_cast<double>(RaiseToPower(2, 0.5L)), std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(static_cast<double>(RaiseToPower(10, -1.5L)), std::pow(10.0, -1.5), 1e-15);
  EXPECT_TRUE(std::isinf(RaiseToPower(0, -1)));
  // Beyond int32 the exponential path is taken.
  EXPECT_EQ(RaiseToPower(1, 3e9L), 1.0L);
}

TEST(UtilsMath, RaiseDoubleToPower) {
  EXPECT_EQ(RaiseDoubleToPower(0, 0), 1.0);
  EXPECT_EQ(RaiseDoubleToPower(0, 5), 0.0);
  EXPECT_EQ(RaiseDoubleToPower(0, -5), 0.0);
  EXPECT_EQ(RaiseDoubleToPower(3, 0), 1.0);
  EXPECT_EQ(RaiseDoubleToPower(3, 1), 3.0);
  EXPECT_EQ(RaiseDoubleToPower(3, 2), 9.0);
  EXPECT_EQ(RaiseDoubleToPower(2, -1), 0.5);
  EXPECT_EQ(RaiseDoubleToPower(2, -2), 0.25);
  EXPECT_EQ(RaiseDoubleToPower(2, 10), 1024.0);
  EXPECT_EQ(RaiseDoubleToPower(2, -3), 0.125);
  EXPECT_EQ(RaiseDoubleToPower(-2, 3), -8.0);
  EXPECT_NEAR(RaiseDoubleToPower(4, 0.5), 2.0, 1e-15);
  EXPECT_NEAR(RaiseDoubleToPower(0.5, 2.4), std::pow(0.5, 2.4), 1e-15);
  EXPECT_EQ(RaiseDoubleToPower(0, 0.5), 0.0);
  EXPECT_EQ(RaiseDoubleToPower(0, 3e9), 0.0);  // base 0 unchanged on the large-exponent path
  EXPECT_TRUE(std::isinf(RaiseDoubleToPower(2, 3e9)));
}

TEST(UtilsMath, ChoosersPickByFlag) {
  EXPECT_EQ(ChooseInt(true, 1, 2), 1);
  EXPECT_EQ(ChooseInt(false, 1, 2), 2);
  EXPECT_EQ(SelectInteger(true, -1, 2), -1);
  EXPECT_EQ(SelectInteger(false, -1, 2), 2);
  EXPECT_EQ(SelectDouble(true, 0.5, 2.5), 0.5);
  EXPECT_EQ(SelectDouble(false, 0.5, 2.5), 2.5);
}

TEST(UtilsMath, CosineTable) {
  BuildCosineTable();
  EXPECT_EQ(CosineBlendTable[0], 0);
  EXPECT_EQ(CosineBlendTable[255], 128);
  EXPECT_EQ(CosineBlendTable[85], 32);   // cos(pi / 3) = 1/2
  EXPECT_EQ(CosineBlendTable[170], 96);  // cos(2 pi / 3) = -1/2
  EXPECT_EQ(CosineBlendTable[127], 64);
  EXPECT_EQ(CosineBlendTable[128], 64);
  EXPECT_EQ(CosineBlendTable[1], 0);   // 0.0049
  EXPECT_EQ(CosineBlendTable[20], 2);  // 1.9330
  for (int i = 1; i < 256; ++i) EXPECT_GE(CosineBlendTable[i], CosineBlendTable[i - 1]);
  // Symmetric about the middle: the table blends one way as the other.
  for (int i = 0; i < 256; ++i) EXPECT_EQ(CosineBlendTable[i] + CosineBlendTable[255 - i], 128);
}

}  // namespace
}  // namespace calmora
