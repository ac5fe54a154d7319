// Rotation into a new canvas: RotateIntoCanvas maps every destination pixel back to the
// nearest source pixel (whole multiples of 90 degrees move rows and columns exactly), and
// RotateToBoundingBox does it in place. One mapping serves every pixel size.
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

using resample::ProgressReporter;

namespace {

// Where destination pixel (i, r) samples the source, with centres c = (size - 1) / 2:
// sx = (i - cx') cos - (r - cy') sin + cx and sy = (i - cx') sin + (r - cy') cos + cy, taken
// as a column term plus a row term: sx = [(i - cx') cos] + [-(r - cy') sin + cx] and
// sy = [(i - cx') sin] + [(r - cy') cos + cy]. The column terms are tabled once per call.
struct CanvasMapping {
  double cosine = 0, sine = 0;
  double cx = 0, cy = 0, cxOut = 0, cyOut = 0;
  std::vector<double> columnX, columnY;
};

template <typename Mover>
bool MapNearest(const rotation::SourceRows& rows, int32_t width, int32_t height,
                const CanvasMapping& map, const rotation::FillPixel& fill, TPVBitmap& destination,
                const ProgressReporter& reporter) {
  const int32_t outWidth = destination.Width, outHeight = destination.Height;
  const int32_t pixelBytes = rotation::PixelRowBytes(outWidth, Mover::kBits);
  for (int32_t r = 0; r < outHeight; ++r) {
    uint8_t* row = rotation::RowToWrite(destination, r, pixelBytes, Mover::kBits == 1);
    if (!row) return false;
    const double rowX = -(r - map.cyOut) * map.sine + map.cx;
    const double rowY = (r - map.cyOut) * map.cosine + map.cy;
    for (int32_t i = 0; i < outWidth; ++i) {
      // Round, halves to even.
      const double x = std::nearbyint(map.columnX[i] + rowX);
      const double y = std::nearbyint(map.columnY[i] + rowY);
      if (x >= 0 && x < width && y >= 0 && y < height)
        Mover::Copy(rows[static_cast<int32_t>(y)], static_cast<int32_t>(x), row, i);
      else
        Mover::Put(row, i, fill);
    }
    reporter.Report(static_cast<int32_t>(int64_t{r} * 100 / static_cast<double>(outHeight)));
  }
  return true;
}

// A rounded size that an allocation can be asked for.
bool CanvasSide(double size, int32_t& side) {
  const double rounded = std::nearbyint(size);
  if (!(rounded >= 1 && rounded <= 2147483647.0)) return false;
  side = static_cast<int32_t>(rounded);
  return true;
}

}  // namespace

bool RotateIntoCanvas(TPVBitmap& Source, TPVBitmap& Destination, int32_t Background,
                      TObject* Sender, const TPVProgressEvent& OnProgress, double Angle) {
  if (&Source == &Destination || !std::isfinite(Angle)) return false;
  const int32_t width = Source.GetWidth();
  const int32_t height = Source.GetHeight();
  const TPVPixelFormat format = Source.GetPixelFormat();
  if (Source.IsEmpty()) return false;
  if (const auto turn = rotation::WholeTurnOf(Angle))
    return rotation::TurnInto(Source, Destination, *turn);

  CanvasMapping map;
  const double theta = Angle * std::numbers::pi / 180;
  map.cosine = std::cos(theta);
  map.sine = std::sin(theta);
  int32_t outWidth = 0, outHeight = 0;
  if (!CanvasSide(std::fabs(map.sine * height) + std::fabs(map.cosine * width), outWidth) ||
      !CanvasSide(std::fabs(map.cosine * height) + std::fabs(map.sine * width), outHeight))
    return false;
  rotation::FillPixel fill;
  if (!rotation::FillPixelOf(format, format == pv1g ? 0 : Background, fill) ||
      !resample::TryResize(map.columnX, outWidth) || !resample::TryResize(map.columnY, outWidth))
    return false;
  const rotation::SourceRows rows(Source);
  if (!rows.Complete() || !Destination.Allocate(outWidth, outHeight, format)) return false;
  if (format == pv8p) Source.CopyPaletteTo(&Destination);

  map.cx = (width - 1) / 2.0;
  map.cy = (height - 1) / 2.0;
  map.cxOut = (outWidth - 1) / 2.0;
  map.cyOut = (outHeight - 1) / 2.0;
  for (int32_t i = 0; i < outWidth; ++i) {
    map.columnX[i] = (i - map.cxOut) * map.cosine;
    map.columnY[i] = (i - map.cxOut) * map.sine;
  }
  TPVDataAccessScope writeOnly(Destination, pvdWrite);
  const ProgressReporter reporter(Sender, OnProgress);
  return rotation::WithPixelMover(Source.BitsPerPixel, [&](auto mover) {
    return MapNearest<decltype(mover)>(rows, width, height, map, fill, Destination, reporter);
  });
}

bool RotateToBoundingBox(TPVBitmap& Bitmap, TColor Background, TObject* Sender,
                         const TPVProgressEvent& OnProgress, double Angle) {
  if (Bitmap.IsEmpty() || !std::isfinite(Angle)) return false;
  if (rotation::WholeTurnOf(Angle) == rotation::Turn::None) return true;  // a copy of itself
  rotation::InPlaceResult place(Bitmap);
  return RotateIntoCanvas(place.Source(), place.Result(), static_cast<int32_t>(Background), Sender,
                          OnProgress, Angle) &&
         place.Commit(rotation::AlphaPlane::Fit);
}

}  // namespace calmora
