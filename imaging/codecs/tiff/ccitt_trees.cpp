// Build and release of the CCITT fax decoder's two run-length decode trees.
#include "imaging/codecs/tiff/tiff_codec.h"

namespace calmora {

// The decode trees arrive with the CCITT codec; until then there is nothing to build.
void BuildCCITTDecodeTrees() {}

void FreeCCITTDecodeTrees() {}

}  // namespace calmora
