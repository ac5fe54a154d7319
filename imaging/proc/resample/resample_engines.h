// The resampling engines behind the fast-linear, projection, 1-bit and area-weighted filters.
// Each writes into a destination the caller allocated at the new size and answers false,
// leaving the destination as it was, when it has nothing it can do.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Every engine below answers false at once, touching nothing, for an empty source or
// destination and for a source or destination format it does not serve. Progress goes to
// OnProgress(Sender, percent) when OnProgress is assigned.

// Fixed-point (17-bit fraction) linear interpolation on an axis that grows, box averaging on
// one that shrinks; each box also takes the first sample of the next box. pv24RGB to pv24RGB.
// At equal sizes the destination becomes a copy of the source (Assign). Progress after every
// row of both passes.
bool ResampleFastLinear24(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                          const TPVProgressEvent& OnProgress);
// The same on one 8-bit plane: pv8g to pv8g (alpha planes included).
bool ResampleLinear8(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                     const TPVProgressEvent& OnProgress);
// pv1g to grey pv24RGB: linear interpolation of 0/255 on both axes, a pv1g copy at equal
// sizes, Shrink1BitToGray of the whole image when both axes shrink.
bool ResampleLinear1Bit(TPVBitmap& Source, TPVBitmap& Destination, TObject* Sender,
                        const TPVProgressEvent& OnProgress);

// pv1g to pv1g where black (or, with WhiteWins, white) wins inside each destination pixel's
// box, so thin lines survive a reduction. Each box reaches back to the previous destination
// pixel's sample. A destination of another format is reallocated as pv1g at its own size.
bool Project1Bit(const TPVBitmap& Source, TPVBitmap& Destination, bool WhiteWins,
                 TObject* Sender, const TPVProgressEvent& OnProgress);
// The same from pv24RGB: a pixel is white when B, G and R are all above 128 and black when
// all are below 128.
bool Project24To1Bit(const TPVBitmap& Source, TPVBitmap& Destination, bool WhiteWins,
                     TObject* Sender, const TPVProgressEvent& OnProgress);

// Reduces the rectangle (X1, Y1)-(X2, Y2), corners included, of a pv1g source to grey levels
// in a pv24RGB destination: 255 x set bits / pixels of each box. Boxes are clamped into the
// source, so any rectangle is safe; an inverted rectangle (X2 < X1 or Y2 < Y1) is refused.
bool Shrink1BitToGray(const TPVBitmap& Source, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                      TPVBitmap& Destination);

// Area-weighted resampling over the exact overlap of source and destination pixels; an axis
// that grows samples each overlap by bilinear or (Bicubic) bicubic interpolation. The
// destination has the source's format: pv24RGB or pv8g for ResampleArea8, pvRGB48 or pv16g
// for ResampleArea16. Progress after every destination row.
bool ResampleArea8(const TPVBitmap& Source, TPVBitmap& Destination, bool Bicubic,
                   TObject* Sender, const TPVProgressEvent& OnProgress);
bool ResampleArea16(const TPVBitmap& Source, TPVBitmap& Destination, bool Bicubic,
                    TObject* Sender, const TPVProgressEvent& OnProgress);

// Cubic convolution (a = -1) of four samples at T (0 at Cur, 1 at Next), limited to
// Low .. High.
double CubicInterpolate(int32_t Prev, int32_t Cur, int32_t Next, double T, int32_t Next2,
                        double Low, double High);

}  // namespace calmora
