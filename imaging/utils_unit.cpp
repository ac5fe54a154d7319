// The utilities unit's set-up: platform code, the dialogs' word table, the file threshold, the
// colour system (not loaded until first use) and the cosine table.
#include "imaging/utils_unit.h"

#include "imaging/base/defs.h"
#include "imaging/base/platform_queries.h"
#include "imaging/base/powers.h"
#include "imaging/core/color/icc.h"
#include "imaging/io/words/word_table.h"

namespace calmora {

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
