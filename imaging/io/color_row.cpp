// ConvertColorRow: finds an image's ICC profiles in its parameter record and converts the row
// through them (or the formulas).
#include "imaging/io/color_row.h"

#include "imaging/params/io_params.h"

namespace calmora {

namespace {

// The profiles a record carries. The output profile is asked for only when a conversion
// through the profiles can happen, since asking makes it (as sRGB).
bool ProfilesOfParams(TIOParamsVals* params, TPVRowProfiles& profiles) {
  if (params->InputICCProfile == nullptr && params->DefaultICCProfile == nullptr) return false;
  profiles.InputICCProfile = params->InputICCProfile.get();
  profiles.DefaultICCProfile = params->DefaultICCProfile.get();
  profiles.GetOutputICCProfile = [params] { return params->GetOutputICCProfile(); };
  return true;
}

}  // namespace

void ConvertColorRow(const void* Source, TPVColorLayout SourceLayout, void* Destination,
                     TPVColorLayout DestinationLayout, int32_t Count, TIOParamsVals* Params) {
  TPVRowProfiles profiles;
  const bool hasProfiles = Params != nullptr && ProfilesOfParams(Params, profiles);
  ConvertColorRowWithProfiles(Source, SourceLayout, Destination, DestinationLayout, Count,
                              hasProfiles ? &profiles : nullptr);
}

}  // namespace calmora
