// The inner loops of the separable kernel engine: one row through the column weights, and
// the rows of one output row through its row weights. Integer arithmetic only, so every
// variant (plain, or vectorised beside it) gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/proc/resample/resample_kernel_axis.h"

namespace calmora::resample {

// Bytes a row handed to a ColumnConvolver must hold past its last position: the vectorised
// loop reads whole vectors from a run's last taps on.
inline constexpr int32_t kRowReadSlack = 32;

// The column pass of one axis, prepared once and run on every source row: out (axis outputs
// x Channels bytes) from extended, a row laid out over the axis's positions Low .. High (its
// mirrored margins included), Channels interleaved bytes per position, followed by
// kRowReadSlack readable bytes. Vectorised where the processor has AVX2 and the weights fit
// in 16 bits, which a kernel bounded by 1 always gives; the plain loop otherwise.
template <int Channels>
class ColumnConvolver {
 public:
  // False when the working memory cannot be had.
  bool Prepare(const KernelAxis& axis);
  void Run(const uint8_t* extended, uint8_t* out) const;

 private:
  const KernelAxis* axis_ = nullptr;
  std::vector<int16_t> packed_;  // the weights as the vectorised loop reads them; empty: plain
};

// One output row of samples bytes from the rows of its taps: out[x] is the weighted sum of
// rows[k][x] by weights[k], k < count, turned into a byte as KernelResult does.
void CombineRows(const uint8_t* const* rows, const int32_t* weights, int32_t count,
                 int32_t weightSum, int32_t samples, uint8_t* out);

// The plain variants, which the vectorised ones must match byte for byte.
namespace plain {
template <int Channels>
void ConvolveRow(const uint8_t* extended, const KernelAxis& axis, uint8_t* out);
void CombineRows(const uint8_t* const* rows, const int32_t* weights, int32_t count,
                 int32_t weightSum, int32_t samples, uint8_t* out);
}  // namespace plain

}  // namespace calmora::resample
