// The AVX2 row routine of ApplyFilter3x3 for filters whose sums fit 16 bits: sixteen pixels
// at a time, nine multiplies in 16-bit lanes and the division as a multiply-high; the last
// pixels of a row go through the plain routine.
#include <immintrin.h>

#include "imaging/proc/filters/filter3x3_rows.h"

namespace calmora::filter3x3 {

namespace {

template <bool Divide>
__attribute__((target("avx2"))) void FilterRowBlocks(const RowPlan& plan, const uint8_t* above,
                                                     const uint8_t* middle, const uint8_t* below,
                                                     int32_t blocks, uint8_t* out) {
  const uint8_t* rows[3] = {above, middle, below};
  __m256i weights[9];
  for (int32_t i = 0; i < 9; ++i)
    weights[i] = _mm256_set1_epi16(static_cast<int16_t>(plan.Weights[i]));
  const __m256i magic = _mm256_set1_epi16(static_cast<int16_t>(plan.Magic));
  const __m128i shift = _mm_cvtsi32_si128(plan.Shift);
  for (int32_t block = 0; block < blocks; ++block) {
    const int32_t i = 16 * block;
    __m256i sum = _mm256_setzero_si256();
    for (int32_t r = 0; r < 3; ++r)
      for (int32_t c = 0; c < 3; ++c) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + i + c));
        sum = _mm256_add_epi16(sum,
                               _mm256_mullo_epi16(_mm256_cvtepu8_epi16(bytes), weights[3 * r + c]));
      }
    __m256i value = _mm256_abs_epi16(sum);
    if constexpr (Divide) value = _mm256_srl_epi16(_mm256_mulhi_epu16(value, magic), shift);
    // Saturating packs limit to 255; the lane order they mix up is put back by the permute.
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(value, value), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
  }
}

}  // namespace

void FilterRowAvx2(const RowPlan& plan, const uint8_t* above, const uint8_t* middle,
                   const uint8_t* below, int32_t count, uint8_t* out) {
  // A block reads 18 bytes of each padded row, all within the count + 2 of the row.
  const int32_t blocks = count / 16;
  if (plan.Divisor == 1)
    FilterRowBlocks<false>(plan, above, middle, below, blocks, out);
  else
    FilterRowBlocks<true>(plan, above, middle, below, blocks, out);
  const int32_t done = 16 * blocks;
  FilterRowPlain(plan, above + done, middle + done, below + done, count - done, out + done);
}

}  // namespace calmora::filter3x3
