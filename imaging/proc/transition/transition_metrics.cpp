// The metrics every transition procedure starts from, and the mirrored stretch of the unroll
// effects.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "imaging/proc/transition/transition_table.h"
#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"

namespace calmora {

int32_t TransitionMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return 0;
  const int64_t product = int64_t{a} * b;
  // Halves away from zero: add half the divisor's size on the side of the result's sign.
  const bool negative = (product < 0) != (c < 0);
  const int64_t magnitude = (std::llabs(product) + std::llabs(int64_t{c}) / 2) / std::llabs(int64_t{c});
  const int64_t result = negative ? -magnitude : magnitude;
  if (result < std::numeric_limits<int32_t>::min() || result > std::numeric_limits<int32_t>::max())
    return 0;
  return static_cast<int32_t>(result);
}

TTransitionMetrics TransitionMetrics(const TRect& R, int32_t Scale, int32_t Percent) {
  TTransitionMetrics m;
  m.W = R.Right - R.Left;
  m.H = R.Bottom - R.Top;
  if (m.W >= m.H) {
    m.DX = TransitionMulDiv(m.W, Percent, 100);
    m.DY = TransitionMulDiv(m.DX, m.H, m.W);
  } else {
    m.DY = TransitionMulDiv(m.H, Percent, 100);
    m.DX = TransitionMulDiv(m.DY, m.W, m.H);
  }
  m.Band = TransitionMulDiv(std::max(m.W, m.H), Scale, 90);
  return m;
}

void StretchMirrored(platform::TCanvas& Canvas, TRect Dest, platform::TBitmap& Bitmap, TRect Src,
                     bool MirrorH, bool MirrorV) {
  Src.Left = std::max(Src.Left, 0);
  Src.Top = std::max(Src.Top, 0);
  Src.Right = std::min(Src.Right, Bitmap.GetWidth());
  Src.Bottom = std::min(Src.Bottom, Bitmap.GetHeight());
  // A source wholly outside the bitmap leaves nothing to draw.
  if (Src.Left >= Src.Right || Src.Top >= Src.Bottom) return;
  if (MirrorH) Dest = TRect{Dest.Right + 1, Dest.Top, Dest.Left - 1, Dest.Bottom};
  if (MirrorV) Dest = TRect{Dest.Left, Dest.Bottom + 1, Dest.Right, Dest.Top - 1};
  Canvas.StretchMode = platform::HALFTONE;
  platform::SmoothStretchRect(Canvas, Dest.Left, Dest.Top, Dest.Right, Dest.Bottom,
                              *Bitmap.GetCanvas(), Src.Left, Src.Top, Src.Right, Src.Bottom);
}

}  // namespace calmora
