// The projection engines Project1Bit and Project24To1Bit: a 1-bit image in which black or white
// wins inside each destination pixel's box, so thin lines survive a reduction.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"

namespace calmora {

using resample::ProgressReporter;
using resample::Sizes;

namespace {

// Marks in hits (one byte per source column) the pixels of a source row that are of the
// winning colour.
using MarkWinners = void (*)(const uint8_t* row, int32_t width, bool whiteWins, uint8_t* hits);

void MarkWinners1Bit(const uint8_t* row, int32_t width, bool whiteWins, uint8_t* hits) {
  for (int32_t x = 0; x < width; ++x)
    if ((GetBit(row, x) != 0) == whiteWins) hits[x] = 1;
}

// A channel of exactly 128 counts for neither colour.
void MarkWinners24(const uint8_t* row, int32_t width, bool whiteWins, uint8_t* hits) {
  for (int32_t x = 0; x < width; ++x, row += 3) {
    const bool winner = whiteWins ? row[0] > 128 && row[1] > 128 && row[2] > 128
                                  : row[0] < 128 && row[1] < 128 && row[2] < 128;
    if (winner) hits[x] = 1;
  }
}

// The box of destination index k runs from the previous index's sample position to its own,
// both included (index 0: sample 0 alone), so each box reaches back one sample.
int32_t SamplePosition(int32_t index, double ratio, int32_t inputSize) {
  return index < 1 ? 0 : IntMin(static_cast<int32_t>(index * ratio), inputSize - 1);
}

bool Project(const TPVBitmap& Source, TPVBitmap& Destination, TPVPixelFormat sourceFormat,
             MarkWinners markWinners, bool whiteWins, const ProgressReporter& reporter) {
  if (Source.GetPixelFormat() != sourceFormat) return false;
  const Sizes size(Source, Destination);
  if (resample::Refused(Source, Destination, size)) return false;
  const auto [sw, sh, dw, dh] = size;
  std::vector<int32_t> columns;
  std::vector<uint8_t> hits;
  if (!resample::TryResize(columns, dw) || !resample::TryResize(hits, sw)) return false;
  if (Destination.GetPixelFormat() != pv1g && !Destination.Allocate(dw, dh, pv1g)) return false;

  // Every byte of a destination row is written, so a file-stored row need not be read first.
  TPVDataAccessScope writeOnly(Destination, pvdWrite);
  const double columnRatio = static_cast<double>(sw) / dw;
  for (int32_t k = 0; k < dw; ++k) columns[k] = SamplePosition(k, columnRatio, sw);
  const double q = static_cast<double>(sh) / dh;
  const double factor = 100.0 / (dh + 0.5);
  const int32_t rowBytes = Destination.GetRowLen();
  const uint8_t background = whiteWins ? 0 : 255;

  for (int32_t j = 0; j < dh; ++j) {
    std::fill(hits.begin(), hits.end(), 0);
    const int32_t lastRow = SamplePosition(j, q, sh);
    for (int32_t r = SamplePosition(j - 1, q, sh); r <= lastRow; ++r) {
      const uint8_t* row = Source.GetScanline(r);
      if (!row) return false;
      markWinners(row, sw, whiteWins, hits.data());
    }
    uint8_t* out = Destination.GetScanline(j);
    if (!out) return false;
    std::memset(out, background, static_cast<size_t>(rowBytes));
    for (int32_t k = 0; k < dw; ++k) {
      const int32_t from = k < 1 ? 0 : columns[k - 1];
      const auto first = hits.begin() + from;
      const auto last = hits.begin() + columns[k] + 1;
      if (std::find(first, last, uint8_t{1}) != last) SetBit(out, k, whiteWins ? 1 : 0);
    }
    reporter.Report(static_cast<int32_t>(factor * j));
  }
  return true;
}

}  // namespace

bool Project1Bit(const TPVBitmap& Source, TPVBitmap& Destination, bool WhiteWins,
                 TObject* Sender, const TPVProgressEvent& OnProgress) {
  return Project(Source, Destination, pv1g, MarkWinners1Bit, WhiteWins,
                 ProgressReporter(Sender, OnProgress));
}

bool Project24To1Bit(const TPVBitmap& Source, TPVBitmap& Destination, bool WhiteWins,
                     TObject* Sender, const TPVProgressEvent& OnProgress) {
  return Project(Source, Destination, pv24RGB, MarkWinners24, WhiteWins,
                 ProgressReporter(Sender, OnProgress));
}

}  // namespace calmora
