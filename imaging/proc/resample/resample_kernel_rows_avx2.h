// The AVX2 column pass of the kernel engine: the weights packed as 16-bit lanes and the loops
// that read them. Only ColumnConvolver (resample_kernel_rows_fast.cpp) calls these.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/proc/resample/resample_kernel_axis.h"

namespace calmora::resample::avx2 {

// The processor runs AVX2.
bool Available();

// The axis's weights in the layout ConvolveRow reads, every run in whole groups of taps (4
// pixels of three channels, or 16 samples of one), the padding weights 0. Packed stays empty
// when a weight does not fit in 16 bits; false when the memory cannot be had.
template <int Channels>
bool PackWeights(const KernelAxis& axis, std::vector<int16_t>& packed);

// plain::ConvolveRow, with the packed weights.
template <int Channels>
void ConvolveRow(const uint8_t* extended, const KernelAxis& axis, const int16_t* packed,
                 uint8_t* out);

}  // namespace calmora::resample::avx2
