// THash1: inline first value per bucket, chained items after it.
#include "imaging/base/hash.h"

namespace calmora {

THash1::THash1(int32_t bits)
    : Bits(bits),
      BucketCount(uint32_t{1} << (static_cast<uint32_t>(bits) & 31)),
      BucketState(BucketCount, kEmptyBucket),
      BucketValue(BucketCount, TBucketValue{0}) {}

THash1::~THash1() {
  for (uint32_t b = 0; b < BucketCount; ++b) {
    if (BucketState[b] != kChainedBucket) continue;
    for (THash1Item* item = BucketValue[b].Head; item;) {
      THash1Item* next = item->Next;
      delete item;
      item = next;
    }
  }
}

bool THash1::Insert(int32_t value) {
  uint32_t bucket;
  THash1Item* item;
  return InsertItem(value, bucket, item);
}

bool THash1::InsertItem(int32_t value, uint32_t& bucket, THash1Item*& newItem) {
  bucket = BucketOf(value);
  newItem = nullptr;
  TBucketValue& slot = BucketValue[bucket];
  switch (BucketState[bucket]) {
    case kEmptyBucket:
      slot.Inline = value;
      BucketState[bucket] = kInlineBucket;
      break;
    case kInlineBucket: {
      if (slot.Inline == value) return false;
      newItem = new THash1Item(value, nullptr);
      slot.Head = new THash1Item(slot.Inline, newItem);
      BucketState[bucket] = kChainedBucket;
      break;
    }
    default: {
      THash1Item* last = slot.Head;
      for (;;) {
        if (last->Value == value) return false;
        if (!last->Next) break;
        last = last->Next;
      }
      newItem = new THash1Item(value, nullptr);
      last->Next = newItem;
      break;
    }
  }
  ++Count;
  return true;
}

}  // namespace calmora
