// The PCX line coders: runs carried from one plane line into the next, the data's end never
// passed, and the encoder's output against a model of its rule, decoded back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/codecs/pcx/pcx_codec.h"

namespace calmora {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<uint8_t> out;
  for (int v : values) out.push_back(static_cast<uint8_t>(v));
  return out;
}

TEST(DecodePCXLine, CarriesARunIntoTheNextLine) {
  const std::vector<uint8_t> data = Bytes({0xC3, 0xFF, 0x00});
  TPVByteReader reader(data.data(), static_cast<int64_t>(data.size()));
  TPCXRunCarry carry;
  uint8_t first[2] = {9, 9};
  uint8_t second[2] = {9, 9};
  EXPECT_EQ(DecodePCXLine(reader, true, first, 2, carry), 2);
  EXPECT_EQ(carry.Count, 1);
  EXPECT_EQ(DecodePCXLine(reader, true, second, 2, carry), 2);
  EXPECT_EQ(Bytes({first[0], first[1]}), Bytes({0xFF, 0xFF}));
  EXPECT_EQ(Bytes({second[0], second[1]}), Bytes({0xFF, 0x00}));
  EXPECT_EQ(carry.Count, 0);
}

TEST(DecodePCXLine, StopsAtTheEndOfTheData) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Data;
    bool Compressed;
    int32_t Filled;
  };
  const Case cases[] = {
      {"raw, short", Bytes({1, 2, 3}), false, 3},
      {"raw, enough", Bytes({1, 2, 3, 4, 5, 6}), false, 4},
      {"run mark without its value", Bytes({1, 0xC5}), true, 1},
      {"run longer than the data", Bytes({0xFF, 7}), true, 4},
      {"nothing", Bytes({}), true, 0},
      {"empty runs", Bytes({0xC0, 1, 0xC0, 2, 3}), true, 1},
  };
  for (const Case& c : cases) {
    TPVByteReader reader(c.Data.data(), static_cast<int64_t>(c.Data.size()));
    TPCXRunCarry carry;
    uint8_t line[4] = {};
    EXPECT_EQ(DecodePCXLine(reader, c.Compressed, line, 4, carry), c.Filled) << c.Name;
    EXPECT_FALSE(reader.Failed()) << c.Name;
  }
}

// The rule stated plainly: a run of n equal bytes (1..63) is 0xC0 + n and the value, except a
// single byte below 0xC0, which stands for itself.
std::vector<uint8_t> ModelEncode(std::vector<uint8_t> line) {
  if (line.size() % 2) line.push_back(0);
  std::vector<uint8_t> out;
  for (size_t i = 0; i < line.size();) {
    size_t n = 1;
    while (i + n < line.size() && n < 63 && line[i + n] == line[i]) ++n;
    if (n == 1 && line[i] < 0xC0) {
      out.push_back(line[i]);
    } else {
      out.push_back(static_cast<uint8_t>(0xC0 + n));
      out.push_back(line[i]);
    }
    i += n;
  }
  return out;
}

TEST(EncodePCXLine, FollowsTheRuleAndDecodesBack) {
  std::vector<std::vector<uint8_t>> lines = {
      Bytes({1}),         Bytes({0xC0, 0xC0}),         Bytes({0xC1, 5}),
      Bytes({5, 5, 5}),   Bytes({0xFF, 0x00, 0xFF, 0x00}), std::vector<uint8_t>(200, 0xEE),
      std::vector<uint8_t>(63, 3), std::vector<uint8_t>(64, 3), std::vector<uint8_t>(127, 0),
  };
  uint32_t noise = 99;
  std::vector<uint8_t> mixed;
  for (int i = 0; i < 501; ++i) {
    noise = noise * 1103515245u + 12345u;
    mixed.push_back(static_cast<uint8_t>((noise >> 28) < 4 ? 0xD0 : (noise >> 16)));
  }
  lines.push_back(mixed);
  for (const std::vector<uint8_t>& line : lines) {
    std::vector<uint8_t> out;
    EncodePCXLine(line.data(), static_cast<int32_t>(line.size()), out);
    EXPECT_EQ(out, ModelEncode(line)) << line.size();
    const int32_t length = static_cast<int32_t>(line.size() + line.size() % 2);
    std::vector<uint8_t> back(static_cast<size_t>(length));
    TPVByteReader reader(out.data(), static_cast<int64_t>(out.size()));
    TPCXRunCarry carry;
    EXPECT_EQ(DecodePCXLine(reader, true, back.data(), length, carry), length);
    EXPECT_EQ(reader.Left(), 0);
    back.resize(line.size());
    EXPECT_EQ(back, line);
  }
}

}  // namespace
}  // namespace calmora
