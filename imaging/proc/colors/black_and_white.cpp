// Thresholds, ordered dither and two-colour extraction to pv1g bitmaps.
#include "imaging/proc/colors/black_and_white.h"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "imaging/base/hash.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/colors/color_statistics.h"
#include "imaging/proc/colors/row_colors.h"
#include "imaging/proc/row_progress.h"

namespace calmora {

const int32_t kOrderedDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

// A pv1g bitmap of the source's size that goes to the temporary file by the source's own
// threshold; null when its storage cannot be had.
std::unique_ptr<TPVBitmap> NewOneBitLike(const TPVBitmap& source) {
  auto bitmap = std::make_unique<TPVBitmap>();
  bitmap->FileThreshold = source.FileThreshold;
  if (!bitmap->Allocate(source.GetWidth(), source.GetHeight(), pv1g)) return nullptr;
  return bitmap;
}

// The t of 1..255 that maximises ln(P - P^2) + Hb / P + (H - Hb) / (1 - P), with P the share
// of pixels darker than t and Hb their entropy; only a t with pixels on both sides counts.
// The share comes from integer counts, so "all pixels" is exactly 1, never just below it.
std::optional<int32_t> MaximumEntropyThreshold(const TPVBitmap& source) {
  TPVGrayHistogram hist;
  GrayHistogram(source, hist);
  const int64_t pixels = int64_t{source.GetWidth()} * source.GetHeight();
  if (pixels == 0) return std::nullopt;
  double p[256];
  double entropy = 0;
  for (int i = 0; i < 256; ++i) {
    p[i] = static_cast<double>(hist[i]) / static_cast<double>(pixels);
    if (p[i] > 0) entropy -= p[i] * std::log(p[i]);
  }
  std::optional<int32_t> threshold;
  double best = -std::numeric_limits<double>::infinity();
  int64_t darker = 0;
  double darkEntropy = 0;
  for (int32_t t = 1; t < 256; ++t) {
    darker += hist[t - 1];
    if (p[t - 1] > 0) darkEntropy -= p[t - 1] * std::log(p[t - 1]);
    if (darker == 0 || darker == pixels) continue;
    const double share = static_cast<double>(darker) / static_cast<double>(pixels);
    const double score = std::log(share - share * share) + darkEntropy / share +
                         (entropy - darkEntropy) / (1 - share);
    if (score > best) {
      best = score;
      threshold = t;
    }
  }
  return threshold;
}

int32_t MeanGrey(const TPVBitmap& source) {
  int32_t r = 0, g = 0, b = 0;
  AverageColor(source, r, g, b);
  return (r * GrayWeightRed + g * GrayWeightGreen + b * GrayWeightBlue) / 100;
}

int32_t ResolveThreshold(const TPVBitmap& source, int32_t threshold) {
  if (threshold == kMaxEntropyThreshold)
    return MaximumEntropyThreshold(source).value_or(MeanGrey(source));
  if (threshold == kMeanColorThreshold) return MeanGrey(source);
  return threshold;
}

bool AllAtLeast(TPVRGB c, uint8_t level) { return c.r >= level && c.g >= level && c.b >= level; }

}  // namespace

bool BinarizeToBitmap(TPVBitmap& Source, TPVBitmap& Dest, int32_t Threshold,
                      TPVProgressRecord& Progress) {
  if (&Source == &Dest) return false;
  if (Source.GetPixelFormat() == pv1g) return Dest.AssignImage(&Source);
  const int32_t width = Source.GetWidth();
  const int32_t height = Source.GetHeight();
  if (Dest.GetPixelFormat() != pv1g || Dest.GetWidth() != width || Dest.GetHeight() != height)
    return false;
  Progress.Step = RowProgressStep(height);
  const int32_t threshold = ResolveThreshold(Source, Threshold);
  TRowColorReader reader(Source);
  for (int32_t y = 0; y < height; ++y) {
    const TPVRGB* colors = reader.Row(y);
    uint8_t* bits = Dest.GetScanline(y);
    if (colors && bits)
      for (int32_t x = 0; x < width; ++x) SetBit(bits, x, GrayLevelOf(colors[x]) >= threshold);
    ReportRowDone(Progress.OnProgress, Progress.Sender, Progress.Step, y);
  }
  return true;
}

void ThresholdTo1Bit(TPVBitmap& Bitmap, int32_t Threshold, TPVProgressRecord& Progress) {
  if (Bitmap.GetPixelFormat() != pv24RGB) return;
  std::unique_ptr<TPVBitmap> bits = NewOneBitLike(Bitmap);
  if (bits && BinarizeToBitmap(Bitmap, *bits, Threshold, Progress)) Bitmap.AssignImage(bits.get());
}

void DitherTo1Bit(TPVBitmap& Bitmap, TPVProgressRecord& Progress) {
  if (Bitmap.GetPixelFormat() != pv24RGB) return;
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  Progress.Step = RowProgressStep(height);
  std::unique_ptr<TPVBitmap> dithered = NewOneBitLike(Bitmap);
  if (!dithered) return;
  for (int32_t y = 0; y < height; ++y) {
    const auto* pixels = reinterpret_cast<const TPVRGB*>(std::as_const(Bitmap).GetScanline(y));
    uint8_t* bits = dithered->GetScanline(y);
    if (pixels && bits)
      for (int32_t x = 0; x < width; ++x) {
        // Near-white pixels stay white: no matrix entry reaches 64.
        const int32_t f = AllAtLeast(pixels[x], 251) ? 64 : GrayLevelOf(pixels[x]) >> 2;
        SetBit(bits, x, kOrderedDitherMatrix[x % 8][y % 8] < f);
      }
    ReportRowDone(Progress.OnProgress, Progress.Sender, Progress.Step, y);
  }
  Bitmap.AssignImage(dithered.get());
}

std::unique_ptr<TPVBitmap> ExtractTwoColorBitmap(const TPVBitmap& Bitmap, TPVRGB& Color0,
                                                 TPVRGB& Color1) {
  TRowColorReader reader(Bitmap);
  if (!reader.CanRead()) return nullptr;
  std::unique_ptr<TPVBitmap> bits = NewOneBitLike(Bitmap);
  if (!bits) return nullptr;
  THash1 colors(13);
  const int32_t width = Bitmap.GetWidth();
  for (int32_t y = 0; y < Bitmap.GetHeight() && colors.Count <= 2; ++y) {
    const TPVRGB* row = reader.Row(y);
    uint8_t* out = bits->GetScanline(y);
    if (!row || !out) continue;
    for (int32_t x = 0; x < width; ++x) {
      const TPVRGB c = row[x];
      if (colors.Insert(c.r << 16 | c.g << 8 | c.b)) {
        if (colors.Count == 1)
          Color0 = c;
        else
          Color1 = c;
      }
      SetBit(out, x, c != Color0);
    }
  }
  if (colors.Count != 2) return nullptr;
  // Compared as the bytes the rounded grey sums make.
  const auto greyByte = [](TPVRGB c) {
    const double sum = c.r * GrayWeightRed + c.g * GrayWeightGreen + c.b * GrayWeightBlue;
    return static_cast<uint8_t>(static_cast<int64_t>(std::nearbyint(sum / 100)));
  };
  if (greyByte(Color1) < greyByte(Color0)) {
    NegateBits(*bits);
    std::swap(Color0, Color1);
  }
  return bits;
}

}  // namespace calmora
