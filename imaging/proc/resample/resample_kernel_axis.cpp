// BuildKernelAxis: the weights of every output index along one axis of the kernel engine.
#include "imaging/proc/resample/resample_kernel_axis.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/proc/resample/resample_common.h"

namespace calmora::resample {

namespace {

// Where the kernel sits for the axis: output index i is centred on input position i / scale
// and reaches halfWidth on either side.
struct KernelPlacement {
  double scale;
  double halfWidth;
  double fscale;  // 1, or 1 / scale when shrinking: the kernel's stretch

  KernelPlacement(int32_t inputSize, int32_t outputSize, double support) {
    scale = inputSize == 1 || outputSize == 1
                ? static_cast<double>(outputSize) / inputSize
                : static_cast<double>(outputSize - 1) / (inputSize - 1);
    const bool enlarging = scale >= 1;
    halfWidth = enlarging ? support : support / scale;
    fscale = enlarging ? 1 : 1 / scale;
  }

  int32_t Weight(double (*kernel)(double), double distance) const {
    const double value =
        scale >= 1 ? kernel(distance) * 256 : kernel(distance / fscale) * 256 / fscale;
    return static_cast<int32_t>(std::nearbyint(value));
  }
};

}  // namespace

bool BuildKernelAxis(int32_t inputSize, int32_t outputSize, const TResampleKernel& kernel,
                     KernelAxis& axis) {
  if (inputSize < 1 || outputSize < 1 || !kernel.Kernel) return false;
  const KernelPlacement placement(inputSize, outputSize, kernel.Support);
  axis.inputSize = inputSize;
  axis.low = 0;
  axis.high = inputSize - 1;
  if (!TryResize(axis.taps, outputSize)) return false;
  axis.weights.clear();

  // Runs are built relative to position 0 first; Low is known only at the end.
  std::vector<int64_t> starts;
  std::vector<int32_t> run;
  if (!TryResize(starts, outputSize)) return false;
  try {
    for (int32_t i = 0; i < outputSize; ++i) {
      const double center = i / placement.scale;
      const int64_t left = FloorToInt(center - placement.halfWidth);
      const int64_t right = CeilToInt(center + placement.halfWidth);
      // Positions are kept in int32 from Low on; a kernel wider than that has no run.
      if (right - left >= INT32_MAX) return false;
      run.clear();
      for (int64_t j = left; j <= right; ++j)
        run.push_back(placement.Weight(kernel.Kernel, center - static_cast<double>(j)));
      const auto nonZero = [](int32_t w) { return w != 0; };
      const auto begin = std::find_if(run.begin(), run.end(), nonZero);
      const auto end = std::find_if(run.rbegin(), run.rend(), nonZero).base();
      KernelTaps& taps = axis.taps[i];
      taps.weightOffset = static_cast<int64_t>(axis.weights.size());
      taps.count = begin < end ? static_cast<int32_t>(end - begin) : 0;
      taps.weightSum = 0;
      for (auto w = begin; w < end; ++w) taps.weightSum += *w;
      axis.weights.insert(axis.weights.end(), begin, begin < end ? end : begin);
      starts[i] = left + (begin - run.begin());
      if (taps.count > 0) {
        axis.low = std::min(axis.low, starts[i]);
        axis.high = std::max(axis.high, starts[i] + taps.count - 1);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  if (axis.Extent() > INT32_MAX) return false;
  for (int32_t i = 0; i < outputSize; ++i)
    axis.taps[i].first = static_cast<int32_t>(starts[i] - axis.low);
  return true;
}

}  // namespace calmora::resample
