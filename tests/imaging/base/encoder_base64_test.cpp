// base64: the group encoder, the line layout of WriteBase64Lines, and agreement with
// "base64 -w 76" for every length from 0 to 200.
#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/base/encoders.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

std::string Group(const char* bytes, int32_t count) {
  char out[4];
  EncodeBase64Group(reinterpret_cast<const uint8_t*>(bytes), out, count);
  return std::string(out, 4);
}

std::string Lines(const std::vector<uint8_t>& data, int32_t lineLength, int64_t start = 0) {
  TPVMemStream stream(data.data(), static_cast<int64_t>(data.size()));
  stream.SetPosition(start);
  std::ostringstream text;
  WriteBase64Lines(&stream, text, lineLength);
  EXPECT_EQ(stream.GetPosition(), static_cast<int64_t>(data.size()));
  return text.str();
}

TEST(Base64, GroupValues) {
  EXPECT_EQ(Group("abc", 3), "YWJj");
  EXPECT_EQ(Group("a\0\0", 1), "YQ==");
  EXPECT_EQ(Group("ab\0", 2), "YWI=");
  EXPECT_EQ(Group("\xFF\xFF\xFF", 3), "////");
  EXPECT_EQ(Group("\xFB\xEF\xBE", 3), "++++");
}

TEST(Base64, LineLayout) {
  std::string one = Lines(std::vector<uint8_t>(57, 'x'), 76);
  EXPECT_EQ(one.size(), 77u);
  EXPECT_EQ(one.back(), '\n');
  std::string two = Lines(std::vector<uint8_t>(58, 'x'), 76);
  ASSERT_EQ(two.size(), 77u + 5);
  EXPECT_EQ(two.substr(77), "eA==\n");
  EXPECT_EQ(Lines({}, 76), "");
  // 75 / 4 is 18.75: a line closes after 19 groups as for 76.
  EXPECT_EQ(Lines(std::vector<uint8_t>(57, 'x'), 75), one);
  // A line length below 4 gives one group per line.
  EXPECT_EQ(Lines({'a', 'b', 'c', 'd'}, 0), "YWJj\nZA==\n");
}

TEST(Base64, StartsAtTheStreamPosition) {
  EXPECT_EQ(Lines({'z', 'z', 'a', 'b', 'c'}, 76, 2), "YWJj\n");
}

// Delivers bytes up to a point, then nothing, although its size says more is there.
class StalledStream : public TPVMemStream {
 public:
  using TPVMemStream::TPVMemStream;
  int32_t Read(void* buffer, int32_t count) override {
    const int64_t left = std::max<int64_t>(0, 4 - GetPosition());
    return TPVMemStream::Read(buffer, static_cast<int32_t>(std::min<int64_t>(count, left)));
  }
};

// Delivers at most 7 bytes a call, as a pipe or a slow device may.
class TricklingStream : public TPVMemStream {
 public:
  using TPVMemStream::TPVMemStream;
  int32_t Read(void* buffer, int32_t count) override {
    return TPVMemStream::Read(buffer, std::min(count, 7));
  }
};

TEST(Base64, ShortReadsGiveTheSameText) {
  std::vector<uint8_t> data(100003);
  std::mt19937 random(7);
  for (auto& v : data) v = static_cast<uint8_t>(random());
  TricklingStream stream(data.data(), static_cast<int64_t>(data.size()));
  std::ostringstream text;
  WriteBase64Lines(&stream, text, 76);
  EXPECT_EQ(text.str(), Lines(data, 76));
}

TEST(Base64, StalledStreamEndsTheOutput) {
  const uint8_t data[10] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
  StalledStream stream(data, 10);
  std::ostringstream text;
  WriteBase64Lines(&stream, text, 76);
  EXPECT_EQ(text.str(), "YWJjZA==\n");
}

TEST(Base64, MatchesCoreutilsBase64) {
  CALMORA_REQUIRE_TOOL("base64");
  const test::ScratchFolder folder("calmora-b64");
  const std::string input = folder.File("in.bin");
  std::mt19937 random(64);
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 200; ++length) lengths.push_back(length);
  // Around the encoder's read block of 49,152 bytes, and several blocks.
  for (size_t length : {49151, 49152, 49153, 49154, 150001}) lengths.push_back(length);
  for (size_t length : lengths) {
    std::vector<uint8_t> data(length);
    for (auto& v : data) v = static_cast<uint8_t>(random());
    ASSERT_TRUE(test::WriteFileBytes(input, std::string(data.begin(), data.end())));
    const test::ToolResult reference =
        test::RunTool("base64 -w 76 " + test::ShellQuoted(input), false);
    ASSERT_EQ(reference.Status, 0);
    EXPECT_EQ(Lines(data, 76), reference.Output) << length << " bytes";
  }
}

}  // namespace
}  // namespace calmora
