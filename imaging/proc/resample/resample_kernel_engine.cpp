// KernelResample: the separable kernel engine, one template over how source samples are read
// (24-bit, 8-bit, 1-bit) and how the resulting bytes are written (as they are, or grey pixels).
#include "imaging/proc/resample/resample_kernel_engine.h"

#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/proc/resample/resample_kernel_axis.h"
#include "imaging/proc/resample/resample_kernel_rows.h"

namespace calmora::resample {

namespace {

// ---- Reading source rows as bytes ----

template <int Channels, TPVPixelFormat Format>
struct ByteSamples {
  static constexpr int kChannels = Channels;
  static constexpr TPVPixelFormat kFormat = Format;
  static void Read(const uint8_t* row, int32_t width, uint8_t* out) {
    std::memcpy(out, row, static_cast<size_t>(width) * Channels);
  }
};

// A set bit is white.
struct BitSamples {
  static constexpr int kChannels = 1;
  static constexpr TPVPixelFormat kFormat = pv1g;
  static void Read(const uint8_t* row, int32_t width, uint8_t* out) {
    for (int32_t x = 0; x < width; ++x) out[x] = GetBit(row, x) ? 255 : 0;
  }
};

// ---- Writing the resulting bytes into destination rows ----

template <TPVPixelFormat Format>
struct ByteRows {
  static constexpr TPVPixelFormat kFormat = Format;
  static void Write(const uint8_t* samples, int32_t count, uint8_t* row) {
    std::memcpy(row, samples, static_cast<size_t>(count));
  }
};

struct GreyPixelRows {
  static constexpr TPVPixelFormat kFormat = pv24RGB;
  static void Write(const uint8_t* samples, int32_t count, uint8_t* row) {
    for (int32_t x = 0; x < count; ++x, row += 3) row[0] = row[1] = row[2] = samples[x];
  }
};

// Progress of the two passes on one scale, reported only when the percentage changes.
class KernelProgress {
 public:
  KernelProgress(const ProgressReporter* reporter, int32_t sh, int32_t dh)
      : reporter_(reporter && reporter->Wanted() ? reporter : nullptr),
        factor_(100.0 / (sh + dh + 0.5)) {}
  // After the rowsDone-th row of both passes together.
  void After(int64_t rowsDone) {
    if (!reporter_) return;
    const auto percent = static_cast<int32_t>(static_cast<double>(rowsDone) * factor_);
    if (percent == last_) return;
    last_ = percent;
    reporter_->Report(percent);
  }

 private:
  const ProgressReporter* reporter_;
  double factor_;
  int32_t last_ = -1;
};

// Mirrors the row, which starts at the axis's position 0, into the margins before and after it.
template <int Channels>
void MirrorMargins(const KernelAxis& axis, uint8_t* extended) {
  const int64_t rowStart = -axis.low;
  const auto mirror = [&](int64_t k) {
    const int64_t from = rowStart + ReflectedIndex(axis.low + k, axis.inputSize);
    std::memcpy(extended + k * Channels, extended + from * Channels, Channels);
  };
  for (int64_t k = 0; k < rowStart; ++k) mirror(k);
  for (int64_t k = rowStart + axis.inputSize; k < axis.Extent(); ++k) mirror(k);
}

// A single source pixel is every destination pixel.
template <class Samples, class Rows>
bool FillWithPixel(const TPVBitmap& source, TPVBitmap& destination, const Sizes& size) {
  constexpr int kChannels = Samples::kChannels;
  std::vector<uint8_t> samples;
  if (!TryResize(samples, int64_t{size.dw} * kChannels)) return false;
  const uint8_t* row = source.GetScanline(0);
  if (!row) return false;
  Samples::Read(row, 1, samples.data());
  for (int32_t x = 1; x < size.dw; ++x)
    std::memcpy(samples.data() + static_cast<int64_t>(x) * kChannels, samples.data(), kChannels);
  TPVDataAccessScope writeOnly(destination, pvdWrite);
  for (int32_t y = 0; y < size.dh; ++y) {
    uint8_t* out = destination.GetScanline(y);
    if (!out) return false;
    Rows::Write(samples.data(), size.dw * kChannels, out);
  }
  return true;
}

template <class Samples, class Rows>
bool SeparableKernel(const TPVBitmap& source, TPVBitmap& destination, const TResampleKernel& kernel,
                     const ProgressReporter* reporter) {
  constexpr int kChannels = Samples::kChannels;
  const Sizes size(source, destination);
  if (Refused(source, destination, size) || source.GetPixelFormat() != Samples::kFormat ||
      destination.GetPixelFormat() != Rows::kFormat)
    return false;
  const auto [sw, sh, dw, dh] = size;
  if (sw < 2 && sh < 2) return FillWithPixel<Samples, Rows>(source, destination, size);

  KernelAxis columns, rows;
  if (!BuildKernelAxis(sw, dw, kernel, columns) || !BuildKernelAxis(sh, dh, kernel, rows))
    return false;
  const int64_t rowSamples = int64_t{dw} * kChannels;
  std::vector<uint8_t> extended, between, result;
  std::vector<const uint8_t*> tapRows;
  if (!TryResize(extended, columns.Extent() * kChannels + kRowReadSlack) ||
      !TryResize(between, rowSamples * sh) || !TryResize(result, rowSamples))
    return false;
  ColumnConvolver<kChannels> convolver;
  if (!convolver.Prepare(columns)) return false;
  KernelProgress progress(reporter, sh, dh);

  uint8_t* rowStart = extended.data() - columns.low * kChannels;
  for (int32_t y = 0; y < sh; ++y) {
    const uint8_t* row = source.GetScanline(y);
    if (!row) return false;
    Samples::Read(row, sw, rowStart);
    MirrorMargins<kChannels>(columns, extended.data());
    convolver.Run(extended.data(), between.data() + rowSamples * y);
    progress.After(int64_t{y} + 1);
  }

  // Every byte of a destination row's pixels is written, so a file-stored row is not read.
  TPVDataAccessScope writeOnly(destination, pvdWrite);
  for (int32_t j = 0; j < dh; ++j) {
    const KernelTaps& taps = rows.taps[j];
    tapRows.resize(static_cast<size_t>(taps.count));
    for (int32_t k = 0; k < taps.count; ++k)
      tapRows[k] = between.data() + rowSamples * rows.InputIndex(taps, k);
    CombineRows(tapRows.data(), rows.WeightsOf(taps), taps.count, taps.weightSum,
                static_cast<int32_t>(rowSamples), result.data());
    uint8_t* out = destination.GetScanline(j);
    if (!out) return false;
    Rows::Write(result.data(), static_cast<int32_t>(rowSamples), out);
    progress.After(int64_t{sh} + j + 1);
  }
  return true;
}

}  // namespace

bool KernelResample(const TPVBitmap& source, TPVBitmap& destination, TResampleFilter filter,
                    const ProgressReporter* progress) {
  if (!IsKernelFilter(filter)) return false;
  const TResampleKernel& kernel = ResampleKernels[filter];
  switch (source.GetPixelFormat()) {
    case pv24RGB:
      return SeparableKernel<ByteSamples<3, pv24RGB>, ByteRows<pv24RGB>>(source, destination,
                                                                         kernel, progress);
    case pv8g:
      return SeparableKernel<ByteSamples<1, pv8g>, ByteRows<pv8g>>(source, destination, kernel,
                                                                   nullptr);
    case pv1g:
      return SeparableKernel<BitSamples, GreyPixelRows>(source, destination, kernel, nullptr);
    default: return false;
  }
}

}  // namespace calmora::resample
