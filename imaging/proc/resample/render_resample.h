// The resampling step of a filtered render: a source rectangle brought to the target size by a
// resampling filter, ready to be painted 1:1. InitProcUnit installs it as the bitmap's
// ResampleRectForRenderProc.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// A new bitmap of targetWidth x targetHeight made from the rectangle (x, y, width, height) of
// a pv1g or pv24RGB source. With greyReduction, a pv1g rectangle counted down to grey levels
// (pv24RGB). Otherwise a copy of the rectangle resampled by filter: a pv1g source into pv1g for
// the projections and grey pv24RGB for the other filters, a pv24RGB source into pv24RGB (pv1g
// for the projections); withAlpha brings the alpha rectangle along, resampled, with its
// Opaque. Null for a size below 1, another source format, or when no engine serves the filter
// or the storage cannot be had.
std::unique_ptr<TPVBitmap> ResampleRectForRender(TPVBitmap& source, int32_t x, int32_t y,
                                                 int32_t width, int32_t height,
                                                 int32_t targetWidth, int32_t targetHeight,
                                                 TResampleFilter filter, bool withAlpha,
                                                 bool greyReduction);

}  // namespace calmora
