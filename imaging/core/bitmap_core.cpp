// TPVBitmap life cycle: construction, queries, allocation in memory (one aligned block or
// fragments), in the temporary file or in a device bitmap, freeing, palette and alpha plane.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imaging/core/bitmap.h"
#include "imaging/core/base/row_bits.h"
#include "imaging/core/base/platform_queries.h"
#include "imaging/core/base/allocators.h"
#include "imaging/proc/base/color_helpers.h"
#include "imaging/proc/base/numeric_helpers.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace bitmap_testing {
int64_t SingleBlockLimit = -1;
int64_t FragmentBlockLimit = -1;
}  // namespace bitmap_testing

namespace {

// Fragments smaller than this are not worth more than four blocks.
constexpr int64_t MinFragmentBytes = 10485760;
constexpr int32_t InitialFragmentCount = 4;

// The machine's memory does not change while the program runs: asked once.
uint64_t TotalMemory() {
  static const uint64_t total = QueryPhysicalMemory(0);
  return total;
}

int64_t InitialFileThreshold() {
  if (BitmapFileThreshold != -1) return BitmapFileThreshold;
  const uint64_t total = TotalMemory();
  if (total == 0) return TPVBitmap::DefaultFileThreshold;
  return static_cast<int64_t>(static_cast<long double>(total) / 1.3L);
}

// No single block may exceed the machine's memory: such a request can only fail, and some
// allocators abort instead of failing.
bool FitsInMemory(int64_t size) {
  const uint64_t total = TotalMemory();
  return total == 0 || static_cast<uint64_t>(size) <= total;
}

bool WithinLimit(int64_t size, int64_t limit) { return limit < 0 || size <= limit; }

}  // namespace

bool IsValidRowAlignment(int32_t bits) {
  return bits >= 8 && bits <= MaxRowAlignment && bits % 8 == 0;
}

TPVBitmap::TPVBitmap()
    : FileStore(std::make_unique<TPVFileBuffer>()), FileThreshold(InitialFileThreshold()) {}

TPVBitmap::TPVBitmap(int32_t width, int32_t height, TPVPixelFormat format) : TPVBitmap() {
  Allocate(width, height, format);
}

TPVBitmap::~TPVBitmap() { FreeImage(true); }

std::unique_ptr<TPVBitmap> TPVBitmap::CreateAlpha(int32_t width, int32_t height,
                                                  TPVLocation location) {
  auto plane = std::make_unique<TPVBitmap>();
  plane->WrapsTBitmap = false;
  plane->WrapsMemory = false;
  plane->IsAlphaPlane = true;
  plane->Location = location == pvTBitmap ? pvMemory : location;
  plane->Allocate(width, height, pv8g);
  plane->Fill(255);
  return plane;
}

// ---- Queries ----

int32_t TPVBitmap::GetBitCount() {
  SyncTBitmap();
  return BitsPerPixel;
}

int32_t TPVBitmap::GetHeight() {
  SyncTBitmap();
  return Height;
}

int32_t TPVBitmap::GetWidth() {
  SyncTBitmap();
  return Width;
}

TPVPixelFormat TPVBitmap::GetPixelFormat() {
  SyncTBitmap();
  return Format;
}

int32_t TPVBitmap::GetRowLen() {
  SyncTBitmap();
  return RowBytes;
}

int32_t TPVBitmap::GetChannelCount() {
  SyncTBitmap();
  return ChannelsPerPixel;
}

bool TPVBitmap::IsEmpty() const {
  return Width == 0 || Height == 0 || RowBytes == 0 || BitsPerPixel == 0;
}

uint8_t* TPVBitmap::GetScanline(int32_t row) {
  if (row < 0 || row >= Height) return nullptr;
  switch (Location) {
    case pvMemory:
      if (Pixels) return Pixels + static_cast<int64_t>(Height - 1 - row) * RowBytes;
      if (FragmentBlocks)
        return FragmentBlocks[row / FragmentRows] + static_cast<int64_t>(row % FragmentRows) * RowBytes;
      return nullptr;
    case pvFile: return FileScanline(row);
    case pvTBitmap:
      return static_cast<size_t>(row) < TBitmapRows.size() ? TBitmapRows[row] : nullptr;
  }
  return nullptr;
}

