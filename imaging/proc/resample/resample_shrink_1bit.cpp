// Shrink1BitToGray: reduces a rectangle of a 1-bit image to grey levels by counting the set
// pixels of each destination pixel's box. The scaled renderers draw zoomed-out 1-bit images
// with it.
#include <algorithm>
#include <numeric>
#include <vector>

#include "imaging/base/bit_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"

namespace calmora {

namespace {

// Trunc(value) limited to low .. high; also for values far outside the int64 range, which a
// rectangle with corners near the int32 limits gives.
int64_t TruncInto(double value, int64_t low, int64_t high) {
  if (value <= static_cast<double>(low)) return low;
  if (value >= static_cast<double>(high)) return high;
  return static_cast<int64_t>(value);
}

struct Span {
  int32_t first;
  int32_t last;
};

}  // namespace

// The row box uses the integer part of the ratio, halved, for its end, where the column box
// uses the ratio itself. A row box is first limited to the rectangle's height as measured from
// its top (so the first box does not reach above it), and every box is then limited to the
// source in absolute positions, so no rectangle can lead outside it.
bool Shrink1BitToGray(const TPVBitmap& Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                      TPVBitmap& Destination) {
  if (Source.GetPixelFormat() != pv1g || Destination.GetPixelFormat() != pv24RGB) return false;
  const resample::Sizes size(Source, Destination);
  if (resample::Refused(Source, Destination, size) || X2 < X1 || Y2 < Y1) return false;
  const int32_t sw = size.sw, sh = size.sh, dw = size.dw, dh = size.dh;
  const double fx = static_cast<double>(int64_t{X2} - X1 + 1) / dw;
  const double fy = static_cast<double>(int64_t{Y2} - Y1 + 1) / dh;
  const double halfTy = static_cast<double>(static_cast<int64_t>(fy)) / 2;

  std::vector<Span> columns;
  std::vector<int64_t> counts;  // set bits per column of the current row box, then their sums
  if (!resample::TryResize(columns, dw)) return false;
  for (int32_t i = 0; i < dw; ++i) {
    const double centre = i * fx;
    const int64_t low = -int64_t{X1}, high = int64_t{sw} - 1 - X1;
    columns[i] = {static_cast<int32_t>(X1 + TruncInto(centre - fx / 2, low, high)),
                  static_cast<int32_t>(X1 + TruncInto(centre + fx / 2, low, high))};
  }
  const int32_t firstColumn = columns.front().first;
  const int32_t lastColumn = columns.back().last;
  if (!resample::TryResize(counts, int64_t{lastColumn} - firstColumn + 2)) return false;

  const auto inSource = [sh, Y1](int64_t fromTop) {
    return static_cast<int32_t>(std::clamp<int64_t>(Y1 + fromTop, 0, sh - 1));
  };
  for (int32_t j = 0; j < dh; ++j) {
    const double centre = j * fy;
    const int32_t top = inSource(TruncInto(centre - fy / 2, 0, sh - 1));
    const int32_t bottom = inSource(TruncInto(centre + halfTy, 0, sh - 1));
    // counts[x + 1] gathers column firstColumn + x, then becomes the sum up to it.
    std::fill(counts.begin(), counts.end(), 0);
    for (int32_t r = top; r <= bottom; ++r) {
      const uint8_t* row = Source.GetScanline(r);
      if (!row) return false;
      for (int32_t x = firstColumn; x <= lastColumn; ++x)
        if (GetBit(row, x)) ++counts[x - firstColumn + 1];
    }
    std::partial_sum(counts.begin(), counts.end(), counts.begin());
    uint8_t* out = Destination.GetScanline(j);
    if (!out) return false;
    const int64_t rows = int64_t{bottom} - top + 1;
    for (const Span& box : columns) {
      const int64_t set = counts[box.last - firstColumn + 1] - counts[box.first - firstColumn];
      const int64_t pixels = rows * (int64_t{box.last} - box.first + 1);
      const auto grey = static_cast<uint8_t>(255 * set / pixels);
      *out++ = grey;
      *out++ = grey;
      *out++ = grey;
    }
  }
  return true;
}

}  // namespace calmora
