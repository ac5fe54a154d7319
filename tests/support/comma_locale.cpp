// CommaLocale: switching the C library's locale and back.
#include "tests/support/comma_locale.h"

namespace calmora::test {

CommaLocale::CommaLocale(int category) : category_(category) {
  const char* previous = std::setlocale(category_, nullptr);
  previous_ = previous != nullptr ? previous : "C";
  active_ = std::setlocale(category_, "de_DE.UTF-8") != nullptr;
}

CommaLocale::~CommaLocale() { std::setlocale(category_, previous_.c_str()); }

}  // namespace calmora::test
