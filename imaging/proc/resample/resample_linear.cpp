// The fixed-point linear engines: ResampleFastLinear24 and ResampleLinear8 (one template over
// the bytes per pixel) and ResampleLinear1Bit. Both run a horizontal pass into an intermediate
// image of the destination's width and the source's height, then a vertical pass.
#include <algorithm>
#include <optional>
#include <vector>

#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"

namespace calmora {

using resample::LinearStep;
using resample::ProgressReporter;
using resample::Sizes;

namespace {

// Where output index i falls on an axis that grows (ratio = output / input size): between
// input samples first and second (the next one, or first again at the end), fraction of the
// way on a scale of 2^17.
struct LinearTap {
  int32_t first;
  int32_t second;
  int32_t fraction;
};

LinearTap TapAt(int32_t index, double ratio, int32_t inputSize) {
  const double position = index / ratio;
  const auto left = static_cast<int32_t>(position);
  const auto fraction = static_cast<int32_t>((position - left) * resample::kFractionScale);
  const int32_t first = IntMin(left, inputSize - 1);
  return {first, IntMin(first + 1, inputSize - 1), fraction};
}

// The input samples averaged into output index i on an axis that shrinks. The box runs to the
// position of the next output's first sample and includes it. The columns add 1e-10 before
// truncating the end (so a position that lands a rounding error short of a whole number still
// reaches it); the rows do not.
struct Box {
  int32_t first;
  int32_t last;
};

Box BoxAt(int32_t index, double ratio, int32_t outputSize, int32_t inputSize, double slack) {
  const int32_t first = IntMin(static_cast<int32_t>(index / ratio), inputSize - 1);
  const auto last = static_cast<int32_t>(IntMin(index + 1, outputSize - 1) / ratio + slack);
  return {first, ClampInt(last, first, inputSize - 1)};
}

constexpr double kColumnSlack = 0.0000000001;

// What every linear engine does first: refuse what it cannot do (answer false), or copy the
// source at equal sizes (answer: whether the copy was made). Without an answer it resamples.
struct LinearStart {
  Sizes size;
  double rx = 0;  // destination pixels per source pixel
  double ry = 0;
  std::optional<bool> answer;
};

LinearStart StartLinear(TPVBitmap& Source, TPVBitmap& Destination, TPVPixelFormat format) {
  LinearStart start{Sizes(Source, Destination), 0, 0, std::nullopt};
  if (Source.GetPixelFormat() != format || resample::Refused(Source, Destination, start.size)) {
    start.answer = false;
    return start;
  }
  start.rx = static_cast<double>(start.size.dw) / start.size.sw;
  start.ry = static_cast<double>(start.size.dh) / start.size.sh;
  if (start.rx == 1 && start.ry == 1) start.answer = Destination.Assign(&Source);
  return start;
}

// Progress of both passes: sh rows, then dh rows, on one scale.
class TwoPassProgress {
 public:
  TwoPassProgress(const ProgressReporter& reporter, int32_t sh, int32_t dh)
      : reporter_(reporter), sh_(sh), factor_(100.0 / (sh + dh + 0.5)) {}
  void AfterSourceRow(int32_t y) const { reporter_.Report(static_cast<int32_t>(y * factor_)); }
  void AfterDestinationRow(int32_t j) const {
    reporter_.Report(static_cast<int32_t>((int64_t{sh_} + j) * factor_));
  }

