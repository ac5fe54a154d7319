// The box splitter: histogram, box statistics, trial splits per channel and the cell map.
#include "imaging/proc/colors/median_cut.h"

#include <algorithm>
#include <cmath>

#include "imaging/proc/colors/row_colors.h"

namespace calmora {

namespace {

// The score of a channel that cannot be split; larger than any real score (three channels
// of 32 bins vary by less than 3 * 31^2 per pixel).
constexpr double kNoSplit = 17523.6;

enum Channel { Red = 0, Green = 1, Blue = 2 };

void ComputeStatistics(TMedianCutBox& box, int64_t pixelCount) {
  if (box.Count == 0) {
    box.Score = 0;
    return;
  }
  const double count = static_cast<double>(box.Count);
  double score = 0;
  for (int c = 0; c < 3; ++c) {
    int64_t sum = 0;
    int64_t total = 0;
    for (int32_t j = box.Lower[c]; j < box.Upper[c]; ++j) {
      sum += j * box.Marginal[c][j];
      total += j * j * box.Marginal[c][j];
    }
    const double mean = static_cast<double>(sum) / count;
    box.Mean[c] = mean;
    score += static_cast<double>(total) - mean * mean * count;
  }
  box.Score = pixelCount > 0 ? score / static_cast<double>(pixelCount) : 0;
}

// The histogram cells inside the box's bounds, as (red, green, blue) bins.
template <typename Visit>
void ForEachCell(const TMedianCutBox& box, Visit visit) {
  for (int32_t r = box.Lower[Red]; r < box.Upper[Red]; ++r)
    for (int32_t g = box.Lower[Green]; g < box.Upper[Green]; ++g)
      for (int32_t b = box.Lower[Blue]; b < box.Upper[Blue]; ++b)
        visit(r * 1024 + g * 32 + b, r, g, b);
}

void RebuildMarginals(const TMedianCutState& s, TMedianCutBox& box) {
  for (auto& marginal : box.Marginal) marginal.fill(0);
  ForEachCell(box, [&](int32_t cell, int32_t r, int32_t g, int32_t b) {
    const int64_t h = s.Histogram[cell];
    box.Marginal[Red][r] += h;
    box.Marginal[Green][g] += h;
    box.Marginal[Blue][b] += h;
  });
}

// Shrinks each channel's bounds to its first and last non-empty bins.
void ShrinkBounds(TMedianCutBox& box) {
  for (int c = 0; c < 3; ++c) {
    int32_t first = box.Lower[c];
    int32_t last = box.Upper[c] - 1;
    while (first < last && box.Marginal[c][first] == 0) ++first;
    while (last > first && box.Marginal[c][last] == 0) --last;
    box.Lower[c] = first;
    box.Upper[c] = last + 1;
  }
}

// Cuts the box on one channel where below / above * (mean - partial moment)^2 is largest,
// searching between the midpoints of the mean and each bound. False when the channel has a
// single bin or either half would be empty.
bool TrialSplit(const TMedianCutState& s, const TMedianCutBox& box, int c, TMedianCutBox& low,
                TMedianCutBox& high) {
  const int32_t lo = box.Lower[c];
  const int32_t hi = box.Upper[c];
  if (hi <= lo + 1) return false;
  const double mean = box.Mean[c];
  const int64_t n = box.Count;
  const auto& h = box.Marginal[c];
  const auto first = static_cast<int32_t>(std::nearbyint((lo + mean) / 2));
  const auto last = static_cast<int32_t>(std::nearbyint((mean + hi) / 2));
  int64_t below = 0;
  for (int32_t j = lo; j < first; ++j) below += h[j];
  double partial = 0;
  double best = -1;
  int32_t cut = -1;
  int64_t cutBelow = 0;
  // All of the box lies below hi, so `below` reaches n there at the latest.
  for (int32_t e = first; e <= last && e < hi; ++e) {
    below += h[e];
    if (below == n) break;
    partial += static_cast<double>(h[e] * e) / static_cast<double>(n);
    const double criterion = static_cast<double>(below) / static_cast<double>(n - below) *
                             (mean - partial) * (mean - partial);
    if (criterion > best) {
      best = criterion;
      cut = e;
      cutBelow = below;
    }
  }
  if (cutBelow == 0 || cutBelow == n) return false;
  low = box;
  high = box;
  low.Count = cutBelow;
  low.Upper[c] = cut + 1;
  high.Count = n - cutBelow;
  high.Lower[c] = cut + 1;
  RebuildMarginals(s, low);
  for (int k = 0; k < 3; ++k)
    for (int32_t j = 0; j < kMedianCutBins; ++j) high.Marginal[k][j] -= low.Marginal[k][j];
  ShrinkBounds(low);
  ShrinkBounds(high);
  ComputeStatistics(low, s.PixelCount);
  ComputeStatistics(high, s.PixelCount);
  return true;
}

// Splits box k into itself and box n on the channel whose halves score least (red before
// green before blue on ties).
bool SplitBox(TMedianCutState& s, int32_t k, int32_t n) {
  const TMedianCutBox& box = s.Boxes[k];
  if (box.Score == 0 || box.Count == 0) return false;
  TMedianCutBox halves[3][2];
  double bestScore = kNoSplit;
  int chosen = -1;
  for (int c = 0; c < 3; ++c) {
    const double score = TrialSplit(s, box, c, halves[c][0], halves[c][1])
                             ? halves[c][0].Score + halves[c][1].Score
                             : kNoSplit;
    if (score < bestScore) {
      bestScore = score;
      chosen = c;
    }
  }
  if (chosen < 0) return false;
  s.Boxes[k] = halves[chosen][0];
  s.Boxes[n] = halves[chosen][1];
  return true;
}

void BuildHistogram(TMedianCutState& s) {
  TRowColorReader reader(*s.Bitmap);
  if (!reader.CanRead()) return;
  for (int32_t y = 0; y < s.Height; ++y) {
    const TPVRGB* row = reader.Row(y);
    if (!row) continue;
    for (int32_t x = 0; x < s.Width; ++x) ++s.Histogram[MedianCutCell(row[x])];
  }
}

void SplitUntilFull(TMedianCutState& s) {
  int32_t n = 1;
  while (n < s.MaxColors) {
    int32_t largest = -1;
    for (int32_t i = 0; i < n; ++i)
      if (s.Boxes[i].Score > 0 && (largest < 0 || s.Boxes[i].Score > s.Boxes[largest].Score))
        largest = i;
    if (largest < 0) break;
    if (SplitBox(s, largest, n))
      ++n;
    else
      s.Boxes[largest].Score = 0;
  }
  s.BoxCount = n;
}

uint8_t BinToByte(double meanBin) { return static_cast<uint8_t>(std::nearbyint(meanBin) * 8); }

}  // namespace

std::unique_ptr<TMedianCutState> MedianCutCreate(const TPVBitmap& Bitmap, TPVRGB* Palette,
                                                 int32_t MaxColors) {
  auto s = std::make_unique<TMedianCutState>();
  s->Bitmap = &Bitmap;
  s->Width = Bitmap.GetWidth();
  s->Height = Bitmap.GetHeight();
  s->PixelCount = int64_t{s->Width} * s->Height;
  s->MaxColors = std::min(MaxColors, kMedianCutMaxBoxes);
  if (s->MaxColors < 1) return s;
  BuildHistogram(*s);
  TMedianCutBox& whole = s->Boxes[0];
  whole.Lower = {0, 0, 0};
  whole.Upper = {kMedianCutBins, kMedianCutBins, kMedianCutBins};
  RebuildMarginals(*s, whole);
  // Rows that could not be read count for nothing, so the halves always add up.
  for (int64_t h : whole.Marginal[Red]) whole.Count += h;
  ComputeStatistics(whole, s->PixelCount);
  SplitUntilFull(*s);
  for (int32_t i = 0; i < s->BoxCount; ++i) {
    const TMedianCutBox& box = s->Boxes[i];
    if (Palette)
      Palette[i] =
          TPVRGB{BinToByte(box.Mean[Blue]), BinToByte(box.Mean[Green]), BinToByte(box.Mean[Red])};
    ForEachCell(box, [&](int32_t cell, int32_t, int32_t, int32_t) {
      s->CellMap[cell] = static_cast<uint8_t>(i);
    });
  }
  return s;
}

uint8_t MedianCutIndex(const TMedianCutState& State, TPVRGB Color) {
  return State.CellMap[MedianCutCell(Color)];
}

void MedianCutFree(std::unique_ptr<TMedianCutState>& State) { State.reset(); }

}  // namespace calmora
