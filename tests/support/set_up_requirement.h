// What the test set-up provides (reference tools, a comma-decimal locale) is there under CI (the
// variable CI set), so a test that misses it fails there: the set-up lacks a step. On a
// developer's machine the test only skips.
#pragma once

#include <gtest/gtest.h>

namespace calmora::test {

// True when the variable CI is set and not empty.
bool RunningUnderCI();

}  // namespace calmora::test

// Ends the test when something the set-up provides is missing: a failure under CI, a skip
// elsewhere. `what` names it for the message ("the reference tool qpdf").
#define CALMORA_REQUIRE_SET_UP(available, what)                             \
  do {                                                                      \
    if (!(available)) {                                                     \
      if (::calmora::test::RunningUnderCI())                                \
        FAIL() << (what) << " is missing; the set-up provides it under CI"; \
      GTEST_SKIP() << (what) << " is missing";                              \
    }                                                                       \
  } while (false)
