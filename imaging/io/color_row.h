// ConvertColorRow: row colour conversion with the ICC profiles that an image's parameter record
// carries. The I/O unit's set-up installs it in ConvertColorRowProc, through which codecs call it.
#pragma once

#include <cstdint>

#include "imaging/core/color/color_rows.h"

namespace calmora {

class TIOParamsVals;

// Converts Count pixels of Source into Destination. With Params (or null): see
// ConvertColorRowWithProfiles. The source row is never changed.
void ConvertColorRow(const void* Source, TPVColorLayout SourceLayout, void* Destination,
                     TPVColorLayout DestinationLayout, int32_t Count, TIOParamsVals* Params);

}  // namespace calmora
