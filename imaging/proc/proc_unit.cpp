// Set-up and clean-up of the processing unit (expansion table, named filters, clipboard format).
#include "imaging/proc/proc_unit.h"

namespace calmora {

// The processing unit's tables arrive with the processing component; until then there is nothing to build.
void InitProcUnit() {}

void FinalizeProcUnit() {}

}  // namespace calmora
