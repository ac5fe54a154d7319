// Set-up and clean-up of the vector-object unit (clipboard format, editor shortcuts, class list).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitVectUnit();
void FinalizeVectUnit();

}  // namespace calmora
