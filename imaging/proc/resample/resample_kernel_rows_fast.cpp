// The inner loops of the kernel engine as the engine runs them: the column pass through the
// AVX2 loops where the processor has them, the row pass as loops the compiler vectorises,
// with the quotient through FastKernelResult. The same integer sums as the plain loops.
#include <algorithm>
#include <cstring>

#include "imaging/proc/resample/resample_kernel_rows.h"
#include "imaging/proc/resample/resample_kernel_rows_avx2.h"

namespace calmora::resample {

namespace {

// Output samples combined at once: their sums stay in the first-level cache.
constexpr int32_t kChunk = 1024;

__attribute__((target_clones("avx2", "default"))) void AccumulateRows(const uint8_t* const* rows,
                                                                      const int32_t* weights,
                                                                      int32_t count, int32_t offset,
                                                                      int32_t length,
                                                                      int32_t* acc) {
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

}  // namespace

template <int Channels>
bool ColumnConvolver<Channels>::Prepare(const KernelAxis& axis) {
  axis_ = &axis;
  packed_.clear();
  return !avx2::Available() || avx2::PackWeights<Channels>(axis, packed_);
}

template <int Channels>
void ColumnConvolver<Channels>::Run(const uint8_t* extended, uint8_t* out) const {
  if (packed_.empty())
    plain::ConvolveRow<Channels>(extended, *axis_, out);
  else
    avx2::ConvolveRow<Channels>(extended, *axis_, packed_.data(), out);
}

template class ColumnConvolver<1>;
template class ColumnConvolver<3>;

void CombineRows(const uint8_t* const* rows, const int32_t* weights, int32_t count,
                 int32_t weightSum, int32_t samples, uint8_t* out) {
  if (!TakesFastKernelResult(weightSum)) {
    plain::CombineRows(rows, weights, count, weightSum, samples, out);
    return;
  }
  // A row that takes one source row alone (an enlargement landing on it) is that row:
  // w x s / w = s.
  if (count == 1 && weights[0] == weightSum) {
    std::memcpy(out, rows[0], static_cast<size_t>(samples));
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
