// Runs one test alone in a fresh process of the same executable.
#include "tests/support/own_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/outside_tool.h"

namespace calmora::test {

namespace {

constexpr const char* kOwnProcessVariable = "CALMORA_TEST_IN_OWN_PROCESS";

std::string CurrentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

}  // namespace

bool RunningAlone() { return std::getenv(kOwnProcessVariable) != nullptr; }

const char* WithoutSharding() { return "env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX "; }

bool InOwnProcess() {
  const std::string name = CurrentTestName();
  const char* marked = std::getenv(kOwnProcessVariable);
  if (marked != nullptr && name == marked) return true;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const ToolResult run = RunTool(std::string(WithoutSharding()) + kOwnProcessVariable + "=" +
                                 ShellQuoted(name) + " " + ShellQuoted(self) +
                                 " --gtest_color=no --gtest_filter=" + ShellQuoted(name));
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_NE(run.Output.find("[  PASSED  ] 1 test"), std::string::npos) << run.Output;
  return false;
}

}  // namespace calmora::test
