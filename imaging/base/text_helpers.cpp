// Numbers to text in the toolkit's float formats, locale-proof number texts for files, and the
// thin text wrappers. Digits come from printf's exact decimal conversion; the separators are
// put in here, so the C library's locale never leaks into a file.
#include <locale.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "imaging/base/text_helpers.h"

namespace calmora {

namespace {

// value = 0.digits * 10^exponent; digits has no leading or trailing zeros, empty for zero.
struct DecimalDigits {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

void StripZeros(DecimalDigits& d) {
  size_t lead = 0;
  while (lead < d.Digits.size() && d.Digits[lead] == '0') ++lead;
  d.Digits.erase(0, lead);
  d.Exponent -= static_cast<int>(lead);
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  if (d.Digits.empty()) d.Exponent = 0;
}

// The value rounded to precision significant digits.
DecimalDigits SignificantDigits(long double value, int precision) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*Le", precision - 1, value);
  DecimalDigits d;
  const char* p = buffer;
  if (*p == '-') {
    d.Negative = true;
    ++p;
  }
  for (; *p != '\0' && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits += *p;  // skips whatever separator the locale put in
  const int exponent10 = *p == 'e' ? std::atoi(p + 1) : 0;
  d.Exponent = exponent10 + 1;
  StripZeros(d);
  return d;
}

// The value rounded to decimals places after the point.
DecimalDigits FixedDigits(long double value, int decimals) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%.*Lf", decimals, value);
  DecimalDigits d;
  const char* p = buffer;
  if (*p == '-') {
    d.Negative = true;
    ++p;
  }
  int integerDigits = 0;
  for (; *p >= '0' && *p <= '9'; ++p, ++integerDigits) d.Digits += *p;
  for (; *p != '\0'; ++p)
    if (*p >= '0' && *p <= '9') d.Digits += *p;
  d.Exponent = integerDigits;
  StripZeros(d);
  return d;
}

char DigitAt(const DecimalDigits& d, int index) {
  return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[index] : '0';
}

std::string ExponentText(int exponent, bool alwaysSign, int minDigits) {
  std::string text = exponent < 0 ? "-" : (alwaysSign ? "+" : "");
  std::string number = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(number.size()) < minDigits)
    number.insert(0, static_cast<size_t>(minDigits) - number.size(), '0');
  return text + number;
}

const char* SpecialValueText(long double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return nullptr;
}

std::string GeneralText(long double value, int precision, int digits, char separator) {
  if (const char* special = SpecialValueText(value)) return special;
  const DecimalDigits d = SignificantDigits(value, precision);
  if (d.Digits.empty()) return "0";
  std::string text = d.Negative ? "-" : "";
  if (d.Exponent > precision || d.Exponent < -3) {
    text += d.Digits[0];
    if (d.Digits.size() > 1) text += separator + d.Digits.substr(1);
    return text + "E" + ExponentText(d.Exponent - 1, false, digits);
  }
  if (d.Exponent <= 0) {
    text += "0";
    text += separator;
    text.append(static_cast<size_t>(-d.Exponent), '0');
    return text + d.Digits;
  }
  for (int i = 0; i < d.Exponent; ++i) text += DigitAt(d, i);
  if (static_cast<int>(d.Digits.size()) > d.Exponent)
    text += separator + d.Digits.substr(static_cast<size_t>(d.Exponent));
  return text;
}

std::string ExponentFormText(long double value, int precision, int digits, char separator) {
  if (const char* special = SpecialValueText(value)) return special;
  const DecimalDigits d = SignificantDigits(value, precision);
  std::string text = d.Negative && !d.Digits.empty() ? "-" : "";
  text += DigitAt(d, 0);
  if (precision > 1) {
    text += separator;
    for (int i = 1; i < precision; ++i) text += DigitAt(d, i);
  }
  const int exponent = d.Digits.empty() ? 0 : d.Exponent - 1;
  return text + "E" + ExponentText(exponent, true, digits);
}

std::string FixedText(long double value, int precision, int decimals, char separator,
                      const std::string& thousands) {
  if (const char* special = SpecialValueText(value)) return special;
  DecimalDigits d = SignificantDigits(value, precision);
  // Values with more integer digits than the precision holds are written in scientific form.
  if (d.Exponent > precision) return ExponentFormText(value, precision, 0, separator);
  if (d.Exponent + decimals < precision) d = FixedDigits(value, decimals);
  std::string integer;
  if (d.Exponent <= 0) {
    integer = "0";
  } else {
    for (int i = 0; i < d.Exponent; ++i) {
      if (!thousands.empty() && i > 0 && (d.Exponent - i) % 3 == 0) integer += thousands;
      integer += DigitAt(d, i);
    }
  }
  std::string text = d.Negative && !d.Digits.empty() ? "-" : "";
  text += integer;
  if (decimals > 0) {
    text += separator;
    for (int i = 0; i < decimals; ++i) text += DigitAt(d, d.Exponent + i);
  }
  return text;
}

char LocaleDecimalSeparator() {
  const char* point = std::localeconv()->decimal_point;
  return point != nullptr && *point != '\0' ? *point : '.';
}

std::string LocaleThousandSeparator() {
  const char* separator = std::localeconv()->thousands_sep;
  return separator != nullptr && *separator != '\0' ? separator : ",";
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Parses a whole number text with the given decimal separator: blanks around it, a sign,
// digits with at most one separator, an optional exponent. Nothing else is accepted.
bool ParseNumber(const std::string& text, char separator, long double& value) {
  size_t i = 0;
  const size_t end = text.size();
  while (i < end && text[i] == ' ') ++i;
  std::string normalised;
  if (i < end && (text[i] == '+' || text[i] == '-')) normalised += text[i++];
  int mantissaDigits = 0;
  for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++mantissaDigits) normalised += text[i];
  if (i < end && text[i] == separator) {
    normalised += '.';
    for (++i; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++mantissaDigits)
      normalised += text[i];
  }
  if (mantissaDigits == 0) return false;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    normalised += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) normalised += text[i++];
    int exponentDigits = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i, ++exponentDigits)
      normalised += text[i];
    if (exponentDigits == 0) return false;
  }
  while (i < end && text[i] == ' ') ++i;
  if (i != end) return false;
  static const locale_t kCLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  errno = 0;
  const long double parsed = strtold_l(normalised.c_str(), nullptr, kCLocale);
  if (errno == ERANGE && std::isinf(parsed)) return false;
  value = parsed;
  return true;
}

}  // namespace

