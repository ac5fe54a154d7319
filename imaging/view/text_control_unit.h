// Set-up and clean-up of the text editor unit (its clipboard format).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitTextControlUnit();
void FinalizeTextControlUnit();

}  // namespace calmora
