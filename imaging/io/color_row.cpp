// ConvertColorRow: finds an image's ICC profiles in its parameter record and converts the row
// through them (or the formulas).
#include "imaging/io/color_row.h"

namespace calmora {

namespace {

// The profile fields of a parameter record. TIOParamsVals is only declared so far, so no
// record can carry profiles yet and every row takes the formulas; this is the one place that
// will read InputICCProfile, DefaultICCProfile and GetOutputICCProfile of the record.
bool ProfilesOfParams(TIOParamsVals* params, TPVRowProfiles& profiles) { return false; }

}  // namespace

void ConvertColorRow(const void* Source, TPVColorLayout SourceLayout, void* Destination,
                     TPVColorLayout DestinationLayout, int32_t Count, TIOParamsVals* Params) {
  TPVRowProfiles profiles;
  const bool hasProfiles = Params != nullptr && ProfilesOfParams(Params, profiles);
  ConvertColorRowWithProfiles(Source, SourceLayout, Destination, DestinationLayout, Count,
                              hasProfiles ? &profiles : nullptr);
}

}  // namespace calmora
