// Nearest-neighbour rotation in place: Rotate1Bit (pv1g) and Rotate8 (pv8g, pv8p), one mapping
// over the pixel size. Cosine and sine are kept to four decimals and the source position is
// the sum of separately truncated row and column terms, so results can differ from an exact
// rotation by a pixel; whole multiples of 90 degrees are exact turns.
#include <cmath>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

namespace {

// Trunc(x x 10000) / 10000.
double FourDecimals(double x) { return static_cast<int32_t>(x * 10000) / 10000.0; }

template <typename Mover>
bool MapTruncated(const rotation::SourceRows& rows, int32_t width, int32_t height, double cosine,
                  double sine, const rotation::FillPixel& outside, TPVBitmap& result,
                  TPVProgressRecord* progress) {
  const int32_t outWidth = result.Width, outHeight = result.Height;
  const double cxOut = outWidth / 2.0 - 0.5, cyOut = outHeight / 2.0 - 0.5;
  const double cx = width / 2.0 - 0.5, cy = height / 2.0 - 0.5;
  std::vector<int32_t> columnX, columnY;
  if (!resample::TryResize(columnX, outWidth) || !resample::TryResize(columnY, outWidth))
    return false;
  for (int32_t k = 0; k < outWidth; ++k) {
    columnX[k] = static_cast<int32_t>((k - cxOut) * cosine);
    columnY[k] = static_cast<int32_t>(-(k - cxOut) * sine);
  }
  const int32_t pixelBytes = rotation::PixelRowBytes(outWidth, Mover::kBits);
  for (int32_t o = 0; o < outHeight; ++o) {
    uint8_t* row = rotation::RowToWrite(result, o, pixelBytes, Mover::kBits == 1);
    if (!row) return false;
    const auto rowX = static_cast<int32_t>((o - cyOut) * sine + cx);
    const auto rowY = static_cast<int32_t>((o - cyOut) * cosine + cy);
    for (int32_t k = 0; k < outWidth; ++k) {
      const int64_t x = int64_t{rowX} + columnX[k];
      const int64_t y = int64_t{rowY} + columnY[k];
      if (x >= 0 && x < width && y >= 0 && y < height)
        Mover::Copy(rows[static_cast<int32_t>(y)], static_cast<int32_t>(x), row, k);
      else
        Mover::Put(row, k, outside);
    }
    if (progress && progress->OnProgress)
      progress->OnProgress(progress->Sender, static_cast<int32_t>(o * progress->Step));
  }
  return true;
}

// The rotation of both: outside is the pixel given to uncovered destination pixels. The
// angle is taken modulo 360 (exactly), so a full turn more or less changes nothing.
template <typename Mover>
bool RotateNearest(TPVBitmap& Bitmap, const rotation::FillPixel& outside,
                   TPVProgressRecord* progress, double Angle) {
  if (Bitmap.IsEmpty() || !std::isfinite(Angle)) return false;
  const double angle = std::fmod(Angle, 360.0);
  if (const auto turn = rotation::WholeTurnOf(angle)) {
    if (*turn == rotation::Turn::None) return true;
    rotation::InPlaceResult place(Bitmap);
    return rotation::TurnInto(place.Source(), place.Result(), *turn) &&
           place.Commit(rotation::AlphaPlane::Drop);
  }
  const int32_t width = Bitmap.GetWidth(), height = Bitmap.GetHeight();
  const double rad = -angle / 57.29577951308232;
  const double cosine = FourDecimals(std::cos(rad));
  const double sine = FourDecimals(std::sin(rad));
  const double outWidth = std::trunc(std::fabs(width * cosine) + std::fabs(height * sine));
  const double outHeight = std::trunc(std::fabs(width * sine) + std::fabs(height * cosine));
  // A result without pixels (a one-pixel image at a tiny angle) is refused, not taken.
  if (!(outWidth >= 1 && outHeight >= 1 && outWidth <= 2147483647.0 && outHeight <= 2147483647.0))
    return false;
  rotation::InPlaceResult place(Bitmap);
  const rotation::SourceRows rows(place.Source());
  if (!rows.Complete() ||
      !place.Allocate(static_cast<int32_t>(outWidth), static_cast<int32_t>(outHeight)))
    return false;
  if (progress) progress->Step = 100 / outHeight;
  bool mapped = false;
  {
    TPVDataAccessScope writeOnly(place.Result(), pvdWrite);
    mapped =
        MapTruncated<Mover>(rows, width, height, cosine, sine, outside, place.Result(), progress);
  }
  return mapped && place.Commit(rotation::AlphaPlane::Drop);
}

}  // namespace

bool Rotate1Bit(TPVBitmap& Bitmap, bool White, TPVProgressRecord& Progress, double Angle) {
  if (Bitmap.GetPixelFormat() != pv1g) return false;
  rotation::FillPixel outside;
  outside.bytes[0] = White ? 255 : 0;
  return RotateNearest<rotation::BitPixels>(Bitmap, outside, &Progress, Angle);
}

bool Rotate8(TPVBitmap& Bitmap, uint8_t Fill, double Angle) {
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (format != pv8g && format != pv8p) return false;
  rotation::FillPixel outside;
  outside.bytes[0] = Fill;
  return RotateNearest<rotation::BytePixels<1>>(Bitmap, outside, nullptr, Angle);
}

}  // namespace calmora
