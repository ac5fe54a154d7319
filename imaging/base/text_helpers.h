// Locale-proof number texts for files, the toolkit's float formats for display, and thin text
// wrappers.
#pragma once

#include <cstdint>
#include <string>

namespace calmora {

// The shortest general text of the value (15 significant digits, as the toolkit's FloatToStr
// writes it) with "." as decimal separator whatever the locale. For numbers that go into files.
void FloatToPointText(std::string& text, long double value);
void FloatToPointTextDirect(std::string& text, long double value);
std::string FloatToPointText(long double value);

// The number in the text by the locale's rules; failing that, with the first "," turned into
// "." (or, without a ",", the first "." into ","); failing that too, def.
long double ParseFloatAnySeparator(const std::string& text, long double def);

enum TFloatFormat : uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Without blanks and control characters at both ends.
std::string TrimText(const std::string& text);
// ASCII letters only.
std::string UpperCaseText(const std::string& text);
std::string LowerCaseText(const std::string& text);
std::string IntegerToText(int64_t value);
// Decimal or hexadecimal ("$" or "0x") integer; def when the text is no int32.
int32_t TextToIntegerDef(const std::string& text, int32_t def);
// count characters from the 1-based index; clipped to the text.
std::string CopyText(const std::string& text, int32_t index, int32_t count);
// The value in the toolkit's float formats: general and exponent with precision significant
// digits (digits = minimum exponent digits), fixed and number with digits decimals (number and
// currency group thousands). Uses the locale's decimal separator: it is display text.
std::string FormatFloatText(long double value, TFloatFormat format, int32_t precision,
                            int32_t digits);
// Upper-case hexadecimal of the 32-bit value with at least digits digits.
std::string IntegerToHexText(int64_t value, int32_t digits);
// 1-based position of sub in text; 0 when absent or sub is empty.
int32_t FindTextPos(const std::string& sub, const std::string& text);

}  // namespace calmora
