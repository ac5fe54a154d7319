// Set-up and clean-up of the GDI+ drawing unit (the antialiased drawing layer of the view).
#include "imaging/view/gdiplus_unit.h"

#include "imaging/core/drawing/gdiplus_state.h"

namespace calmora {

// The layer may be used from now on; views start and stop it by their use count.
void InitGdiPlusUnit() {
  GdiPlusEnabled = true;
  GdiPlusLibrary = false;
  GdiPlusRefCount = 0;
}

// Starting and stopping follow the use count alone: nothing is left to release here.
void FinalizeGdiPlusUnit() {}

}  // namespace calmora
