// The box splitter ("median cut"): a 32 x 32 x 32 histogram of the image's colours is cut into
// up to 256 boxes, each time splitting the box of greatest variance where the two halves
// vary least; each box gives a palette entry, and a map from histogram cell to box indexes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

inline constexpr int32_t kMedianCutBins = 32;      // per channel: the colour's top 5 bits
inline constexpr int32_t kMedianCutCells = 32768;  // 32^3 histogram cells
inline constexpr int32_t kMedianCutMaxBoxes = 256;

// Channel order inside a box: red, green, blue.
struct TMedianCutBox {
  double Score = 0;              // the box's variance per image pixel
  std::array<double, 3> Mean{};  // mean bin of each channel
  int64_t Count = 0;             // pixels in the box
  std::array<std::array<int64_t, kMedianCutBins>, 3> Marginal{};  // pixels per bin and channel
  std::array<int32_t, 3> Lower{};                                // first bin, inclusive
  std::array<int32_t, 3> Upper{};                                // last bin + 1
};

// Sizes and counts are 64-bit so that any bitmap the library can hold is counted in full.
struct TMedianCutState {
  std::vector<int64_t> Histogram = std::vector<int64_t>(kMedianCutCells, 0);
  std::vector<TMedianCutBox> Boxes = std::vector<TMedianCutBox>(kMedianCutMaxBoxes);
  std::vector<uint8_t> CellMap = std::vector<uint8_t>(kMedianCutCells, 0);
  int64_t PixelCount = 0;
  int32_t MaxColors = 0;
  int32_t BoxCount = 0;
  const TPVBitmap* Bitmap = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
};

// (R >> 3) * 1024 + (G >> 3) * 32 + (B >> 3).
inline int32_t MedianCutCell(TPVRGB c) { return (c.r >> 3) * 1024 + (c.g >> 3) * 32 + (c.b >> 3); }

// Cuts the bitmap's colours (read as in row_colors.h) into at most MaxColors boxes (no more
// than kMedianCutMaxBoxes) and writes one palette entry per box, channels multiples of 8; later
// entries are not written. MaxColors < 1 writes nothing.
std::unique_ptr<TMedianCutState> MedianCutCreate(const TPVBitmap& Bitmap, TPVRGB* Palette,
                                                 int32_t MaxColors);

// The box of the colour's histogram cell (0 for a cell inside no box).
uint8_t MedianCutIndex(const TMedianCutState& State, TPVRGB Color);

void MedianCutFree(std::unique_ptr<TMedianCutState>& State);

}  // namespace calmora
