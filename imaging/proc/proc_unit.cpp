// Set-up and clean-up of the processing unit (expansion table, named filters, the blur the
// core's soft shadow uses, clipboard format).
#include "imaging/proc/proc_unit.h"

#include "imaging/core/drawing_helpers.h"
#include "imaging/proc/base/device_bitmap_copy.h"
#include "imaging/proc/filter3x3.h"
#include "imaging/proc/gaussian_blur.h"
#include "imaging/proc/pictavo_proc.h"

namespace calmora {

void InitProcUnit() {
  Build1BitExpansionTable();
  InitNamedFilters();
  GaussianBlurGray8Proc = GaussianBlurGray8;
  RegisterRawClipboardFormat();
}

void FinalizeProcUnit() {
  GaussianBlurGray8Proc = nullptr;
  FreeNamedFilters();
}

}  // namespace calmora
