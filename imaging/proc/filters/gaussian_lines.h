// The arithmetic of GaussianBlurGray8, shared with its tests: the fixed-point kernel of a
// radius and the plain and AVX2 routines that convolve one line with it.
#pragma once

#include <cstdint>

namespace calmora::gaussian {

inline constexpr int32_t kMaxHalfWidth = 100;

// Weights[100 + k] for offsets k = -100..100, Round(g(k) x 65536 / sum of g) with
// g(k) = exp(-(k / radius)^2 / 2), in long double; the kernel is symmetric. HalfWidth is the
// reach that still has non-zero weights (at least 1). The weights sum to 65536 within the
// rounding of 201 terms, so every sum of a line stays below 2^32 and every result below 256.
struct Kernel {
  int32_t Weights[2 * kMaxHalfWidth + 1] = {};
  int32_t HalfWidth = kMaxHalfWidth;
  int32_t Weight(int32_t offset) const { return Weights[kMaxHalfWidth + offset]; }
};
// For a finite radius above 0.
Kernel MakeKernel(double radius);

// The taps of count outputs: output i reads center[i] and, for k = 1..HalfWidth, near[k - 1][i]
// and far[k - 1][i], the samples k before and k after it (edge samples repeated as the line's
// ends require). out[i] = (32768 + sum of weight x sample) >> 16. Samples are bytes, held in
// 16 bits where a line is read often enough for widening once to pay (the row pass reads each
// sample 2 x HalfWidth + 1 times from one short line).
template <typename Sample>
struct LineTaps {
  const Sample* const* Near;
  const Sample* Center;
  const Sample* const* Far;
};
template <typename Sample>
void ConvolveLinePlain(const Kernel& kernel, const LineTaps<Sample>& taps, int32_t count,
                       uint8_t* out);
// The same, where ProcessorHasAvx2.
template <typename Sample>
void ConvolveLineAvx2(const Kernel& kernel, const LineTaps<Sample>& taps, int32_t count,
                      uint8_t* out);

}  // namespace calmora::gaussian
