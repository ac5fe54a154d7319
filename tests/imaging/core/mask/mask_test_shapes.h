// Selections the mask drawing and copy tests share: a many-pointed star filled into a mask of
// either depth, and reading a zoomed copy back pixel by pixel.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "imaging/base/geometry/geometry.h"
#include "imaging/core/mask/mask.h"

namespace calmora::test {

// A star of `points` tips around (cx, cy), radii alternating between outer and inner, filled
// with value; the box is then made exact.
inline void FillStar(TPVMask& mask, int32_t value, double cx, double cy, double outer,
                     double inner, int32_t points) {
  std::vector<TPoint> corners;
  for (int32_t k = 0; k < 2 * points; ++k) {
    const double angle = k * std::numbers::pi / points;
    const double radius = k % 2 == 0 ? outer : inner;
    corners.push_back(TPoint{static_cast<int32_t>(std::lround(cx + radius * std::cos(angle))),
                             static_cast<int32_t>(std::lround(cy + radius * std::sin(angle)))});
  }
  mask.FillPolygon(value, corners.data(), static_cast<int32_t>(corners.size()));
  mask.RecomputeBox();
}

// Pixel (x, y) of a zoomed copy of the mask's depth: height rows of 32-bit aligned rows,
// stored bottom-up; 0 or 1 for 1 bit, the byte for 8.
inline int32_t ZoomPixel(const uint8_t* buffer, int32_t bitsPerPixel, int32_t width,
                         int32_t height, int32_t x, int32_t y) {
  const int32_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
  const uint8_t* row = buffer + static_cast<int64_t>(rowBytes) * (height - 1 - y);
  return bitsPerPixel == 1 ? (row[x / 8] >> (7 - x % 8)) & 1 : row[x];
}

}  // namespace calmora::test
