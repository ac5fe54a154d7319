// The transition table: the names of all 163 transition effects and, for those the engine does
// not paint itself, the procedure that draws one state of the effect onto a canvas; the
// metrics every procedure starts from and the mirrored stretch the unroll effects use.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "imaging/base/geometry/geometry.h"

namespace calmora::platform {
class TBitmap;
class TCanvas;
}  // namespace calmora::platform

namespace calmora {

// Draws the state at Percent (0-100) of an effect onto Canvas, which holds the previous
// frame; Target is the picture revealed, Source the one it replaces (no procedure reads it).
// R is the whole frame, from (0, 0); Scale multiplies the band size. The canvas is left
// without a clip.
using TPVTransitionProc = void (*)(platform::TCanvas& Canvas, platform::TBitmap& Source,
                                   platform::TBitmap& Target, const TRect& R, int32_t Scale,
                                   int32_t Percent);

struct TEffect {
  std::string_view Name;
  TPVTransitionProc Proc;  // null for the kinds the engine paints (1-30)
};

inline constexpr int32_t kTransitionTableLength = 163;
// Row k - 1 belongs to transition kind k.
extern const std::array<TEffect, kTransitionTableLength> TransitionTable;

struct TTransitionMetrics {
  int32_t W = 0;
  int32_t H = 0;
  int32_t DX = 0;  // the progress across, 0 .. W
  int32_t DY = 0;  // the progress down, 0 .. H
  int32_t Band = 0;  // the longer side / 90 x Scale
};

// a x b / c from a 64-bit product, to the nearest integer with halves away from zero, as the
// platform's multiply-divide rounds; 0 for c = 0 and for a result that does not fit 32 bits.
int32_t TransitionMulDiv(int32_t a, int32_t b, int32_t c);

// The progress of R at Percent: the longer side advances by Percent % and the other in
// proportion, so both reach their full length together.
TTransitionMetrics TransitionMetrics(const TRect& R, int32_t Scale, int32_t Percent);

// Stretches Src of Bitmap (cut to the bitmap) into Dest with the smoothing stretch; a mirrored
// axis runs the destination from its far edge, one pixel beyond each end.
void StretchMirrored(platform::TCanvas& Canvas, TRect Dest, platform::TBitmap& Bitmap, TRect Src,
                     bool MirrorH, bool MirrorV);

}  // namespace calmora
