// Draws in bulk: the same numbers as one call per draw, for every range, leaving the sequence
// where those calls would.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/base/random.h"

namespace calmora {
namespace {

TEST(RandomFillTest, GivesTheDrawsOfSingleCallsAndAdvancesAsFar) {
  for (const int32_t n : {0, -5, 1, 7, 1920, INT32_MAX}) {
    for (const size_t count : {size_t{0}, size_t{1}, size_t{2}, size_t{97}}) {
      SetRandomSeed(4321);
      std::vector<int32_t> single;
      for (size_t i = 0; i < count; ++i) single.push_back(Random(n));
      const uint32_t after = GetRandomSeed();
      SetRandomSeed(4321);
      std::vector<int32_t> bulk(count, -1);
      RandomFill(n, bulk.data(), bulk.size());
      EXPECT_EQ(bulk, single) << n << " " << count;
      EXPECT_EQ(GetRandomSeed(), after) << n << " " << count;
    }
  }
}

}  // namespace
}  // namespace calmora
