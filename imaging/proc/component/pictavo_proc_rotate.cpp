// The processing component's rotation: one of three paths by antialiasing, mode, format and
// angle, with the alpha plane rotated alongside on the matching one-byte path.
#include <memory>

#include "imaging/base/text_helpers.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/rotate/rotation.h"

namespace calmora {

void TPictavoProc::Rotate(double Angle, bool AntiAlias, uint8_t AntiAliasMode,
                          TColor BackgroundColor) {
  if (Angle == 0 || !PrepareTarget({})) return;
  if (AutoUndo) SaveUndoCaptioned("Rotate " + FormatFloatText(Angle, ffGeneral, 15, 0), pvuImage);
  const TColor background =
      BackgroundColor == kUseComponentBackground ? GetBackground() : BackgroundColor;
  TPVBitmap& image = *targetBitmap_;
  const TPVPixelFormat format = image.GetPixelFormat();
  std::unique_ptr<TPVBitmap> alpha;
  if (image.HasAlphaChannel()) {
    alpha = std::make_unique<TPVBitmap>();
    alpha->Assign(image.AlphaBitmap.get());
  }
  bool rotated = false;
  if (!AntiAlias || (format != pv24RGB && format != pv1g)) {
    if (alpha) RotateToBoundingBox(*alpha, 0, nullptr, nullptr, Angle);
    rotated = RotateToBoundingBox(image, background, this, OnProgress, Angle);
  } else if (AntiAliasMode != 0 && !IsRightAngle(Angle) && format == pv24RGB) {
    if (alpha) RotateInterpolated8(*alpha, 0, AntiAliasMode, Angle);
    rotated = RotateInterpolated(image, background, AntiAliasMode, this, OnProgress, Angle);
  } else {
    if (alpha && format == pv1g) Rotate8(*alpha, 0, Angle);
    if (alpha && format != pv1g) RotateByShears8(*alpha, AntiAlias, 0, this, OnProgress, Angle);
    rotated =
        RotateByShears(image, AntiAlias, this, OnProgress, ColorToRGBRecord(background), Angle);
  }
  // A plane that did not turn with the image (a refused rotation) would no longer fit it.
  if (alpha && rotated && alpha->GetWidth() == image.GetWidth() &&
      alpha->GetHeight() == image.GetHeight()) {
    image.AttachAlphaChannel(std::move(alpha));
  }
  ImageChanged();
  DoFinishWork();
}

}  // namespace calmora
