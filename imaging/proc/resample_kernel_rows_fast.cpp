// The inner loops of the kernel engine as the engine runs them: the same integer sums as the
// plain loops, arranged so the compiler vectorises them (AVX2 where the processor has it),
// and the quotient through FastKernelResult.
#include <algorithm>

#include "imaging/proc/resample_kernel_rows.h"

namespace calmora::resample {

namespace {

// Output samples combined at once: their sums stay in the first-level cache.
constexpr int32_t kChunk = 1024;

__attribute__((target_clones("avx2", "default"))) void AccumulateRows(
    const uint8_t* const* rows, const int32_t* weights, int32_t count, int32_t offset,
    int32_t length, int32_t* acc) {
  std::fill(acc, acc + length, 0);
  int32_t k = 0;
  for (; k + 1 < count; k += 2) {
    const uint8_t* a = rows[k] + offset;
    const uint8_t* b = rows[k + 1] + offset;
    const int32_t wa = weights[k], wb = weights[k + 1];
    for (int32_t x = 0; x < length; ++x) acc[x] += wa * a[x] + wb * b[x];
  }
  if (k < count) {
    const uint8_t* a = rows[k] + offset;
    const int32_t wa = weights[k];
    for (int32_t x = 0; x < length; ++x) acc[x] += wa * a[x];
  }
}

__attribute__((target_clones("avx2", "default"))) void FastResults(const int32_t* acc,
                                                                    int32_t length,
                                                                    int32_t weightSum,
                                                                    uint8_t* out) {
  for (int32_t x = 0; x < length; ++x) out[x] = FastKernelResult(acc[x], weightSum);
}

bool TakesFastResult(int32_t weightSum) {
  return weightSum > 0 && weightSum <= kFastWeightSumLimit;
}

}  // namespace

template <int Channels>
void ConvolveRow(const uint8_t* extended, const KernelAxis& axis, uint8_t* out) {
  for (const KernelTaps& taps : axis.taps) {
    const int32_t* weights = axis.WeightsOf(taps);
    const uint8_t* samples = extended + static_cast<int64_t>(taps.first) * Channels;
    int32_t acc[Channels] = {};
    for (int32_t k = 0; k < taps.count; ++k)
      for (int c = 0; c < Channels; ++c) acc[c] += weights[k] * samples[k * Channels + c];
    for (int c = 0; c < Channels; ++c)
      *out++ = TakesFastResult(taps.weightSum) ? FastKernelResult(acc[c], taps.weightSum)
                                               : KernelResult(acc[c], taps.weightSum);
  }
}

template void ConvolveRow<1>(const uint8_t*, const KernelAxis&, uint8_t*);
template void ConvolveRow<3>(const uint8_t*, const KernelAxis&, uint8_t*);

void CombineRows(const uint8_t* const* rows, const int32_t* weights, int32_t count,
                 int32_t weightSum, int32_t samples, uint8_t* out) {
  if (!TakesFastResult(weightSum)) {
    plain::CombineRows(rows, weights, count, weightSum, samples, out);
    return;
  }
  int32_t acc[kChunk];
  for (int32_t offset = 0; offset < samples; offset += kChunk) {
    const int32_t length = std::min(kChunk, samples - offset);
    AccumulateRows(rows, weights, count, offset, length, acc);
    FastResults(acc, length, weightSum, out + offset);
  }
}

}  // namespace calmora::resample
