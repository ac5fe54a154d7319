// Set-up routines of the two foundation units: they give the process-wide data of the shared
// definitions its values. Run only by the static set-up, second and third in its order.
#include "imaging/core/defs.h"
#include "imaging/core/icc.h"
#include "imaging/core/static_setup.h"
#include "imaging/core/utils.h"
#include "imaging/io/word_table.h"

namespace calmora {

void InitDefsUnit() {
  GrayWeightRed = 21;
  GrayWeightGreen = 71;
  GrayWeightBlue = 8;
  DialogBackgroundStyle = 0;
}

void FinalizeDefsUnit() {}

void InitUtilsUnit() {
  WindowsVersion = DetectWindowsVersion();
  FillWordTable();
  BitmapFileThreshold = -1;  // automatic: derived from the physical memory
  // Not loaded: the colour system is loaded on first use. Releasing goes through the colour
  // unit so that a handle somebody loaded early is not leaked.
  FreeColorSystemLibrary();
  BuildCosineTable();
}

void FinalizeUtilsUnit() { FreeColorSystemLibrary(); }

}  // namespace calmora
