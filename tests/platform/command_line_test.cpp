// Splitting of Windows-style command lines and quoting of single arguments.
#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace calmora::platform {
namespace {

struct SplitCase {
  const char* Line;
  std::vector<std::string> Arguments;
};

TEST(CommandLineTest, SplitsLikeTheWindowsRuntime) {
  const SplitCase cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"  lead  trail  ", {"lead", "trail"}},
      {" -i \"/videos/my clip.avi\" -y", {"-i", "/videos/my clip.avi", "-y"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\" x", {"", "x"}},
      {"\"unclosed quote", {"unclosed quote"}},
      {"a\\b", {"a\\b"}},
      {"a\\\\b", {"a\\\\b"}},
      {"\"a\\\"b\"", {"a\"b"}},
      {"\"dir\\\\\" next", {"dir\\", "next"}},
      {"x\\\\\\\"y", {"x\\\"y"}},
  };
  for (const SplitCase& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.Line), c.Arguments) << c.Line;
  }
}

TEST(CommandLineTest, PlainTextsAreJustQuoted) {
  EXPECT_EQ(QuoteArgument("/videos/my clip.avi"), "\"/videos/my clip.avi\"");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
  EXPECT_EQ(QuoteArgument("a\\b"), "\"a\\b\"");
}

TEST(CommandLineTest, QuotingSurvivesSplittingWhateverTheText) {
  const std::string texts[] = {
      "plain",      "with blank", "quote\"inside", "end\\", "end\\\\",
      "\\\"both\\", "a\" -y \"b", "tab\there",     "",      "\\\\server\\share\\file name"};
  for (const std::string& text : texts) {
    const std::vector<std::string> split =
        SplitCommandLine("-i " + QuoteArgument(text) + " -f null -");
    ASSERT_EQ(split.size(), 5u) << text;
    EXPECT_EQ(split[1], text);
    EXPECT_EQ(split[2], "-f");
  }
}

}  // namespace
}  // namespace calmora::platform
