// Single CMYK pixels to and from RGB, through the built-in CMYK printer profile while
// CMYKProfileConversion is on and the colour system works, and through simple formulas
// otherwise; LoadCMYKProfile makes that profile and its two transforms on first use.
#pragma once

#include <cstdint>

#include "imaging/core/color/icc.h"
#include "imaging/base/pixel_types.h"

namespace calmora {

// Plain switch: CMYKToRGB and RGBToCMYK use the built-in profile while it is on. On at start.
extern bool CMYKProfileConversion;
// The built-in profile (keeps the clInvertedCMYK -> clBGR24 transform towards SRGBProfile)
// and the sRGB profile made beside it (keeps clBGR24 -> clInvertedCMYK towards CMYKProfile).
// Null until LoadCMYKProfile first runs; FreeCMYKProfiles frees both. They only show the
// profiles: this unit owns them, so nobody deletes them through these pointers.
extern TPVICC* CMYKProfile;
extern TPVICC* SRGBProfile;

// True when the built-in profile and both its transforms are ready. The first call makes
// them (safe when several threads arrive at once); later calls give the first answer again.
bool LoadCMYKProfile();
// Frees both profiles and forgets the answer, so that a later use makes them anew.
void FreeCMYKProfiles();

// A stored CMYK pixel (each byte 255 minus the ink) to RGB. Without the profile:
// red = C * K div 255, green = M * K div 255, blue = Y * K div 255.
void CMYKToRGB(TPVCMYK CMYK, TPVRGB& RGB);
// RGB to a stored CMYK pixel. Without the profile: with m the largest channel (1 when all
// are 0), (red * 255 div m, green * 255 div m, blue * 255 div m, m).
TPVCMYK RGBToCMYK(TPVRGB RGB);

// The same conversions for a whole row, with the results of the per-pixel calls but one
// call of the colour system per row. Source and destination may be the same row for
// CMYKRowToRGB.
void CMYKRowToRGB(const TPVCMYK* source, TPVRGB* destination, int32_t count);
void RGBRowToCMYK(const TPVRGB* source, TPVCMYK* destination, int32_t count);

}  // namespace calmora
