// Splitting and quoting of Windows-style command lines (the C runtime's rules).
#include "platform/command_line.h"

namespace calmora::platform {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  for (;;) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i >= n) break;
    std::string argument;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(commandLine[i]))) {
      const char c = commandLine[i];
      if (c == '\\') {
        std::size_t backslashes = 0;
        while (i < n && commandLine[i] == '\\') {
          ++backslashes;
          ++i;
        }
        if (i < n && commandLine[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument.push_back('"');
            ++i;
          }
          // An even count leaves the quote to the grouping rule on the next turn.
        } else {
          argument.append(backslashes, '\\');
        }
      } else if (c == '"') {
        quoted = !quoted;
        ++i;
      } else {
        argument.push_back(c);
        ++i;
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string QuoteArgument(std::string_view text) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted.push_back(c);
  }
  // Backslashes before the closing quote must not escape it.
  quoted.append(backslashes * 2, '\\');
  quoted.push_back('"');
  return quoted;
}

}  // namespace calmora::platform
