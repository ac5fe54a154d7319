// Set-up and clean-up of the acquisition unit (its OLE flag).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitWiaUnit();
void FinalizeWiaUnit();

}  // namespace calmora
