// MagicWandFill and MagicWandGlobal: the wand's region, or every matching pixel, written into a
// selection mask run by run.
#include "imaging/proc/filters/magic_wand.h"

#include <algorithm>

#include "imaging/proc/filters/magic_wand_region.h"

namespace calmora {

void MagicWandFill(const TPVBitmap& Bitmap, int32_t X, int32_t Y, bool Dilate, int32_t Tolerance,
                   TPVMask& Mask, int32_t MaskValue) {
  wand::Region region;
  if (!wand::FindRegion(Bitmap, X, Y, Tolerance, region) || region.IsEmpty()) return;
  const wand::BitPlane& taken = region.Taken;
  if (!Dilate) {
    for (int32_t y = region.Top; y <= region.Bottom; ++y)
      wand::ForEachRun(taken.Row(y), region.Left, region.Right, [&](int32_t first, int32_t last) {
        wand::SetMaskRun(Mask, y, first, last, MaskValue);
      });
    return;
  }
  // Row y of the grown region: the rows y - 1..y + 1 merged, then spread sideways. Only the
  // words of the grown box's columns hold bits; a bit spread past the last column lies beyond
  // the image, where the runs never reach.
  const std::unique_ptr<uint64_t[]> merged = wand::TryWords(2 * taken.WordsPerRow());
  if (!merged) return;
  uint64_t* grown = merged.get() + taken.WordsPerRow();
  const int32_t top = std::max(region.Top - 1, 0);
  const int32_t bottom = std::min(region.Bottom + 1, taken.Height() - 1);
  const int32_t left = std::max(region.Left - 1, 0);
  const int32_t right = std::min(region.Right + 1, taken.Width() - 1);
  const int64_t firstWord = left >> 6, lastWord = right >> 6;
  for (int32_t y = top; y <= bottom; ++y) {
    std::fill(merged.get() + firstWord, merged.get() + lastWord + 1, uint64_t{0});
    for (int32_t r = std::max(y - 1, 0); r <= std::min(y + 1, taken.Height() - 1); ++r)
      for (int64_t w = firstWord; w <= lastWord; ++w) merged[w] |= taken.Row(r)[w];
    wand::SpreadSideways(merged.get(), firstWord, lastWord, grown);
    wand::ForEachRun(grown, left, right,
                     [&](int32_t a, int32_t b) { wand::SetMaskRun(Mask, y, a, b, MaskValue); });
  }
}

void MagicWandGlobal(const TPVBitmap& Bitmap, int32_t X, int32_t Y, int32_t Tolerance,
                     TPVMask& Mask, int32_t MaskValue) {
  wand::ForEachMatchingRun(Bitmap, X, Y, Tolerance, [&](int32_t y, int32_t first, int32_t last) {
    wand::SetMaskRun(Mask, y, first, last, MaskValue);
  });
}

}  // namespace calmora
