// The quicksort that sorts any indexed collection through its compare and exchange callbacks.
#include "imaging/base/quick_sort.h"

namespace calmora {

void QuickSortIndexed(int32_t count, const TPVSortCompare& compare,
                      const TPVSortExchange& exchange) {
  if (count <= 0) return;
  QuickSortRange(0, count - 1, compare, exchange);
}

void QuickSortRange(int32_t lo, int32_t hi, const TPVSortCompare& compare,
                    const TPVSortExchange& exchange) {
  int32_t i;
  do {
    i = lo;
    int32_t j = hi;
    // The pivot is an index, not a copied value, so it must follow its item when exchanged.
    int32_t p = static_cast<int32_t>((static_cast<int64_t>(lo) + hi) >> 1);
    do {
      while (compare(i, p) < 0) ++i;
      while (compare(j, p) > 0) --j;
      if (i <= j) {
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        exchange(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSortRange(lo, j, compare, exchange);
    lo = i;
  } while (i < hi);
}

}  // namespace calmora
