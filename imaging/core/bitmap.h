// The library's bitmap: the abstract bitmap interface, TPVBitmap with its ten pixel formats and
// three storage locations (one aligned memory block or a few fragments, a temporary file, a
// device bitmap), row access, palette, alpha plane, assign and storage moves, and the raw stream.
// The operations live in bitmap_*.cpp, one concern per file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/base/defs.h"
#include "imaging/core/base/pixel_types.h"
#include "imaging/core/temp_file_store.h"

namespace calmora {

namespace platform {
class TBitmap;
}

class TStream;

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

// How a conversion to pv1g reduces.
enum TPVDitherMethod : uint8_t { pvdmOrdered = 0, pvdmThreshold = 1 };

// Bits and channels per pixel, indexed by TPVPixelFormat.
inline constexpr int32_t PixelFormatBits[PixelFormatCount] = {0, 1, 8, 8, 16, 24, 32, 32, 48, 24, 32};
inline constexpr int32_t PixelFormatChannels[PixelFormatCount] = {0, 1, 1, 1, 1, 3, 1, 4, 3, 3, 4};

// Row lengths of a bitmap are kept in int32: widths whose rows would be longer are refused.
// Byte sizes are int64. An alignment must be a positive multiple of 8 bits up to this limit.
inline constexpr int32_t MaxRowAlignment = 2048;
bool IsValidRowAlignment(int32_t bits);

// The abstract bitmap interface that TPVBitmap and TPVDibbitmap implement.
class TPVBaseBitmap : public TObject {
 public:
  TPVDataAccess DataAccess = pvdRead | pvdWrite;

  // Row 0 is the top row. Null outside the bitmap.
  virtual uint8_t* GetScanline(int32_t row) = 0;
  virtual int32_t GetBitCount() = 0;
  virtual int32_t GetHeight() = 0;
  virtual int32_t GetWidth() = 0;
  virtual TPVPixelFormat GetPixelFormat() = 0;
  virtual int32_t GetRowLen() = 0;
  virtual TPVRGB GetPaletteColor(int32_t index) = 0;
  virtual void SetPaletteColor(int32_t index, TPVRGB color) = 0;
  virtual int32_t GetPaletteLen() = 0;
  virtual bool Allocate(int32_t width, int32_t height, TPVPixelFormat format) = 0;
  // False when the source was of a usable class but its copy could not be made.
  virtual bool Assign(TObject* source) = 0;
  virtual void CopyPaletteTo(TObject* target) = 0;
};

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

class TPVBitmap : public TPVBaseBitmap {
 public:
  // Pixel bytes a row window aims for; a window always holds at least one row.
  static constexpr int64_t RowWindowBytes = 1048576;
  // Size used when the physical memory cannot be queried.
  static constexpr int64_t DefaultFileThreshold = 33554432;

  // An empty bitmap in location pvFile (it becomes pvMemory by size at allocation).
  TPVBitmap();
  // TPVBitmap(), then Allocate; a failed allocation leaves an empty bitmap.
  TPVBitmap(int32_t width, int32_t height, TPVPixelFormat format);
  ~TPVBitmap() override;
  TPVBitmap(const TPVBitmap&) = delete;
  TPVBitmap& operator=(const TPVBitmap&) = delete;

  // An alpha plane: pv8g, filled with 255 and Opaque; pvTBitmap becomes pvMemory.
  static std::unique_ptr<TPVBitmap> CreateAlpha(int32_t width, int32_t height,
                                                TPVLocation location);

