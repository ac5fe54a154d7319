// Interpolating rotation in place: RotateInterpolated (pv24RGB) and RotateInterpolated8 (a
// one-byte plane), bilinear or bicubic, one engine over the bytes per pixel. The image is
// rotated inside a 3-pixel frame of background, and the frame's width is cut off again.
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/core/bitmap/bitmap_internal.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/rotate/rotate_sampling.h"
#include "imaging/proc/rotate/rotation.h"
#include "imaging/proc/rotate/rotation_support.h"

namespace calmora {

using resample::ProgressReporter;

namespace {

// The frame around the image: its pixels hold the background, and so does every position
// beyond it, so the framed image is the image seen at an offset of 3 with background around.
constexpr int32_t kFrame = 3;

enum : uint8_t { kBilinear = 1, kBicubic = 2 };

// The rotation of the framed image (Wf x Hf = (W + 6) x (H + 6)) into D of
// W' = Round(|cos| (Wf - 1) + |sin| (Hf - 1)) by H' = Round(|sin| (Wf - 1) + |cos| (Hf - 1)),
// of which the result keeps the inside (3 .. W'-4) x (3 .. H'-4). Destination pixel (i, r)
// samples at sx = [(i - cx') cos] + [-(r - cy') sin + cx] and sy = [(i - cx') sin] +
// [(r - cy') cos + cy], the column terms tabled once, centres (size - 1) / 2 of D and of the
// framed image. Progress counts every row of D.
template <int Channels>
bool RotateFramed(TPVBitmap& Bitmap, const std::array<uint8_t, Channels>& background, uint8_t kind,
                  const ProgressReporter& reporter, double Angle) {
  if ((kind != kBilinear && kind != kBicubic) || Bitmap.IsEmpty() || !std::isfinite(Angle))
    return false;
  const int32_t width = Bitmap.GetWidth(), height = Bitmap.GetHeight();
  const double framedWidth = width + 2.0 * kFrame, framedHeight = height + 2.0 * kFrame;
  const double theta = Angle * std::numbers::pi / 180;
  const double cosine = std::cos(theta), sine = std::sin(theta);
  const double outWidth =
      std::nearbyint(std::fabs(cosine * (framedWidth - 1)) + std::fabs(sine * (framedHeight - 1)));
  const double outHeight =
      std::nearbyint(std::fabs(sine * (framedWidth - 1)) + std::fabs(cosine * (framedHeight - 1)));
  // Cutting the frame off must leave pixels (a one-pixel line at a small angle would not).
  if (!(outWidth > 2 * kFrame && outHeight > 2 * kFrame && outWidth <= 2147483647.0 &&
        outHeight <= 2147483647.0))
    return false;
  const auto dWidth = static_cast<int32_t>(outWidth), dHeight = static_cast<int32_t>(outHeight);

  std::vector<double> columnX, columnY;
  if (!resample::TryResize(columnX, dWidth) || !resample::TryResize(columnY, dWidth)) return false;
  const double cx = (framedWidth - 1) / 2, cy = (framedHeight - 1) / 2;
  const double cxOut = (dWidth - 1) / 2.0, cyOut = (dHeight - 1) / 2.0;
  for (int32_t i = 0; i < dWidth; ++i) {
    columnX[i] = (i - cxOut) * cosine;
    columnY[i] = (i - cxOut) * sine;
  }

  rotation::InPlaceResult place(Bitmap);
  const rotation::SourceRows rows(place.Source());
  if (!rows.Complete() || !place.Allocate(dWidth - 2 * kFrame, dHeight - 2 * kFrame)) return false;
  const rotation::SampledSource<Channels> source{rows.Table(), width, height, kFrame, background};
  {
    TPVBitmap& result = place.Result();
    TPVDataAccessScope writeOnly(result, pvdWrite);
    const int32_t pixelBytes = (dWidth - 2 * kFrame) * Channels;
    for (int32_t r = 0; r < dHeight; ++r) {
      if (r >= kFrame && r < dHeight - kFrame) {
        uint8_t* out = rotation::RowToWrite(result, r - kFrame, pixelBytes, false);
        if (!out) return false;
        const double rowX = -(r - cyOut) * sine + cx;
        const double rowY = (r - cyOut) * cosine + cy;
        for (int32_t i = kFrame; i < dWidth - kFrame; ++i, out += Channels) {
          if (kind == kBilinear)
            source.Bilinear(columnX[i] + rowX, columnY[i] + rowY, out);
          else
            source.Bicubic(columnX[i] + rowX, columnY[i] + rowY, out);
        }
      }
      reporter.Report(static_cast<int32_t>(int64_t{r} * 100 / outHeight));
    }
  }
  // The alpha plane went through the same frame as the image: new alpha is opaque.
  return place.Commit(rotation::AlphaPlane::Fit, 255);
}

}  // namespace

bool RotateInterpolated(TPVBitmap& Bitmap, TColor Background, uint8_t Kind, TObject* Sender,
                        const TPVProgressEvent& OnProgress, double Angle) {
  if (Bitmap.GetPixelFormat() != pv24RGB) return false;
  const TPVRGB b = ColorToRGBRecord(Background);
  return RotateFramed<3>(Bitmap, {b.b, b.g, b.r}, Kind, ProgressReporter(Sender, OnProgress),
                         Angle);
}

bool RotateInterpolated8(TPVBitmap& Bitmap, uint8_t Fill, uint8_t Kind, double Angle) {
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (format != pv8g && format != pv8p) return false;
  return RotateFramed<1>(Bitmap, {Fill}, Kind, ProgressReporter(nullptr, nullptr), Angle);
}

}  // namespace calmora
