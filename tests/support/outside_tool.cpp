// RunTool, ToolPath and ShellQuoted.
#include "tests/support/outside_tool.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

std::string ToolPath(const std::string& program) {
  // A path names the program itself (e.g. Debian's /usr/bin/python3 rather than another
  // interpreter found first on PATH).
  if (program.find('/') != std::string::npos)
    return ::access(program.c_str(), X_OK) == 0 ? program : "";
  const char* path = ::getenv("PATH");
  const std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::string candidate = folders.substr(start, end - start) + "/" + program;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

bool ToolAvailable(const std::string& program) { return !ToolPath(program).empty(); }

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

}  // namespace calmora::test
