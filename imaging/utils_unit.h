// Set-up and clean-up of the utilities unit. They live on the top layer, not beside the
// utilities themselves, because the set-up fills the dialogs' word table of the I/O layer.
#pragma once

namespace calmora {

void InitUtilsUnit();      // platform code, word table, file threshold, colour system, cosine table
void FinalizeUtilsUnit();  // releases the colour-system library when it was loaded

}  // namespace calmora
