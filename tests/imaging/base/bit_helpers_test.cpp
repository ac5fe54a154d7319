// MSB-first bit access, CopyBits against a plain bit-by-bit copy, and the red/blue exchanges.
#include "imaging/base/bit_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace calmora {
namespace {

TEST(BitHelpers, GetBitReturnsTheMask) {
  const uint8_t full = 0xFF;
  EXPECT_EQ(GetBit(&full, 0), 128);
  EXPECT_EQ(GetBit(&full, 7), 1);
  const uint8_t row[2] = {0x00, 0x41};
  EXPECT_EQ(GetBit(row, 8), 0);
  EXPECT_EQ(GetBit(row, 9), 0x40);
  EXPECT_EQ(GetBit(row, 15), 1);
  EXPECT_EQ(GetBit(row, 3), 0);
}

TEST(BitHelpers, SetBit) {
  uint8_t row[2] = {0, 0xFF};
  SetBit(row, 0, 1);
  SetBit(row, 7, 42);
  SetBit(row, 8, 0);
  SetBit(row, 15, 0);
  EXPECT_EQ(row[0], 0x81);
  EXPECT_EQ(row[1], 0x7E);
}

// The reference: one bit at a time; source bits past sourceSize bytes read as 0.
void NaiveCopyBits(uint8_t* dest, const uint8_t* source, int destPos, int srcPos, int count,
                   int sourceSize) {
  const int base = srcPos / 8;
  for (int t = 0; t < count; ++t) {
    const int bit = srcPos + t;
    const bool set = bit / 8 - base < sourceSize - base && GetBit(source, bit) != 0;
    SetBit(dest, destPos + t, set ? 1 : 0);
  }
}

TEST(BitHelpers, CopyBitsEqualsNaiveCopyOverRandomCases) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> byte(0, 255);
  int cases = 0;
  for (int destOffset = 0; destOffset < 8; ++destOffset)
    for (int srcOffset = 0; srcOffset < 8; ++srcOffset)
      for (int count = 0; count <= 200; ++count) {
        const int destPos = destOffset + 8 * (random() % 3);
        const int srcPos = srcOffset + 8 * (random() % 3);
        const int needed = (srcPos + count + 7) / 8;
        // Mostly a source that holds the whole run, sometimes one that ends early.
        const int sourceSize =
            random() % 4 == 0 ? static_cast<int>(random() % (needed + 1)) : needed;
        std::vector<uint8_t> source(static_cast<size_t>(sourceSize));
        for (auto& b : source) b = static_cast<uint8_t>(byte(random));
        std::vector<uint8_t> dest((destPos + count + 7) / 8 + 1);
        for (auto& b : dest) b = static_cast<uint8_t>(byte(random));
        std::vector<uint8_t> expected = dest;
        NaiveCopyBits(expected.data(), source.data(), destPos, srcPos, count, sourceSize);
        CopyBits(dest.data(), source.data(), destPos, srcPos, count, sourceSize);
        ASSERT_EQ(dest, expected) << "dest " << destPos << " src " << srcPos << " count " << count
                                  << " size " << sourceSize;
        ++cases;
      }
  EXPECT_EQ(cases, 8 * 8 * 201);
}

TEST(BitHelpers, CopyBitsLongRunsUseEveryPath) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const int count = 1 + static_cast<int>(random() % 3000);
    const int destPos = static_cast<int>(random() % 64);
    const int srcPos = static_cast<int>(random() % 64);
    const int sourceSize = (srcPos + count + 7) / 8 + static_cast<int>(random() % 16);
    std::vector<uint8_t> source(static_cast<size_t>(sourceSize));
    for (auto& b : source) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> dest((destPos + count + 7) / 8 + 2);
    for (auto& b : dest) b = static_cast<uint8_t>(random());
    std::vector<uint8_t> expected = dest;
    NaiveCopyBits(expected.data(), source.data(), destPos, srcPos, count, sourceSize);
    CopyBits(dest.data(), source.data(), destPos, srcPos, count, sourceSize);
    ASSERT_EQ(dest, expected) << "dest " << destPos << " src " << srcPos << " count " << count;
  }
}

TEST(BitHelpers, CopyBitsOverlappingRunsBehaveLikeAMove) {
  std::mt19937 random(99);
  for (int round = 0; round < 500; ++round) {
    std::vector<uint8_t> buffer(64);
    for (auto& b : buffer) b = static_cast<uint8_t>(random());
    const int count = 1 + static_cast<int>(random() % 200);
    const int srcPos = static_cast<int>(random() % (512 - count));
    const int destPos = static_cast<int>(random() % (512 - count));
    const std::vector<uint8_t> snapshot = buffer;
    std::vector<uint8_t> expected = buffer;
    NaiveCopyBits(expected.data(), snapshot.data(), destPos, srcPos, count, 64);
    CopyBits(buffer.data(), buffer.data(), destPos, srcPos, count, 64);
    ASSERT_EQ(buffer, expected) << "dest " << destPos << " src " << srcPos << " count " << count;
  }
}