// ---- Allocation ----

bool TPVBitmap::Allocate(int32_t width, int32_t height, TPVPixelFormat format) {
  if (!ForceReallocate && width == Width && height == Height && format == Format) return true;
  if (!WrapsTBitmap)
    FreeImage(true);
  else
    AlphaBitmap.reset();  // the caller's device bitmap is reused
  Width = width;
  Height = height;
  Format = format;
  const bool allocated = AllocateStorage();
  if (!allocated) {
    Width = 0;
    Height = 0;
  }
  ForceReallocate = false;
  return allocated;
}

// Gives Width x Height pixels of Format the storage Location asks for, moving to another
// location by size or when one kind of storage cannot be had. On failure no pixel storage is
// left (a pv8p palette block and a device bitmap the allocation created may stay).
bool TPVBitmap::AllocateStorage() {
  if (Width < 1 || Height < 1 || Format == pvNoFormat || Format >= PixelFormatCount) return false;
  if (Format == pv8p) {
    delete[] Palette;
    PaletteLength = 0;
    Palette = new (std::nothrow) uint8_t[1024]();  // zeroed: files written later stay deterministic
    if (!Palette) return false;
    PaletteLength = 256;
  }
  BitsPerPixel = PixelFormatBits[Format];
  ChannelsPerPixel = PixelFormatChannels[Format];
  // A device bitmap has 32-bit rows whatever RowAlignment says.
  const int32_t alignment =
      Location == pvTBitmap || !IsValidRowAlignment(RowAlignment) ? 32 : RowAlignment;
  int32_t rowBytes = 0;
  if (!TryCalcRowLength(Width, BitsPerPixel, alignment, rowBytes) || rowBytes < 1) return false;
  RowBytes = rowBytes;
  const int64_t size = CalcImageByteSize(RowBytes, Height);
  if (size < 0) return false;

  if (Location == pvFile && size < FileThreshold) Location = pvMemory;
  if (Location == pvMemory && size > FileThreshold) Location = pvFile;

  if (Location == pvFile) {
    FileStore->Close();
    if (!FileStore->CreateFile("IMG", size)) Location = pvMemory;
  }
  if (Location == pvMemory) {
    if (!AllocateAligned(size) && !AllocateFragments()) {
      Location = pvFile;
      FileStore->Close();
      if (!FileStore->CreateFile("IMG", size)) return false;
    }
  }
  if (Location == pvTBitmap && !AllocateDeviceBitmap(size)) return false;
  Opaque = false;
  return true;
}

bool TPVBitmap::AllocateAligned(int64_t size) {
  FreePixelBlock();
  if (!WithinLimit(size, bitmap_testing::SingleBlockLimit) || !FitsInMemory(size)) return false;
  const int64_t request = size + 128;
  switch (Allocator) {
    case pvmaHeap: PixelBlock = std::malloc(static_cast<size_t>(request)); break;
    case pvmaGlobal: PixelBlock = AllocGlobalZeroed(request); break;
    case pvmaHybrid: PixelBlock = AllocHybrid(request); break;
  }
  if (!PixelBlock) return false;
  const auto address = reinterpret_cast<uintptr_t>(PixelBlock);
  Pixels = static_cast<uint8_t*>(PixelBlock) + ((64 - address % 64) % 64);
  return true;
}

bool TPVBitmap::AllocateFragments() {
  FreeFragments();
  if (!FitsInMemory(CalcImageByteSize(RowBytes, Height))) return false;
  int32_t count = InitialFragmentCount;
  for (;;) {
    const int32_t rows = CeilToInt(static_cast<long double>(Height) / count);
    const int64_t blockBytes = static_cast<int64_t>(rows) * RowBytes;
    if (blockBytes < MinFragmentBytes && count > InitialFragmentCount) return false;
    FragmentCount = count;
    FragmentRows = rows;
    FragmentBlocks = new (std::nothrow) uint8_t*[count]();
    if (!FragmentBlocks) {
      FreeFragments();
      return false;
    }
    bool complete = true;
    for (int32_t i = 0; i < count && complete; ++i) {
      if (WithinLimit(blockBytes, bitmap_testing::FragmentBlockLimit) && FitsInMemory(blockBytes))
        FragmentBlocks[i] = static_cast<uint8_t*>(AllocGlobalZeroed(blockBytes));
      complete = FragmentBlocks[i] != nullptr;
    }
    if (complete) return true;
    FreeFragments();
    if (int64_t{count} * 2 >= Height) return false;  // the doubled count would reach the height
    count *= 2;
  }
}

