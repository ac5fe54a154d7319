// The weights of the separable kernel engine along one axis: for every output index a run of
// input positions with 8.8 fixed-point weights, and the integer quotient that turns a weighted
// sum back into a byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora::resample {

// An input position is mirrored at the edges (-j before the first sample, 2 size - j - 1 after
// the last) and then limited to the input, which matters only when the kernel reaches further
// than the input is long.
inline int32_t ReflectedIndex(int64_t j, int32_t size) {
  const int64_t mirrored = j < 0 ? -j : j < size ? j : 2 * int64_t{size} - j - 1;
  return static_cast<int32_t>(mirrored < 0 ? 0 : mirrored >= size ? size - 1 : mirrored);
}

// The weights of one output index: input positions Low + first .. Low + first + count - 1 of
// the axis, each with its weight (zeros inside the run add nothing; those at its ends are cut).
struct KernelTaps {
  int32_t first;  // from the axis's Low
  int32_t count;
  int64_t weightOffset;  // into KernelAxis::weights
  int32_t weightSum;
};

// Every output index of an axis. Low .. High spans the input (0 .. size - 1) and every run, so
// a row copied out with its mirrored margins can be read at first + t without further checks.
struct KernelAxis {
  int32_t inputSize = 0;
  int64_t low = 0;
  int64_t high = -1;
  std::vector<KernelTaps> taps;
  std::vector<int32_t> weights;

  int64_t Extent() const { return high - low + 1; }
  const int32_t* WeightsOf(const KernelTaps& t) const { return weights.data() + t.weightOffset; }
  // The input sample a position of the run stands for.
  int32_t InputIndex(const KernelTaps& t, int32_t k) const {
    return ReflectedIndex(low + t.first + k, inputSize);
  }
};

// The weights of inputSize samples resampled to outputSize (both at least 1) with the kernel.
// The scale is (outputSize - 1) / (inputSize - 1), or outputSize / inputSize when either is 1;
// a shrinking axis widens the kernel by 1 / scale and divides its weights by the same. Each
// weight is the kernel value x 256 rounded to nearest, ties to even. False when the memory
// cannot be had.
bool BuildKernelAxis(int32_t inputSize, int32_t outputSize, const TResampleKernel& kernel,
                     KernelAxis& axis);

// A weighted sum divided by the sum of its weights, truncated toward zero and limited to a
// byte. A sum of weights of 0 cannot divide: the accumulator is then read as an unsigned
// 32-bit value shifted right by 8, so a negative one gives 255.
inline uint8_t KernelResult(int32_t acc, int32_t weightSum) {
  if (weightSum != 0) return ClampByte(acc / weightSum);
  return ClampByte(static_cast<int32_t>(static_cast<uint32_t>(acc) >> 8));
}

// Weight sums up to this take the quotient through single-precision division (see
// FastKernelResult). A kernel bounded by 1 gives sums far below it, at any scale.
inline constexpr int32_t kFastWeightSumLimit = 32768;

inline bool TakesFastKernelResult(int32_t weightSum) {
  return weightSum > 0 && weightSum <= kFastWeightSumLimit;
}

// KernelResult for 0 < weightSum <= kFastWeightSumLimit, in a form that vectorises. The sum is
// first limited to 0 .. 256 weightSum, which changes no result: below 0 the quotient
// truncates to 0 or less, from 256 weightSum on it is 256 or more. In that range the
// correctly rounded float quotient a / d cannot reach the next integer k + 1 unless a / d is
// it: the gap is at least 1 / d, and half a float step at k + 1 is (k + 1) 2^-24, smaller
// while d (k + 1) <= 257 d < 2^24. So truncating the float quotient is the integer one.
inline uint8_t FastKernelResult(int32_t acc, int32_t weightSum) {
  const int32_t limited = std::min(std::max(acc, 0), 256 * weightSum);
  const auto quotient =
      static_cast<int32_t>(static_cast<float>(limited) / static_cast<float>(weightSum));
  return static_cast<uint8_t>(std::min(quotient, 255));
}

}  // namespace calmora::resample
