// Set-up and clean-up of the processing unit (expansion table, named filters, clipboard format).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitProcUnit();
void FinalizeProcUnit();

}  // namespace calmora
