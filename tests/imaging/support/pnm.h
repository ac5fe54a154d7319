// PNM and PAM files for comparing bitmaps with reference tools: P4 (1 bit), P5 (8 or 16-bit
// grey), P6 (8 or 16-bit RGB) and P7 (grey or RGB, with or without alpha) in both directions,
// and the plain forms P1-P3 when reading.
#pragma once

#include <string>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora::test {

// Writes the bitmap: pv1g as P4, pv8g as P5, pv16g as 16-bit P5, pv24RGB, pv32RGB and pv8p
// (through its palette) as P6, pvRGB48 as 16-bit P6. With an alpha plane (and withAlpha) the
// file is P7 GRAYSCALE_ALPHA or RGB_ALPHA. False for other formats or a failed write.
bool SavePNM(TPVBitmap& bitmap, const std::string& path, bool withAlpha = true);

// Reads a PNM or PAM file into the bitmap: P1/P4 become pv1g, P2/P5 pv8g (pv16g when maxval
// is above 255), P3/P6 pv24RGB (pvRGB48 above 255), P7 by its tuple type, with an alpha plane
// for the _ALPHA types. Samples of other maxvals are scaled to 255 or 65535. False, with a
// reason in error, for anything else.
bool LoadPNM(const std::string& path, TPVBitmap& bitmap, std::string* error = nullptr);

}  // namespace calmora::test
