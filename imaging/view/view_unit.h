// Set-up and clean-up of the view unit (screen metrics, default resolution, rubber-band pen).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitViewUnit();
void FinalizeViewUnit();

}  // namespace calmora
