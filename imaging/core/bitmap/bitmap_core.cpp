// TPVBitmap life cycle: construction, queries, allocation in memory (one aligned block or
// fragments), in the temporary file or in a device bitmap, freeing, palette and alpha plane.
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/row_bits.h"
#include "imaging/base/platform_queries.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

// Fragments smaller than this are not worth more than four blocks.
constexpr int64_t kMinFragmentBytes = 10485760;
constexpr int32_t kInitialFragmentCount = 4;

int64_t InitialFileThreshold() {
  if (BitmapFileThreshold != -1) return BitmapFileThreshold;
  static const uint64_t kPhysicalMemory = QueryPhysicalMemory(0);
  if (kPhysicalMemory == 0) return TPVBitmap::DefaultFileThreshold;
  return static_cast<int64_t>(static_cast<long double>(kPhysicalMemory) / 1.3L);
}

}  // namespace

bool IsValidRowAlignment(int32_t bits) {
  return bits >= 8 && bits <= MaxRowAlignment && bits % 8 == 0;
}

TPVBitmap::TPVBitmap() : FileThreshold(InitialFileThreshold()) {}

TPVBitmap::TPVBitmap(int32_t width, int32_t height, TPVPixelFormat format) : TPVBitmap() {
  Allocate(width, height, format);
}

// The members free themselves: alpha plane, palette, then the storage with its file.
TPVBitmap::~TPVBitmap() = default;

std::unique_ptr<TPVBitmap> TPVBitmap::CreateAlpha(int32_t width, int32_t height,
                                                  TPVLocation location) {
  auto plane = std::make_unique<TPVBitmap>();  // wraps neither a device bitmap nor memory
  plane->IsAlphaPlane = true;
  plane->Location = location == pvTBitmap ? pvMemory : location;
  plane->Allocate(width, height, pv8g);
  plane->Fill(255);
  return plane;
}

// ---- Queries ----

int32_t TPVBitmap::GetBitCount() const {
  SyncTBitmap();
  return BitsPerPixel;
}

int32_t TPVBitmap::GetHeight() const {
  SyncTBitmap();
  return Height;
}

int32_t TPVBitmap::GetWidth() const {
  SyncTBitmap();
  return Width;
}

TPVPixelFormat TPVBitmap::GetPixelFormat() const {
  SyncTBitmap();
  return Format;
}

int32_t TPVBitmap::GetRowLen() const {
  SyncTBitmap();
  return RowBytes;
}

int32_t TPVBitmap::GetChannelCount() const {
  SyncTBitmap();
  return ChannelsPerPixel;
}

bool TPVBitmap::IsEmpty() const {
  return Width == 0 || Height == 0 || RowBytes == 0 || BitsPerPixel == 0;
}

uint8_t* TPVBitmap::GetScanline(int32_t row) { return RowAddress(row, DataAccess); }

const uint8_t* TPVBitmap::GetScanline(int32_t row) const { return RowAddress(row, pvdRead); }

// The row's address; a file row is mapped with the access given.
uint8_t* TPVBitmap::RowAddress(int32_t row, TPVDataAccess access) const {
  if (row < 0 || row >= Height) return nullptr;
  switch (Location) {
    case pvMemory:
      if (Storage.Pixels) return Storage.Pixels + static_cast<int64_t>(Height - 1 - row) * RowBytes;
      if (!Storage.FragmentBlocks.empty())
        return Storage.FragmentBlocks[row / Storage.FragmentRows].get() +
               static_cast<int64_t>(row % Storage.FragmentRows) * RowBytes;
      return nullptr;
    case pvFile: return FileScanline(row, access);
    case pvTBitmap:
      return static_cast<size_t>(row) < Storage.TBitmapRows.size() ? Storage.TBitmapRows[row]
                                                                    : nullptr;
  }
  return nullptr;
}

// ---- Allocation ----

