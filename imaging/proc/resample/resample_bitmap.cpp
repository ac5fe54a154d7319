// The resampling entry points that choose an engine: ResampleBitmap (pixels and alpha plane),
// ResampleFiltered, ResampleGray8 and Resample1Bit. Pairs no engine serves are refused before
// anything is touched, so a caller never takes unwritten pixels for a result.
#include "imaging/proc/filters/fill_transparent.h"
#include "imaging/proc/resample/resample_common.h"
#include "imaging/proc/resample/resample_engines.h"
#include "imaging/proc/resample/resample_kernel_engine.h"
#include "imaging/proc/resample/resample_kernels.h"

namespace calmora {

namespace {

bool IsAreaFilter(TResampleFilter filter) { return filter == rfBilinear || filter == rfBicubic; }
bool IsProjection(TResampleFilter filter) { return filter == rfProjectBW || filter == rfProjectWB; }
bool IsEngineFilter(TResampleFilter filter) {
  return filter >= rfTriangle && filter <= rfProjectWB;
}

// The pairs ResampleFiltered has an engine for. Every engine but the projections writes the
// source's format, so it needs a destination of that format.
bool FilteredServes(TPVPixelFormat source, TPVPixelFormat destination, TResampleFilter filter) {
  if (IsAreaFilter(filter) &&
      (source == pv24RGB || source == pv8g || source == pvRGB48 || source == pv16g))
    return destination == source;
  if (source == pv24RGB && IsProjection(filter)) return true;
  return (source == pv8g || source == pv24RGB) && destination == source && IsEngineFilter(filter);
}

// The pairs ResampleBitmap serves: a pv1g source gets the destination format it needs.
bool BitmapServes(TPVPixelFormat source, TPVPixelFormat destination, TResampleFilter filter) {
  if (filter == rfNone) return source != pvNoFormat && destination == source;
  if (source == pv1g) return IsEngineFilter(filter);
  return FilteredServes(source, destination, filter);
}

}  // namespace

bool ResampleFiltered(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter,
                      TObject* Sender, const TPVProgressEvent& OnProgress) {
  const TPVPixelFormat format = Source.GetPixelFormat();
  if (!FilteredServes(format, Destination.GetPixelFormat(), Filter)) return false;
  const bool bicubic = Filter == rfBicubic;
  if (IsAreaFilter(Filter))
    return format == pv24RGB || format == pv8g
               ? ResampleArea8(Source, Destination, bicubic, Sender, OnProgress)
               : ResampleArea16(Source, Destination, bicubic, Sender, OnProgress);
  if (format == pv8g) return ResampleGray8(Source, Destination, Filter);
  switch (Filter) {
    case rfFastLinear: return ResampleFastLinear24(Source, Destination, Sender, OnProgress);
    case rfProjectBW: return Project24To1Bit(Source, Destination, false, Sender, OnProgress);
    case rfProjectWB: return Project24To1Bit(Source, Destination, true, Sender, OnProgress);
    default: {
      const resample::ProgressReporter reporter(Sender, OnProgress);
      return resample::KernelResample(Source, Destination, Filter, &reporter);
    }
  }
}

bool ResampleGray8(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter) {
  if (Filter >= rfFastLinear && Filter <= rfProjectWB)
    return ResampleLinear8(Source, Destination, nullptr, nullptr);
  return Source.GetPixelFormat() == pv8g &&
         resample::KernelResample(Source, Destination, Filter, nullptr);
}

bool Resample1Bit(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter) {
  switch (Filter) {
    case rfFastLinear:
    case rfBilinear:
    case rfBicubic: return ResampleLinear1Bit(Source, Destination, nullptr, nullptr);
    case rfProjectBW: return Project1Bit(Source, Destination, false, nullptr, nullptr);
    case rfProjectWB: return Project1Bit(Source, Destination, true, nullptr, nullptr);
    default:
      return Source.GetPixelFormat() == pv1g &&
             resample::KernelResample(Source, Destination, Filter, nullptr);
  }
}

bool ResampleBitmap(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter,
                    TObject* Sender, const TPVProgressEvent& OnProgress) {
  const TPVPixelFormat format = Source.GetPixelFormat();
  const resample::Sizes size(Source, Destination);
  if (resample::Refused(Source, Destination, size) ||
      !BitmapServes(format, Destination.GetPixelFormat(), Filter))
    return false;
  TPVBitmap* sourceAlpha = Source.AlphaBitmap.get();
  if (sourceAlpha) FillTransparentPixels(Source, TPVRGB{128, 128, 128});

  bool done = false;
  if (Filter == rfNone) {
    done = ResampleNearest(Source, Destination, Sender, OnProgress) != nullptr;
  } else if (format == pv1g) {
    done = Destination.SetPixelFormat(IsProjection(Filter) ? pv1g : pv24RGB) &&
           Resample1Bit(Source, Destination, Filter);
  } else {
    done = ResampleFiltered(Source, Destination, Filter, Sender, OnProgress);
  }
  if (!done || !sourceAlpha) return done;

  TPVBitmap* alpha = Destination.GetAlphaChannel();
  if (!alpha) return false;
  const bool alphaDone = Filter == rfNone
                             ? ResampleNearest(*sourceAlpha, *alpha, nullptr, nullptr) != nullptr
                             : ResampleGray8(*sourceAlpha, *alpha, Filter);
  alpha->Opaque = sourceAlpha->Opaque;
  return alphaDone;
}

}  // namespace calmora
