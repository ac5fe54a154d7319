// The AVX2 line routine of GaussianBlurGray8, sixteen outputs at a time. The kernel is
// symmetric, so the samples k before and k after an output are added first (at most 510) and
// two such offsets share one multiply-add of 16-bit pairs into 32-bit sums; the centre weight
// (up to 65536) is multiplied in 32 bits. The sums are exact, so the results equal the plain
// routine's; the last outputs of a line go through it.
#include <immintrin.h>

#include <array>

#include "imaging/proc/gaussian_lines.h"

namespace calmora::gaussian {

namespace {

// Samples k before and after outputs i..i+15, added, in 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i TapPair(const LineTaps& taps, int32_t k,
                                                       int32_t i) {
  const __m128i near = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.Near[k - 1] + i));
  const __m128i far = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.Far[k - 1] + i));
  return _mm256_add_epi16(_mm256_cvtepu8_epi16(near), _mm256_cvtepu8_epi16(far));
}

__attribute__((target("avx2"))) void ConvolveBlocks(const Kernel& kernel, const LineTaps& taps,
                                                    const int32_t* pairWeights,
                                                    int32_t blocks, uint8_t* out) {
  const int32_t h = kernel.HalfWidth;
  const __m256i zero = _mm256_setzero_si256();
  const __m256i centerWeight = _mm256_set1_epi32(kernel.Weight(0));
  const __m256i half = _mm256_set1_epi32(32768);
  for (int32_t block = 0; block < blocks; ++block) {
    const int32_t i = 16 * block;
    // The unpacks split the sixteen outputs into the lanes 0-3, 8-11 (low) and 4-7, 12-15
    // (high); the final pack restores their order.
    const __m256i center = _mm256_cvtepu8_epi16(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.Center + i)));
    __m256i low = _mm256_mullo_epi32(_mm256_unpacklo_epi16(center, zero), centerWeight);
    __m256i high = _mm256_mullo_epi32(_mm256_unpackhi_epi16(center, zero), centerWeight);
    int32_t k = 1;
    for (; k < h; k += 2) {
      const __m256i first = TapPair(taps, k, i), second = TapPair(taps, k + 1, i);
      const __m256i weights = _mm256_set1_epi32(pairWeights[k / 2]);
      low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(first, second), weights));
      high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(first, second), weights));
    }
    if (k == h) {
      const __m256i last = TapPair(taps, k, i);
      const __m256i weights = _mm256_set1_epi32(pairWeights[k / 2]);
      low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(last, zero), weights));
      high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(last, zero), weights));
    }
    low = _mm256_srli_epi32(_mm256_add_epi32(low, half), 16);
    high = _mm256_srli_epi32(_mm256_add_epi32(high, half), 16);
    const __m256i words = _mm256_packus_epi32(low, high);
    const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(bytes));
  }
}

}  // namespace

void ConvolveLineAvx2(const Kernel& kernel, const LineTaps& taps, int32_t count, uint8_t* out) {
  // Offsets k and k + 1 (k odd) as one 32-bit lane: weight of k low, of k + 1 high. A side
  // weight is at most a third of the total, so it fits the signed 16 bits the multiply-add
  // takes; were it not so, the plain routine would do all.
  const int32_t h = kernel.HalfWidth;
  std::array<int32_t, MaxHalfWidth / 2 + 1> pairWeights{};
  for (int32_t k = 1; k <= h; k += 2) {
    const int32_t next = k + 1 <= h ? kernel.Weight(k + 1) : 0;
    if (kernel.Weight(k) > 32767 || next > 32767) {
      ConvolveLinePlain(kernel, taps, count, out);
      return;
    }
    pairWeights[k / 2] = kernel.Weight(k) | (next << 16);
  }
  const int32_t blocks = count / 16;
  ConvolveBlocks(kernel, taps, pairWeights.data(), blocks, out);
  const int32_t done = 16 * blocks;
  std::array<const uint8_t*, MaxHalfWidth> near{}, far{};
  for (int32_t k = 0; k < h; ++k) {
    near[k] = taps.Near[k] + done;
    far[k] = taps.Far[k] + done;
  }
  ConvolveLinePlain(kernel, LineTaps{near.data(), taps.Center + done, far.data()}, count - done,
                    out + done);
}

}  // namespace calmora::gaussian
