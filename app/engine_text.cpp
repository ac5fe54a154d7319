// Text helpers for the engine's console output (see engine_text.h).
#include "app/engine_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace calmora {

namespace {
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::string_view TrimText(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsTrimmed(text[first])) ++first;
  while (last > first && IsTrimmed(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool ContainsText(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string WithoutPaths(std::string text, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    for (std::size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + 1))
      text.replace(at, path.size(), "\n");
  }
  return text;
}

std::string AsciiLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string AsciiUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::optional<double> ParseDecimal(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  // from_chars would also take "inf" and "nan"; a number starts with a digit, a point
  // or a minus sign followed by one of those.
  const std::string_view body = text.front() == '-' ? text.substr(1) : text;
  if (body.empty() || !(body.front() == '.' || (body.front() >= '0' && body.front() <= '9')))
    return std::nullopt;
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

std::optional<long> ParseWholeNumber(std::string_view text) {
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace calmora
