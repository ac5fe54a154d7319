// The pixel-buffer allocators: global (zero-filled), heap (uncleared) and the hybrid allocator
// that tags each block with where it came from. None of them throws.
#pragma once

#include <cstdint>

namespace calmora {

// A zero-filled block of size bytes from the global allocator; null on failure or a negative size.
void* AllocGlobalZeroed(int64_t size);
// Frees a block of AllocGlobalZeroed (null is allowed) and sets the variable to null.
void FreeGlobal(void*& block);

// Pixel-buffer allocator: below 1 MB a heap block (not cleared), falling back to a zero-filled
// global block when the heap is exhausted; from 1 MB on a zero-filled global block. A tag byte
// just before the returned address records which of the two it is (0 heap, 1 global); the
// header is 16 bytes so the returned address keeps the platform's full alignment. Null when
// memory is exhausted; never throws.
void* AllocHybrid(int64_t size);
// Frees a block of AllocHybrid by its tag (null is allowed) and sets the variable to null.
void FreeHybrid(void*& block);

inline constexpr int64_t kHybridHeapLimit =
    0x100000;  // blocks from here on come from global memory
inline constexpr int kHybridHeaderSize = 16;

// A heap block of size bytes, or null instead of an exception when memory is exhausted.
void TryGetMem(void*& block, int64_t size);
// Frees a block of TryGetMem (null is allowed) and sets the variable to null.
void FreeMem(void*& block);

// A new heap copy of a zero-terminated text, terminator included (release with delete[]);
// null for null.
char* DuplicatePChar(const char* text);

}  // namespace calmora
