// Set-up and clean-up of the view unit (screen metrics, default resolution, rubber-band pen).
#include "imaging/view/view_unit.h"

namespace calmora {

// The view unit's globals arrive with the view; until then there is nothing to read.
void InitViewUnit() {}

void FinalizeViewUnit() {}

}  // namespace calmora
