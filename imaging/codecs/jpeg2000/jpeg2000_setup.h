// Set-up and clean-up of the JPEG 2000 glue (colour tables and the codec's format table).
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitJPEG2000Codec();
void CleanupJPEG2000Codec();

}  // namespace calmora
