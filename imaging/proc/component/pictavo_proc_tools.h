// Free routines of the processing component: comparing two bitmaps, the bounds of an image's
// visible pixels, and filling a rectangle with a colour.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Same size, format, row length and alpha presence, and equal pixel bytes in every row (and
// alpha row). The bytes that only pad a row out to its alignment are not compared.
bool SameBitmaps(const TPVBitmap& A, const TPVBitmap& B);

// The inclusive box of the pixels whose alpha is not 0: the whole image without an alpha
// plane; (width, height, -1, -1) when every pixel is transparent. Sender and OnProgress are
// taken for callers that pass them and not used.
TRect GetOpaqueBounds(TPVBitmap& Bitmap, TObject* Sender = nullptr,
                      const TPVProgressEvent& OnProgress = nullptr);

// The pixels of [X1, X2) x [Y1, Y2), clipped to the bitmap, take Color: pv24RGB directly (with
// progress after each row, never above 100), pv1g as set bits where Color's red byte is above
// 0 and clear bits otherwise (no progress). Other formats are left alone.
void FillRectColor(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TPVRGB Color,
                   const TPVProgressEvent& OnProgress, TObject* Sender);

}  // namespace calmora