void FloatToPointText(std::string& text, long double value) {
  text = GeneralText(value, 15, 0, '.');
}

void FloatToPointTextDirect(std::string& text, long double value) {
  text = GeneralText(value, 15, 0, '.');
}

std::string FloatToPointText(long double value) { return GeneralText(value, 15, 0, '.'); }

long double ParseFloatAnySeparator(const std::string& text, long double def) {
  const char separator = LocaleDecimalSeparator();
  long double value = 0;
  if (ParseNumber(text, separator, value)) return value;
  std::string other = text;
  if (const size_t comma = other.find(','); comma != std::string::npos)
    other[comma] = '.';
  else if (const size_t point = other.find('.'); point != std::string::npos)
    other[point] = ',';
  if (ParseNumber(other, separator, value)) return value;
  return def;
}

std::string TrimText(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::string UpperCaseText(const std::string& text) {
  std::string result = text;
  for (auto& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

std::string LowerCaseText(const std::string& text) {
  std::string result = text;
  for (auto& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

std::string IntegerToText(int64_t value) { return std::to_string(value); }

int32_t TextToIntegerDef(const std::string& text, int32_t def) {
  size_t i = 0;
  const size_t end = text.size();
  while (i < end && text[i] == ' ') ++i;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < end && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < end && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == end) return def;
  uint64_t magnitude = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return def;
    magnitude = magnitude * base + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return def;
  }
  if (base == 10) {
    if (magnitude > (negative ? 2147483648ull : 2147483647ull)) return def;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                         : static_cast<int64_t>(magnitude));
  }
  // Hexadecimal texts cover the whole 32-bit pattern: $FFFFFFFF is -1.
  const auto bits = static_cast<uint32_t>(magnitude);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

std::string CopyText(const std::string& text, int32_t index, int32_t count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > text.size()) return std::string();
  return text.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

std::string FormatFloatText(long double value, TFloatFormat format, int32_t precision,
                            int32_t digits) {
  // Extended reals carry 18 significant digits.
  const int p = precision < 1 ? 1 : (precision > 18 ? 18 : precision);
  const char separator = LocaleDecimalSeparator();
  switch (format) {
    case ffGeneral:
      return GeneralText(value, p, digits < 0 ? 0 : (digits > 4 ? 4 : digits), separator);
    case ffExponent:
      return ExponentFormText(value, p, digits < 0 ? 0 : (digits > 4 ? 4 : digits), separator);
    case ffFixed:
      return FixedText(value, p, digits < 0 ? 0 : (digits > 18 ? 18 : digits), separator, "");
    case ffNumber:
    case ffCurrency:
      return FixedText(value, p, digits < 0 ? 0 : (digits > 18 ? 18 : digits), separator,
                       LocaleThousandSeparator());
  }
  return std::string();
}

std::string IntegerToHexText(int64_t value, int32_t digits) {
  const uint64_t bits =
      value < 0 && value >= INT32_MIN ? static_cast<uint32_t>(value) : static_cast<uint64_t>(value);
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(bits));
  std::string text = buffer;
  if (digits > 32) digits = 32;
  if (static_cast<int32_t>(text.size()) < digits)
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  return text;
}

int32_t FindTextPos(const std::string& sub, const std::string& text) {
  if (sub.empty()) return 0;
  const size_t position = text.find(sub);
  return position == std::string::npos ? 0 : static_cast<int32_t>(position) + 1;
}

}  // namespace calmora
