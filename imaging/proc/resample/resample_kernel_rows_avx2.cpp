// The column pass of the kernel engine in AVX2: 16-bit samples times 16-bit weights summed in
// pairs into 32-bit lanes (vpmaddwd), so one instruction weighs two taps of three channels, or
// eight taps of one. The sums are the plain loop's exactly; the weights are at most 256 in
// size, the samples 255, and no sum comes near the 32-bit limit.
#include "imaging/proc/resample/resample_kernel_rows_avx2.h"

#include <immintrin.h>

#include <cstring>

#include "imaging/proc/resample/resample_common.h"

namespace calmora::resample::avx2 {

namespace {

template <int Channels>
constexpr int32_t kGroupTaps = Channels == 3 ? 4 : 16;

// 16 weights per group.
constexpr int32_t kGroupLanes = 16;

int32_t GroupsOf(const KernelTaps& taps, int32_t groupTaps) {
  return (taps.count + groupTaps - 1) / groupTaps;
}

bool FitsInt16(int32_t w) { return w >= INT16_MIN && w <= INT16_MAX; }

// An output that takes one input position alone (an enlargement landing on it) is that
// position's sample: w x s / w = s. Its first packed lane holds the weight.
bool TakesOneSampleAlone(const KernelTaps& taps, const int16_t* packed) {
  return taps.count == 1 && packed[0] == taps.weightSum && TakesFastKernelResult(taps.weightSum);
}

// The three sums of a pixel (lanes 0 to 2) as bytes.
__attribute__((target("avx2"))) void StorePixel(__m128i sums, int32_t weightSum, uint8_t* out) {
  if (!TakesFastKernelResult(weightSum)) {
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), sums);
    for (int c = 0; c < 3; ++c) out[c] = KernelResult(lanes[c], weightSum);
    return;
  }
  // FastKernelResult on four lanes at once; the packing saturates a negative quotient to 0.
  const __m128i limited = _mm_min_epi32(sums, _mm_set1_epi32(256 * weightSum));
  const __m128 quotient =
      _mm_div_ps(_mm_cvtepi32_ps(limited), _mm_set1_ps(static_cast<float>(weightSum)));
  const __m128i words = _mm_packus_epi32(_mm_cvttps_epi32(quotient), _mm_setzero_si128());
  const __m128i bytes = _mm_packus_epi16(words, words);
  const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
  std::memcpy(out, &packed, 3);
}

__attribute__((target("avx2"))) void ConvolveRow3(const uint8_t* extended, const KernelAxis& axis,
                                                  const int16_t* packed, uint8_t* out) {
  // Each 128-bit half turns two of four consecutive pixels (12 bytes) into 16-bit lanes
  // b0 b1 g0 g1 r0 r1 0 0: the weights w0 w1 w0 w1 w0 w1 0 0 then sum both per channel.
  const __m256i spread =
      _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1, 6, -1, 9, -1, 7,
                       -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  for (const KernelTaps& taps : axis.taps) {
    const uint8_t* pixels = extended + static_cast<int64_t>(taps.first) * 3;
    if (TakesOneSampleAlone(taps, packed)) {
      std::memcpy(out, pixels, 3);
      out += 3;
      packed += kGroupLanes;
      continue;
    }
    __m256i sums = _mm256_setzero_si256();
    for (int32_t g = GroupsOf(taps, 4); g > 0; --g, pixels += 12, packed += kGroupLanes) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
      const __m256i words = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(bytes), spread);
      const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed));
      sums = _mm256_add_epi32(sums, _mm256_madd_epi16(words, weights));
    }
    StorePixel(_mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1)),
               taps.weightSum, out);
    out += 3;
  }
}

__attribute__((target("avx2"))) void ConvolveRow1(const uint8_t* extended, const KernelAxis& axis,
                                                  const int16_t* packed, uint8_t* out) {
  for (const KernelTaps& taps : axis.taps) {
    const uint8_t* samples = extended + taps.first;
    if (TakesOneSampleAlone(taps, packed)) {
      *out++ = *samples;
      packed += kGroupLanes;
      continue;
    }
    __m256i sums = _mm256_setzero_si256();
    for (int32_t g = GroupsOf(taps, 16); g > 0; --g, samples += 16, packed += kGroupLanes) {
      const __m256i words =
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples)));
      const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed));
      sums = _mm256_add_epi32(sums, _mm256_madd_epi16(words, weights));
    }
    __m128i total = _mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0x4E));
    total = _mm_add_epi32(total, _mm_shuffle_epi32(total, 0xB1));
    const int32_t acc = _mm_cvtsi128_si32(total);
    *out++ = TakesFastKernelResult(taps.weightSum) ? FastKernelResult(acc, taps.weightSum)
                                                   : KernelResult(acc, taps.weightSum);
  }
}

}  // namespace

bool Available() { return __builtin_cpu_supports("avx2"); }

template <int Channels>
bool PackWeights(const KernelAxis& axis, std::vector<int16_t>& packed) {
  constexpr int32_t groupTaps = kGroupTaps<Channels>;
  int64_t groups = 0;
  for (const KernelTaps& taps : axis.taps) {
    const int32_t* weights = axis.WeightsOf(taps);
    for (int32_t k = 0; k < taps.count; ++k)
      if (!FitsInt16(weights[k])) {
        packed.clear();
        return true;
      }
    groups += GroupsOf(taps, groupTaps);
  }
  if (!TryResize(packed, groups * kGroupLanes)) return false;
  int16_t* lane = packed.data();
  for (const KernelTaps& taps : axis.taps) {
    const int32_t* weights = axis.WeightsOf(taps);
    const auto weight = [&](int32_t k) {
      return static_cast<int16_t>(k < taps.count ? weights[k] : 0);
    };
    for (int32_t first = 0; first < taps.count; first += groupTaps, lane += kGroupLanes) {
      if (Channels == 1) {
        for (int32_t k = 0; k < kGroupLanes; ++k) lane[k] = weight(first + k);
        continue;
      }
      // Two pixels per half: w0 w1 three times, then two empty lanes.
      for (int32_t half = 0; half < 2; ++half)
        for (int32_t c = 0; c < 3; ++c) {
          lane[8 * half + 2 * c] = weight(first + 2 * half);
          lane[8 * half + 2 * c + 1] = weight(first + 2 * half + 1);
        }
    }
  }
  return true;
}

template <int Channels>
void ConvolveRow(const uint8_t* extended, const KernelAxis& axis, const int16_t* packed,
                 uint8_t* out) {
  if constexpr (Channels == 3)
    ConvolveRow3(extended, axis, packed, out);
  else
    ConvolveRow1(extended, axis, packed, out);
}

template bool PackWeights<1>(const KernelAxis&, std::vector<int16_t>&);
template bool PackWeights<3>(const KernelAxis&, std::vector<int16_t>&);
template void ConvolveRow<1>(const uint8_t*, const KernelAxis&, const int16_t*, uint8_t*);
template void ConvolveRow<3>(const uint8_t*, const KernelAxis&, const int16_t*, uint8_t*);

}  // namespace calmora::resample::avx2
