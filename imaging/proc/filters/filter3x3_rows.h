// The row arithmetic of ApplyFilter3x3, shared with its tests: a filter prepared once per call
// and the plain and AVX2 routines that filter one row from three edge-padded source rows.
#pragma once

#include <cstdint>

#include "imaging/proc/filters/filter3x3.h"

namespace calmora::filter3x3 {

// A filter ready for the row routines. When every sum fits 15 bits (255 x sum of |weights| at
// most 32767) and the divisor lies in 1..32767, the AVX2 routine works in 16-bit lanes and
// divides by a multiply-high: floor(n / d) = (n x Magic) >> (16 + Shift) for every n below
// 2^15 (with Magic = ceil(2^(15 + L) / d), L = ceil(log2 d), Shift = L - 1, the error
// Magic x d - 2^(15 + L) stays below d <= 2^L, which is what exactness over 15 bits needs).
struct RowPlan {
  int32_t Weights[9] = {};
  int32_t Divisor = 1;  // 0 already made 1; may be negative (every result is then 0)
  bool Narrow = false;  // the 16-bit conditions above hold
  uint16_t Magic = 0;   // for Divisor >= 2
  int32_t Shift = 0;
};
RowPlan MakeRowPlan(const Filter3x3& filter);

// out[i], i in 0..count-1, from above[i..i+2], middle[i..i+2] and below[i..i+2]: the three
// source rows padded so that index i + 1 is the pixel's own column.
void FilterRowPlain(const RowPlan& plan, const uint8_t* above, const uint8_t* middle,
                    const uint8_t* below, int32_t count, uint8_t* out);
// The same for a Narrow plan; only where ProcessorHasAvx2.
void FilterRowAvx2(const RowPlan& plan, const uint8_t* above, const uint8_t* middle,
                   const uint8_t* below, int32_t count, uint8_t* out);

}  // namespace calmora::filter3x3
