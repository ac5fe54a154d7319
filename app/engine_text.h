// Small text helpers for reading the engine's console output the way the front end
// always has: byte-wise trimming, ASCII case changes, and numbers with a decimal point
// whatever the user's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calmora {

// Drops blanks and control characters (bytes 0..32) at both ends; bytes of 128 and up stay.
std::string_view TrimText(std::string_view text);

bool ContainsText(std::string_view text, std::string_view part);

std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// A decimal number with "." as separator (blanks around it allowed, an optional sign and
// exponent); nothing when the text is not such a number or is not finite.
std::optional<double> ParseDecimal(std::string_view text);

// A whole decimal number that fits 32 bits, with an optional sign; nothing otherwise.
std::optional<long> ParseWholeNumber(std::string_view text);

}  // namespace calmora
