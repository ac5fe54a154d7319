// Row colour conversion below the codecs: decoded rows in any TPVColorLayout become the
// library's layouts (mostly clBGR24) through an image's ICC profiles when ICCConversion is on
// and the profiles allow it, and through fixed formulas otherwise. Codecs call it through
// ConvertColorRowProc; ConvertColorRow (imaging/io/color_row.h), which finds the profiles in
// the parameter record, is what the I/O unit's set-up installs there.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/core/color/icc.h"

namespace calmora {

class TIOParamsVals;

// Codecs convert rows only through this procedure variable. It is a hook: the I/O unit's
// set-up points it at ConvertColorRow, which lives above the codecs because it reads the
// parameter record. Until then it converts without profiles (by the formulas).
using TConvertColorRowProc = void (*)(const void* source, TPVColorLayout sourceLayout,
                                      void* destination, TPVColorLayout destinationLayout,
                                      int32_t count, TIOParamsVals* params);
extern TConvertColorRowProc ConvertColorRowProc;

// Plain switch: ConvertColorRow applies the images' ICC profiles only while it is on. Off at
// start.
extern bool ICCConversion;

// The ICC profiles of one image that row conversion may use, as a parameter record holds
// them. GetOutputICCProfile makes the output profile (as sRGB) when the record has none, so
// it is asked only when a conversion through the profiles is possible.
struct TPVRowProfiles {
  TPVICC* InputICCProfile = nullptr;
  TPVICC* DefaultICCProfile = nullptr;
  std::function<TPVICC*()> GetOutputICCProfile;
};

// The conversion with an image's profiles (null: no profiles). The input profile is
// InputICCProfile when there is no default profile or the input profile is open, else the
// default profile. When ICCConversion is on, that profile is open and not yet Applied, the
// destination is one a transform writes (clBGR24, clInvertedCMYK) and the output profile is
// open, the row goes through the profiles; otherwise (or when no transform can be made)
// through the formulas. Pairs without a formula (any clGray8 source, or a destination the
// table does not list) leave the destination as it was.
void ConvertColorRowWithProfiles(const void* source, TPVColorLayout sourceLayout, void* destination,
                                 TPVColorLayout destinationLayout, int32_t count,
                                 const TPVRowProfiles* profiles);

}  // namespace calmora
