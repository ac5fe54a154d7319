// The movable global-memory block: zero-filled allocation, lock counting, hand-over by moving.
#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <utility>

namespace calmora::platform {
namespace {

TEST(GlobalMemory, AllocatesZeroFilledBlocks) {
  TGlobalMemory block(4096);
  ASSERT_TRUE(block);
  EXPECT_EQ(block.GetSize(), 4096);
  const uint8_t* data = block.Lock();
  ASSERT_NE(data, nullptr);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(data[i], 0) << "byte " << i;
  EXPECT_TRUE(block.Unlock());
}

TEST(GlobalMemory, RefusesSizesWithoutBytes) {
  for (const int64_t size : {int64_t{0}, int64_t{-1}, INT64_MIN}) {
    TGlobalMemory block(size);
    EXPECT_FALSE(block) << size;
    EXPECT_EQ(block.GetSize(), 0);
    EXPECT_EQ(block.Lock(), nullptr);
    EXPECT_EQ(block.GetLockCount(), 0) << "no block, no lock";
  }
}

TEST(GlobalMemory, CountsLocks) {
  TGlobalMemory block(16);
  uint8_t* first = block.Lock();
  EXPECT_EQ(block.Lock(), first);
  EXPECT_EQ(block.GetLockCount(), 2);
  EXPECT_TRUE(block.Unlock());
  EXPECT_TRUE(block.Unlock());
  EXPECT_FALSE(block.Unlock()) << "more unlocks than locks";
  EXPECT_EQ(block.GetLockCount(), 0);
  {
    TGlobalMemoryLock lock(block);
    EXPECT_EQ(lock.Data(), first);
    EXPECT_EQ(lock.Size(), 16);
    EXPECT_EQ(block.GetLockCount(), 1);
  }
  EXPECT_EQ(block.GetLockCount(), 0);
}

TEST(GlobalMemory, MovingHandsTheBlockOver) {
  TGlobalMemory block(8);
  block.Lock()[3] = 42;
  block.Unlock();
  TGlobalMemory taken = std::move(block);
  EXPECT_FALSE(block);  // NOLINT(bugprone-use-after-move): the moved-from state is defined
  EXPECT_EQ(block.GetSize(), 0);
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken.Lock()[3], 42);
  taken.Unlock();
  taken.Free();
  EXPECT_FALSE(taken);
  EXPECT_EQ(taken.GetSize(), 0);
}

}  // namespace
}  // namespace calmora::platform
