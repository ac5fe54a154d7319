// Set-up and clean-up of the text editor unit (its clipboard format).
#include "imaging/view/text_control_unit.h"

namespace calmora {

// The editor's clipboard format arrives with the text control.
void InitTextControlUnit() {}

void FinalizeTextControlUnit() {}

}  // namespace calmora
