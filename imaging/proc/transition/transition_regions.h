// The region builders of the clip-region transitions: triangles, pies, turned polygons and the
// patterns of bars, shreds and speckles. Kept in their own namespace: RotatePoints here rounds,
// unlike the truncating geometry helper of the same name.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/region.h"

namespace calmora::transitions {

using platform::TRegion;
using platform::TRegionPoint;
using platform::TRegionRect;

TRegion TriangleRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);

// The centre, then Count + 1 points of the arc of radius r from StartAngle to EndAngle
// (radians, y pointing down: growing angles turn clockwise on the screen). Empty for a Count
// below 1.
TRegion PieRegion(int32_t cx, int32_t cy, int32_t r, double StartAngle, double EndAngle,
                  int32_t Count);

// Turns the points about (cx, cy) by Angle (radians), rounding each to the nearest pixel.
void RotatePoints(std::vector<TRegionPoint>& Points, int32_t cx, int32_t cy, long double Angle);

// Rows of 5-pixel bars growing across (KindX) and columns growing down (KindY), 0 for none;
// a progress past the side completes every other bar and grows the ones between (kinds 1-5
// choose the sides).
TRegion BarsRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t Band,
                   int32_t KindX, int32_t KindY);
// Strips of 5 pixels whose edges are jittered from the process-wide generator.
TRegion ShredRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t KindX,
                    int32_t KindY);
// A wiped strip per row (or column) with random squares ahead of its edge.
TRegion SpeckleRegion(int32_t XProg, int32_t YProg, int32_t W, int32_t H, int32_t KindX,
                      int32_t KindY);

}  // namespace calmora::transitions
