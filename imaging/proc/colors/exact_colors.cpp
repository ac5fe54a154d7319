// Collecting the distinct colours of a 24-bit image while they fit in a palette.
#include "imaging/proc/colors/exact_colors.h"

#include <algorithm>

namespace calmora {

namespace {

constexpr size_t kInitialSlots = 1024;  // a power of two; the table doubles when half full

uint32_t ColorKey(TPVRGB c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }

// Spreads the 24-bit key over the table (Fibonacci hashing): neighbouring colours of a smooth
// image must not land in neighbouring slots.
size_t SlotOf(uint32_t key, size_t mask) { return (key * 2654435769u >> 8) & mask; }

}  // namespace

TPVExactColors::TPVExactColors() : slots_(kInitialSlots, 0) {}

int32_t TPVExactColors::IndexOf(TPVRGB Color) const {
  const uint32_t key = ColorKey(Color);
  const size_t mask = slots_.size() - 1;
  for (size_t slot = SlotOf(key, mask);; slot = (slot + 1) & mask) {
    const int32_t entry = slots_[slot];
    if (entry == 0) return -1;
    if (colors_[entry - 1] == Color) return entry - 1;
  }
}

int32_t TPVExactColors::Add(TPVRGB Color) {
  const uint32_t key = ColorKey(Color);
  const size_t mask = slots_.size() - 1;
  size_t slot = SlotOf(key, mask);
  for (; slots_[slot] != 0; slot = (slot + 1) & mask)
    if (colors_[slots_[slot] - 1] == Color) return slots_[slot] - 1;
  colors_.push_back(Color);
  slots_[slot] = Count();
  if (colors_.size() * 2 > slots_.size()) Grow();
  return Count() - 1;
}

void TPVExactColors::Grow() {
  slots_.assign(slots_.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (int32_t i = 0; i < Count(); ++i) {
    size_t slot = SlotOf(ColorKey(colors_[i]), mask);
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = i + 1;
  }
}

std::unique_ptr<TPVExactColors> CollectExactColors(const TPVBitmap& Bitmap, int32_t MaxCount,
                                                   TPVRGB* Dest) {
  if (Bitmap.GetPixelFormat() != pv24RGB || MaxCount < 0) return nullptr;
  auto list = std::make_unique<TPVExactColors>();
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  for (int32_t y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const TPVRGB*>(Bitmap.GetScanline(y));
    if (!row || width < 1) continue;
    TPVRGB last = row[0];
    list->Add(last);
    for (int32_t x = 0; x < width; ++x) {
      if (row[x] == last) continue;  // runs of one colour are common and cost nothing
      last = row[x];
      list->Add(last);
      if (list->Count() > MaxCount) return nullptr;
    }
    if (list->Count() > MaxCount) return nullptr;
  }
  if (Dest) std::copy(list->Colors().begin(), list->Colors().end(), Dest);
  return list;
}

int32_t FindExactColor(const TPVRGB* List, int32_t Count, TPVRGB Color) {
  for (int32_t i = 0; i < Count; ++i)
    if (List[i] == Color) return i;
  return -1;
}

void FreeExactColors(std::unique_ptr<TPVExactColors>& List) { List.reset(); }

}  // namespace calmora
