// Set-up and clean-up of the GDI+ drawing unit (the antialiased drawing layer of the view).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitGdiPlusUnit();
void FinalizeGdiPlusUnit();

}  // namespace calmora