 private:
  const ProgressReporter& reporter_;
  int32_t sh_;
  double factor_;
};

template <int Channels>
void InterpolateRow(const uint8_t* source, const std::vector<LinearTap>& columns, uint8_t* out) {
  for (const LinearTap& tap : columns) {
    const uint8_t* a = source + static_cast<int64_t>(tap.first) * Channels;
    const uint8_t* b = source + static_cast<int64_t>(tap.second) * Channels;
    for (int c = 0; c < Channels; ++c)
      *out++ = static_cast<uint8_t>(LinearStep(a[c], b[c], tap.fraction));
  }
}

template <int Channels>
void AverageRow(const uint8_t* source, const std::vector<Box>& columns, uint8_t* out) {
  for (const Box& box : columns) {
    const int64_t count = int64_t{box.last} - box.first + 1;
    for (int c = 0; c < Channels; ++c) {
      int64_t sum = 0;
      const uint8_t* sample = source + static_cast<int64_t>(box.first) * Channels + c;
      for (int64_t k = 0; k < count; ++k, sample += Channels) sum += *sample;
      *out++ = static_cast<uint8_t>(sum / count);
    }
  }
}

// Both passes of the byte engines; Channels bytes per pixel of the given format.
template <int Channels>
bool ResampleLinearBytes(TPVBitmap& Source, TPVBitmap& Destination, TPVPixelFormat format,
                         const ProgressReporter& reporter) {
  const LinearStart start = StartLinear(Source, Destination, format);
  if (start.answer) return *start.answer;
  const auto [sw, sh, dw, dh] = start.size;
  const double rx = start.rx, ry = start.ry;
  if (Destination.GetPixelFormat() != format) return false;

  std::vector<LinearTap> taps;
  std::vector<Box> boxes;
  std::vector<int64_t> sums;
  const bool grows = rx > 1;
  if (!(grows ? resample::TryResize(taps, dw) : resample::TryResize(boxes, dw))) return false;
  for (int32_t i = 0; i < dw; ++i) {
    if (grows)
      taps[i] = TapAt(i, rx, sw);
    else
      boxes[i] = BoxAt(i, rx, dw, sw, kColumnSlack);
  }
  const int64_t rowSamples = int64_t{dw} * Channels;
  TPVWorkBitmap between(dw, sh, 8 * Channels);
  if (!between.Bits || (ry <= 1 && !resample::TryResize(sums, rowSamples))) return false;
  const TwoPassProgress progress(reporter, sh, dh);

  const TPVBitmap& source = Source;
  for (int32_t y = 0; y < sh; ++y) {
    const uint8_t* row = source.GetScanline(y);
    if (!row) return false;
    if (grows)
      InterpolateRow<Channels>(row, taps, between.GetScanline(y));
    else
      AverageRow<Channels>(row, boxes, between.GetScanline(y));
    progress.AfterSourceRow(y);
  }

  for (int32_t j = 0; j < dh; ++j) {
    uint8_t* out = Destination.GetScanline(j);
    if (!out) return false;
    if (ry > 1) {
      const LinearTap tap = TapAt(j, ry, sh);
      const uint8_t* a = between.GetScanline(tap.first);
      const uint8_t* b = between.GetScanline(tap.second);
      for (int64_t x = 0; x < rowSamples; ++x)
        out[x] = static_cast<uint8_t>(LinearStep(a[x], b[x], tap.fraction));
    } else {
      const Box box = BoxAt(j, ry, dh, sh, 0);
      std::fill(sums.begin(), sums.end(), 0);
      for (int32_t r = box.first; r <= box.last; ++r) {
        const uint8_t* in = between.GetScanline(r);
        for (int64_t x = 0; x < rowSamples; ++x) sums[x] += in[x];
      }
      const int64_t count = int64_t{box.last} - box.first + 1;
      for (int64_t x = 0; x < rowSamples; ++x) out[x] = static_cast<uint8_t>(sums[x] / count);
    }
    progress.AfterDestinationRow(j);
  }
  return true;
}

}  // namespace

bool ResampleFastLinear24(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                          const TPVProgressEvent& OnProgress) {
  return ResampleLinearBytes<3>(Source, Destination, pv24RGB, ProgressReporter(Sender, OnProgress));
}

bool ResampleLinear8(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                     const TPVProgressEvent& OnProgress) {
  return ResampleLinearBytes<1>(Source, Destination, pv8g, ProgressReporter(Sender, OnProgress));
}

// Interpolates even on an axis that shrinks (only both shrinking goes to the counting engine);
// the intermediate image keeps one grey byte per pixel.
bool ResampleLinear1Bit(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                        const TPVProgressEvent& OnProgress) {
  const LinearStart start = StartLinear(Source, Destination, pv1g);
  if (start.answer) return *start.answer;
  const auto [sw, sh, dw, dh] = start.size;
  const double rx = start.rx, ry = start.ry;
  if (rx < 1 && ry < 1) return Shrink1BitToGray(Source, 0, 0, sw - 1, sh - 1, Destination);
  if (Destination.GetPixelFormat() != pv24RGB) return false;

  std::vector<LinearTap> taps;
  if (!resample::TryResize(taps, dw)) return false;
  for (int32_t i = 0; i < dw; ++i) taps[i] = TapAt(i, rx, sw);
  TPVWorkBitmap between(dw, sh, 8);
  if (!between.Bits) return false;
  const ProgressReporter reporter(Sender, OnProgress);
  const TwoPassProgress progress(reporter, sh, dh);

  const TPVBitmap& source = Source;
  for (int32_t y = 0; y < sh; ++y) {
    const uint8_t* row = source.GetScanline(y);
    if (!row) return false;
    uint8_t* out = between.GetScanline(y);
    for (const LinearTap& tap : taps) {
      const int32_t a = GetBit(row, tap.first) ? 255 : 0;
      const int32_t b = GetBit(row, tap.second) ? 255 : 0;
      *out++ = static_cast<uint8_t>(LinearStep(a, b, tap.fraction));
    }
    progress.AfterSourceRow(y);
  }

  for (int32_t j = 0; j < dh; ++j) {
    uint8_t* out = Destination.GetScanline(j);
    if (!out) return false;
    const LinearTap tap = TapAt(j, ry, sh);
    const uint8_t* a = between.GetScanline(tap.first);
    const uint8_t* b = between.GetScanline(tap.second);
    for (int32_t x = 0; x < dw; ++x, out += 3) {
      const auto grey = static_cast<uint8_t>(LinearStep(a[x], b[x], tap.fraction));
      out[0] = out[1] = out[2] = grey;
    }
    progress.AfterDestinationRow(j);
  }
  return true;
}

}  // namespace calmora
