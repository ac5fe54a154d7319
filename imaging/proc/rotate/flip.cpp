// FlipBitmap: mirrors a bitmap of any format in place, left to right or top to bottom, and its
// alpha plane with it. Pixels are reversed whole by their size, so every format flips.
#include <cstring>
#include <vector>

#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

namespace {

// Exchanges row y with row H-1-y through two row copies, as a file-stored bitmap's row pointer
// lasts only until the next row is asked for.
bool FlipRows(TPVBitmap& bitmap, std::vector<uint8_t>& upper, std::vector<uint8_t>& lower) {
  const int32_t height = bitmap.Height;
  const size_t bytes = upper.size();
  for (int32_t y = 0; y < height / 2; ++y) {
    const uint8_t* top = bitmap.GetScanline(y);
    if (!top) return false;
    std::memcpy(upper.data(), top, bytes);
    uint8_t* bottom = bitmap.GetScanline(height - 1 - y);
    if (!bottom) return false;
    std::memcpy(lower.data(), bottom, bytes);
    std::memcpy(bottom, upper.data(), bytes);
    uint8_t* again = bitmap.GetScanline(y);
    if (!again) return false;
    std::memcpy(again, lower.data(), bytes);
  }
  return true;
}

bool MirrorRows(TPVBitmap& bitmap, std::vector<uint8_t>& mirrored) {
  const int32_t width = bitmap.Width, bits = bitmap.BitsPerPixel;
  const size_t pixelBytes = static_cast<size_t>(rotation::PixelRowBytes(width, bits));
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    if (!row) return false;
    rotation::MirrorRow(row, mirrored.data(), width, bits);
    std::memcpy(row, mirrored.data(), pixelBytes);
  }
  return true;
}

}  // namespace

bool FlipBitmap(TPVBitmap& Bitmap, int32_t Direction) {
  if (Direction != 0 && Direction != 1) return false;
  Bitmap.SyncTBitmap();
  if (Bitmap.IsEmpty()) return false;
  std::vector<uint8_t> first, second;
  if (!resample::TryResize(first, Bitmap.RowBytes) || !resample::TryResize(second, Bitmap.RowBytes))
    return false;
  const bool flipped = Direction == 1 ? FlipRows(Bitmap, first, second) : MirrorRows(Bitmap, first);
  if (flipped && !Bitmap.IsAlphaPlane && Bitmap.AlphaBitmap)
    FlipBitmap(*Bitmap.AlphaBitmap, Direction);
  return flipped;
}

}  // namespace calmora
