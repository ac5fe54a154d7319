// Running the reference tools tests compare with (ImageMagick, netpbm, qpdf, ffmpeg ...). The
// test set-up installs every tool they use, so under CI (the variable CI set) a missing tool
// fails the test; on a developer's machine it only skips it.
#pragma once

#include <string>

#include "tests/support/set_up_requirement.h"

namespace calmora::test {

struct ToolResult {
  int Status = -1;     // the exit status; -1 when the command could not run or was killed
  std::string Output;  // standard output, and standard error when asked for
};

// Runs the command through /bin/sh.
ToolResult RunTool(const std::string& command, bool withStandardError = true);

// The path of the program as found on PATH (a name holding a "/" is taken as it stands);
// empty when it is not there.
std::string ToolPath(const std::string& program);
// True when the program is found on PATH.
bool ToolAvailable(const std::string& program);

// The single-quoted shell form of a text.
std::string ShellQuoted(const std::string& text);

}  // namespace calmora::test

// Ends the test when a reference tool is missing: a failure under CI, a skip elsewhere.
#define CALMORA_REQUIRE_TOOL(program)                             \
  CALMORA_REQUIRE_SET_UP(::calmora::test::ToolAvailable(program), \
                         "the reference tool " + std::string(program))
