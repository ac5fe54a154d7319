// ApplyFilter3x3: the filter's plan, the plain row routine, and the pass over the rectangle
// that keeps three padded copies of the source rows, so each row is written back as soon as it
// is done and no image-sized work bitmap is needed.
#include "imaging/proc/filters/filter3x3.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/proc/filters/filter3x3_rows.h"
#include "imaging/proc/processor_features.h"

namespace calmora {

namespace filter3x3 {

RowPlan MakeRowPlan(const Filter3x3& filter) {
  RowPlan plan;
  int64_t absoluteSum = 0;
  for (int32_t i = 0; i < 9; ++i) {
    plan.Weights[i] = filter.Weights[i];
    absoluteSum += std::llabs(filter.Weights[i]);
  }
  plan.Divisor = filter.Divisor == 0 ? 1 : filter.Divisor;
  plan.Narrow = absoluteSum * 255 <= 32767 && plan.Divisor >= 1 && plan.Divisor <= 32767;
  if (plan.Narrow && plan.Divisor >= 2) {
    int32_t bits = 0;  // ceil(log2 divisor)
    while ((int32_t{1} << bits) < plan.Divisor) ++bits;
    const int64_t scale = int64_t{1} << (15 + bits);
    plan.Magic = static_cast<uint16_t>((scale + plan.Divisor - 1) / plan.Divisor);
    plan.Shift = bits - 1;
  }
  return plan;
}

void FilterRowPlain(const RowPlan& plan, const uint8_t* above, const uint8_t* middle,
                    const uint8_t* below, int32_t count, uint8_t* out) {
  const uint8_t* rows[3] = {above, middle, below};
  for (int32_t i = 0; i < count; ++i) {
    // 64 bits: nine weights of any int32 size times 255 stay exact.
    int64_t sum = 0;
    for (int32_t r = 0; r < 3; ++r)
      for (int32_t c = 0; c < 3; ++c) sum += int64_t{plan.Weights[3 * r + c]} * rows[r][i + c];
    const int64_t quotient = (sum < 0 ? -sum : sum) / plan.Divisor;
    out[i] = static_cast<uint8_t>(std::clamp<int64_t>(quotient, 0, 255));
  }
}

}  // namespace filter3x3

namespace {

// Columns x1 - 1 .. x1 + count of a source row into padded[0 .. count + 1], the columns
// beyond the image repeating its edge pixels.
void CopyPadded(const uint8_t* row, int32_t width, int32_t x1, int32_t count, uint8_t* padded) {
  const int32_t first = std::max(x1 - 1, 0), last = std::min(x1 + count, width - 1);
  std::memcpy(padded + (first - (x1 - 1)), row + first, static_cast<size_t>(last - first + 1));
  if (x1 == 0) padded[0] = row[0];
  if (x1 + count == width) padded[count + 1] = row[width - 1];
}

}  // namespace

void ApplyFilter3x3(TPVBitmap& Bitmap, const Filter3x3& Filter, int32_t X1, int32_t Y1, int32_t X2,
                    int32_t Y2) {
  if (Bitmap.GetPixelFormat() != pv8g) return;
  const TPVBitmap& source = Bitmap;
  const int32_t width = Bitmap.GetWidth(), height = Bitmap.GetHeight();
  const int32_t x1 = std::max(X1, 0), y1 = std::max(Y1, 0);
  const int32_t x2 = std::min(X2, width), y2 = std::min(Y2, height);
  if (x1 >= x2 || y1 >= y2) return;
  const int32_t count = x2 - x1;

  // Three padded source rows (above, own, below) and the filtered row.
  const int64_t stride = int64_t{count} + 2;
  std::unique_ptr<uint8_t[]> buffers(new (std::nothrow) uint8_t[4 * stride]);
  if (!buffers) return;
  uint8_t* above = buffers.get();
  uint8_t* middle = above + stride;
  uint8_t* below = middle + stride;
  uint8_t* filtered = below + stride;

  const filter3x3::RowPlan plan = filter3x3::MakeRowPlan(Filter);
  const auto filterRow =
      plan.Narrow && ProcessorHasAvx2() ? filter3x3::FilterRowAvx2 : filter3x3::FilterRowPlain;
  const auto copyRow = [&](int32_t y, uint8_t* padded) {
    const uint8_t* row = source.GetScanline(y);
    if (row != nullptr) CopyPadded(row, width, x1, count, padded);
    return row != nullptr;
  };
  if (!copyRow(std::max(y1 - 1, 0), above) || !copyRow(y1, middle)) return;
  for (int32_t y = y1; y < y2; ++y) {
    // Row y + 1 is still untouched: only rows up to y - 1 have been written back.
    if (!copyRow(std::min(y + 1, height - 1), below)) return;
    filterRow(plan, above, middle, below, count, filtered);
    uint8_t* row = Bitmap.GetScanline(y);
    if (row == nullptr) return;
    std::memcpy(row + x1, filtered, static_cast<size_t>(count));
    std::swap(above, middle);
    std::swap(middle, below);
  }
}

}  // namespace calmora
