// A locale whose decimal separator is a comma (de_DE.UTF-8, which the set-up generates), for
// tests of number texts that must not follow the locale, or must.
#pragma once

#include <clocale>
#include <string>

#include "tests/support/set_up_requirement.h"

namespace calmora::test {

// Switches the C library's locale for the category to de_DE.UTF-8 for one scope and restores
// the previous one afterwards.
class CommaLocale {
 public:
  explicit CommaLocale(int category = LC_ALL);
  ~CommaLocale();
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  // False when the locale is not installed (the old one then stays in force).
  bool Active() const { return active_; }

 private:
  int category_;
  std::string previous_;
  bool active_ = false;
};

}  // namespace calmora::test

// Ends the test when the comma locale is missing: a failure under CI, a skip elsewhere.
#define CALMORA_REQUIRE_COMMA_LOCALE(locale) \
  CALMORA_REQUIRE_SET_UP((locale).Active(), "the locale de_DE.UTF-8")
