// ResampleNearest: nearest-neighbour resampling of every pixel format, whole pixels copied by
// their size through a column map computed once.
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora {

using resample::Sizes;

namespace {

// Input index Trunc(i x ratio), kept inside the input against a ratio rounded up.
int32_t NearestIndex(int32_t i, double ratio, int32_t inputSize) {
  return IntMin(static_cast<int32_t>(i * ratio), inputSize - 1);
}

using CopyRow = void (*)(const uint8_t* source, const std::vector<int32_t>& columns, uint8_t* out);

template <int Bytes>
void CopyPixels(const uint8_t* source, const std::vector<int32_t>& columns, uint8_t* out) {
  for (const int32_t x : columns) {
    std::memcpy(out, source + static_cast<int64_t>(x) * Bytes, Bytes);
    out += Bytes;
  }
}

// Whole bytes are written, the bits after the last pixel cleared, so a row reads the same from
// memory and from the temporary file.
void CopyBitPixels(const uint8_t* source, const std::vector<int32_t>& columns, uint8_t* out) {
  const auto count = static_cast<int32_t>(columns.size());
  std::memset(out, 0, static_cast<size_t>((int64_t{count} + 7) / 8));
  for (int32_t i = 0; i < count; ++i)
    if (GetBit(source, columns[i])) out[i >> 3] |= BitMasks[i & 7];
}

CopyRow CopyRowFor(TPVPixelFormat format) {
  switch (PixelFormatBits[format]) {
    case 1: return CopyBitPixels;
    case 8: return CopyPixels<1>;
    case 16: return CopyPixels<2>;
    case 24: return CopyPixels<3>;
    case 32: return CopyPixels<4>;
    case 48: return CopyPixels<6>;
    default: return nullptr;
  }
}

}  // namespace

TPVBitmap* ResampleNearest(const TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                           const TPVProgressEvent& OnProgress) {
  const Sizes size(Source, Destination);
  const TPVPixelFormat format = Source.GetPixelFormat();
  const CopyRow copyRow = CopyRowFor(format);
  if (resample::Refused(Source, Destination, size) || !copyRow ||
      Destination.GetPixelFormat() != format)
    return nullptr;
  const auto [sw, sh, dw, dh] = size;
  std::vector<int32_t> columns;
  if (!resample::TryResize(columns, dw)) return nullptr;
  const double columnRatio = static_cast<double>(sw) / dw;
  for (int32_t i = 0; i < dw; ++i) columns[i] = NearestIndex(i, columnRatio, sw);
  const double rowRatio = static_cast<double>(sh) / dh;
  const double factor = 100.0 / (dh + 0.5);
  int32_t lastPercent = -1;

  // Reads go through the read-only rows; every byte of a destination row's pixels is written,
  // so a file-stored row is not read first.
  TPVDataAccessScope writeOnly(Destination, pvdWrite);
  for (int32_t j = 0; j < dh; ++j) {
    const uint8_t* row = Source.GetScanline(NearestIndex(j, rowRatio, sh));
    uint8_t* out = row ? Destination.GetScanline(j) : nullptr;
    if (!out) return nullptr;
    copyRow(row, columns, out);
    const auto percent = static_cast<int32_t>(j * factor);
    if (OnProgress && percent != lastPercent) {
      lastPercent = percent;
      OnProgress(Sender, percent);
    }
  }
  if (format == pv8p) Source.CopyPaletteTo(&Destination);
  return &Destination;
}

}  // namespace calmora
