// Set-up and clean-up of the vector-object unit (clipboard format, editor shortcuts, class list).
#include "imaging/view/vect_unit.h"

namespace calmora {

// The vector unit's clipboard format, shortcuts and class list arrive with the vector objects.
void InitVectUnit() {}

void FinalizeVectUnit() {}

}  // namespace calmora
