// Pan and zoom (transition kind 164): a rectangle of one picture moving and growing from one
// place to another, stretched over the frame; a rectangle that reaches past the picture is cut
// to it and fitted into the frame with its aspect, on the view's background.
#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/view/view_base.h"
#include "imaging/base/color_helpers.h"
#include "imaging/proc/transition/transition_effects.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// A value between the start's and the end's at step s, toward zero.
int32_t Between(int32_t from, int32_t to, int32_t s) {
  return static_cast<int32_t>(std::trunc(from - s * (static_cast<double>(from) - to) / 1024.0));
}

int32_t ClampToInt(double value) {
  if (!(value > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

}  // namespace

TRect FitRectToBox(int32_t w, int32_t h, int32_t boxW, int32_t boxH) {
  TRect fitted;
  // A zero box or a zero divisor is the arithmetic fault: whatever was computed stays.
  if (boxW == 0 || boxH == 0) return fitted;
  int32_t width = 0, height = 0;
  if (static_cast<double>(w) / boxW > static_cast<double>(h) / boxH) {
    if (w == 0) return fitted;
    const double f = static_cast<double>(boxW) / w;
    width = ClampToInt(std::nearbyint(w * f));
    height = ClampToInt(std::nearbyint(h * f));
  } else {
    if (h == 0) return fitted;
    const double f = static_cast<double>(boxH) / h;
    width = ClampToInt(std::nearbyint(w * f));
    height = ClampToInt(std::nearbyint(h * f));
  }
  const int32_t x = ClampToInt(std::trunc(boxW / 2.0 - width / 2.0));
  const int32_t y = ClampToInt(std::trunc(boxH / 2.0 - height / 2.0));
  return TRect{x, y, static_cast<int32_t>(int64_t{x} + width), static_cast<int32_t>(int64_t{y} + height)};
}

void TPVTransitionEffects::PaintPanZoom(int32_t s) {
  const TRect& F = PanZoomFrom;
  const TRect& T = PanZoomTo;
  int32_t left = Between(F.Left, T.Left, s);
  int32_t top = Between(F.Top, T.Top, s);
  int64_t w = int64_t{Between(F.Right, T.Right, s)} - left;
  int64_t h = int64_t{Between(F.Bottom, T.Bottom, s)} - top;

  const int32_t pictureWidth = PanZoomBitmap ? PanZoomBitmap->GetWidth() : 0;
  const int32_t pictureHeight = PanZoomBitmap ? PanZoomBitmap->GetHeight() : 0;
  bool clipped = false;
  // Cut to the picture on every side, so nothing outside it is ever read.
  if (left < 0) {
    w += left;
    left = 0;
    clipped = true;
  }
  if (left + w > pictureWidth) {
    w = int64_t{pictureWidth} - left;
    clipped = true;
  }
  if (top < 0) {
    h += top;
    top = 0;
    clipped = true;
  }
  if (top + h > pictureHeight) {
    h = int64_t{pictureHeight} - top;
    clipped = true;
  }

  TRect dest{0, 0, Width, Height};
  const bool empty = w <= 0 || h <= 0;
  if (clipped || empty) {
    platform::TCanvas& canvas = *Work->GetCanvas();
    if (DrawTransitionBackgroundProc && View) {
      DrawTransitionBackgroundProc(View, canvas);
    } else {
      canvas.Brush.Style = platform::bsSolid;
      canvas.Brush.Color = ColorToRGB(View ? View->GetBackground() : 0);
      canvas.FillRect(0, 0, Work->GetWidth(), Work->GetHeight());
    }
    if (empty) return;
    dest = FitRectToBox(static_cast<int32_t>(w), static_cast<int32_t>(h), Width, Height);
  }
  PanZoomBitmap->DrawToTBitmap(Work.get(), dest.Left, dest.Top, dest.Right - dest.Left,
                               dest.Bottom - dest.Top, left, top, static_cast<int32_t>(w),
                               static_cast<int32_t>(h), 255, rfNone, pvboNormal);
}

}  // namespace calmora
