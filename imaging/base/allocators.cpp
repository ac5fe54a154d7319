// The pixel-buffer allocators: global (zero-filled), heap (uncleared) and the hybrid allocator
// that tags each block with where it came from. None of them throws.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/base/allocators.h"

namespace calmora {

namespace {

constexpr uint8_t kHeapTag = 0;
constexpr uint8_t kGlobalTag = 1;

void* HeapBlock(int64_t size) {
  if (static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) return nullptr;
  return ::operator new(static_cast<size_t>(size), std::nothrow);
}

void* GlobalBlock(int64_t size) {
  if (static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) return nullptr;
  // A block of 0 bytes is still a distinct block, as global memory hands it out.
  return std::calloc(size > 0 ? static_cast<size_t>(size) : 1, 1);
}

}  // namespace

void* AllocGlobalZeroed(int64_t size) {
  if (size < 0) return nullptr;
  return GlobalBlock(size);
}

void FreeGlobal(void*& block) {
  std::free(block);
  block = nullptr;
}

void* AllocHybrid(int64_t size) {
  if (size < 0 || size > std::numeric_limits<int64_t>::max() - kHybridHeaderSize) return nullptr;
  const int64_t total = size + kHybridHeaderSize;
  uint8_t* block = nullptr;
  uint8_t tag = kGlobalTag;
  if (size < kHybridHeapLimit) {
    block = static_cast<uint8_t*>(HeapBlock(total));
    tag = kHeapTag;
  }
  if (block == nullptr) {
    block = static_cast<uint8_t*>(GlobalBlock(total));
    tag = kGlobalTag;
  }
  if (block == nullptr) return nullptr;
  block[kHybridHeaderSize - 1] = tag;
  return block + kHybridHeaderSize;
}

void FreeHybrid(void*& block) {
  if (block == nullptr) return;
  uint8_t* start = static_cast<uint8_t*>(block) - kHybridHeaderSize;
  if (start[kHybridHeaderSize - 1] != kHeapTag)
    std::free(start);
  else
    ::operator delete(start);
  block = nullptr;
}

void TryGetMem(void*& block, int64_t size) {
  // Like the heap's own allocation, a request for no bytes gives no block.
  block = size > 0 ? HeapBlock(size) : nullptr;
}

void FreeMem(void*& block) {
  ::operator delete(block);
  block = nullptr;
}

char* DuplicatePChar(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text) + 1;
  char* copy = new char[length];
  std::memcpy(copy, text, length);
  return copy;
}

}  // namespace calmora
