// The library's fixed colour formulas: sRGB to and from the CIELab pixel format (D65 white)
// and YCbCr to RGB. They are what rows fall back to when no ICC profile applies.
#pragma once

#include "imaging/base/pixel_types.h"

namespace calmora {

// sRGB to CIELab. The L byte is 2.5 per unit of L* (L* 100 gives 250), a and b are the
// truncated values as signed bytes.
void ConvertRGBToCIELab(TPVCIELab& Lab, TPVRGB RGB);

// CIELab to sRGB. The L byte is read at 100/255 per step (the file convention), a and b
// signed; each channel rounded to nearest (ties to even) and clamped.
void ConvertCIELabToRGB(TPVRGB& RGB, TPVCIELab Lab);

// YCbCr (each 0-255) to RGB; each channel truncated toward zero and clamped.
void ConvertYCbCrToRGB(TPVRGB& RGB, int Y, int Cb, int Cr);

}  // namespace calmora
