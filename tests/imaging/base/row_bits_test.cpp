// Row lengths (in 64 bits, refusing what does not fit), bit counts, byte and bit order.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "imaging/base/row_bits.h"
#include "platform/device_bitmap.h"

namespace calmora {
namespace {

TEST(UtilsBits, CalcRowLengthValues) {
  struct Case {
    int32_t width, bpp, alignment;
    int64_t length;
  };
  const Case cases[] = {
      {1, 1, 32, 4},
      {3, 24, 32, 12},
      {5, 8, 8, 5},
      {5, 1, 8, 1},
      {0, 24, 32, 0},
      {33, 1, 32, 8},
      {32, 1, 32, 4},
      {1, 24, 32, 4},
      {7, 4, 32, 4},
      {9, 4, 32, 8},
      {5, 8, 16, 6},
      {3, 24, 64, 16},
      {100, 48, 32, 600},
      {1, 1, 1, 0},
      // Widths from file headers: the product runs past 32 bits and is not wrapped.
      {0x7FFFFFFF, 32, 32, 8589934588LL},
      {0x40000000, 32, 32, 4294967296LL},
      {0x7FFFFFFF, 48, 8, 12884901882LL},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CalcRowLength(c.width, c.bpp, c.alignment), c.length)
        << c.width << " x " << c.bpp << " / " << c.alignment;
}

TEST(UtilsBits, CalcRowLengthRefusesNonsense) {
  EXPECT_EQ(CalcRowLength(-1, 24, 32), -1);
  EXPECT_EQ(CalcRowLength(10, -8, 32), -1);
  EXPECT_EQ(CalcRowLength(10, 8, 0), -1);
  EXPECT_EQ(CalcRowLength(10, 8, -32), -1);
}

TEST(UtilsBits, TryCalcRowLengthKeepsToInt32) {
  int32_t length = -7;
  EXPECT_TRUE(TryCalcRowLength(3, 24, 32, length));
  EXPECT_EQ(length, 12);
  length = -7;
  EXPECT_FALSE(TryCalcRowLength(0x40000000, 32, 32, length));  // 4 GiB rows
  EXPECT_FALSE(TryCalcRowLength(-3, 24, 32, length));
  EXPECT_EQ(length, -7);
  EXPECT_TRUE(TryCalcRowLength(0x1FFFFFFF, 32, 32, length));
  EXPECT_EQ(length, 0x7FFFFFFC);
}

TEST(UtilsBits, ImageByteSize) {
  EXPECT_EQ(CalcImageByteSize(300, 100), 30000);
  EXPECT_EQ(CalcImageByteSize(0x7FFFFFFC, 0x7FFFFFFF), 0x7FFFFFFCLL * 0x7FFFFFFFLL);
  EXPECT_EQ(CalcImageByteSize(std::numeric_limits<int64_t>::max(), 2), -1);
  EXPECT_EQ(CalcImageByteSize(-4, 2), -1);
  EXPECT_EQ(CalcImageByteSize(4, -2), -1);
  EXPECT_EQ(CalcImageByteSize(0, 5), 0);
}

TEST(UtilsBits, DeviceBitmapBitCounts) {
  using namespace platform;
  EXPECT_EQ(GetTBitmapBitCount(pf1bit), 1);
  EXPECT_EQ(GetTBitmapBitCount(pf4bit), 4);
  EXPECT_EQ(GetTBitmapBitCount(pf8bit), 8);
  EXPECT_EQ(GetTBitmapBitCount(pf15bit), 15);
  EXPECT_EQ(GetTBitmapBitCount(pf16bit), 16);
  EXPECT_EQ(GetTBitmapBitCount(pf24bit), 24);
  EXPECT_EQ(GetTBitmapBitCount(pf32bit), 32);
  EXPECT_EQ(GetTBitmapBitCount(pfDevice), 0);
  EXPECT_EQ(GetTBitmapBitCount(pfCustom), 0);
  EXPECT_EQ(CalcTBitmapRowLength(3, pf24bit), 12);
  EXPECT_EQ(CalcTBitmapRowLength(3, pf15bit), 8);
  EXPECT_EQ(CalcTBitmapRowLength(9, pf1bit), 4);
}

TEST(UtilsBits, CountBitsNeeded) {
  struct Case {
    uint32_t n;
    int32_t bits;
  };
  const Case cases[] = {{1, 0},
                        {2, 1},
                        {3, 2},
                        {4, 2},
                        {5, 3},
                        {256, 8},
                        {257, 9},
                        {0, -1},
                        {255, 8},
                        {16, 4},
                        {0x80000000u, 31},
                        {0x80000001u, 32},
                        {0xFFFFFFFFu, 32}};
  for (const Case& c : cases) EXPECT_EQ(CountBitsNeeded(c.n), c.bits) << c.n;
  // Callers pass signed counts; -1 is taken as unsigned.
  EXPECT_EQ(CountBitsNeeded(static_cast<uint32_t>(-1)), 32);
}

TEST(UtilsBits, GetMaskBitWidth) {
  struct Case {
    uint32_t mask;
    int32_t width;
  };
  const Case cases[] = {{0x00F80000u, 5},
                        {0x3E0u, 5},
                        {0, 0},
                        {0xFFFFFFFFu, 32},
                        {0x1Fu, 5},
                        {0xFF00u, 8},
                        {0x80000000u, 1},
                        {0x00F000F0u, 4},
                        {0xC0000000u, 2},
                        {0x7FFFFFFFu, 31},
                        {1, 1}};
  for (const Case& c : cases) EXPECT_EQ(GetMaskBitWidth(c.mask), c.width) << std::hex << c.mask;
}

TEST(UtilsBits, CalcColorCount) {
  EXPECT_EQ(CalcColorCount(8, 1), 256);
  EXPECT_EQ(CalcColorCount(8, 3), 16777216);
  EXPECT_EQ(CalcColorCount(4, 2), 256);
  EXPECT_EQ(CalcColorCount(1, 1), 2);
  EXPECT_EQ(CalcColorCount(1, 0), 1);
  EXPECT_EQ(CalcColorCount(8, -2), 1);
  EXPECT_EQ(CalcColorCount(33, 1), 2);  // bits and 31
  EXPECT_EQ(CalcColorCount(8, 4), 0);   // 2^32 wraps in 32-bit arithmetic
  EXPECT_EQ(CalcColorCount(16, 2), 0);
  EXPECT_EQ(CalcColorCount(31, 1), std::numeric_limits<int32_t>::min());
}

TEST(UtilsBits, ByteOrderSwaps) {
  EXPECT_EQ(SwapWord(0x12345678u), 0x12347856u);
  EXPECT_EQ(SwapWordIf(0x12345678u, true), 0x7856u);
  EXPECT_EQ(SwapWordIf(0x12345678u, false), 0x12345678u);
  EXPECT_EQ(SwapDWord(0x12345678u), 0x78563412u);
  EXPECT_EQ(SwapDWordIf(0x12345678u, true), 0x78563412u);
  EXPECT_EQ(SwapDWordIf(0x12345678u, false), 0x12345678u);
  EXPECT_EQ(SwapDWord(SwapDWord(0xCAFEBABEu)), 0xCAFEBABEu);
}

uint32_t NaiveReverse(uint32_t value, int bits) {
  uint32_t result = 0;
  for (int i = 0; i < bits; ++i)
    if (value & (1u << i)) result |= 1u << (bits - 1 - i);
  return result;
}

TEST(UtilsBits, BitReversal) {
  for (uint32_t v = 0; v < 256; ++v) {
    uint8_t b = static_cast<uint8_t>(v);
    ReverseByteBits(b);
    EXPECT_EQ(b, NaiveReverse(v, 8)) << v;
  }
  uint32_t one = 1;
  ReverseDWordBits(one);
  EXPECT_EQ(one, 0x80000000u);
  std::mt19937 random(5);
  for (int i = 0; i < 1000; ++i) {
    const uint32_t v = random();
    uint32_t r = v;
    ReverseDWordBits(r);
    EXPECT_EQ(r, NaiveReverse(v, 32));
  }
}

}  // namespace
}  // namespace calmora
