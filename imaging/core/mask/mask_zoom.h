// The 14-bit fixed-point mapping from the view's pixels to mask pixels that the zoomed copy
// of a mask and the drawings on it share.
#pragma once

#include <cstdint>

namespace calmora {

// Trunc(sourceExtent / destinationExtent x 16384): a destination step in source pixels with
// 14 fraction bits.
int64_t ZoomStep(int32_t sourceExtent, int32_t destinationExtent);

// The source index that destination index k shows. In 64 bits: step x k passes 2^31 for
// sources wider than about 131,000 pixels.
inline int64_t ZoomSource(int64_t origin, int64_t step, int64_t k) {
  return origin + ((k * step) >> 14);
}

}  // namespace calmora
