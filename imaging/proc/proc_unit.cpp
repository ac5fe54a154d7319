// Set-up and clean-up of the processing unit (expansion table, named filters, clipboard format).
#include "imaging/proc/proc_unit.h"

#include "imaging/proc/base/device_bitmap_copy.h"

namespace calmora {

// The named filters and the clipboard format arrive with the processing component.
void InitProcUnit() { Build1BitExpansionTable(); }

void FinalizeProcUnit() {}

}  // namespace calmora
