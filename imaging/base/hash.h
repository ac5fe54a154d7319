// THash1: a set of 32-bit integers with 2^Bits buckets indexed by the low bits of the value;
// the colour tools count distinct colours with it.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/base/defs.h"

namespace calmora {

// One chained entry of a bucket that holds more than one value.
class THash1Item : public TObject {
 public:
  THash1Item(int32_t value, THash1Item* next) : Value(value), Next(next) {}
  int32_t Value;
  THash1Item* Next;  // null at the chain's end
};

class THash1 : public TObject {
 public:
  // BucketState values.
  static constexpr uint8_t kEmptyBucket = 0;
  static constexpr uint8_t kInlineBucket = 1;   // one value held inline
  static constexpr uint8_t kChainedBucket = 2;  // a chain of items

  // A bucket's content: the inline value, or the head of its chain.
  union TBucketValue {
    int32_t Inline;
    THash1Item* Head;
  };

  explicit THash1(int32_t bits);
  ~THash1() override;
  THash1(const THash1&) = delete;
  THash1& operator=(const THash1&) = delete;

  // True when the value was not yet in the set (Count has grown).
  bool Insert(int32_t value);
  // The work of Insert; also reports the bucket and the chain item created for the value
  // (null when it went inline or was already present).
  bool InsertItem(int32_t value, uint32_t& bucket, THash1Item*& newItem);
  // The low Bits bits of the value, no mixing.
  uint32_t BucketOf(int32_t value) const { return static_cast<uint32_t>(value) & (BucketCount - 1); }

  int32_t Bits;
  uint32_t BucketCount;  // 1 << (Bits and 31)
  std::vector<uint8_t> BucketState;
  std::vector<TBucketValue> BucketValue;
  int32_t Count = 0;  // distinct values held
};

}  // namespace calmora
