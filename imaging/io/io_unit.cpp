// Set-up and clean-up of the I/O unit: the process-wide settings every codec and I/O component reads.
#include "imaging/io/io_unit.h"

#include "imaging/core/cmyk_profile.h"
#include "imaging/io/color_row.h"
#include "imaging/proc/quantizer.h"

namespace calmora {

// The I/O unit's globals (LZW defaults, format registry, row converter...) are installed here as they arrive.
void InitIOUnit() {
  ConvertColorRowProc = ConvertColorRow;
  ICCConversion = false;
  QuantizerAlgorithm = -1;
  NeuQuantQuality = -1;
  CMYKProfileConversion = true;
  FreeCMYKProfiles();  // CMYKProfile null: made again on first use
}

void FinalizeIOUnit() { FreeCMYKProfiles(); }

}  // namespace calmora
