// RunTool, ToolAvailable and the CI rule for missing reference tools.
#include "tests/support/outside_tool.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>

namespace calmora::test {

ToolResult RunTool(const std::string& command, bool withStandardError) {
  ToolResult result;
  FILE* pipe = ::popen((command + (withStandardError ? " 2>&1" : "")).c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 65536> buffer;
  size_t got;
  while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.Output.append(buffer.data(), got);
  const int status = ::pclose(pipe);
  result.Status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool ToolAvailable(const std::string& program) {
  return RunTool("command -v " + ShellQuoted(program) + " >/dev/null").Status == 0;
}

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

MissingTool CheckTool(const std::string& program) {
  MissingTool missing;
  if (ToolAvailable(program)) return missing;
  const char* ci = ::getenv("CI");
  missing.MustFail = ci != nullptr && *ci != '\0';
  missing.Reason = "the reference tool " + program + " is not installed" +
                   (missing.MustFail ? " (the set-up installs it: a missing install step)" : "");
  return missing;
}

}  // namespace calmora::test
