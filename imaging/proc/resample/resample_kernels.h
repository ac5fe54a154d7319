// Resampling into a destination the caller allocated at the new size: the entry point
// ResampleBitmap, nearest neighbour, the filter dispatch and the separable kernel engine with
// its table of kernels (the other engines are in resample_engines.h).
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Every routine below answers false (ResampleNearest: null) at once, touching nothing, for an
// empty source or destination, a destination that is the source itself, and a format and
// filter pair no engine serves: the caller keeps its own image then. Progress goes to
// OnProgress(Sender, percent) when OnProgress is assigned.

// Resamples Source into Destination, alpha plane included. With an alpha plane, the
// transparent pixels of a pv24RGB Source first become grey (128, 128, 128) in Source itself,
// so no hidden colour bleeds into the visible edge. rfNone is ResampleNearest; a pv1g Source
// makes Destination pv1g for the projections and grey pv24RGB for every other filter; other
// sources go through ResampleFiltered. The alpha plane follows through ResampleGray8 (rfNone:
// nearest neighbour) into Destination's, created when missing, which takes Source's Opaque.
bool ResampleBitmap(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter,
                    TObject* Sender, const TPVProgressEvent& OnProgress);

// Nearest neighbour for every pixel format: destination column i reads source column
// Trunc(i x sw / dw), row j reads Trunc(j x sh / dh); a pv8p palette is copied along. The
// destination must have the source's format. Answers the destination, or null when refused.
TPVBitmap* ResampleNearest(const TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                           const TPVProgressEvent& OnProgress);

// The engine for a filter and the source's format: the area engines for rfBilinear and
// rfBicubic on pv24RGB, pv8g, pvRGB48 and pv16g; ResampleGray8 for pv8g; for pv24RGB the
// fast-linear engine, the projections (which make Destination pv1g) and the kernel engine
// (rfTriangle .. rfLinear, with progress). rfNone and every other pair are refused.
bool ResampleFiltered(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter,
                      TObject* Sender, const TPVProgressEvent& OnProgress);

// One 8-bit plane (pv8g images and alpha planes) into another: the kernel engine for
// rfTriangle .. rfLinear, ResampleLinear8 for rfFastLinear .. rfProjectWB. No progress.
bool ResampleGray8(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter);

// A pv1g source: ResampleLinear1Bit for rfFastLinear, rfBilinear and rfBicubic, Project1Bit
// (black or white winning) for the projections, and the kernel engine for rfTriangle ..
// rfLinear, which reads a set bit as 255 and writes grey pixels into a pv24RGB destination.
// No progress.
bool Resample1Bit(TPVBitmap& Source, TPVBitmap& Destination, TResampleFilter Filter);

// ---- The kernels ----
// Each maps a distance in input samples to a weight; t is |x|.
double TriangleKernel(double x);  // 1 - t inside 1
double HermiteKernel(double x);   // (2t - 3) t^2 + 1 inside 1
double BellKernel(double x);      // quadratic B-spline, inside 1.5
double BSplineKernel(double x);   // cubic B-spline, inside 2
double Lanczos3Kernel(double x);  // Sinc(t) x Sinc(t / 3) inside 3
double MitchellKernel(double x);  // Mitchell-Netravali cubic, B = C = 1/3, inside 2
// 1 for -0.5 < x <= 0.5: asymmetric on purpose, so a sample exactly between two outputs goes
// to one of them only.
double BoxKernel(double x);
// 1 + x on [-1, 0), 1 - x on [0, 1).
double LinearKernel(double x);
// sin(pi x) / (pi x), 1 at 0.
double Sinc(double x);

struct TResampleKernel {
  double (*Kernel)(double x);  // null in the rows that name no kernel
  double Support;              // the kernel is 0 beyond this distance
};

// Indexed by TResampleFilter's ordinal; rows rfTriangle (1) to rfLinear (8) hold kernels.
inline constexpr int kResampleKernelRows = rfProjectWB + 1;
extern const TResampleKernel ResampleKernels[kResampleKernelRows];

// Filters rfTriangle .. rfLinear, which the kernel engine runs.
inline bool IsKernelFilter(TResampleFilter Filter) {
  return Filter >= rfTriangle && Filter <= rfLinear;
}

}  // namespace calmora
