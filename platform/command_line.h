// Windows-style command lines: the front end builds each engine call as one string, and
// these turn it into an argument vector (and quote a single argument for it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace calmora::platform {

// Splits like the Windows C runtime: blanks (space, tab) separate arguments; double quotes
// group blanks into one argument and are themselves dropped; 2n backslashes before a
// double quote give n backslashes and a grouping quote, 2n+1 give n backslashes and a
// literal quote; other backslashes are plain characters. "" gives an empty argument.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The inverse for one argument: a double quote, the text with quotes and the backslashes
// before them escaped, a double quote. Plain texts come out as '"' + text + '"'.
std::string QuoteArgument(std::string_view text);

}  // namespace calmora::platform
