// Moving and copying whole bitmaps: MoveStorageTo, SetLocation, Assign and AssignImage.
#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_internal.h"

namespace calmora {

// The settings that describe the pixels rather than the bitmap that holds them: where and how
// they are stored, how they are reduced and displayed. A bitmap that takes pixels over takes
// these with them.
void TPVBitmap::CopyPixelSettingsTo(TPVBitmap& target) const {
  target.Location = Location;
  target.IsAlphaPlane = IsAlphaPlane;
  target.RowAlignment = RowAlignment;
  target.Allocator = Allocator;
  target.DitherMethod = DitherMethod;
  target.PaletteColorsUsed = PaletteColorsUsed;
  target.BlackLevel = BlackLevel;
  target.WhiteLevel = WhiteLevel;
  std::copy(std::begin(ChannelShift), std::end(ChannelShift), target.ChannelShift);
  target.ChannelShiftEnabled = ChannelShiftEnabled;
  target.DisplayContrast = DisplayContrast;
}

void TPVBitmap::MoveStorageTo(TPVBitmap& target) {
  if (&target == this) return;
  target.FreeImage(true);
  target.Storage = std::exchange(Storage, TPVPixelStorage());
  target.Width = std::exchange(Width, 0);
  target.Height = std::exchange(Height, 0);
  target.BitsPerPixel = std::exchange(BitsPerPixel, 0);
  target.ChannelsPerPixel = std::exchange(ChannelsPerPixel, 0);
  target.RowBytes = std::exchange(RowBytes, 0);
  target.Format = std::exchange(Format, pvNoFormat);
  target.Palette = std::move(Palette);
  target.PaletteLength = std::exchange(PaletteLength, 0);
  target.AlphaBitmap = std::move(AlphaBitmap);
  target.Opaque = std::exchange(Opaque, false);
  CopyPixelSettingsTo(target);
  ForceReallocate = true;
}

// Copies the overlapping rows of source (its bytes up to the shorter row length) into this
// bitmap, reading the source's file rows and writing this bitmap's without reading them first.
bool TPVBitmap::CopyRowsFrom(const TPVBitmap& source) {
  TPVDataAccessScope writeOnly(*this, pvdWrite);
  const int32_t bytes = std::min(RowBytes, source.GetRowLen());  // syncs a device bitmap first
  const int32_t rows = std::min(Height, source.Height);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* from = source.GetScanline(y);
    uint8_t* to = GetScanline(y);
    if (!from || !to) return false;
    std::memcpy(to, from, static_cast<size_t>(bytes));
  }
  return true;
}

// The storage moves out, is allocated anew in the wanted place and with the wanted row
// alignment, and the pixels come back; when the new storage cannot be had the old one is put
// back unchanged.
bool TPVBitmap::ReallocateKeepingPixels(TPVLocation location, int32_t alignment) {
  ForceReallocate = true;
  TPVBitmap held;
  MoveStorageTo(held);
  Location = location;
  RowAlignment = alignment;
  if (!held.IsEmpty()) {
    // A device bitmap narrows pv16g to 8 bits: copying the 16-bit rows into it would garble
    // the image, so such a move is refused like the formats it cannot hold at all.
    if (!Allocate(held.Width, held.Height, held.Format) || Format != held.Format ||
        !CopyRowsFrom(held)) {
      held.MoveStorageTo(*this);  // also restores Location and RowAlignment
      ForceReallocate = true;
      return false;
    }
    Opaque = held.Opaque;  // the pixels are the same ones
  }
  // The palette and the alpha plane come back as they were.
  Palette = std::move(held.Palette);
  PaletteLength = held.PaletteLength;
  RealizePalette();
  AlphaBitmap = std::move(held.AlphaBitmap);
  return true;
}

bool TPVBitmap::SetLocation(TPVLocation location) {
  if (location == Location) return true;
  return ReallocateKeepingPixels(location, RowAlignment);
}

bool TPVBitmap::Assign(TObject* source) {
  ForceReallocate = true;
  auto* bitmap = dynamic_cast<TPVBitmap*>(source);
  if (!bitmap || bitmap == this) return true;
  TPVBitmap& from = *bitmap;
  from.SyncTBitmap();

  if (Location == pvTBitmap) {
    if (from.IsEmpty()) return true;
    if (!AssignDeviceStorage(from)) return false;
    RowAlignment = from.RowAlignment;
    Opaque = from.Opaque;
  } else {
    FreeImage(true);
    Width = from.Width;
    Height = from.Height;
    Format = from.Format;
    RowAlignment = from.RowAlignment;
    if (!from.IsEmpty() && !AllocateStorage()) {
      FreeImage(true);
      return false;
    }
    Opaque = from.Opaque;  // after the allocation, which starts every new image not opaque
  }
  if (!from.IsEmpty() && !CopyPixelsFrom(from)) return false;

  bool complete = true;
  if (!IsAlphaPlane) {
    if (from.HasAlphaChannel()) {
      auto plane = std::make_unique<TPVBitmap>();
      plane->Location = Location == pvTBitmap ? pvMemory : Location;
      plane->FileThreshold = FileThreshold;
      plane->IsAlphaPlane = true;
      complete = plane->Assign(from.AlphaBitmap.get());
      if (complete)
        AttachAlphaChannel(std::move(plane));
      else
        AlphaBitmap.reset();
    } else {
      RemoveAlphaChannel(false, 0);
    }
  }
  from.CopyPaletteTo(this);
  DitherMethod = from.DitherMethod;
  return complete;
}

bool TPVBitmap::AssignImage(TPVBitmap* source) {
  ForceReallocate = true;
  if (!source || source == this) return true;
  source->SyncTBitmap();
  if (source->IsEmpty()) return true;
  TPVBitmap& from = *source;
  if (Location == pvTBitmap) {
    if (!AssignDeviceStorage(from)) return false;
  } else {
    FreeImage(false);
    Width = from.Width;
    Height = from.Height;
    Format = from.Format;
    if (!AllocateStorage()) {
      FreeImage(false);
      return false;
    }
  }
  Opaque = false;
  if (!CopyPixelsFrom(from)) return false;
  from.CopyPaletteTo(this);
  return true;
}

// The pixel copy of Assign: a file-to-file copy when both bitmaps keep the same rows in a
// temporary file, else row by row.
bool TPVBitmap::CopyPixelsFrom(TPVBitmap& source) {
  TPVFileBuffer& file = *Storage.FileStore;
  TPVFileBuffer& sourceFile = *source.Storage.FileStore;
  if (Location == pvFile && source.Location == pvFile && file.IsOpen() && sourceFile.IsOpen() &&
      RowBytes == source.RowBytes && Height == source.Height) {
    UnmapAllRows();
    source.UnmapAllRows();
    sourceFile.CopyTo(file, 0, static_cast<int64_t>(RowBytes) * Height);
    return true;
  }
  return CopyRowsFrom(source);
}

}  // namespace calmora
