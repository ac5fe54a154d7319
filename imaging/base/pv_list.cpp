// TPVList: every change allocates a block of the exact new size and copies
// the items, so the list never holds a byte more than its items.
#include "imaging/base/pv_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace calmora {

namespace {

// A block for n items of itemSize bytes, or null for an empty list.
uint8_t* AllocateItems(int32_t n, int32_t itemSize) {
  int64_t bytes = static_cast<int64_t>(n) * itemSize;
  if (bytes <= 0) return nullptr;
  if (static_cast<uint64_t>(bytes) > std::numeric_limits<size_t>::max()) throw std::bad_alloc();
  auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes)));
  if (!block) throw std::bad_alloc();
  return block;
}

size_t ItemBytes(int32_t n, int32_t itemSize) {
  return static_cast<size_t>(static_cast<int64_t>(n) * itemSize);
}

}  // namespace

TPVList::~TPVList() { std::free(Data); }

void TPVList::SetCount(int32_t n) {
  n = std::max(n, 0);
  uint8_t* block = AllocateItems(n, ItemSize);
  int32_t keep = std::min(Count, n);
  if (keep > 0 && ItemSize > 0) std::memcpy(block, Data, ItemBytes(keep, ItemSize));
  std::free(Data);
  Data = block;
  Count = n;
  Changed |= pvListItemsChanged;
}

int32_t TPVList::Add(const void* item) {
  // The item may lie inside the block that SetCount frees.
  std::vector<uint8_t> copy(static_cast<const uint8_t*>(item),
                            static_cast<const uint8_t*>(item) + std::max(ItemSize, 0));
  int32_t index = Count;
  SetCount(Count + 1);
  if (ItemSize > 0) std::memcpy(GetItem(index), copy.data(), copy.size());
  Changed |= pvListItemsChanged;
  return index;
}

void TPVList::Delete(int32_t i) {
  if (i < 0 || i >= Count) return;
  uint8_t* block = AllocateItems(Count - 1, ItemSize);
  if (block) {
    std::memcpy(block, Data, ItemBytes(i, ItemSize));
    std::memcpy(block + ItemBytes(i, ItemSize), Data + ItemBytes(i + 1, ItemSize),
                ItemBytes(Count - 1 - i, ItemSize));
  }
  std::free(Data);
  Data = block;
  --Count;
  Changed |= pvListItemsChanged;
}

void TPVList::Clear() {
  Count = 0;
  std::free(Data);
  Data = nullptr;
  Changed = 0;
}

void TPVList::Assign(const TPVList* other) {
  if (!other || other == this) return;
  uint8_t* block = AllocateItems(other->Count, other->ItemSize);
  if (block) std::memcpy(block, other->Data, ItemBytes(other->Count, other->ItemSize));
  std::free(Data);
  Data = block;
  Count = other->Count;
  ItemSize = other->ItemSize;
  Changed = other->Changed;
}

}  // namespace calmora
