// UniqueMallocBlock and ResizeMallocBlock: a malloc block owned, resized with its content kept,
// and freed with std::free (the leak check of the test build sees any block left behind).
#include "imaging/base/malloc_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace calmora {
namespace {

TEST(MallocBlock, ResizingKeepsTheContentAndTheOwner) {
  UniqueMallocBlock<uint8_t> block(static_cast<uint8_t*>(std::malloc(16)));
  ASSERT_NE(block, nullptr);
  for (uint8_t i = 0; i < 16; ++i) block.get()[i] = i;
  // Growing far enough makes realloc move the block; the owner follows it.
  ASSERT_TRUE(ResizeMallocBlock(block, 1 << 20));
  for (uint8_t i = 0; i < 16; ++i) ASSERT_EQ(block.get()[i], i);
  block.get()[(1 << 20) - 1] = 7;
  ASSERT_TRUE(ResizeMallocBlock(block, 4));
  EXPECT_EQ(block.get()[3], 3);
}

TEST(MallocBlock, HandedOutBlocksAreFreedByWhoeverTakesThemOver) {
  UniqueMallocBlock<> first(std::malloc(32));
  void* handed = first.release();
  ASSERT_NE(handed, nullptr);
  const UniqueMallocBlock<> second(handed);
  EXPECT_EQ(second.get(), handed);
}

}  // namespace
}  // namespace calmora
