// Exact whole turns: IsRightAngle, the quarter turns RotateCCW24, RotateCW24, RotateCCW8 and
// RotateCW8, and the row and column moves behind every whole turn of the rotations, written
// once for all pixel sizes.
#include <cmath>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

namespace rotation {

namespace {

template <typename Mover>
bool WriteTurn(const SourceRows& rows, int32_t width, int32_t height, TPVBitmap& destination,
               Turn turn) {
  const bool quarter = turn != Turn::Half;
  const int32_t outWidth = quarter ? height : width;
  const int32_t outHeight = quarter ? width : height;
  const int32_t pixelBytes = PixelRowBytes(outWidth, Mover::kBits);
  for (int32_t y = 0; y < outHeight; ++y) {
    uint8_t* row = RowToWrite(destination, y, pixelBytes, Mover::kBits == 1);
    if (!row) return false;
    if (turn == Turn::Left) {
      // Source column W-1-y, read down the rows.
      const int32_t column = width - 1 - y;
      for (int32_t x = 0; x < height; ++x) Mover::Copy(rows[x], column, row, x);
    } else if (turn == Turn::Right) {
      // Source column y, read up the rows.
      for (int32_t x = 0; x < height; ++x) Mover::Copy(rows[height - 1 - x], y, row, x);
    } else {
      MirrorRow(rows[height - 1 - y], row, width, Mover::kBits);
    }
  }
  return true;
}

}  // namespace

std::optional<Turn> WholeTurnOf(double angle) {
  if (!std::isfinite(angle) || std::trunc(angle) != angle) return std::nullopt;
  const double turn = std::fmod(angle, 360.0);  // exact, with the sign of the angle
  if (turn == 0) return Turn::None;
  if (turn == 90 || turn == -270) return Turn::Left;
  if (turn == 180 || turn == -180) return Turn::Half;
  if (turn == 270 || turn == -90) return Turn::Right;
  return std::nullopt;
}

bool TurnInto(TPVBitmap& source, TPVBitmap& destination, Turn turn) {
  if (&source == &destination) return false;
  const int32_t width = source.GetWidth();
  const int32_t height = source.GetHeight();
  const TPVPixelFormat format = source.GetPixelFormat();
  if (source.IsEmpty()) return false;
  if (turn == Turn::None) return destination.Assign(&source);
  const SourceRows rows(source);
  if (!rows.Complete()) return false;
  const bool quarter = turn != Turn::Half;
  if (!destination.Allocate(quarter ? height : width, quarter ? width : height, format))
    return false;
  if (format == pv8p) source.CopyPaletteTo(&destination);
  TPVDataAccessScope writeOnly(destination, pvdWrite);
  return WithPixelMover(source.BitsPerPixel, [&](auto mover) {
    return WriteTurn<decltype(mover)>(rows, width, height, destination, turn);
  });
}

}  // namespace rotation

bool IsRightAngle(double Angle) { return rotation::WholeTurnOf(Angle).has_value(); }

namespace {

bool QuarterTurn(TPVBitmap& Source, TPVBitmap& Destination, int32_t bitsPerPixel,
                 rotation::Turn turn) {
  if (Source.GetBitCount() != bitsPerPixel) return false;
  return rotation::TurnInto(Source, Destination, turn);
}

}  // namespace

bool RotateCCW24(TPVBitmap& Source, TPVBitmap& Destination) {
  return QuarterTurn(Source, Destination, 24, rotation::Turn::Left);
}

bool RotateCW24(TPVBitmap& Source, TPVBitmap& Destination) {
  return QuarterTurn(Source, Destination, 24, rotation::Turn::Right);
}

bool RotateCCW8(TPVBitmap& Source, TPVBitmap& Destination) {
  return QuarterTurn(Source, Destination, 8, rotation::Turn::Left);
}

bool RotateCW8(TPVBitmap& Source, TPVBitmap& Destination) {
  return QuarterTurn(Source, Destination, 8, rotation::Turn::Right);
}

}  // namespace calmora
