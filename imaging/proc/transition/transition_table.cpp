// The transition table: one row per transition kind, its name and, from kind 31 on, the
// procedure that draws it (the engine paints kinds 1-30 itself).
#include "imaging/proc/transition/transition_table.h"

#include <utility>

#include "imaging/proc/transition/transition_painters.h"

namespace calmora {

namespace {

// The procedure of one kind, dispatching to the family that paints it.
template <int32_t Kind>
void PaintKind(platform::TCanvas& Canvas, platform::TBitmap&, platform::TBitmap& Target,
               const TRect& R, int32_t Scale, int32_t Percent) {
  if constexpr (Kind <= 76 || (Kind >= 146 && Kind <= 153))
    PaintRectangleTransition(Kind, Canvas, Target, R, Scale, Percent);
  else
    PaintRegionTransition(Kind, Canvas, Target, R, Scale, Percent);
}

template <int32_t Kind>
constexpr TPVTransitionProc ProcOf() {
  if constexpr (Kind <= 30)
    return nullptr;
  else
    return &PaintKind<Kind>;
}

constexpr std::string_view kNames[kTransitionTableLength] = {
    "Cross Fade",
    "Fade Out",
    "Fade In",
    "Fade Out then In",
    "Wipe Left to Right",
    "Wipe Left to Right 2",
    "Wipe Right to Left",
    "Wipe Right to Left 2",
    "Wipe Top to Bottom",
    "Wipe Top to Bottom 2",
    "Wipe Bottom to Top",
    "Wipe Bottom to Top 2",
    "Slide from Top Left",
    "Slide from Top Right",
    "Slide from Bottom Left",
    "Slide from Bottom Right",
    "Push Left to Right",
    "Slide Out Left to Right",
    "Push Right to Left",
    "Slide Out Right to Left",
    "Push Top to Bottom",
    "Slide Out Top to Bottom",
    "Push Bottom to Top",
    "Slide Out Bottom to Top",
    "Random Points",
    "Random Boxes",
    "Wipe Out from Center",
    "Wipe In to Center",
    "Expand Out from Center",
    "Expand In to Center",
    "Expand from Left",
    "Expand from Right",
    "Expand from Top",
    "Expand from Bottom",
    "Expand from Top Left",
    "Expand from Top Right",
    "Expand from Bottom Left",
    "Expand from Bottom Right",
    "Expand in from Left",
    "Expand in from Right",
    "Expand in from Top",
    "Expand in from Bottom",
    "Expand in to Vertical Center",
    "Expand in to Horizon",
    "Expand in from Sides",
    "Expand in from Top and Bottom",
    "Expand out from Horizon",
    "Expand out from Vertical Center",
    "Wipe from Top Left",
    "Wipe from Top Right",
    "Wipe from Bottom Left",
    "Wipe from Bottom Right",
    "Wipe from Horizon",
    "Wipe in from Sides",
    "Wipe out from Vertical Center",
    "Build up from Left",
    "Build up from Right",
    "Build up from Top",
    "Build up from Bottom",
    "Unroll from Left",
    "Unroll from Right",
    "Unroll from Top",
    "Unroll from Bottom",
    "Slide in from Left",
    "Slide in from Right",
    "Slide in from Top",
    "Slide in from Bottom",
    "Slide in from Top and Bottom",
    "Shrink to Top Left",
    "Shrink to Top Right",
    "Shrink to Bottom Left",
    "Shrink to Bottom Right",
    "Shrink to Center",
    "Quarters Wipe in to Center",
    "Quarters Expand to Center",
    "Quarters Slide in to Center",
    "Curved Wipe from Left",
    "Curved Wipe from Right",
    "Curved Wipe from Top",
    "Curved Wipe from Bottom",
    "Bars in from Left",
    "Bars in from Right",
    "Bars from Top",
    "Bars from Bottom",
    "Bars Left then Right",
    "Bars Right then Left",
    "Bars Top then Bottom",
    "Bars Bottom then Top",
    "Bars from both Sides",
    "Bars from Top and Bottom",
    "Shredded from Left",
    "Shredded from Right",
    "Shredded from Top",
    "Shredded from Bottom",
    "Shredded from Top and Left",
    "Shredded from Top and Right",
    "Shredded from Bottom and Left",
    "Shredded from Bottom and Right",
    "Shredded from Horizon and Left",
    "Shredded from Horizon and Right",
    "Shredded from Top and Vertical Center",
    "Shredded from Bottom and Vertical Center",
    "Shredded to Center",
    "Shredded from Center",
    "Shredded in to Horizon",
    "Shredded in to Vertical Center",
    "Shredded out from Horizon",
    "Shredded out from Vertical Center",
    "Rectangular Shred",
    "Triangular Shred to Top Left",
    "Curved Wipe from Top Left",
    "Curved Wipe from Top Right",
    "Curved Wipe from Bottom Left",
    "Curved Wipe from Bottom Right",
    "Circular Wipe from Center",
    "Circular Wipe to Center",
    "Crisscross Wipe from Top Left",
    "Crisscross Wipe from Top Right",
    "Crisscross Wipe from Bottom Left",
    "Crisscross Wipe from Bottom Right",
    "Crisscross Wipe Bounce from Top Left",
    "Crisscross Wipe Bounce from Top Right",
    "Crisscross Wipe Bounce from Bottom Left",
    "Crisscross Wipe Bounce from Bottom Right",
    "Crisscross Wipe from Left Right and Top",
    "Crisscross Wipe from Left Right and Bottom",
    "Crisscross Wipe from Left Top and Bottom",
    "Crisscross Wipe from Top Left Right and Bottom",
    "Crisscross Wipe from Right Top and Bottom",
    "Crisscross Wipe from Bottom Left Top Right",
    "Wipe diagonal from Top Left",
    "Wipe diagonal from Top Right",
    "Wipe diagonal from Bottom Left",
    "Wipe diagonal from Bottom Right",
    "Diagonal Sweep Clockwise",
    "Diagonal Sweep Counter-Clockwise",
    "Sweep Clockwise",
    "Sweep Counter-Clockwise",
    "Starburst Clockwise from Center",
    "Rotational Rectangle",
    "Rotational Star",
    "Speckled Wipe from Left",
    "Speckled Wipe from Right",
    "Speckled Wipe from Top",
    "Speckled Wipe from Bottom",
    "Push Left and Slide out",
    "Push Right and Slide out",
    "Push up and Slide out",
    "Push down and Slide out",
    "Push and Squeeze Left",
    "Push and Squeeze Right",
    "Push and Squeeze up",
    "Push and Squeeze down",
    "Horizontal Blinds",
    "Vertical Blinds",
    "Uneven Blinds from Left",
    "Uneven Blinds from Right",
    "Uneven Blinds from Top",
    "Uneven Blinds from Bottom",
    "Rectangles from the Left",
    "Rectangles from the Right",
    "Rectangles from the Top",
    "Rectangles from the Bottom",
};

template <size_t... Index>
constexpr std::array<TEffect, kTransitionTableLength> BuildTable(std::index_sequence<Index...>) {
  return {TEffect{kNames[Index], ProcOf<static_cast<int32_t>(Index) + 1>()}...};
}

}  // namespace

const std::array<TEffect, kTransitionTableLength> TransitionTable =
    BuildTable(std::make_index_sequence<kTransitionTableLength>());

}  // namespace calmora
