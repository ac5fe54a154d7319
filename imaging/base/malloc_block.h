// An owner for blocks that C libraries, and the functions that hand on their results, allocate
// with malloc: freed with std::free, as they were allocated, whoever ends up holding them.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace calmora {

struct FreeMallocBlock {
  void operator()(void* block) const { std::free(block); }
};

template <class T = void>
using UniqueMallocBlock = std::unique_ptr<T, FreeMallocBlock>;

// Resizes the block with realloc (Size above 0); false, with the block as it was, when that
// fails.
template <class T>
bool ResizeMallocBlock(UniqueMallocBlock<T>& block, size_t size) {
  void* resized = std::realloc(block.get(), size);
  if (resized == nullptr) return false;
  (void)block.release();  // realloc has freed the old block or kept it in place
  block.reset(static_cast<T*>(resized));
  return true;
}

}  // namespace calmora
