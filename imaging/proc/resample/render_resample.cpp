// ResampleRectForRender: the filtered render's resampling of a source rectangle, through the
// resampling engines (Resample1Bit, ResampleFiltered, ResampleGray8, Shrink1BitToGray).
#include "imaging/proc/resample/render_resample.h"

#include <algorithm>
#include <limits>

#include "imaging/proc/resample/resample_engines.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora {

namespace {

bool IsProjection(TResampleFilter filter) { return filter == rfProjectBW || filter == rfProjectWB; }

// The last column (row) of a rectangle, kept in the int32 range for rectangles that reach past
// it; Shrink1BitToGray clamps its boxes into the source anyway.
int32_t LastOf(int32_t start, int32_t size) {
  return static_cast<int32_t>(std::min<int64_t>(int64_t{start} + size - 1,
                                                std::numeric_limits<int32_t>::max()));
}

std::unique_ptr<TPVBitmap> Allocated(int32_t width, int32_t height, TPVPixelFormat format) {
  auto bitmap = std::make_unique<TPVBitmap>();
  if (!bitmap->Allocate(width, height, format)) return nullptr;
  return bitmap;
}

std::unique_ptr<TPVBitmap> GreyReduction(const TPVBitmap& source, int32_t x, int32_t y,
                                         int32_t width, int32_t height, int32_t targetWidth,
                                         int32_t targetHeight) {
  std::unique_ptr<TPVBitmap> grey = Allocated(targetWidth, targetHeight, pv24RGB);
  if (!grey || !Shrink1BitToGray(source, x, y, LastOf(x, width), LastOf(y, height), *grey))
    return nullptr;
  return grey;
}

// The rectangle in the source's format, with its alpha rectangle and Opaque when withAlpha.
// Parts of the rectangle outside the source stay 0 (alpha 255).
std::unique_ptr<TPVBitmap> RectCopy(const TPVBitmap& source, int32_t x, int32_t y, int32_t width,
                                    int32_t height, bool withAlpha) {
  std::unique_ptr<TPVBitmap> copy = Allocated(width, height, source.GetPixelFormat());
  if (!copy) return nullptr;
  source.CopyRectTo(*copy, x, y, 0, 0, width, height);
  if (withAlpha && source.AlphaBitmap) {
    TPVBitmap* alpha = copy->GetAlphaChannel();
    if (!alpha) return nullptr;
    source.AlphaBitmap->CopyRectTo(*alpha, x, y, 0, 0, width, height);
    alpha->Opaque = source.AlphaBitmap->Opaque;
  }
  return copy;
}

}  // namespace

std::unique_ptr<TPVBitmap> ResampleRectForRender(TPVBitmap& source, int32_t x, int32_t y,
                                                 int32_t width, int32_t height,
                                                 int32_t targetWidth, int32_t targetHeight,
                                                 TResampleFilter filter, bool withAlpha,
                                                 bool greyReduction) {
  const TPVPixelFormat format = source.GetPixelFormat();
  if (width < 1 || height < 1 || targetWidth < 1 || targetHeight < 1 ||
      (format != pv1g && format != pv24RGB))
    return nullptr;
  if (greyReduction)
    return format == pv1g
               ? GreyReduction(source, x, y, width, height, targetWidth, targetHeight)
               : nullptr;

  // The engines only read their source and leave its alpha plane alone, so a rectangle that is
  // the whole source is resampled in place: a view fitting a large image saves a copy of it on
  // every paint.
  const bool whole =
      x == 0 && y == 0 && width == source.GetWidth() && height == source.GetHeight();
  const std::unique_ptr<TPVBitmap> rect =
      whole ? nullptr : RectCopy(source, x, y, width, height, withAlpha);
  const TPVPixelFormat resampledFormat =
      format == pv1g && IsProjection(filter) ? pv1g : pv24RGB;
  std::unique_ptr<TPVBitmap> resampled = Allocated(targetWidth, targetHeight, resampledFormat);
  if ((!whole && !rect) || !resampled) return nullptr;
  TPVBitmap& from = whole ? source : *rect;
  const bool done = format == pv1g ? Resample1Bit(from, *resampled, filter)
                                   : ResampleFiltered(from, *resampled, filter, nullptr, nullptr);
  if (!done) return nullptr;

  if (TPVBitmap* fromAlpha = withAlpha ? from.AlphaBitmap.get() : nullptr) {
    TPVBitmap* alpha = resampled->GetAlphaChannel();
    if (!alpha || !ResampleGray8(*fromAlpha, *alpha, filter)) return nullptr;
    alpha->Opaque = fromAlpha->Opaque;
  }
  return resampled;
}

}  // namespace calmora
