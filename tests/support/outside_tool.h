// Running the reference tools tests compare with (ImageMagick, netpbm, qpdf, ffmpeg ...). The
// test set-up installs every tool they use, so under CI (the variable CI set) a missing tool
// fails the test; on a developer's machine it only skips it.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace calmora::test {

struct ToolResult {
  int Status = -1;     // the exit status; -1 when the command could not run or was killed
  std::string Output;  // standard output, and standard error when asked for
};

// Runs the command through /bin/sh.
ToolResult RunTool(const std::string& command, bool withStandardError = true);

// True when the program is found on PATH.
bool ToolAvailable(const std::string& program);

// The single-quoted shell form of a text.
std::string ShellQuoted(const std::string& text);

// Empty when the program is there; otherwise the reason, and whether the test must fail (CI)
// rather than skip.
struct MissingTool {
  std::string Reason;
  bool MustFail = false;
};
MissingTool CheckTool(const std::string& program);

}  // namespace calmora::test

// Ends the test when a reference tool is missing: a failure under CI, a skip elsewhere.
#define CALMORA_REQUIRE_TOOL(program)                                           \
  do {                                                                          \
    const ::calmora::test::MissingTool missing_ = ::calmora::test::CheckTool(program); \
    if (!missing_.Reason.empty()) {                                             \
      if (missing_.MustFail) FAIL() << missing_.Reason;                         \
      GTEST_SKIP() << missing_.Reason;                                          \
    }                                                                           \
  } while (false)
