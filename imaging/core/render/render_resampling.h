// The resampling step of a filtered render (RenderToBitmap, StretchRectTo with a filter other
// than rfNone). Resampling sits in the processing layer, above the bitmap model, so the bitmap
// reaches it through a hook: the processing unit's set-up (InitProcUnit) installs
// ResampleRectForRender (imaging/proc/resample/render_resample.h) here.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// The source rectangle (x, y, width, height) resampled by filter into a new bitmap of
// targetWidth x targetHeight: with greyReduction a pv1g rectangle reduced to grey levels, else
// a copy of the rectangle (with its alpha rectangle when withAlpha) resampled by the filter.
// Null when nothing could be made.
using TResampleRectForRenderProc = std::unique_ptr<TPVBitmap> (*)(
    TPVBitmap& source, int32_t x, int32_t y, int32_t width, int32_t height, int32_t targetWidth,
    int32_t targetHeight, TResampleFilter filter, bool withAlpha, bool greyReduction);

// The hook. Until the processing unit installs its resampler it makes nothing, and a filtered
// render falls back to plain nearest-neighbour scaling.
extern TResampleRectForRenderProc ResampleRectForRenderProc;

}  // namespace calmora