  // ---- The interface ----
  uint8_t* GetScanline(int32_t row) override;
  int32_t GetBitCount() override;
  int32_t GetHeight() override;
  int32_t GetWidth() override;
  TPVPixelFormat GetPixelFormat() override;
  int32_t GetRowLen() override;
  // Black outside the palette.
  TPVRGB GetPaletteColor(int32_t index) override;
  void SetPaletteColor(int32_t index, TPVRGB color) override;
  int32_t GetPaletteLen() override { return PaletteLength; }
  // Reallocates unless ForceReallocate is false and nothing changes. Every reallocation drops
  // the alpha plane. False, with an empty bitmap, when the storage cannot be had.
  bool Allocate(int32_t width, int32_t height, TPVPixelFormat format) override;
  // Copies pixels, palette, alpha plane (or its absence), Opaque, RowAlignment and DitherMethod
  // of another TPVBitmap. Other classes are ignored (true). False, leaving this bitmap empty,
  // when its storage cannot be allocated.
  bool Assign(TObject* source) override;
  void CopyPaletteTo(TObject* target) override;

  int32_t GetChannelCount();
  // Width, Height, RowBytes or BitsPerPixel is 0 (read without syncing a device bitmap).
  bool IsEmpty() const;

  // ---- Storage ----
  // Releases every kind of pixel storage (and the alpha plane when withAlpha). Format,
  // Location and the settings stay.
  void FreeImage(bool withAlpha);
  // Moves the pixels to another location (the size rule still applies). False, with the
  // pixels where they were, when the new storage cannot be had or cannot hold the format as
  // it is (a device bitmap refuses pv16g and the formats beyond 8-bit grey and RGB).
  bool SetLocation(TPVLocation location);
  // Hands everything that holds or describes pixels to target and leaves this bitmap empty.
  void MoveStorageTo(TPVBitmap& target);

  // ---- Rows of a file-stored bitmap ----
  // In pvFile a GetScanline pointer stays valid until the next GetScanline; a transfer to or
  // from the file that fails (a full disk) raises EInOutError, here and in GetScanline.
  // Like GetScanline, but in pvFile the row stays mapped (and valid) until UnmapRow of that
  // row or UnmapAllRows, so several rows can be held at once.
  uint8_t* MapRow(int32_t row);
  void UnmapRow(int32_t row);
  // Releases the row window and every held row.
  void UnmapAllRows();

  // ---- Copying whole bitmaps ----
  // Like Assign, but keeps this bitmap's own alpha plane and copies neither Opaque (false
  // afterwards), RowAlignment nor DitherMethod. Nothing (true) when the source is empty.
  bool AssignImage(TPVBitmap* source);

  // ---- Alpha channel ----
  // The alpha plane, created fully opaque on first use; null for an alpha plane, for an empty
  // bitmap, or when the plane's storage cannot be had.
  TPVBitmap* GetAlphaChannel();
  bool HasAlphaChannel() const { return AlphaBitmap != nullptr; }
  // Takes the plane as the alpha channel (a plane attached before is freed) and marks it.
  void AttachAlphaChannel(std::unique_ptr<TPVBitmap> plane);
  // With merge and pv24RGB, blends the pixels toward the background by their alpha; then frees
  // the plane. Nothing for an alpha plane.
  void RemoveAlphaChannel(bool merge, TColor background);

  // ---- Whole-image settings ----
  // Every pixel becomes the value, read as each format reads it (a TColor for the colour
  // formats, a sample for the grey ones).
  void Fill(double value);
  // Changes the row alignment (bits: a multiple of 8 up to MaxRowAlignment) keeping the pixels,
  // in every location; a device bitmap keeps its 32-bit rows and takes the new alignment when
  // its pixels move elsewhere. False, with nothing changed, for an invalid alignment or when
  // the new storage cannot be had.
  bool SetBitAlignment(int32_t bits);

  // ---- The device bitmap ----
  // Re-reads size and format of the device bitmap in location pvTBitmap.
  void SyncTBitmap();
  // Copies the palette into the device bitmap's colour table (location pvTBitmap).
  void RealizePalette();

