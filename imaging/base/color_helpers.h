// Conversions between the library's pixel records and the GUI toolkit's colour value, the grey
// level from the process-wide weights, and RGB <-> HSL.
#pragma once

#include <cstdint>

#include "imaging/base/pixel_types.h"

namespace calmora {

inline TPVRGB MakeRGB(uint8_t R, uint8_t G, uint8_t B) { return TPVRGB{B, G, R}; }
inline TPVCMYK MakeCMYK(uint8_t C, uint8_t M, uint8_t Y, uint8_t K) { return TPVCMYK{C, M, Y, K}; }

// (R * GrayWeightRed + G * GrayWeightGreen + B * GrayWeightBlue) div 100; the weights are read at
// every call, so a change of them takes effect at once.
int32_t GrayLevelOf(TPVRGB Pixel);

// The TColor value R + G * 256 + B * 65536 of a pixel (top byte 0).
inline int32_t SwapRedBlue(TPVRGB Pixel) {
  return static_cast<int32_t>(Pixel.r | (Pixel.g << 8) | (Pixel.b << 16));
}

// The toolkit's resolution of a colour value: a system colour (top bit set) becomes the RGB value
// of that system colour, any other value is returned as it is.
TColor ColorToRGB(TColor Color);

// ColorToRGB of Color as a pixel record.
TPVRGB ColorToRGBRecord(TColor Color);

// ColorToRGB of Color rearranged to the 32-bit ARGB layout (alpha 24-31, red 16-23, green 8-15,
// blue 0-7) with the given alpha.
uint32_t ColorToARGB(TColor Color, uint8_t Alpha);

inline bool SameRGB(TPVRGB A, TPVRGB B) { return A.r == B.r && A.g == B.g && A.b == B.b; }

// Hue, saturation and lightness of a pixel, each in 0..1.
void RGBToHSL(TPVRGB Pixel, double& H, double& S, double& L);

// The pixel of a hue, saturation and lightness; channels rounded to nearest, ties to even.
TPVRGB HSLToRGB(double H, double S, double L);

}  // namespace calmora
