// The separable kernel engine behind ResampleFiltered, ResampleGray8 and Resample1Bit.
#pragma once

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/proc/resample/resample_common.h"

namespace calmora::resample {

// Resamples with the kernel of filter (rfTriangle .. rfLinear): the columns of every source
// row into an intermediate image of the destination's width and the source's height, then its
// columns into the destination's rows. By the source's format: pv24RGB into pv24RGB, with
// progress when progress is given; pv8g into pv8g; pv1g, read as 0 and 255, into grey
// pv24RGB. A 1 x 1 source fills the destination with its pixel. False, with the destination
// untouched, for another filter or format pair, empty bitmaps, or memory that cannot be had.
bool KernelResample(const TPVBitmap& source, TPVBitmap& destination, TResampleFilter filter,
                    const ProgressReporter* progress);

}  // namespace calmora::resample