  // ---- The raw bitmap stream ----
  // Writes the bitmap with its display settings and alpha plane. False when the stream took
  // fewer bytes than written.
  bool SaveRawToStream(TStream* stream);
  // The same into a memory block of capacity bytes; false when the block is too small.
  bool SaveRawToStream(void* memory, int64_t capacity);
  // Reads what SaveRawToStream wrote. False, with this bitmap untouched, for a bad signature, a
  // negative version, any field out of bounds, a truncated stream or failed storage.
  bool LoadRawFromStream(TStream* stream);
  bool LoadRawFromStream(const void* memory, int64_t size);

  // ---- Fields ----
  std::unique_ptr<TPVFileBuffer> FileStore;   // backing store of pvFile, always present
  uint8_t* CurrentRowBlock = nullptr;         // buffer of the row window (pvFile)
  int64_t CurrentRowCapacity = 0;             // its size in bytes
  TPVRowWindow CurrentRow;                    // the rows it holds
  uint8_t* Palette = nullptr;                 // entry i at byte 3i; 4 bytes allocated per entry
  int32_t PaletteLength = 0;
  std::unique_ptr<TPVBitmap> AlphaBitmap;     // pv8g alpha plane or null
  uint8_t* Pixels = nullptr;                  // first 64-byte-aligned address in PixelBlock
  void* PixelBlock = nullptr;                 // the single memory block as allocated
  platform::TBitmap* WrappedTBitmap = nullptr;  // owned unless WrapsTBitmap
  std::vector<uint8_t*> TBitmapRows;          // device scan lines, index 0 = top row
  std::vector<uint8_t*> HeldRowPointers;      // MapRow windows not yet released (pvFile)
  std::vector<int32_t> HeldRowNumbers;        // their rows
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 0;
  int32_t ChannelsPerPixel = 0;
  int32_t RowBytes = 0;
  TPVPixelFormat Format = pvNoFormat;
  bool IsAlphaPlane = false;
  TPVLocation Location = pvFile;
  bool Opaque = false;          // every sample at its maximum (alpha plane: fully opaque)
  bool WrapsTBitmap = false;    // WrappedTBitmap belongs to the caller
  bool WrapsMemory = false;     // the pixel memory belongs to the caller
  int64_t FileThreshold = 0;    // byte size above which pixels go to the temporary file
  TPVDitherMethod DitherMethod = pvdmThreshold;
  int32_t PaletteColorsUsed = 256;
  double BlackLevel = 0;
  double WhiteLevel = 0;
  int32_t ChannelShift[4] = {0, 0, 0, 0};
  bool ChannelShiftEnabled = false;
  int32_t DisplayContrast = 0;
  int32_t RowAlignment = 32;    // in bits
  TPVMemoryAllocator Allocator = pvmaHybrid;
  bool ForceReallocate = true;
  int32_t UserTag = 0;
  int32_t CanvasAlpha = -1;
  int32_t FragmentCount = 0;
  int32_t FragmentRows = 0;
  uint8_t** FragmentBlocks = nullptr;  // FragmentCount zero-filled global blocks, rows top-down

 private:
  bool AllocateStorage();
  bool AllocateAligned(int64_t size);
  bool AllocateFragments();
  void FreeFragments();
  void FreePixelBlock();
  bool AllocateDeviceBitmap(int64_t size);
  bool AssignDeviceStorage(TPVBitmap& source);
  void RebuildTBitmapRows();
  uint8_t* FileScanline(int32_t row);
  void ReleaseRowWindow(bool writeBack);
  void FlushHandedRows();
  bool CopyRowsFrom(TPVBitmap& source);
  bool CopyPixelsFrom(TPVBitmap& source);
  bool ReallocateKeepingPixels(TPVLocation location, int32_t alignment);
};

// Exchanges black and white of a pv1g bitmap: every byte of every row inverted.
void NegateBits(TPVBitmap& Bitmap);

// Test seams that simulate exhausted memory: single blocks (and fragment blocks) above these
// byte sizes are refused as if the allocator had failed. -1 = no limit.
namespace bitmap_testing {
extern int64_t SingleBlockLimit;
extern int64_t FragmentBlockLimit;
}  // namespace bitmap_testing

}  // namespace calmora
