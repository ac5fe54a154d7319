// Number texts that always write a point and read either separator, the toolkit's float
// formats and the thin text wrappers, under the C locale and a comma locale.
#include "imaging/base/text_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/comma_locale.h"

namespace calmora {
namespace {

struct FloatCase {
  long double value;
  const char* text;
};

const FloatCase PointTextCases[] = {
    {1.5L, "1.5"},
    {0, "0"},
    {-2.25L, "-2.25"},
    {100, "100"},
    {0.1, "0.1"},
    {1234.5678, "1234.5678"},
    {1.0 / 3, "0.333333333333333"},
    {2.0 / 3, "0.666666666666667"},
    {123456789012345.0L, "123456789012345"},
    {1e15L, "1E15"},
    {1e-4L, "0.0001"},
    {1e-5L, "1E-5"},
    {-1e-10L, "-1E-10"},
    {1.5e300L, "1.5E300"},
    {595, "595"},
    {841.89, "841.89"},
    {std::numeric_limits<long double>::infinity(), "INF"},
    {-std::numeric_limits<long double>::infinity(), "-INF"},
    {std::numeric_limits<long double>::quiet_NaN(), "NAN"},
};

TEST(UtilsText, FloatToPointText) {
  for (const FloatCase& c : PointTextCases) {
    std::string text = "old";
    FloatToPointText(text, c.value);
    EXPECT_EQ(text, c.text);
    std::string direct;
    FloatToPointTextDirect(direct, c.value);
    EXPECT_EQ(direct, c.text);
    EXPECT_EQ(FloatToPointText(c.value), c.text);
  }
}

TEST(UtilsText, FloatToPointTextIgnoresACommaLocale) {
  const test::CommaLocale locale;
  CALMORA_REQUIRE_COMMA_LOCALE(locale);
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5");  // the locale is really in force
  for (const FloatCase& c : PointTextCases) EXPECT_EQ(FloatToPointText(c.value), c.text);
}

TEST(UtilsText, ParseFloatAnySeparator) {
  EXPECT_EQ(ParseFloatAnySeparator("1,5", -1), 1.5L);
  EXPECT_EQ(ParseFloatAnySeparator("1.5", -1), 1.5L);
  EXPECT_EQ(ParseFloatAnySeparator(" -2.25 ", -1), -2.25L);
  EXPECT_EQ(ParseFloatAnySeparator("+3", -1), 3.0L);
  EXPECT_EQ(ParseFloatAnySeparator("1e3", -1), 1000.0L);
  EXPECT_EQ(ParseFloatAnySeparator("2,5E-1", -1), 0.25L);
  EXPECT_EQ(ParseFloatAnySeparator(".5", -1), 0.5L);
  EXPECT_EQ(ParseFloatAnySeparator("abc", 7), 7.0L);
  EXPECT_EQ(ParseFloatAnySeparator("", 7), 7.0L);
  EXPECT_EQ(ParseFloatAnySeparator("1.5.3", 7), 7.0L);
  EXPECT_EQ(ParseFloatAnySeparator("1,000.5", 7), 7.0L);
  EXPECT_EQ(ParseFloatAnySeparator("1e", 7), 7.0L);
  EXPECT_EQ(ParseFloatAnySeparator("1e99999", 7), 7.0L);  // out of range is no number
  EXPECT_EQ(ParseFloatAnySeparator(".", 7), 7.0L);
}

TEST(UtilsText, ParseFloatAnySeparatorUnderACommaLocale) {
  const test::CommaLocale locale;
  CALMORA_REQUIRE_COMMA_LOCALE(locale);
  EXPECT_EQ(ParseFloatAnySeparator("1,5", -1), 1.5L);
  EXPECT_EQ(ParseFloatAnySeparator("1.5", -1), 1.5L);
  EXPECT_EQ(ParseFloatAnySeparator("-0.125", -1), -0.125L);
  EXPECT_EQ(ParseFloatAnySeparator("x", 3), 3.0L);
}

TEST(UtilsText, FormatFloatText) {
  EXPECT_EQ(FormatFloatText(3.14159, ffFixed, 15, 2), "3.14");
  EXPECT_EQ(FormatFloatText(3.14159, ffFixed, 15, 0), "3");
  EXPECT_EQ(FormatFloatText(0.006, ffFixed, 15, 2), "0.01");
  EXPECT_EQ(FormatFloatText(-12.5, ffFixed, 15, 3), "-12.500");
  EXPECT_EQ(FormatFloatText(0, ffFixed, 15, 2), "0.00");
  EXPECT_EQ(FormatFloatText(9.999, ffFixed, 15, 2), "10.00");
  EXPECT_EQ(FormatFloatText(1.23456789, ffFixed, 5, 6), "1.234600");  // precision caps digits
  EXPECT_EQ(FormatFloatText(1234567.891, ffNumber, 15, 2), "1,234,567.89");
  EXPECT_EQ(FormatFloatText(-123456, ffNumber, 15, 0), "-123,456");
  EXPECT_EQ(FormatFloatText(999, ffNumber, 15, 1), "999.0");
  EXPECT_EQ(FormatFloatText(12345.678, ffExponent, 5, 2), "1.2346E+04");
  EXPECT_EQ(FormatFloatText(0.00012, ffExponent, 3, 0), "1.20E-4");
  EXPECT_EQ(FormatFloatText(0.5, ffGeneral, 15, 0), "0.5");
  EXPECT_EQ(FormatFloatText(1e20, ffGeneral, 15, 3), "1E020");
  EXPECT_EQ(FormatFloatText(123.456, ffGeneral, 4, 0), "123.5");
}

TEST(UtilsText, FormatFloatTextIsDisplayTextInTheLocale) {
  const test::CommaLocale locale;
  CALMORA_REQUIRE_COMMA_LOCALE(locale);
  EXPECT_EQ(FormatFloatText(1.5, ffFixed, 15, 1), "1,5");
  EXPECT_EQ(FormatFloatText(1234.5, ffNumber, 15, 1), "1.234,5");
}

TEST(UtilsText, Wrappers) {
  EXPECT_EQ(TrimText("\t a b \r\n"), "a b");
  EXPECT_EQ(TrimText("   "), "");
  EXPECT_EQ(UpperCaseText("abc-Z\xc3\xa4"), "ABC-Z\xc3\xa4");  // ASCII letters only
  EXPECT_EQ(LowerCaseText("ABC-z\xc3\x84"), "abc-z\xc3\x84");
  EXPECT_EQ(IntegerToText(-42), "-42");
  EXPECT_EQ(IntegerToText(0), "0");

  EXPECT_EQ(TextToIntegerDef("42", -1), 42);
  EXPECT_EQ(TextToIntegerDef("-7", -1), -7);
  EXPECT_EQ(TextToIntegerDef(" 12", -1), 12);
  EXPECT_EQ(TextToIntegerDef("12 ", -1), -1);
  EXPECT_EQ(TextToIntegerDef("$FF", -1), 255);
  EXPECT_EQ(TextToIntegerDef("0x10", -1), 16);
  EXPECT_EQ(TextToIntegerDef("$FFFFFFFF", 0), -1);
  EXPECT_EQ(TextToIntegerDef("2147483647", -1), 2147483647);
  EXPECT_EQ(TextToIntegerDef("-2147483648", -1), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TextToIntegerDef("2147483648", -1), -1);
  EXPECT_EQ(TextToIntegerDef("", 5), 5);
  EXPECT_EQ(TextToIntegerDef("-", 5), 5);
  EXPECT_EQ(TextToIntegerDef("1.5", 5), 5);
  EXPECT_EQ(TextToIntegerDef("abc", 5), 5);

  EXPECT_EQ(CopyText("Hello", 2, 3), "ell");
  EXPECT_EQ(CopyText("Hello", 0, 2), "He");
  EXPECT_EQ(CopyText("Hello", 5, 10), "o");
  EXPECT_EQ(CopyText("Hello", 6, 1), "");
  EXPECT_EQ(CopyText("Hello", 1, -1), "");

  EXPECT_EQ(IntegerToHexText(255, 4), "00FF");
  EXPECT_EQ(IntegerToHexText(-1, 1), "FFFFFFFF");
  EXPECT_EQ(IntegerToHexText(0, 0), "0");
  EXPECT_EQ(IntegerToHexText(0x1ABCDEF0, 2), "1ABCDEF0");

  EXPECT_EQ(FindTextPos("lo", "Hello"), 4);
  EXPECT_EQ(FindTextPos("H", "Hello"), 1);
  EXPECT_EQ(FindTextPos("x", "Hello"), 0);
  EXPECT_EQ(FindTextPos("", "Hello"), 0);
}

}  // namespace
}  // namespace calmora
