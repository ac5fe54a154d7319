// The callback quicksort: its exact calls on the small cases and correct order on random data.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "imaging/base/quick_sort.h"

namespace calmora {
namespace {

struct Recorder {
  std::vector<int> items;
  std::vector<std::pair<int, int>> compares;
  std::vector<std::pair<int, int>> exchanges;

  void Sort() {
    QuickSortIndexed(
        static_cast<int32_t>(items.size()),
        [this](int32_t i, int32_t j) {
          compares.emplace_back(i, j);
          return items[i] < items[j] ? -1 : (items[i] > items[j] ? 1 : 0);
        },
        [this](int32_t i, int32_t j) {
          exchanges.emplace_back(i, j);
          std::swap(items[i], items[j]);
        });
  }
};

TEST(UtilsSort, NothingForAnEmptyList) {
  Recorder r;
  r.Sort();
  EXPECT_TRUE(r.compares.empty());
  EXPECT_TRUE(r.exchanges.empty());
  int calls = 0;
  QuickSortIndexed(
      -3, [&](int32_t, int32_t) { return ++calls; }, [&](int32_t, int32_t) { ++calls; });
  EXPECT_EQ(calls, 0);
}

TEST(UtilsSort, OneItemComparesTwiceAndExchangesOnce) {
  Recorder r;
  r.items = {5};
  r.Sort();
  EXPECT_EQ(r.compares, (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}}));
  EXPECT_EQ(r.exchanges, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST(UtilsSort, ItemsEqualToThePivotAreExchanged) {
  Recorder r;
  r.items = {7, 7};
  r.Sort();
  EXPECT_NE(std::find(r.exchanges.begin(), r.exchanges.end(), std::make_pair(0, 1)),
            r.exchanges.end());
  EXPECT_EQ(r.items, (std::vector<int>{7, 7}));
}

TEST(UtilsSort, PivotIndexFollowsItsItem) {
  // The pivot (index 1, value 1) is moved by the first exchange; comparisons must keep using
  // its value, or the result is unsorted.
  Recorder r;
  r.items = {3, 1, 2};
  r.Sort();
  EXPECT_EQ(r.items, (std::vector<int>{1, 2, 3}));
}

TEST(UtilsSort, SortsRandomLists) {
  std::mt19937 random(31);
  for (int size = 0; size < 300; size += 7) {
    for (int range : {3, 1000}) {
      Recorder r;
      for (int i = 0; i < size; ++i) r.items.push_back(static_cast<int>(random() % range));
      std::vector<int> expected = r.items;
      std::sort(expected.begin(), expected.end());
      r.Sort();
      EXPECT_EQ(r.items, expected) << size;
      for (const auto& [i, j] : r.compares) {
        EXPECT_GE(i, 0);
        EXPECT_LT(i, size);
        EXPECT_GE(j, 0);
        EXPECT_LT(j, size);
      }
    }
  }
  Recorder sorted;
  for (int i = 0; i < 500; ++i) sorted.items.push_back(i);
  sorted.Sort();
  EXPECT_TRUE(std::is_sorted(sorted.items.begin(), sorted.items.end()));
  Recorder reversed;
  for (int i = 500; i > 0; --i) reversed.items.push_back(i);
  reversed.Sort();
  EXPECT_TRUE(std::is_sorted(reversed.items.begin(), reversed.items.end()));
}

}  // namespace
}  // namespace calmora
