// Set-up and clean-up of the GDI+ drawing unit (the antialiased drawing layer of the view).
#include "imaging/view/gdiplus_unit.h"

namespace calmora {

// The drawing layer's switches arrive with the layer itself; until then there is nothing to set.
void InitGdiPlusUnit() {}

void FinalizeGdiPlusUnit() {}

}  // namespace calmora
