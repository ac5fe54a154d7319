// Set-up and clean-up of the preset images (the global list of the four preset images).
#include "imaging/view/preset_images.h"

namespace calmora {

// The preset images arrive with the drawing layer; until then the list stays unbuilt.
void InitPresetImagesUnit() {}

void FinalizePresetImagesUnit() {}

}  // namespace calmora
