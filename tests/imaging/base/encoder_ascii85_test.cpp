// ASCII85: the group encoder's values, the line breaks and the end marker, and agreement with
// Python's base64.a85encode once line breaks and marker are removed.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/base/encoders.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

std::string Group(std::vector<uint8_t> bytes) {
  char out[8] = {};
  const uint8_t* source = bytes.data();
  char* destination = out;
  int32_t n = EncodeAscii85Group(source, static_cast<int32_t>(bytes.size()), destination);
  EXPECT_EQ(source, bytes.data() + bytes.size());
  EXPECT_EQ(destination, out + n);
  return std::string(out, static_cast<size_t>(n));
}

struct Encoded {
  std::string text;
  int32_t returned;
  int32_t counter;
};

Encoded Encode(const std::vector<uint8_t>& data) {
  std::vector<char> out(static_cast<size_t>(Ascii85BufferSize(static_cast<int64_t>(data.size()))));
  const uint8_t* source = data.data();
  char* destination = out.data();
  int32_t counter = 0;
  int32_t n = EncodeAscii85(source, static_cast<int32_t>(data.size()), destination, counter);
  EXPECT_EQ(source, data.data() + data.size());
  EXPECT_EQ(destination, out.data() + n);
  EXPECT_LE(n, static_cast<int32_t>(out.size()));
  return {std::string(out.data(), static_cast<size_t>(n)), n, counter};
}

TEST(Ascii85, GroupValues) {
  EXPECT_EQ(Group({0, 0, 0, 0}), "z");
  EXPECT_EQ(Group({0}), "!!");
  EXPECT_EQ(Group({0xFF, 0xFF, 0xFF, 0xFF}), "s8W-!");
  EXPECT_EQ(Group({0, 0, 0, 1}), "!!!!\"");
  EXPECT_EQ(Group({'M', 'a', 'n', ' '}), "9jqo^");
  EXPECT_EQ(Group({0, 0}), "!!!");
  EXPECT_EQ(Group({}), "!");
}

TEST(Ascii85, EmptyInputWritesOnlyTheMarker) {
  Encoded e = Encode({});
  EXPECT_EQ(e.text, "~>\r\n");
  EXPECT_EQ(e.returned, 4);
  EXPECT_EQ(e.counter, 0);
}

TEST(Ascii85, InputWhoseTextCouldPassInt32IsRefused) {
  // About 1.7 GB and more could give more characters than the 32-bit result counts; nothing is
  // read or written and the pointers stay (the buffers here are tiny on purpose).
  const uint8_t data[4] = {1, 2, 3, 4};
  char out[8] = {};
  const uint8_t* source = data;
  char* destination = out;
  int32_t counter = 7;
  EXPECT_GT(Ascii85BufferSize(0x7FFFFFFF), 0x7FFFFFFF);
  EXPECT_EQ(EncodeAscii85(source, 0x7FFFFFFF, destination, counter), 0);
  EXPECT_EQ(source, data);
  EXPECT_EQ(destination, out);
  EXPECT_EQ(counter, 7);
  EXPECT_EQ(out[0], 0);
  EXPECT_LE(Ascii85BufferSize(1600000000), 0x7FFFFFFF);
}

TEST(Ascii85, LinesBreakAfterMoreThan74Characters) {
  std::vector<uint8_t> data(400);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 1);
  Encoded e = Encode(data);
  EXPECT_EQ(e.counter, 500);  // 100 groups of 5, no line ends or marker
  EXPECT_EQ(e.returned, static_cast<int32_t>(e.text.size()));
  // 15 groups make 75 characters: a break after each 15th group; the marker follows the last
  // group on its line.
  std::vector<std::string> lines;
  for (size_t start = 0, at; (at = e.text.find("\r\n", start)) != std::string::npos; start = at + 2) {
    lines.push_back(e.text.substr(start, at - start));
  }
  ASSERT_EQ(lines.size(), 7u);
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 75u);
  EXPECT_EQ(lines.back().size(), 52u);
  EXPECT_EQ(lines.back().substr(50), "~>");
  EXPECT_EQ(e.text.substr(e.text.size() - 4), "~>\r\n");
}

TEST(Ascii85, LinesHold75To79Characters) {
  // Groups of "z" and of 5 characters mixed: every line holds 75 to 79 characters.
  std::vector<uint8_t> data(4000);
  std::mt19937 random(5);
  for (size_t i = 0; i < data.size(); i += 4) {
    uint8_t v = random() % 3 ? static_cast<uint8_t>(random() | 1) : 0;
    for (size_t k = 0; k < 4; ++k) data[i + k] = v;
  }
  Encoded e = Encode(data);
  size_t start = 0;
  for (size_t at; (at = e.text.find("\r\n", start)) != std::string::npos; start = at + 2) {
    size_t length = at - start;
    if (e.text.compare(at - 2, 2, "~>") == 0) break;
    EXPECT_GE(length, 75u);
    EXPECT_LE(length, 79u);
  }
}

TEST(Ascii85, CounterAccumulatesAcrossCalls) {
  std::vector<char> out(64);
  const uint8_t data[5] = {1, 2, 3, 4, 5};
  const uint8_t* source = data;
  char* destination = out.data();
  int32_t counter = 10;
  EXPECT_EQ(EncodeAscii85(source, 5, destination, counter), 7 + 4);
  EXPECT_EQ(counter, 17);
}

// Python's encoder is the reference; its output has neither line breaks nor "~>".
TEST(Ascii85, MatchesPythonA85Encode) {
  CALMORA_REQUIRE_TOOL("python3");
  const test::ScratchFolder folder("calmora-a85");
  std::mt19937 random(85);
  std::vector<std::vector<uint8_t>> inputs;
  for (size_t length = 0; length <= 200; ++length) {
    std::vector<uint8_t> data(length);
    // Every third input is mostly zeros, to exercise "z" groups and zero tails.
    bool sparse = length % 3 == 0;
    for (auto& v : data) v = static_cast<uint8_t>(sparse && random() % 4 ? 0 : random());
    inputs.push_back(data);
  }
  {
    std::ofstream hex(folder.File("in.txt"));
    for (const auto& data : inputs) {
      for (uint8_t v : data) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", v);
        hex << pair;
      }
      hex << '\n';
    }
  }
  const test::ToolResult python = test::RunTool(
      "python3 -c \"import base64,sys\nfor l in open(sys.argv[1]): "
      "print(base64.a85encode(bytes.fromhex(l.strip())).decode())\" " +
          test::ShellQuoted(folder.File("in.txt")),
      false);
  ASSERT_EQ(python.Status, 0);
  std::istringstream expected(python.Output);
  for (const auto& data : inputs) {
    std::string reference;
    ASSERT_TRUE(std::getline(expected, reference));
    std::string ours = Encode(data).text;
    ASSERT_EQ(ours.substr(ours.size() - 4), "~>\r\n");
    ours.resize(ours.size() - 4);
    std::string joined;
    for (char c : ours)
      if (c != '\r' && c != '\n') joined += c;
    EXPECT_EQ(joined, reference) << data.size() << " bytes";
  }
}

}  // namespace
}  // namespace calmora
