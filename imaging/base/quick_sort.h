// A quicksort that only touches items through compare and exchange callbacks.
#pragma once

#include <cstdint>
#include <functional>

namespace calmora {

// compare(i, j) < 0 when item i sorts before item j; exchange(i, j) swaps the items.
using TPVSortCompare = std::function<int32_t(int32_t i, int32_t j)>;
using TPVSortExchange = std::function<void(int32_t i, int32_t j)>;

// Sorts count items that only the callbacks touch; the pivot is an index that follows its item
// through the exchanges. Not stable. Nothing for count <= 0.
void QuickSortIndexed(int32_t count, const TPVSortCompare& compare,
                      const TPVSortExchange& exchange);
void QuickSortRange(int32_t lo, int32_t hi, const TPVSortCompare& compare,
                    const TPVSortExchange& exchange);

}  // namespace calmora
