// Set-up and clean-up of the I/O unit: the process-wide settings every codec and I/O component reads.
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitIOUnit();
void FinalizeIOUnit();

}  // namespace calmora
