// The antialiased drawing layer's state. It has no lock: views start and stop it, and views
// live on the GUI thread.
#include "imaging/core/drawing/gdiplus_state.h"

namespace calmora {

bool GdiPlusEnabled = false;
bool GdiPlusLibrary = false;
int32_t GdiPlusRefCount = 0;

void LoadGdiPlus() {
  ++GdiPlusRefCount;
  if (GdiPlusEnabled && !GdiPlusLibrary) GdiPlusLibrary = true;
}

void UnloadGdiPlus() {
  --GdiPlusRefCount;
  if (GdiPlusLibrary && GdiPlusRefCount == 0) GdiPlusLibrary = false;
}

bool GdiPlusLoaded() { return GdiPlusLibrary; }

bool GdiPlusAvailable() { return GdiPlusEnabled && GdiPlusLoaded(); }

}  // namespace calmora