void TPVBitmap::FreeFragments() {
  if (FragmentBlocks) {
    for (int32_t i = 0; i < FragmentCount; ++i) {
      void* block = FragmentBlocks[i];
      FreeGlobal(block);
    }
    delete[] FragmentBlocks;
  }
  FragmentBlocks = nullptr;
  FragmentCount = 0;
  FragmentRows = 0;
}

void TPVBitmap::FreePixelBlock() {
  if (PixelBlock && !WrapsMemory) {
    switch (Allocator) {
      case pvmaHeap: std::free(PixelBlock); break;
      case pvmaGlobal: FreeGlobal(PixelBlock); break;
      case pvmaHybrid: FreeHybrid(PixelBlock); break;
    }
  }
  PixelBlock = nullptr;
  Pixels = nullptr;
}

void TPVBitmap::FreeImage(bool withAlpha) {
  if (withAlpha) AlphaBitmap.reset();
  delete[] Palette;
  Palette = nullptr;
  PaletteLength = 0;
  // The file goes away with its data, so row windows are dropped, not written back.
  CurrentRow = TPVRowWindow{};
  delete[] CurrentRowBlock;
  CurrentRowBlock = nullptr;
  CurrentRowCapacity = 0;
  HeldRowPointers.clear();
  HeldRowNumbers.clear();
  FileStore->Close();
  FreePixelBlock();
  if (!WrapsTBitmap) delete WrappedTBitmap;
  WrappedTBitmap = nullptr;
  TBitmapRows.clear();
  FreeFragments();
  Width = 0;
  Height = 0;
  RowBytes = 0;
  BitsPerPixel = 0;
  ChannelsPerPixel = 0;
  Opaque = false;
  WrapsTBitmap = false;
  WrapsMemory = false;
}

// ---- Palette ----

TPVRGB TPVBitmap::GetPaletteColor(int32_t index) {
  if (index < 0 || index >= PaletteLength || !Palette) return TPVRGB{0, 0, 0};
  const uint8_t* entry = Palette + index * 3;
  return TPVRGB{entry[0], entry[1], entry[2]};
}

void TPVBitmap::SetPaletteColor(int32_t index, TPVRGB color) {
  if (index < 0 || index >= PaletteLength || !Palette) return;
  uint8_t* entry = Palette + index * 3;
  entry[0] = color.b;
  entry[1] = color.g;
  entry[2] = color.r;
  RealizePalette();
}

void TPVBitmap::CopyPaletteTo(TObject* target) {
  auto* other = dynamic_cast<TPVBitmap*>(target);
  if (!other || other == this) return;
  delete[] other->Palette;
  other->Palette = nullptr;
  other->PaletteLength = 0;
  other->PaletteColorsUsed = 256;
  if (PaletteLength <= 0 || !Palette) return;
  other->Palette = new (std::nothrow) uint8_t[static_cast<size_t>(PaletteLength) * 4];
  if (!other->Palette) return;
  std::memcpy(other->Palette, Palette, static_cast<size_t>(PaletteLength) * 4);
  other->PaletteLength = PaletteLength;
  other->PaletteColorsUsed = PaletteColorsUsed;
  other->RealizePalette();
}

// ---- Alpha channel ----

TPVBitmap* TPVBitmap::GetAlphaChannel() {
  if (IsAlphaPlane) return AlphaBitmap.get();
  if (!AlphaBitmap) {
    auto plane = CreateAlpha(Width, Height, Location);
    if (plane->IsEmpty()) return nullptr;
    AlphaBitmap = std::move(plane);
  }
  return AlphaBitmap.get();
}

void TPVBitmap::AttachAlphaChannel(std::unique_ptr<TPVBitmap> plane) {
  if (plane) plane->IsAlphaPlane = true;
  AlphaBitmap = std::move(plane);
}

}  // namespace calmora