bool TPVBitmap::Allocate(int32_t width, int32_t height, TPVPixelFormat format) {
  // An empty bitmap has nothing to keep: asking for its size again (after FreeImage or a failed
  // allocation) is an empty request like any other, and fails.
  if (!ForceReallocate && !IsEmpty() && width == Width && height == Height && format == Format)
    return true;
  if (!Storage.WrapsTBitmap())
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
    PaletteLength = 0;
    Palette.reset(new (std::nothrow) uint8_t[1024]());  // zeroed: files written later stay deterministic
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

  TPVFileBuffer& file = *Storage.FileStore;
  if (Location == pvFile) {
    file.Close();
    if (!file.CreateFile("IMG", size)) Location = pvMemory;
  }
  if (Location == pvMemory) {
    if (!AllocateAligned(size) && !AllocateFragments()) {
      Location = pvFile;
      file.Close();
      if (!file.CreateFile("IMG", size)) return false;
    }
  }
  if (Location == pvTBitmap && !AllocateDeviceBitmap(size)) return false;
  Opaque = false;
  return true;
}

bool TPVBitmap::AllocateAligned(int64_t size) {
  // The block remembers the allocator it came from: a later change of Allocator does not
  // change how it is freed.
  Storage.PixelBlock = AllocateSingleBlock(Allocator, size + 128);
  Storage.Pixels = nullptr;
  if (!Storage.PixelBlock) return false;
  const auto address = reinterpret_cast<uintptr_t>(Storage.PixelBlock.get());
  Storage.Pixels = Storage.PixelBlock.get() + ((64 - address % 64) % 64);
  return true;
}

bool TPVBitmap::AllocateFragments() {
  std::vector<TPVPixelBlock>& blocks = Storage.FragmentBlocks;
  blocks.clear();
  Storage.FragmentRows = 0;
  if (!FitsInMemory(CalcImageByteSize(RowBytes, Height))) return false;
  for (int32_t count = kInitialFragmentCount;; count *= 2) {
    const int32_t rows = CeilToInt(static_cast<long double>(Height) / count);
    const int64_t blockBytes = static_cast<int64_t>(rows) * RowBytes;
    if (blockBytes < kMinFragmentBytes && count > kInitialFragmentCount) return false;
    blocks.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      TPVPixelBlock block = AllocateFragmentBlock(blockBytes);
      if (!block) break;
      blocks.push_back(std::move(block));
    }
    if (blocks.size() == static_cast<size_t>(count)) {
      Storage.FragmentRows = rows;
      return true;
    }
    blocks.clear();
    if (int64_t{count} * 2 >= Height) return false;  // the doubled count would reach the height
  }
}

void TPVBitmap::FreeImage(bool withAlpha) {
  if (withAlpha) AlphaBitmap.reset();
  Palette.reset();
  PaletteLength = 0;
  Storage.Reset();
  Width = 0;
  Height = 0;
  RowBytes = 0;
  BitsPerPixel = 0;
  ChannelsPerPixel = 0;
  Opaque = false;
}

// ---- Palette ----

TPVRGB TPVBitmap::GetPaletteColor(int32_t index) const {
  if (index < 0 || index >= PaletteLength || !Palette) return TPVRGB{0, 0, 0};
  const uint8_t* entry = Palette.get() + index * 3;
  return TPVRGB{entry[0], entry[1], entry[2]};
}

void TPVBitmap::SetPaletteColor(int32_t index, TPVRGB color) {
  if (index < 0 || index >= PaletteLength || !Palette) return;
  uint8_t* entry = Palette.get() + index * 3;
  entry[0] = color.b;
  entry[1] = color.g;
  entry[2] = color.r;
  RealizePalette();
}

void TPVBitmap::CopyPaletteTo(TObject* target) const {
  auto* other = dynamic_cast<TPVBitmap*>(target);
  if (!other || other == this) return;
  other->Palette.reset();
  other->PaletteLength = 0;
  other->PaletteColorsUsed = 256;
  if (PaletteLength <= 0 || !Palette) return;
  const auto bytes = static_cast<size_t>(PaletteLength) * 4;
  other->Palette.reset(new (std::nothrow) uint8_t[bytes]);
  if (!other->Palette) return;
  std::memcpy(other->Palette.get(), Palette.get(), bytes);
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
