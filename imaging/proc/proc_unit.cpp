// Set-up and clean-up of the processing unit (expansion table, named filters, the blur the
// core's soft shadow uses, the filtered render's resampling, clipboard format).
#include "imaging/proc/proc_unit.h"

#include <utility>

#include "imaging/core/drawing/drawing_helpers.h"
#include "imaging/core/render/render_resampling.h"
#include "imaging/base/device_bitmap_copy.h"
#include "imaging/proc/filters/filter3x3.h"
#include "imaging/proc/filters/gaussian_blur.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/resample/render_resample.h"

namespace calmora {

namespace {
// What the render's resampling hook held before set-up (the core's fallback), for clean-up.
TResampleRectForRenderProc CoreResampleRectForRender = nullptr;
}  // namespace

void InitProcUnit() {
  Build1BitExpansionTable();
  InitNamedFilters();
  GaussianBlurGray8Proc = GaussianBlurGray8;
  CoreResampleRectForRender = std::exchange(ResampleRectForRenderProc, ResampleRectForRender);
  RegisterRawClipboardFormat();
}

void FinalizeProcUnit() {
  GaussianBlurGray8Proc = nullptr;
  if (CoreResampleRectForRender) ResampleRectForRenderProc = CoreResampleRectForRender;
  FreeNamedFilters();
}

}  // namespace calmora
