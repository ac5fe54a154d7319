// Set-up and clean-up of the JPEG 2000 glue (colour tables and the codec's format table).
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"

namespace calmora {

// The colour tables and the format table arrive with the JPEG 2000 glue; until then there is nothing to set.
void InitJPEG2000Codec() {}

void CleanupJPEG2000Codec() {}

}  // namespace calmora
