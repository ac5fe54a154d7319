// Set-up and clean-up of the preset images (the global list of the four preset images).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitPresetImagesUnit();
void FinalizePresetImagesUnit();

}  // namespace calmora