TEST(BitHelpers, CopyBitsAlignedWholeBytesIsAPlainCopy) {
  const uint8_t source[4] = {0x12, 0x34, 0x56, 0x78};
  uint8_t dest[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  CopyBits(dest, source, 8, 0, 32, 4);
  const uint8_t expected[6] = {0xAA, 0x12, 0x34, 0x56, 0x78, 0xAA};
  EXPECT_EQ(std::memcmp(dest, expected, 6), 0);
}

TEST(BitHelpers, CopyBitsThreeBitsAtPositionSix) {
  const uint8_t source = 0xFF;
  uint8_t dest[3] = {0x00, 0x00, 0x00};
  CopyBits(dest, &source, 6, 0, 3, 1);
  EXPECT_EQ(dest[0], 0x03);  // the last two bits of the first byte
  EXPECT_EQ(dest[1], 0x80);  // the first bit of the second
  EXPECT_EQ(dest[2], 0x00);
  uint8_t ones[3] = {0xFF, 0xFF, 0xFF};
  const uint8_t zero = 0;
  CopyBits(ones, &zero, 6, 0, 3, 1);
  EXPECT_EQ(ones[0], 0xFC);
  EXPECT_EQ(ones[1], 0x7F);
  EXPECT_EQ(ones[2], 0xFF);
}

TEST(BitHelpers, CopyBitsReadsMissingSourceBytesAsZero) {
  const uint8_t source[2] = {0xFF, 0xFF};
  uint8_t dest[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  // 32 bits asked for, only one source byte granted.
  CopyBits(dest, source, 0, 0, 32, 1);
  EXPECT_EQ(dest[0], 0xFF);
  EXPECT_EQ(dest[1], 0x00);
  EXPECT_EQ(dest[2], 0x00);
  EXPECT_EQ(dest[3], 0x00);
  // No readable byte at all: the run is cleared.
  uint8_t more[2] = {0xFF, 0xFF};
  CopyBits(more, source, 4, 16, 8, 2);
  EXPECT_EQ(more[0], 0xF0);
  EXPECT_EQ(more[1], 0x0F);
}

TEST(BitHelpers, CopyBitsDoesNothingForBadArguments) {
  const uint8_t source = 0xFF;
  uint8_t dest = 0x00;
  CopyBits(&dest, &source, 0, 0, 0, 1);
  CopyBits(&dest, &source, 0, 0, -5, 1);
  CopyBits(&dest, &source, -1, 0, 4, 1);
  CopyBits(&dest, &source, 0, -1, 4, 1);
  EXPECT_EQ(dest, 0x00);
}

TEST(BitHelpers, InvertBytes) {
  uint8_t bytes[3] = {0x00, 0x0F, 0xA5};
  InvertBytes(bytes, 2);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xF0);
  EXPECT_EQ(bytes[2], 0xA5);
  InvertBytes(bytes, 0);
  InvertBytes(bytes, -1);
  EXPECT_EQ(bytes[0], 0xFF);
}

TEST(BitHelpers, RedBlueExchanges) {
  const uint8_t source[6] = {1, 2, 3, 4, 5, 6};
  uint8_t dest[7] = {0, 0, 0, 0, 0, 0, 99};
  CopySwapRB(dest, source, 2);
  const uint8_t swapped[7] = {3, 2, 1, 6, 5, 4, 99};
  EXPECT_EQ(std::memcmp(dest, swapped, 7), 0);

  SwapRBInPlace(dest, 1);
  const uint8_t once[7] = {1, 2, 3, 6, 5, 4, 99};
  EXPECT_EQ(std::memcmp(dest, once, 7), 0);

  uint16_t wide[7] = {10, 20, 30, 40, 50, 60, 77};
  SwapRB48(wide, 2);
  const uint16_t wideSwapped[7] = {30, 20, 10, 60, 50, 40, 77};
  EXPECT_EQ(std::memcmp(wide, wideSwapped, sizeof wide), 0);

  TPVRGB pixels[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  SwapRBArray(pixels, 2);
  EXPECT_EQ(pixels[0], (TPVRGB{3, 2, 1}));
  EXPECT_EQ(pixels[1], (TPVRGB{6, 5, 4}));
  EXPECT_EQ(pixels[2], (TPVRGB{7, 8, 9}));
}

}  // namespace
}  // namespace calmora
