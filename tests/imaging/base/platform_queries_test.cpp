// Platform queries against what the kernel and the tools report: memory (/proc/meminfo), free
// space (df), the MMX flag (/proc/cpuinfo); mouse and clipboard with and without a GUI.
#include "imaging/base/platform_queries.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/system_info.h"
#include "platform/temp_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/own_process.h"

namespace calmora {
namespace {

uint64_t MemInfoBytes(const std::string& key) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + ":", 0) == 0) {
      std::istringstream fields(line.substr(key.size() + 1));
      uint64_t kib = 0;
      fields >> kib;
      return kib * 1024;
    }
  }
  return 0;
}

TEST(UtilsPlatform, PhysicalMemoryMatchesTheKernel) {
  const uint64_t total = QueryPhysicalMemory(0);
  ASSERT_GT(total, 0u);
  EXPECT_EQ(total, MemInfoBytes("MemTotal"));
  const uint64_t available = QueryPhysicalMemory(1);
  EXPECT_GT(available, 0u);
  EXPECT_LE(available, total);
}

TEST(UtilsPlatform, MMXFlagMatchesCpuinfo) {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  bool listed = false;
  while (std::getline(in, line)) {
    if (line.rfind("flags", 0) == 0) {
      listed = (line + " ").find(" mmx ") != std::string::npos;
      break;
    }
  }
  EXPECT_EQ(DetectMMX(), listed);
}

TEST(UtilsPlatform, FixedAnswers) {
  EXPECT_EQ(DetectWindowsVersion(), 8);
  EXPECT_FALSE(IsRemoteSession());
  EXPECT_FALSE(platform::MouseButtonsSwapped());
}

TEST(UtilsPlatform, FreeDiskSpaceMatchesDf) {
  const std::string folder = platform::SystemTempFolder();
  const test::ToolResult df =
      test::RunTool("df -B1 --output=avail " + test::ShellQuoted(folder) + " | tail -n 1", false);
  ASSERT_EQ(df.Status, 0);
  long long reported = -1;
  ASSERT_TRUE(std::istringstream(df.Output) >> reported) << df.Output;
  const int64_t free = platform::FreeDiskSpace(folder);
  // Other programs write meanwhile; 64 MB of slack.
  EXPECT_NEAR(static_cast<double>(free), static_cast<double>(reported), 64.0 * 1024 * 1024);
  EXPECT_EQ(platform::FreeDiskSpace("/no/such/folder/anywhere"), -1);
}

TEST(UtilsPlatform, MouseAndClipboardNeedTheGui) {
  if (!test::InOwnProcess()) return;  // it starts without an application object
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_FALSE(IsMouseButtonDown());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenClipboardRetry());
  // Ten tries with a 20 ms pause after each.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(180));

  int argc = 1;
  char name[] = "utils_platform_test";
  char* argv[] = {name, nullptr};
  QGuiApplication application(argc, argv);
  EXPECT_TRUE(OpenClipboardRetry());
  EXPECT_FALSE(IsMouseButtonDown());
}

}  // namespace
}  // namespace calmora
