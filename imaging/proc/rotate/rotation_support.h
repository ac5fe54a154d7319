// What the rotations and flips share: all rows of a source held at once, the in-place result
// that keeps the old pixels until it is committed, rows written whole, pixel movers for every
// pixel size, row mirroring and the exact quarter and half turns.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/bit_helpers.h"

namespace calmora::rotation {

// Bytes that hold a row's pixels, a pv1g row's last byte counted whole.
inline int32_t PixelRowBytes(int32_t width, int32_t bitsPerPixel) {
  return static_cast<int32_t>((int64_t{width} * bitsPerPixel + 7) / 8);
}

// Every row of a bitmap, held for reading for the length of an operation, so that a mapping
// may read any row at any time. A file-stored bitmap maps each row (read only: nothing is
// written back); memory and device rows are used where they lie.
class SourceRows {
 public:
  explicit SourceRows(TPVBitmap& bitmap);
  ~SourceRows();
  SourceRows(const SourceRows&) = delete;
  SourceRows& operator=(const SourceRows&) = delete;

  // False when a row could not be had; the rows must not be used then.
  bool Complete() const { return complete_; }
  const uint8_t* operator[](int32_t y) const { return rows_[static_cast<size_t>(y)]; }
  const uint8_t* const* Table() const { return rows_.data(); }

 private:
  TPVBitmap& bitmap_;
  std::vector<const uint8_t*> rows_;
  int32_t mapped_ = 0;
  bool complete_ = false;
};

// The row y of a bitmap that is about to be written whole, with the bytes after its pixel
// bytes (the alignment) cleared, so every storage ends with the same bytes; with clearPixels
// the pixel bytes are cleared too (a pv1g row whose bits are then set one by one). The caller
// holds a pvdWrite scope, so file rows are not read first. Null when the row cannot be had.
uint8_t* RowToWrite(TPVBitmap& bitmap, int32_t y, int32_t pixelBytes, bool clearPixels);

// What becomes of the bitmap's alpha plane when an in-place result is committed.
enum class AlphaPlane {
  Fit,   // kept, cut or padded (with the given fill) to the new size, top-left in place
  Drop,  // freed, as when the bitmap takes a copy that has none
};

// An in-place operation's bitmap while its result is built. The old pixels move aside and are
// the operation's source; the bitmap, its settings unchanged, is allocated anew as the result.
// Unless Commit succeeds the old pixels come back, so a failure loses nothing. A device
// bitmap, which others may hold, stays where it is: the result is built in memory and copied
// into it on Commit.
class InPlaceResult {
 public:
  explicit InPlaceResult(TPVBitmap& bitmap);
  ~InPlaceResult();
  InPlaceResult(const InPlaceResult&) = delete;
  InPlaceResult& operator=(const InPlaceResult&) = delete;

  TPVBitmap& Source() { return device_ ? bitmap_ : aside_; }
  // The bitmap to write, to be allocated by Allocate or by a routine that allocates its
  // destination.
  TPVBitmap& Result() { return device_ ? built_ : bitmap_; }
  // Allocates the result at the size in the source's format; false when it cannot be had.
  bool Allocate(int32_t width, int32_t height);
  // The bitmap keeps the result with its own palette, and its alpha plane as asked; Opaque
  // becomes false. False, with the old pixels back, when the result cannot be taken.
  bool Commit(AlphaPlane alpha, uint8_t alphaFill = 0);

 private:
  TPVBitmap& bitmap_;
  bool device_;
  TPVBitmap aside_;
  TPVBitmap built_;
  bool committed_ = false;
};

// The bytes of one pixel of a format (at most 6), as the format's Fill reads a value.
struct FillPixel {
  uint8_t bytes[8] = {};
};

// The pixel that Fill(value) writes in the format, found by filling a cleared 1 x 1 bitmap
// (so a pv32RGB pixel's fourth byte is 0). False when the probe cannot be had.
bool FillPixelOf(TPVPixelFormat format, double value, FillPixel& pixel);

// Pixel movers, one per pixel size, so that one mapping serves every format. Bytes-sized
// pixels are copied whole; a pv1g destination row starts cleared and gets its set bits.
template <int Bytes>
struct BytePixels {
  static constexpr int kBits = 8 * Bytes;
  static void Copy(const uint8_t* from, int32_t fromX, uint8_t* to, int32_t toX) {
    std::memcpy(to + static_cast<int64_t>(toX) * Bytes, from + static_cast<int64_t>(fromX) * Bytes,
                Bytes);
  }
  static void Put(uint8_t* to, int32_t toX, const FillPixel& pixel) {
    std::memcpy(to + static_cast<int64_t>(toX) * Bytes, pixel.bytes, Bytes);
  }
};

struct BitPixels {
  static constexpr int kBits = 1;
  static void Copy(const uint8_t* from, int32_t fromX, uint8_t* to, int32_t toX) {
    if (GetBit(from, fromX)) to[toX >> 3] |= BitMasks[toX & 7];
  }
  static void Put(uint8_t* to, int32_t toX, const FillPixel& pixel) {
    if (pixel.bytes[0] != 0) to[toX >> 3] |= BitMasks[toX & 7];
  }
};

// Calls action with the mover for the bits per pixel (1, 8, 16, 24, 32 or 48) and answers
// what it answers; false for any other size.
template <typename Action>
bool WithPixelMover(int32_t bitsPerPixel, Action&& action) {
  switch (bitsPerPixel) {
    case 1: return action(BitPixels{});
    case 8: return action(BytePixels<1>{});
    case 16: return action(BytePixels<2>{});
    case 24: return action(BytePixels<3>{});
    case 32: return action(BytePixels<4>{});
    case 48: return action(BytePixels<6>{});
    default: return false;
  }
}

// Writes the row's width pixels in reverse order into to (which must not overlap from). For
// pv1g the bytes are reversed with their bit order and then shifted past the padding bits that
// the reversal brought to the front; the padding bits of to end cleared.
void MirrorRow(const uint8_t* from, uint8_t* to, int32_t width, int32_t bitsPerPixel);

// Whole turns, counter-clockwise being positive.
enum class Turn { None, Left, Half, Right };

// The whole turn of an angle that is a whole multiple of 90 degrees (taken modulo 360);
// nothing for any other angle, NaN and the infinities included.
std::optional<Turn> WholeTurnOf(double angle);

// Allocates destination at the turned size in the source's format (a pv8p palette comes
// along) and writes the turn of source into it: Left is destination (x, y) = source
// (W-1-y, x), Right is source (y, H-1-x), Half is source (W-1-x, H-1-y), None a copy.
// False for the same bitmap twice, an empty source, or storage that cannot be had.
bool TurnInto(TPVBitmap& source, TPVBitmap& destination, Turn turn);

}  // namespace calmora::rotation
