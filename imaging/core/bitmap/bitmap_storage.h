// What holds the pixels of a TPVBitmap, owned as one member: the memory block with the routine
// that frees it, the fragments, the temporary file with its row window and held rows, the device
// bitmap (ours or a caller's) with its cached rows. Moving it moves the pixels; Reset frees them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/bitmap/temp_file_store.h"

namespace calmora {

namespace platform {
class TBitmap;
}

// Where a bitmap keeps its pixels.
enum TPVLocation : uint8_t {
  pvMemory = 0,   // one 64-byte-aligned block (rows bottom-up) or a few fragments (top-down)
  pvFile = 1,     // a temporary file, rows mapped into heap blocks on demand
  pvTBitmap = 2,  // a device bitmap, owned or wrapped
};

// Allocator of the single memory block.
enum TPVMemoryAllocator : uint8_t {
  pvmaHeap = 0,    // heap, contents not cleared
  pvmaGlobal = 1,  // AllocGlobalZeroed
  pvmaHybrid = 2,  // AllocHybrid: heap below 1 MB, global memory above
};

// The routine that frees a block, chosen when the block is allocated: a block is freed the way
// it was had, whatever the bitmap's Allocator says by then. Without a routine the block is
// borrowed and never freed here.
struct TPVBlockRelease {
  void (*Release)(void* block) = nullptr;
  void operator()(uint8_t* block) const {
    if (Release) Release(block);
  }
};
using TPVPixelBlock = std::unique_ptr<uint8_t, TPVBlockRelease>;

// No single block may exceed the machine's memory: such a request can only fail, and some
// allocators abort instead of failing. An unknown memory size refuses nothing.
bool FitsInMemory(int64_t size);

// The single memory block of size bytes from the allocator, freed by the same allocator. Heap
// blocks are not cleared; the others start zero-filled. Null when it cannot be had, does not
// fit the machine or exceeds bitmap_testing::SingleBlockLimit.
TPVPixelBlock AllocateSingleBlock(TPVMemoryAllocator allocator, int64_t size);
// A zero-filled global block for one fragment; null likewise, with FragmentBlockLimit instead.
TPVPixelBlock AllocateFragmentBlock(int64_t size);
// A zero-filled plane of size bytes for masks and DIB bitmaps: a single global block, null for
// a size that is not positive. A large plane comes as fresh zero pages that the system maps on
// first write, so asking for it costs no memory until it is used.
TPVPixelBlock AllocateZeroedPlane(int64_t size);

// Frees the device bitmap of location pvTBitmap unless it is a caller's.
struct TPVDeviceBitmapRelease {
  bool Owned = true;
  void operator()(platform::TBitmap* bitmap) const;
};
using TPVDeviceBitmap = std::unique_ptr<platform::TBitmap, TPVDeviceBitmapRelease>;

// A new device bitmap of our own (null when it cannot be had), and a caller's one, borrowed:
// used in place, never freed or recreated by the bitmap.
TPVDeviceBitmap NewDeviceBitmap();
TPVDeviceBitmap BorrowDeviceBitmap(platform::TBitmap* bitmap);

// The window of file rows that GetScanline hands out in location pvFile: a run of whole rows
// read in one transfer, so a pass over the image costs one read and one write per window, not
// per row. Only rows actually handed out are written back, and only with pvdWrite.
// Windows start at one row and double while a pass goes on in either direction, so random
// access costs no more than one row per call.
struct TPVRowWindow {
  int32_t FirstRow = 0;   // first row the buffer holds
  int32_t RowCount = 0;   // rows the buffer holds; 0 = no window
  TPVDataAccess Access = 0;
  int32_t HandedFirst = 0;  // the contiguous run of rows handed out since the last write-back
  int32_t HandedLast = -1;  // (HandedLast < HandedFirst: none)
  int32_t PreviousFirst = 0;  // the window released last, to recognise a pass
  int32_t PreviousCount = 0;
};

// Exactly one of the memory block, the fragments, an open file store or the device bitmap holds
// the pixels of an allocated bitmap. The row window and the cached device rows are caches that
// the bitmap's read-only accessors refresh, hence mutable.
struct TPVPixelStorage {
  TPVPixelStorage();
  // A moved-from storage has no FileStore and is only fit to be destroyed or assigned: hand
  // storage over with std::exchange(storage, TPVPixelStorage()).
  TPVPixelStorage(TPVPixelStorage&&) noexcept = default;
  TPVPixelStorage& operator=(TPVPixelStorage&&) noexcept = default;
  ~TPVPixelStorage();

  // Frees everything held. File rows are dropped, not written back: the file goes with them.
  void Reset() { *this = TPVPixelStorage(); }

  int32_t FragmentCount() const { return static_cast<int32_t>(FragmentBlocks.size()); }
  // WrappedTBitmap belongs to the caller.
  bool WrapsTBitmap() const { return WrappedTBitmap && !WrappedTBitmap.get_deleter().Owned; }
  // The pixel memory belongs to the caller (no operation of the bitmap hands such memory in).
  bool WrapsMemory() const { return PixelBlock && !PixelBlock.get_deleter().Release; }

  // pvMemory, one block (rows bottom-up).
  TPVPixelBlock PixelBlock;   // the block as allocated, 128 bytes more than the pixels
  uint8_t* Pixels = nullptr;  // its first 64-byte-aligned address

  // pvMemory, fragments: zero-filled global blocks of FragmentRows rows each, rows top-down.
  std::vector<TPVPixelBlock> FragmentBlocks;
  int32_t FragmentRows = 0;

  // pvFile.
  std::unique_ptr<TPVFileBuffer> FileStore;  // always present
  mutable std::unique_ptr<uint8_t[]> CurrentRowBlock;  // buffer of the row window
  mutable int64_t CurrentRowCapacity = 0;              // its size in bytes
  mutable TPVRowWindow CurrentRow;                     // the rows it holds
  std::vector<uint8_t*> HeldRowPointers;  // MapRow windows not yet released (blocks of FileStore)
  std::vector<int32_t> HeldRowNumbers;    // their rows

  // pvTBitmap.
  TPVDeviceBitmap WrappedTBitmap;
  mutable std::vector<uint8_t*> TBitmapRows;  // device scan lines, index 0 = top row
};

// Test seams that simulate exhausted memory: single blocks (bitmap blocks, mask and DIB planes)
// and fragment blocks above these byte sizes are refused as if the allocator had failed.
// -1 = no limit.
namespace bitmap_testing {
extern int64_t SingleBlockLimit;
extern int64_t FragmentBlockLimit;
}  // namespace bitmap_testing

}  // namespace calmora
