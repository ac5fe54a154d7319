// The two families of table procedures, each one routine over the kind number: the
// rectangle painters (stretching and block copies of the Target) and the clip-region painters
// (the Target drawn through a region built for the progress).
#pragma once

#include <cstdint>

#include "imaging/base/geometry/geometry.h"

namespace calmora::platform {
class TBitmap;
class TCanvas;
}  // namespace calmora::platform

namespace calmora {

// Kinds 31-76 and 146-153.
bool IsRectangleTransition(int32_t Kind);
void PaintRectangleTransition(int32_t Kind, platform::TCanvas& Canvas, platform::TBitmap& Target,
                              const TRect& R, int32_t Scale, int32_t Percent);

// Kinds 77-145 and 154-163.
bool IsRegionTransition(int32_t Kind);
void PaintRegionTransition(int32_t Kind, platform::TCanvas& Canvas, platform::TBitmap& Target,
                           const TRect& R, int32_t Scale, int32_t Percent);

}  // namespace calmora
