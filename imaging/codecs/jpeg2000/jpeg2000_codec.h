// What the rest of the library calls of the JPEG 2000 codec family. So far: set-up and
// clean-up of its glue (colour tables and the codec's format table), which only the static
// set-up calls, once each, in its fixed order of units.
#pragma once

namespace calmora {

void InitJPEG2000Codec();
void CleanupJPEG2000Codec();

}  // namespace calmora
