// LogDebugLine: off while DebugLogFileName is empty, else one dated line appended per call.
#include "imaging/base/debug_log.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

TEST(LogDebugLine, WritesNothingWhileTheNameIsEmpty) {
  test::ScratchFolder folder("calmora-log");
  test::ScopedOverride<std::string> name(DebugLogFileName, "");
  LogDebugLine("nobody reads this");
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(LogDebugLine, AppendsOneDatedLinePerCall) {
  test::ScratchFolder folder("calmora-log");
  const std::string path = folder.File("debug.log");
  ASSERT_TRUE(test::WriteFileBytes(path, "earlier\n"));
  test::ScopedOverride<std::string> name(DebugLogFileName, path);
  LogDebugLine("first");
  LogDebugLine("second: 2 bytes");
  const std::string text = test::ReadFileBytes(path);
  // "earlier", then two lines of the form "yyyy-mm-dd hh:mm:ss : message".
  const std::string stamp = "0000-00-00 00:00:00 : ";
  ASSERT_EQ(text.size(), 8 + 2 * stamp.size() + 6 + 16) << text;
  EXPECT_EQ(text.substr(0, 8), "earlier\n");
  size_t at = 8;
  for (const std::string message : {"first", "second: 2 bytes"}) {
    for (size_t i = 0; i < stamp.size(); ++i) {
      const char c = text[at + i];
      if (stamp[i] == '0')
        EXPECT_TRUE(c >= '0' && c <= '9') << text;
      else
        EXPECT_EQ(c, stamp[i]) << text;
    }
    EXPECT_EQ(text.substr(at + stamp.size(), message.size() + 1), message + "\n");
    at += stamp.size() + message.size() + 1;
  }
}

TEST(LogDebugLine, AFileThatCannotBeOpenedIsPassedOver) {
  test::ScratchFolder folder("calmora-log");
  test::ScopedOverride<std::string> name(DebugLogFileName, folder.File("missing/debug.log"));
  LogDebugLine("lost");
  EXPECT_TRUE(folder.Entries().empty());
}

}  // namespace
}  // namespace calmora
