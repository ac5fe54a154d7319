// Set-up and clean-up of the acquisition unit (its OLE flag).
#include "imaging/io/wia_unit.h"

namespace calmora {

// The acquisition objects and their OLE flag arrive with the acquisition unit.
void InitWiaUnit() {}

void FinalizeWiaUnit() {}

}  // namespace calmora
