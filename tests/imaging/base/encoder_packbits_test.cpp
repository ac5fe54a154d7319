// EncodePackBits: the known vectors, and random rows decoded back by a decoder written from
// the PackBits format (header n: 0..127 copies n + 1 bytes, 129..255 repeats the next byte
// 257 - n times, 128 ends the data).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/base/encoders.h"

namespace calmora {
namespace {

std::vector<uint8_t> Encode(const std::vector<uint8_t>& row) {
  std::vector<uint8_t> out(static_cast<size_t>(PackBitsBufferSize(static_cast<int64_t>(row.size()))) + 16, 0xEE);
  int32_t n = EncodePackBits(row.data(), static_cast<int32_t>(row.size()), out.data());
  EXPECT_LE(n, PackBitsBufferSize(static_cast<int64_t>(row.size())));
  for (size_t i = static_cast<size_t>(n); i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << "wrote past the result";
  out.resize(static_cast<size_t>(n));
  return out;
}

// Returns false on malformed data or data that does not end with the marker exactly.
bool Decode(const std::vector<uint8_t>& coded, std::vector<uint8_t>& row) {
  row.clear();
  size_t i = 0;
  while (i < coded.size()) {
    uint8_t header = coded[i++];
    if (header == 128) return i == coded.size();
    if (header < 128) {
      size_t n = header + 1u;
      if (i + n > coded.size()) return false;
      row.insert(row.end(), coded.begin() + static_cast<long>(i), coded.begin() + static_cast<long>(i + n));
      i += n;
    } else {
      if (i >= coded.size()) return false;
      row.insert(row.end(), 257u - header, coded[i++]);
    }
  }
  return false;
}

TEST(PackBits, KnownVectors) {
  struct Case {
    std::vector<uint8_t> row;
    std::vector<uint8_t> coded;
  };
  const uint8_t b = 0x5A;
  const Case cases[] = {
      {{'A', 'B', 'B', 'B'}, {0x01, 0x41, 0x42, 0xFF, 0x42, 0x80}},
      {std::vector<uint8_t>(130, b), {0x81, b, 0xFF, b, 0x80}},
      {{}, {0x80}},
      {{7}, {0x00, 7, 0x80}},
      {{7, 7}, {0xFF, 7, 0x80}},
      {{1, 2, 3}, {0x02, 1, 2, 3, 0x80}},
      {std::vector<uint8_t>(128, b), {0x81, b, 0x80}},
      {std::vector<uint8_t>(129, b), {0x81, b, 0x00, b, 0x80}},
  };
  for (const Case& c : cases) EXPECT_EQ(Encode(c.row), c.coded) << c.row.size() << " bytes";
}

TEST(PackBits, LongLiteralSplitsAt128) {
  std::vector<uint8_t> row(300);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> coded = Encode(row);
  EXPECT_EQ(coded[0], 127);
  EXPECT_EQ(coded[129], 127);
  EXPECT_EQ(coded[258], 300 - 256 - 1);
  EXPECT_EQ(coded.size(), 300u + 3 + 1);
}

TEST(PackBits, RandomRowsDecodeBack) {
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    size_t length = std::uniform_int_distribution<size_t>(0, 700)(random);
    int alphabet = std::uniform_int_distribution<int>(1, round % 3 == 0 ? 256 : 4)(random);
    std::vector<uint8_t> row(length);
    for (auto& v : row) v = static_cast<uint8_t>(std::uniform_int_distribution<int>(0, alphabet - 1)(random));
    std::vector<uint8_t> decoded;
    ASSERT_TRUE(Decode(Encode(row), decoded)) << "round " << round;
    ASSERT_EQ(decoded, row) << "round " << round;
  }
}

TEST(PackBits, WorstCaseFitsTheBound) {
  // Pairs that each start a two-byte literal: A B B C C D D ...
  std::vector<uint8_t> row;
  row.push_back(0);
  for (int i = 1; i < 400; ++i) {
    row.push_back(static_cast<uint8_t>(i));
    row.push_back(static_cast<uint8_t>(i));
  }
  std::vector<uint8_t> coded = Encode(row);
  std::vector<uint8_t> decoded;
  ASSERT_TRUE(Decode(coded, decoded));
  EXPECT_EQ(decoded, row);
}

TEST(PackBits, InputWhoseCodeCouldPassInt32IsRefused) {
  // About 1.4 GB and more could code to more bytes than the 32-bit result counts; nothing is
  // read or written (the buffers here are tiny on purpose).
  const uint8_t source[4] = {1, 2, 3, 4};
  uint8_t out[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_GT(PackBitsBufferSize(0x7FFFFFFF), 0x7FFFFFFF);
  EXPECT_EQ(EncodePackBits(source, 0x7FFFFFFF, out), 0);
  EXPECT_EQ(EncodePackBits(source, 1500000000, out), 0);
  for (uint8_t b : out) EXPECT_EQ(b, 0xEE);
  EXPECT_LE(PackBitsBufferSize(1400000000), 0x7FFFFFFF);
}

}  // namespace
}  // namespace calmora
