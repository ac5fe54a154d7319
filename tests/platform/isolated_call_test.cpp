#include "platform/isolated_call.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace calmora::platform {
namespace {

// No child may be left behind, answered or not.
void ExpectNoChildLeft() {
  int status = 0;
  EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
}

TEST(AskIsolatedTest, TheChildsAnswerComesBack) {
  EXPECT_EQ(AskIsolated([] { return true; }, 10000), std::optional<bool>(true));
  EXPECT_EQ(AskIsolated([] { return false; }, 10000), std::optional<bool>(false));
  ExpectNoChildLeft();
}

TEST(AskIsolatedTest, WhatTheChildChangesStaysInTheChild) {
  int value = 1;
  EXPECT_EQ(AskIsolated(
                [&value] {
                  value = 2;
                  return value == 2;
                },
                10000),
            std::optional<bool>(true));
  EXPECT_EQ(value, 1);
}

TEST(AskIsolatedTest, ACrashAThrowAndAnEndWithoutAnswerGiveNothingOrNo) {
  EXPECT_EQ(AskIsolated(
                [] {
                  ::raise(SIGSEGV);
                  return true;
                },
                10000),
            std::nullopt);
  EXPECT_EQ(AskIsolated([]() -> bool { ::_exit(3); }, 10000), std::nullopt);
  EXPECT_EQ(AskIsolated([]() -> bool { throw std::runtime_error("no"); }, 10000),
            std::optional<bool>(false));
  ExpectNoChildLeft();
}

TEST(AskIsolatedTest, AChildThatHangsIsKilledAtTheTimeout) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(AskIsolated(
                [] {
                  for (;;) ::pause();
                  return true;
                },
                300),
            std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ExpectNoChildLeft();
}

}  // namespace
}  // namespace calmora::platform
