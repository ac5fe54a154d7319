// Set-up and clean-up of the processing unit (expansion table, named filters, clipboard format).
#include "imaging/proc/proc_unit.h"

#include "imaging/proc/base/device_bitmap_copy.h"
#include "imaging/proc/filter3x3.h"

namespace calmora {

// The clipboard format arrives with the processing component.
void InitProcUnit() {
  Build1BitExpansionTable();
  InitNamedFilters();
}

void FinalizeProcUnit() { FreeNamedFilters(); }

}  // namespace calmora
