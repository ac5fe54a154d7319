// Build and release of the CCITT fax decoder's two run-length decode trees.
// Only the library's static set-up calls these, once each, in its fixed order of units.
#pragma once

namespace calmora {

void BuildCCITTDecodeTrees();
void FreeCCITTDecodeTrees();

}  // namespace calmora
