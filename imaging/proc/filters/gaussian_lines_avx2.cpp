// The AVX2 line routine of GaussianBlurGray8: sixteen outputs to a group, exact 32-bit sums, so
// the results equal the plain routine's, which does the last outputs of a line.
#include <immintrin.h>

#include <array>

#include "imaging/proc/filters/gaussian_lines.h"

namespace calmora::gaussian {

namespace {

// Samples i..i+15 of a line in 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i Load16(const uint16_t* line, int32_t i) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + i));
}
__attribute__((target("avx2"))) inline __m256i Load16(const uint8_t* line, int32_t i) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line + i)));
}

// Adds the two offsets' sums, times their weights, to the sums of the group's outputs.
__attribute__((target("avx2"))) inline void AddPair(__m256i& low, __m256i& high, __m256i first,
                                                    __m256i second, __m256i weights) {
  low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(first, second), weights));
  high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(first, second), weights));
}

// Groups x 16 outputs from i on. The kernel is symmetric, so the samples k before and k after
// an output are added first (at most 510) and two such offsets share one multiply-add of 16-bit
// pairs into 32-bit sums; the centre weight (up to 65536) is multiplied in 32 bits. Several groups
// share each tap's pointers and weights, which would otherwise be loaded as often as the samples.
template <int32_t Groups, typename Sample>
__attribute__((target("avx2"))) void ConvolveGroups(const Kernel& kernel,
                                                    const LineTaps<Sample>& taps,
                                                    const int32_t* pairWeights, int32_t i,
                                                    uint8_t* out) {
  const int32_t h = kernel.HalfWidth;
  const __m256i zero = _mm256_setzero_si256();
  // The unpacks split each group's sixteen outputs into the lanes 0-3, 8-11 (low) and 4-7,
  // 12-15 (high); the final pack restores their order.
  __m256i low[Groups], high[Groups];
  const __m256i centerWeight = _mm256_set1_epi32(kernel.Weight(0));
  for (int32_t g = 0; g < Groups; ++g) {
    const __m256i center = Load16(taps.Center, i + 16 * g);
    low[g] = _mm256_mullo_epi32(_mm256_unpacklo_epi16(center, zero), centerWeight);
    high[g] = _mm256_mullo_epi32(_mm256_unpackhi_epi16(center, zero), centerWeight);
  }
  int32_t k = 1;
  for (; k < h; k += 2) {
    const __m256i weights = _mm256_set1_epi32(pairWeights[k / 2]);
    const Sample *near1 = taps.Near[k - 1], *far1 = taps.Far[k - 1];
    const Sample *near2 = taps.Near[k], *far2 = taps.Far[k];
    for (int32_t g = 0; g < Groups; ++g) {
      const int32_t at = i + 16 * g;
      AddPair(low[g], high[g], _mm256_add_epi16(Load16(near1, at), Load16(far1, at)),
              _mm256_add_epi16(Load16(near2, at), Load16(far2, at)), weights);
    }
  }
  if (k == h) {  // the last offset of an odd reach, paired with nothing
    const __m256i weights = _mm256_set1_epi32(pairWeights[k / 2]);
    for (int32_t g = 0; g < Groups; ++g) {
      const int32_t at = i + 16 * g;
      AddPair(low[g], high[g],
              _mm256_add_epi16(Load16(taps.Near[k - 1], at), Load16(taps.Far[k - 1], at)), zero,
              weights);
    }
  }
  const __m256i half = _mm256_set1_epi32(32768);
  for (int32_t g = 0; g < Groups; ++g) {
    const __m256i lowWords = _mm256_srli_epi32(_mm256_add_epi32(low[g], half), 16);
    const __m256i highWords = _mm256_srli_epi32(_mm256_add_epi32(high[g], half), 16);
    const __m256i words = _mm256_packus_epi32(lowWords, highWords);
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 16 * g), _mm256_castsi256_si128(bytes));
  }
}

}  // namespace

template <typename Sample>
void ConvolveLineAvx2(const Kernel& kernel, const LineTaps<Sample>& taps, int32_t count,
                      uint8_t* out) {
  // Offsets k and k + 1 (k odd) as one 32-bit lane: weight of k low, of k + 1 high. A side
  // weight is at most a third of the total, so it fits the signed 16 bits the multiply-add
  // takes; were it not so, the plain routine would do all.
  const int32_t h = kernel.HalfWidth;
  std::array<int32_t, kMaxHalfWidth / 2 + 1> pairWeights{};
  for (int32_t k = 1; k <= h; k += 2) {
    const int32_t next = k + 1 <= h ? kernel.Weight(k + 1) : 0;
    if (kernel.Weight(k) > 32767 || next > 32767) {
      ConvolveLinePlain(kernel, taps, count, out);
      return;
    }
    pairWeights[k / 2] = kernel.Weight(k) | (next << 16);
  }
  int32_t done = 0;
  for (; done + 64 <= count; done += 64)
    ConvolveGroups<4>(kernel, taps, pairWeights.data(), done, out);
  for (; done + 16 <= count; done += 16)
    ConvolveGroups<1>(kernel, taps, pairWeights.data(), done, out);
  std::array<const Sample*, kMaxHalfWidth> near{}, far{};
  for (int32_t k = 0; k < h; ++k) {
    near[k] = taps.Near[k] + done;
    far[k] = taps.Far[k] + done;
  }
  ConvolveLinePlain(kernel, LineTaps<Sample>{near.data(), taps.Center + done, far.data()},
                    count - done, out + done);
}

template void ConvolveLineAvx2(const Kernel&, const LineTaps<uint8_t>&, int32_t, uint8_t*);
template void ConvolveLineAvx2(const Kernel&, const LineTaps<uint16_t>&, int32_t, uint8_t*);

}  // namespace calmora::gaussian
