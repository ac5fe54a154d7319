// Shrink1BitToGray: grey levels counted from a 1-bit rectangle, against a plain model of its
// boxes over random rectangles, including rectangles that reach outside the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imaging/proc/resample/resample_engines.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

int32_t Trunc(double v) { return static_cast<int32_t>(v); }

// Row boxes: Trunc(j fy - fy / 2) .. Trunc(j fy + Trunc(fy) / 2), limited to the source's
// height, offset by Y1. Column boxes: X1 + Trunc(i fx -+ fx / 2). Then every box is limited to
// the source.
Plane ModelShrink(const Plane& s, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t dw,
                  int32_t dh) {
  const double fx = static_cast<double>(x2 - x1 + 1) / dw;
  const double fy = static_cast<double>(y2 - y1 + 1) / dh;
  const int32_t ty = Trunc(fy);
  const auto inRows = [&](int32_t v) { return std::clamp(v, 0, s.height - 1); };
  const auto inColumns = [&](int32_t v) { return std::clamp(v, 0, s.width - 1); };
  Plane out(dw, dh, 3);
  for (int32_t j = 0; j < dh; ++j) {
    const int32_t top = inRows(inRows(Trunc(j * fy - fy / 2)) + y1);
    const int32_t bottom = inRows(inRows(Trunc(j * fy + ty / 2.0)) + y1);
    for (int32_t i = 0; i < dw; ++i) {
      const int32_t left = inColumns(x1 + Trunc(i * fx - fx / 2));
      const int32_t right = inColumns(x1 + Trunc(i * fx + fx / 2));
      int32_t set = 0, pixels = 0;
      for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x, ++pixels) set += s.at(x, y);
      for (int32_t c = 0; c < 3; ++c) out.at(i, j, c) = 255 * set / pixels;
    }
  }
  return out;
}

class Shrink1Bit : public ::testing::TestWithParam<Storage> {
 protected:
  Plane Run(const Plane& source, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t dw,
            int32_t dh) {
    TPVBitmap from, to;
    MakeBitmap(from, GetParam(), source, pv1g);
    MakeBitmap(to, GetParam(), dw, dh, pv24RGB);
    EXPECT_TRUE(Shrink1BitToGray(from, x1, y1, x2, y2, to));
    return ReadPlane(to);
  }
  TempFolderScope temp_;
};

TEST_P(Shrink1Bit, AllWhiteGivesWhiteEverywhere) {
  Plane white(23, 17, 1);
  std::fill(white.samples.begin(), white.samples.end(), 1);
  Plane expected(5, 4, 3);
  std::fill(expected.samples.begin(), expected.samples.end(), 255);
  EXPECT_EQ(Run(white, 0, 0, 22, 16, 5, 4), expected);
  EXPECT_EQ(Run(white, 3, 2, 20, 9, 5, 4), expected);
}

// Random rectangles inside the source, and rectangles reaching past any of its edges: those
// count only source pixels, their boxes being limited to the source in absolute positions.
TEST_P(Shrink1Bit, AgreesWithThePlainModelOverRandomRectangles) {
  std::mt19937 random(31);
  const auto below = [&](int32_t n) { return static_cast<int32_t>(random() % n); };
  for (const bool inside : {true, false})
    for (int trial = 0; trial < 150; ++trial) {
      const int32_t sw = 1 + below(40), sh = 1 + below(40);
      int32_t x1 = below(sw), y1 = below(sh);
      int32_t x2 = x1 + below(sw - x1), y2 = y1 + below(sh - y1);
      if (!inside) {
        x1 = below(80) - 40, y1 = below(80) - 40;
        x2 = x1 + below(70), y2 = y1 + below(70);
      }
      const int32_t dw = 1 + below(inside ? x2 - x1 + 1 : 25);
      const int32_t dh = 1 + below(inside ? y2 - y1 + 1 : 25);
      const Plane source = RandomPlane(random, sw, sh, pv1g);
      ASSERT_EQ(Run(source, x1, y1, x2, y2, dw, dh), ModelShrink(source, x1, y1, x2, y2, dw, dh))
          << sw << "x" << sh << " (" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") to "
          << dw << "x" << dh;
    }
}

TEST_P(Shrink1Bit, CornersAtTheIntegerLimitsStayInsideTheSource) {
  std::mt19937 random(33);
  const Plane source = RandomPlane(random, 9, 7, pv1g);
  TPVBitmap from, to;
  MakeBitmap(from, GetParam(), source, pv1g);
  MakeBitmap(to, GetParam(), 3, 2, pv24RGB);
  EXPECT_TRUE(Shrink1BitToGray(from, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, to));
  EXPECT_TRUE(Shrink1BitToGray(from, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, to));
  EXPECT_TRUE(Shrink1BitToGray(from, INT32_MIN, 0, INT32_MIN, 0, to));
}

TEST_P(Shrink1Bit, InvertedRectangleIsRefusedAndWritesNothing) {
  TPVBitmap from, to;
  MakeBitmap(from, GetParam(), 9, 7, pv1g);
  MakeBitmap(to, GetParam(), 3, 2, pv24RGB);
  WritePattern(to, 4);
  const auto before = AllBytes(to);
  EXPECT_FALSE(Shrink1BitToGray(from, 5, 0, 4, 6, to));
  EXPECT_FALSE(Shrink1BitToGray(from, 0, 3, 8, 2, to));
  EXPECT_EQ(AllBytes(to), before);
}

INSTANTIATE_TEST_SUITE_P(Storages, Shrink1Bit, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
