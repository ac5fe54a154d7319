// The EXIF block reader hook; empty until the TIFF codec family's set-up fills it.
#include "imaging/params/exif_blocks.h"

namespace calmora {

TPVReadExifBlockProc ReadExifBlockProc = nullptr;

}  // namespace calmora
