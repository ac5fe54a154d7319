// The plain inner loops of the kernel engine, written as the arithmetic reads: a sum of
// weight x sample per output sample, then KernelResult. The vectorised loops
// (resample_kernel_rows_fast.cpp) are checked against these.
#include "imaging/proc/resample/resample_kernel_rows.h"

#include <algorithm>

namespace calmora::resample::plain {

// Sums stay far inside int32: a kernel bounded by 1 gives at most a few thousand in absolute
// weights per output sample, times 255.
template <int Channels>
void ConvolveRow(const uint8_t* extended, const KernelAxis& axis, uint8_t* out) {
  for (const KernelTaps& taps : axis.taps) {
    const int32_t* weights = axis.WeightsOf(taps);
    const uint8_t* samples = extended + static_cast<int64_t>(taps.first) * Channels;
    for (int c = 0; c < Channels; ++c) {
      int32_t acc = 0;
      for (int32_t k = 0; k < taps.count; ++k) acc += weights[k] * samples[k * Channels + c];
      *out++ = KernelResult(acc, taps.weightSum);
    }
  }
}

template void ConvolveRow<1>(const uint8_t*, const KernelAxis&, uint8_t*);
template void ConvolveRow<3>(const uint8_t*, const KernelAxis&, uint8_t*);

void CombineRows(const uint8_t* const* rows, const int32_t* weights, int32_t count,
                 int32_t weightSum, int32_t samples, uint8_t* out) {
  for (int32_t x = 0; x < samples; ++x) {
    int32_t acc = 0;
    for (int32_t k = 0; k < count; ++k) acc += weights[k] * rows[k][x];
    out[x] = KernelResult(acc, weightSum);
  }
}

}  // namespace calmora::resample::plain
