// What the rest of the library calls of the TIFF codec family (CCITT fax, LZW, PackBits,
// Deflate and JPEG strips). So far: the static set-up's build and release of the CCITT fax
// decoder's two run-length decode trees, called once each in the fixed order of units.
#pragma once

namespace calmora {

void BuildCCITTDecodeTrees();
void FreeCCITTDecodeTrees();

}  // namespace calmora
