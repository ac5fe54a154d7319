// GaussianBlurGray8: the kernel, the plain line routine, and the two passes, each on copies of
// the rows it reads so that a row is written back as soon as it is done.
#include "imaging/proc/filters/gaussian_blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/proc/filters/gaussian_lines.h"
#include "imaging/proc/processor_features.h"

namespace calmora {

namespace gaussian {

Kernel MakeKernel(double radius) {
  Kernel kernel;
  long double curve[2 * kMaxHalfWidth + 1];
  long double sum = 0;
  for (int32_t i = 0; i <= 2 * kMaxHalfWidth; ++i) {
    const long double t = (i - kMaxHalfWidth) / static_cast<long double>(radius);
    curve[i] = std::exp(-(t * t) / 2);
    sum += curve[i];
  }
  for (int32_t i = 0; i <= 2 * kMaxHalfWidth; ++i)
    kernel.Weights[i] = static_cast<int32_t>(std::nearbyint(curve[i] * 65536 / sum));
  while (kernel.HalfWidth > 1 && kernel.Weight(kernel.HalfWidth) == 0 &&
         kernel.Weight(-kernel.HalfWidth) == 0)
    --kernel.HalfWidth;
  return kernel;
}

template <typename Sample>
void ConvolveLinePlain(const Kernel& kernel, const LineTaps<Sample>& taps, int32_t count,
                       uint8_t* out) {
  for (int32_t i = 0; i < count; ++i) {
    uint32_t sum = 32768 + static_cast<uint32_t>(kernel.Weight(0)) * taps.Center[i];
    for (int32_t k = 1; k <= kernel.HalfWidth; ++k)
      sum += static_cast<uint32_t>(kernel.Weight(-k)) * taps.Near[k - 1][i] +
             static_cast<uint32_t>(kernel.Weight(k)) * taps.Far[k - 1][i];
    out[i] = static_cast<uint8_t>(std::min<uint32_t>(sum >> 16, 255));
  }
}

template void ConvolveLinePlain(const Kernel&, const LineTaps<uint8_t>&, int32_t, uint8_t*);
template void ConvolveLinePlain(const Kernel&, const LineTaps<uint16_t>&, int32_t, uint8_t*);

}  // namespace gaussian

namespace {

using gaussian::Kernel;
using gaussian::LineTaps;
template <typename Sample>
using LineRoutine = void (*)(const Kernel&, const LineTaps<Sample>&, int32_t, uint8_t*);

template <typename Sample>
LineRoutine<Sample> ChooseLineRoutine() {
  return ProcessorHasAvx2() ? gaussian::ConvolveLineAvx2<Sample>
                            : gaussian::ConvolveLinePlain<Sample>;
}

// A block of 16-bit samples that is null instead of throwing when it cannot be had.
std::unique_ptr<uint16_t[]> TrySamples(int64_t count) {
  return std::unique_ptr<uint16_t[]>(new (std::nothrow) uint16_t[static_cast<size_t>(count)]);
}

// Columns x1..x2 of each row y1..y2: a padded 16-bit copy holds HalfWidth repeats of the first
// sample, the samples and HalfWidth repeats of the last, so tap k of output i is
// line[h + i -/+ k].
bool BlurRows(TPVBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              const Kernel& kernel) {
  const LineRoutine<uint16_t> convolve = ChooseLineRoutine<uint16_t>();
  const int32_t h = kernel.HalfWidth, count = x2 - x1 + 1;
  const std::unique_ptr<uint16_t[]> line = TrySamples(int64_t{count} + 2 * h);
  const std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
  if (!line || !out) return false;
  std::vector<const uint16_t*> near(h), far(h);
  for (int32_t k = 1; k <= h; ++k) {
    near[k - 1] = line.get() + h - k;
    far[k - 1] = line.get() + h + k;
  }
  const LineTaps<uint16_t> taps{near.data(), line.get() + h, far.data()};
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    if (row == nullptr) return false;
    std::fill(line.get(), line.get() + h, row[x1]);
    std::copy(row + x1, row + x2 + 1, line.get() + h);
    std::fill(line.get() + h + count, line.get() + 2 * h + count, row[x2]);
    convolve(kernel, taps, count, out.get());
    std::memcpy(row + x1, out.get(), static_cast<size_t>(count));
  }
  return true;
}

// Rows y1..y2 over columns x1..x2, whole rows at once: the ring holds copies of the source rows
// y - h..y + h that lie in the rectangle (slot (row - y1) mod (2h + 1)), in bytes so that a wide
// ring stays in the second-level cache; rows past the rectangle's top or bottom read its first
// or last row.
bool BlurColumns(TPVBitmap& bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                 const Kernel& kernel) {
  const LineRoutine<uint8_t> convolve = ChooseLineRoutine<uint8_t>();
  const int32_t h = kernel.HalfWidth, count = x2 - x1 + 1;
  const int32_t slots = 2 * h + 1;
  const std::unique_ptr<uint8_t[]> ring(
      new (std::nothrow) uint8_t[static_cast<size_t>((int64_t{slots} + 1) * count)]);
  if (!ring) return false;
  uint8_t* out = ring.get() + int64_t{slots} * count;
  const auto slot = [&](int32_t row) { return ring.get() + int64_t{(row - y1) % slots} * count; };
  const TPVBitmap& source = bitmap;
  int32_t loaded = y1 - 1;  // the last row copied into the ring
  std::vector<const uint8_t*> near(h), far(h);
  for (int32_t y = y1; y <= y2; ++y) {
    // Rows up to y + h are still the source: only rows before y have been written back.
    for (; loaded < std::min(y + h, y2); ++loaded) {
      const uint8_t* row = source.GetScanline(loaded + 1);
      if (row == nullptr) return false;
      std::memcpy(slot(loaded + 1), row + x1, static_cast<size_t>(count));
    }
    for (int32_t k = 1; k <= h; ++k) {
      near[k - 1] = slot(std::max(y - k, y1));
      far[k - 1] = slot(std::min(y + k, y2));
    }
    convolve(kernel, LineTaps<uint8_t>{near.data(), slot(y), far.data()}, count, out);
    uint8_t* row = bitmap.GetScanline(y);
    if (row == nullptr) return false;
    std::memcpy(row + x1, out, static_cast<size_t>(count));
  }
  return true;
}

}  // namespace

void GaussianBlurGray8(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       double Radius) {
  if (Bitmap.GetPixelFormat() != pv8g || !std::isfinite(Radius) || Radius <= 0) return;
  const int32_t width = Bitmap.GetWidth(), height = Bitmap.GetHeight();
  if (width < 1 || height < 1) return;
  const int32_t x1 = std::clamp(X1, 0, width - 1), x2 = std::clamp(X2, 0, width - 1);
  const int32_t y1 = std::clamp(Y1, 0, height - 1), y2 = std::clamp(Y2, 0, height - 1);
  if (x1 > x2 || y1 > y2) return;
  const Kernel kernel = gaussian::MakeKernel(Radius);
  if (BlurRows(Bitmap, x1, y1, x2, y2, kernel)) BlurColumns(Bitmap, x1, y1, x2, y2, kernel);
}

}  // namespace calmora
