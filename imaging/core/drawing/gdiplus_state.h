// The switch and use count of the antialiased drawing layer that drawing surfaces use when a
// view has started it. The layer is QPainter's antialiasing, so there is nothing to load:
// "loaded" means started by the first of its users and not yet stopped by the last.
#pragma once

#include <cstdint>

namespace calmora {

// The layer may be used; the drawing unit's set-up turns it on and nothing turns it off.
extern bool GdiPlusEnabled;
// True while the layer is started (in place of the platform library's handle).
extern bool GdiPlusLibrary;
// Calls of LoadGdiPlus minus calls of UnloadGdiPlus.
extern int32_t GdiPlusRefCount;

// Counts a user; starts the layer when it is enabled and not started yet.
void LoadGdiPlus();
// Counts a user off; stops the layer when the count comes back to exactly 0.
void UnloadGdiPlus();
bool GdiPlusLoaded();
// Enabled and started: drawing surfaces then draw antialiased shapes with alpha.
bool GdiPlusAvailable();

}  // namespace calmora
