// THash1: distinct-value counting, inline first values, chains, negative values.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "imaging/base/containers.h"

namespace calmora {
namespace {

TEST(Hash1, OneBucketHoldsEveryValue) {
  THash1 hash(0);
  EXPECT_EQ(hash.BucketCount, 1u);
  EXPECT_TRUE(hash.Insert(5));
  EXPECT_TRUE(hash.Insert(7));
  EXPECT_FALSE(hash.Insert(5));
  EXPECT_EQ(hash.Count, 2);
  EXPECT_EQ(hash.BucketState[0], THash1::kChainedBucket);
}

TEST(Hash1, CreateGivesEmptyBuckets) {
  THash1 hash(4);
  EXPECT_EQ(hash.BucketCount, 16u);
  ASSERT_EQ(hash.BucketState.size(), 16u);
  for (uint8_t state : hash.BucketState) EXPECT_EQ(state, THash1::kEmptyBucket);
  EXPECT_EQ(hash.Count, 0);
}

TEST(Hash1, BitsAreTakenModulo32) {
  THash1 hash(33);  // 33 and 31 = 1
  EXPECT_EQ(hash.BucketCount, 2u);
}

TEST(Hash1, SecondInsertIntoInlineBucketAllocatesNothing) {
  THash1 hash(8);
  uint32_t bucket = 99;
  THash1Item* item = reinterpret_cast<THash1Item*>(1);
  EXPECT_TRUE(hash.InsertItem(0x1234, bucket, item));
  EXPECT_EQ(bucket, 0x34u);
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(hash.BucketState[0x34], THash1::kInlineBucket);
  EXPECT_FALSE(hash.InsertItem(0x1234, bucket, item));
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(hash.BucketState[0x34], THash1::kInlineBucket);
  EXPECT_EQ(hash.Count, 1);
}

TEST(Hash1, CollisionBuildsChainWithOldValueFirst) {
  THash1 hash(8);
  uint32_t bucket;
  THash1Item* item;
  ASSERT_TRUE(hash.InsertItem(0x100, bucket, item));
  ASSERT_TRUE(hash.InsertItem(0x200, bucket, item));
  EXPECT_EQ(bucket, 0u);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Value, 0x200);
  THash1Item* head = hash.BucketValue[0].Head;
  EXPECT_EQ(head->Value, 0x100);
  EXPECT_EQ(head->Next, item);
  ASSERT_TRUE(hash.InsertItem(0x300, bucket, item));
  EXPECT_EQ(hash.BucketValue[0].Head->Next->Next, item);
  EXPECT_FALSE(hash.InsertItem(0x200, bucket, item));
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(hash.Count, 3);
}

TEST(Hash1, BucketIsTheLowBits) {
  THash1 hash(4);
  EXPECT_EQ(hash.BucketOf(0x12345678), 8u);
  EXPECT_EQ(hash.BucketOf(-1), 15u);
  EXPECT_EQ(hash.BucketOf(16), 0u);
}

TEST(Hash1, CountsDistinctValuesLikeASet) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> values(-3000, 3000);
  THash1 hash(6);
  std::set<int32_t> reference;
  for (int i = 0; i < 5000; ++i) {
    int32_t v = values(random);
    EXPECT_EQ(hash.Insert(v), reference.insert(v).second);
  }
  EXPECT_EQ(hash.Count, static_cast<int32_t>(reference.size()));
}

}  // namespace
}  // namespace calmora
