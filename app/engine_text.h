// Small text helpers for reading the engine's console output the way the front end
// always has: byte-wise trimming, ASCII case changes, and numbers with a decimal point
// whatever the user's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace calmora {

// Drops blanks and control characters (bytes 0..32) at both ends; bytes of 128 and up stay.
std::string_view TrimText(std::string_view text);

bool ContainsText(std::string_view text, std::string_view part);

// `text` with every occurrence of each path turned into a line break. The engine repeats
// the file names it was given inside its own messages; where a name could read like the
// engine's words ("No such file.mp4"), it is taken out before the words are looked for,
// and the break keeps the text on its two sides from joining into such words.
std::string WithoutPaths(std::string text, const std::vector<std::string>& paths);

std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// A decimal number with "." as separator (blanks around it allowed, an optional sign and
// exponent); nothing when the text is not such a number or is not finite.
std::optional<double> ParseDecimal(std::string_view text);

// A whole decimal number that fits 32 bits, with an optional sign; nothing otherwise.
std::optional<long> ParseWholeNumber(std::string_view text);

}  // namespace calmora
