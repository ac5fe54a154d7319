// The process-wide generator: 0 for N <= 0, numbers in 0 .. N - 1 spread evenly, a seed
// repeats its sequence, and the state advances as its linear congruence says.
#include "imaging/base/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace calmora {
namespace {

TEST(RandomTest, NonPositiveRangeGivesZero) {
  SetRandomSeed(99);
  for (int32_t n : {0, -1, -1000, INT32_MIN}) EXPECT_EQ(Random(n), 0);
}

TEST(RandomTest, NumbersLieInTheRangeAndSpreadEvenly) {
  SetRandomSeed(12345);
  for (int32_t n : {1, 2, 3, 7, 256, 1000003, INT32_MAX}) {
    for (int i = 0; i < 2000; ++i) {
      const int32_t r = Random(n);
      ASSERT_GE(r, 0);
      ASSERT_LT(r, n);
    }
  }
  std::vector<int> counts(10, 0);
  for (int i = 0; i < 100000; ++i) ++counts[static_cast<size_t>(Random(10))];
  for (int count : counts) EXPECT_NEAR(count, 10000, 500);
}

TEST(RandomTest, ASeedRepeatsItsSequence) {
  SetRandomSeed(7);
  std::vector<int32_t> first;
  for (int i = 0; i < 50; ++i) first.push_back(Random(1000));
  SetRandomSeed(7);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(Random(1000), first[static_cast<size_t>(i)]);
  SetRandomSeed(8);
  std::vector<int32_t> other;
  for (int i = 0; i < 50; ++i) other.push_back(Random(1000));
  EXPECT_NE(first, other);
}

TEST(RandomTest, StateFollowsTheCongruence) {
  uint32_t state = 0xDEADBEEF;
  SetRandomSeed(state);
  for (int i = 0; i < 1000; ++i) {
    const int32_t n = 1 + i * 7919;
    state = state * 134775813u + 1u;
    EXPECT_EQ(Random(n), static_cast<int32_t>((uint64_t{state} * static_cast<uint32_t>(n)) >> 32));
    EXPECT_EQ(GetRandomSeed(), state);
  }
}

}  // namespace
}  // namespace calmora
