// The exact-colour path of the quantiser: the distinct colours of a 24-bit image in scan order,
// collected only while they fit in the palette, with an index by colour beside the list.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Distinct colours in the order of their first appearance. The table beside the list (open
// addressing over the 24-bit colour value) finds a colour in constant time; the list alone
// is what the palette receives.
class TPVExactColors {
 public:
  TPVExactColors();

  const std::vector<TPVRGB>& Colors() const { return colors_; }
  int32_t Count() const { return static_cast<int32_t>(colors_.size()); }
  // The list index of the colour; -1 when it was not collected.
  int32_t IndexOf(TPVRGB Color) const;
  // Adds the colour unless it is there already; returns its index.
  int32_t Add(TPVRGB Color);

 private:
  void Grow();

  std::vector<TPVRGB> colors_;
  std::vector<int32_t> slots_;  // list index + 1 per slot, 0 for an empty slot
};

// Null unless the bitmap is pv24RGB. Collects the distinct colours, rows from the top and pixels
// from the left, and gives up (null) as soon as a colour would be the (MaxCount + 1)-th. When
// they fit, the colours found are copied into Dest (room for MaxCount entries) and the list is
// returned.
std::unique_ptr<TPVExactColors> CollectExactColors(const TPVBitmap& Bitmap, int32_t MaxCount,
                                                   TPVRGB* Dest);

// The first index i < Count with List[i] = Color, or -1.
int32_t FindExactColor(const TPVRGB* List, int32_t Count, TPVRGB Color);

void FreeExactColors(std::unique_ptr<TPVExactColors>& List);

}  // namespace calmora
