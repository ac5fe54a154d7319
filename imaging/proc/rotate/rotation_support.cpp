// The shared pieces of the rotations and flips: source rows held for reading, rows written
// whole, the in-place result that gives the old pixels back unless committed, row mirroring.
#include "imaging/proc/rotate/rotation_support.h"

#include <algorithm>
#include <new>

#include "imaging/base/row_bits.h"
#include "imaging/core/bitmap/bitmap_internal.h"

namespace calmora::rotation {

SourceRows::SourceRows(TPVBitmap& bitmap) : bitmap_(bitmap) {
  const int32_t height = bitmap.GetHeight();
  if (bitmap.IsEmpty()) return;
  try {
    rows_.assign(static_cast<size_t>(height), nullptr);
    // Mapped for reading only, so releasing the rows writes nothing back.
    TPVDataAccessScope readOnly(bitmap, pvdRead);
    for (; mapped_ < height; ++mapped_) {
      const uint8_t* row = bitmap.MapRow(mapped_);
      if (!row) return;
      rows_[static_cast<size_t>(mapped_)] = row;
    }
  } catch (const std::bad_alloc&) {
    return;
  }
  complete_ = true;
}

SourceRows::~SourceRows() {
  // In mapping order: the bitmap finds the oldest held row first.
  for (int32_t y = 0; y < mapped_; ++y) bitmap_.UnmapRow(y);
}

uint8_t* RowToWrite(TPVBitmap& bitmap, int32_t y, int32_t pixelBytes, bool clearPixels) {
  uint8_t* row = bitmap.GetScanline(y);
  if (!row) return nullptr;
  const int32_t from = clearPixels ? 0 : pixelBytes;
  if (bitmap.RowBytes > from)
    std::memset(row + from, 0, static_cast<size_t>(bitmap.RowBytes - from));
  return row;
}

InPlaceResult::InPlaceResult(TPVBitmap& bitmap)
    : bitmap_(bitmap), device_(bitmap.Location == pvTBitmap) {
  if (device_) {
    // Laid out as the device bitmap's rows, so the copy on Commit is row for row.
    built_.Location = pvMemory;
    built_.FileThreshold = bitmap.FileThreshold;
    built_.RowAlignment = 32;
  } else {
    bitmap.MoveStorageTo(aside_);
  }
}

InPlaceResult::~InPlaceResult() {
  if (!committed_ && !device_) aside_.MoveStorageTo(bitmap_);
}

bool InPlaceResult::Allocate(int32_t width, int32_t height) {
  return Result().Allocate(width, height, Source().GetPixelFormat());
}

bool InPlaceResult::Commit(AlphaPlane alpha, uint8_t alphaFill) {
  TPVBitmap& source = Source();
  TPVBitmap& result = Result();
  if (result.IsEmpty()) return false;
  const bool palette = source.GetPixelFormat() == pv8p;
  TPVBitmap* plane = source.IsAlphaPlane ? nullptr : source.AlphaBitmap.get();
  if (plane && alpha == AlphaPlane::Fit &&
      !plane->ResizeCanvas(result.Width, result.Height, alphaFill, alphaFill, 0, 0))
    return false;
  if (device_) {
    if (palette) bitmap_.CopyPaletteTo(&built_);
    if (!bitmap_.AssignImage(&built_)) return false;
    if (alpha == AlphaPlane::Drop) bitmap_.AlphaBitmap.reset();
  } else {
    if (palette) aside_.CopyPaletteTo(&bitmap_);
    if (plane && alpha == AlphaPlane::Fit) bitmap_.AlphaBitmap = std::move(aside_.AlphaBitmap);
  }
  bitmap_.Opaque = false;
  committed_ = true;
  return true;
}

bool FillPixelOf(TPVPixelFormat format, double value, FillPixel& pixel) {
  TPVBitmap probe;
  probe.Location = pvMemory;
  if (!probe.Allocate(1, 1, format)) return false;
  uint8_t* row = probe.GetScanline(0);
  if (!row) return false;
  std::memset(row, 0, static_cast<size_t>(probe.RowBytes));
  probe.Fill(value);
  std::memcpy(pixel.bytes, row, static_cast<size_t>(std::min<int32_t>(probe.RowBytes, 8)));
  return true;
}

void MirrorRow(const uint8_t* from, uint8_t* to, int32_t width, int32_t bitsPerPixel) {
  WithPixelMover(bitsPerPixel, [&](auto mover) {
    using Mover = decltype(mover);
    if constexpr (Mover::kBits == 1) {
      const int32_t bytes = PixelRowBytes(width, 1);
      for (int32_t i = 0; i < bytes; ++i) to[i] = kReversedByteBits.Value[from[bytes - 1 - i]];
      const int32_t padding = (8 - width % 8) % 8;
      if (padding != 0) {
        CopyBits(to, to, 0, padding, width, bytes);
        to[bytes - 1] &= static_cast<uint8_t>(0xFF << padding);
      }
    } else {
      for (int32_t x = 0; x < width; ++x) Mover::Copy(from, width - 1 - x, to, x);
    }
    return true;
  });
}

}  // namespace calmora::rotation
