// What the magic-wand routines share: a plane of bits, the colour test of every pixel format,
// the scan-line fill that finds the 4-connected region of a seed, and mask writes by runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"

namespace calmora {

// Test seam that simulates exhausted memory: a block of the wand's working memory above this
// byte size is refused as if the allocator had failed. -1 = no limit.
namespace wand_testing {
extern int64_t BlockLimit;
}  // namespace wand_testing

namespace wand {

// Whether a block of that many bytes may be asked for (the test limit).
bool WithinBlockLimit(int64_t bytes);
// A zeroed block of words, or null when it cannot be had (or is above the test limit).
std::unique_ptr<uint64_t[]> TryWords(int64_t count);

// Width x Height bits; bit x of row y is bit x mod 64 of word x div 64 of the row.
class BitPlane {
 public:
  // All bits clear; false, with no rows, when the memory cannot be had.
  bool Allocate(int32_t width, int32_t height);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int64_t WordsPerRow() const { return words_; }
  uint64_t* Row(int32_t y) { return bits_.get() + y * words_; }
  const uint64_t* Row(int32_t y) const { return bits_.get() + y * words_; }
  bool Get(int32_t x, int32_t y) const { return (Row(y)[x >> 6] >> (x & 63)) & 1; }
  // Sets bits first..last of row y.
  void SetRun(int32_t y, int32_t first, int32_t last);

 private:
  std::unique_ptr<uint64_t[]> bits_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int64_t words_ = 0;
};

// Calls visit(first, last) for every run of set bits of a row of words within first..last.
template <typename Visit>
void ForEachRun(const uint64_t* row, int32_t first, int32_t last, Visit visit);

// Words first..last of a row with each bit also set at its left and right neighbours; the
// words around them count as clear.
void SpreadSideways(const uint64_t* row, int64_t first, int64_t last, uint64_t* out);

// The region around a seed: its pixels and their bounding box (inclusive; Left > Right when
// it is empty).
struct Region {
  BitPlane Taken;
  int32_t Left = 0, Top = 0, Right = -1, Bottom = -1;
  bool IsEmpty() const { return Left > Right; }
};

// The 4-connected set of pixels around (x, y) whose red, green and blue each differ from the
// seed pixel's by at most tolerance (every format read as GetPixelAsRGB reads it; a negative
// tolerance matches nothing). False when the seed lies outside or the memory cannot be had.
bool FindRegion(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance, Region& region);

// Calls visit(y, first, last) for each run of pixels, row by row from the top, that match the
// colour of (x, y) as FindRegion's test does. Nothing when the seed lies outside.
void ForEachMatchingRun(const TPVBitmap& bitmap, int32_t x, int32_t y, int32_t tolerance,
                        const std::function<void(int32_t y, int32_t first, int32_t last)>& visit);

// Pixels first..last of row y of the mask take value exactly as SetPixel of each would leave
// them (box, AllSet), pixels outside the mask ignored.
void SetMaskRun(TPVMask& mask, int32_t y, int32_t first, int32_t last, int32_t value);

// ---- Template definitions ----

template <typename Visit>
void ForEachRun(const uint64_t* row, int32_t first, int32_t last, Visit visit) {
  int32_t x = first;
  while (x <= last) {
    // Clear bits are skipped a word at a time.
    const uint64_t ahead = row[x >> 6] >> (x & 63);
    if (ahead == 0) {
      x = (x | 63) + 1;
      continue;
    }
    x += __builtin_ctzll(ahead);
    if (x > last) return;
    const int32_t start = x;
    for (;;) {
      // The shift brings in zeros, which read as set bits once inverted, so a run that fills
      // the rest of the word goes on into the next one.
      const int32_t offset = x & 63;
      const uint64_t clear = ~(row[x >> 6] >> offset);
      const int32_t run = clear == 0 ? 64 : __builtin_ctzll(clear);
      x += run;
      if (run < 64 - offset || x > last) break;
    }
    visit(start, std::min(x - 1, last));
  }
}

}  // namespace wand

}  // namespace calmora
