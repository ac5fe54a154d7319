// The pieces of a bitmap's pixel storage that own something: blocks that remember how they were
// allocated, the owned or borrowed device bitmap, and the storage that holds them all.
#include "imaging/core/bitmap/bitmap_storage.h"

#include <cstdlib>
#include <new>

#include "imaging/base/allocators.h"
#include "imaging/base/platform_queries.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace bitmap_testing {
int64_t SingleBlockLimit = -1;
int64_t FragmentBlockLimit = -1;
}  // namespace bitmap_testing

namespace {

void ReleaseHeap(void* block) { std::free(block); }
void ReleaseGlobal(void* block) { FreeGlobal(block); }
void ReleaseHybrid(void* block) { FreeHybrid(block); }

bool WithinLimit(int64_t size, int64_t limit) { return limit < 0 || size <= limit; }

// Global memory is calloc: large blocks come straight from fresh zero pages of the system and
// are not written to, unlike a zero-initialising new, which claims every page at once.
TPVPixelBlock AllocateFrom(TPVMemoryAllocator allocator, int64_t size) {
  switch (allocator) {
    case pvmaHeap:
      return TPVPixelBlock(static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size))),
                           TPVBlockRelease{ReleaseHeap});
    case pvmaGlobal:
      return TPVPixelBlock(static_cast<uint8_t*>(AllocGlobalZeroed(size)),
                           TPVBlockRelease{ReleaseGlobal});
    case pvmaHybrid:
      return TPVPixelBlock(static_cast<uint8_t*>(AllocHybrid(size)), TPVBlockRelease{ReleaseHybrid});
  }
  return nullptr;
}

}  // namespace

bool FitsInMemory(int64_t size) {
  // The machine's memory does not change while the program runs: asked once.
  static const uint64_t total = QueryPhysicalMemory(0);
  return total == 0 || static_cast<uint64_t>(size) <= total;
}

TPVPixelBlock AllocateSingleBlock(TPVMemoryAllocator allocator, int64_t size) {
  if (size < 0 || !WithinLimit(size, bitmap_testing::SingleBlockLimit) || !FitsInMemory(size))
    return nullptr;
  return AllocateFrom(allocator, size);
}

TPVPixelBlock AllocateFragmentBlock(int64_t size) {
  if (size < 0 || !WithinLimit(size, bitmap_testing::FragmentBlockLimit) || !FitsInMemory(size))
    return nullptr;
  return AllocateFrom(pvmaGlobal, size);
}

TPVPixelBlock AllocateZeroedPlane(int64_t size) {
  return size > 0 ? AllocateSingleBlock(pvmaGlobal, size) : nullptr;
}

void TPVDeviceBitmapRelease::operator()(platform::TBitmap* bitmap) const {
  if (Owned) delete bitmap;
}

TPVDeviceBitmap NewDeviceBitmap() {
  return TPVDeviceBitmap(new (std::nothrow) platform::TBitmap, TPVDeviceBitmapRelease{true});
}

TPVDeviceBitmap BorrowDeviceBitmap(platform::TBitmap* bitmap) {
  return TPVDeviceBitmap(bitmap, TPVDeviceBitmapRelease{false});
}

TPVPixelStorage::TPVPixelStorage() : FileStore(std::make_unique<TPVFileBuffer>()) {}

TPVPixelStorage::~TPVPixelStorage() = default;

}  // namespace calmora
