// The allocators: zero-filled global blocks, the hybrid allocator's tag, failure as null.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "imaging/base/allocators.h"

// Huge requests must come back as null here instead of stopping the sanitizer run.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace calmora {
namespace {

bool AllZero(const void* block, size_t size) {
  const auto* p = static_cast<const uint8_t*>(block);
  for (size_t i = 0; i < size; ++i)
    if (p[i] != 0) return false;
  return true;
}

uint8_t TagOf(void* block) { return static_cast<uint8_t*>(block)[-1]; }

TEST(UtilsMemory, GlobalBlocksAreZeroed) {
  void* block = AllocGlobalZeroed(5000);
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(AllZero(block, 5000));
  FreeGlobal(block);
  EXPECT_EQ(block, nullptr);
  void* empty = AllocGlobalZeroed(0);
  EXPECT_NE(empty, nullptr);
  FreeGlobal(empty);
  EXPECT_EQ(AllocGlobalZeroed(-1), nullptr);
  void* none = nullptr;
  FreeGlobal(none);
}

TEST(UtilsMemory, HybridSmallBlocksComeFromTheHeap) {
  for (int64_t size : {int64_t{0}, int64_t{1}, int64_t{100}, kHybridHeapLimit - 1}) {
    void* block = AllocHybrid(size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(TagOf(block), 0) << size;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memset(block, 0xAB, static_cast<size_t>(size));  // all of it is ours
    FreeHybrid(block);
    EXPECT_EQ(block, nullptr);
  }
}

TEST(UtilsMemory, HybridLargeBlocksAreGlobalAndZeroed) {
  for (int64_t size : {kHybridHeapLimit, kHybridHeapLimit + 1, int64_t{5} << 20}) {
    void* block = AllocHybrid(size);
    ASSERT_NE(block, nullptr) << size;
    EXPECT_EQ(TagOf(block), 1) << size;
    EXPECT_TRUE(AllZero(block, static_cast<size_t>(size)));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
    FreeHybrid(block);
    EXPECT_EQ(block, nullptr);
  }
}

TEST(UtilsMemory, ExhaustionGivesNullNeverAnException) {
  EXPECT_EQ(AllocHybrid(int64_t{1} << 62), nullptr);
  EXPECT_EQ(AllocHybrid(std::numeric_limits<int64_t>::max()), nullptr);
  EXPECT_EQ(AllocHybrid(-1), nullptr);
  EXPECT_EQ(AllocGlobalZeroed(int64_t{1} << 62), nullptr);
  void* block = reinterpret_cast<void*>(1);
  TryGetMem(block, int64_t{1} << 62);
  EXPECT_EQ(block, nullptr);
  void* none = nullptr;
  FreeHybrid(none);
  FreeMem(none);
}

TEST(UtilsMemory, TryGetMem) {
  void* block = nullptr;
  TryGetMem(block, 64);
  ASSERT_NE(block, nullptr);
  std::memset(block, 1, 64);
  FreeMem(block);
  EXPECT_EQ(block, nullptr);
  TryGetMem(block, 0);
  EXPECT_EQ(block, nullptr);
}

TEST(UtilsMemory, DuplicatePChar) {
  EXPECT_EQ(DuplicatePChar(nullptr), nullptr);
  const char text[] = "STATICINIT";
  char* copy = DuplicatePChar(text);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, text);
  EXPECT_STREQ(copy, text);
  delete[] copy;
  char* empty = DuplicatePChar("");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  delete[] empty;
}

}  // namespace
}  // namespace calmora
