// TPVList: a list of fixed-size items reallocated to its exact count on every change, and its
// typed value lists with a range (acquisition capabilities).
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"

namespace calmora {

// Bits of TPVList::Changed.
inline constexpr uint8_t pvListItemsChanged = 1u << 0;  // the items changed

class TPVList : public TObject {
 public:
  TPVList() = default;
  ~TPVList() override;
  TPVList(const TPVList&) = delete;
  TPVList& operator=(const TPVList&) = delete;

  // A new block of exactly n items; the first min(Count, n) copied, new ones not initialised.
  // A negative n counts as 0. Raises std::bad_alloc when the block cannot be had.
  virtual void SetCount(int32_t n);
  // An index outside 0..Count-1 is ignored.
  virtual void Delete(int32_t i);
  // Count 0, Data freed, Changed emptied (the only thing that clears it).
  virtual void Clear();
  // Copies Count, ItemSize, Changed and the items; null and self are ignored.
  virtual void Assign(const TPVList* other);

  // Appends a copy of ItemSize bytes at item (which may point into this list); returns its
  // index.
  int32_t Add(const void* item);
  // Data + i * ItemSize, without a range test.
  void* GetItem(int32_t i) const { return Data + static_cast<int64_t>(i) * ItemSize; }

  int32_t Count = 0;
  int32_t ItemSize = 0;  // bytes per item
  uint8_t* Data = nullptr;  // Count * ItemSize bytes, null when empty
  uint8_t Changed = 0;
};

// A list of Value items with a range (acquisition capabilities: minimum, maximum, step and the
// current value).
template <typename Value>
class TPVRangeList : public TPVList {
 public:
  TPVRangeList() { TPVRangeList::Clear(); }

  void Clear() override {
    TPVList::Clear();
    ItemSize = sizeof(Value);
    RangeMin = RangeMax = RangeStep = CurrentValue = 0;
  }

  // The range fields come along when the other list holds the same kind of values.
  void Assign(const TPVList* other) override {
    TPVList::Assign(other);
    if (const auto* list = dynamic_cast<const TPVRangeList*>(other)) {
      RangeMin = list->RangeMin;
      RangeMax = list->RangeMax;
      RangeStep = list->RangeStep;
      CurrentValue = list->CurrentValue;
    }
  }

  Value RangeMin = 0, RangeMax = 0, RangeStep = 0, CurrentValue = 0;
};

// Items are doubles (ItemSize 8).
class TPVDoubleList : public TPVRangeList<double> {};

// Items are int32 (ItemSize 4).
class TPVIntegerList : public TPVRangeList<int32_t> {};

}  // namespace calmora
