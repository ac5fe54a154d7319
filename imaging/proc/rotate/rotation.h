// Rotating and mirroring bitmaps: exact quarter and half turns, rotation by three shears,
// nearest-neighbour rotation of 1-bit and 8-bit images, rotation into a new canvas, bilinear
// and bicubic rotation, and flips. Positive angles (degrees) turn counter-clockwise on screen.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// Every routine answers false when it has nothing it can do: an empty bitmap, a format it
// does not serve, an angle that is not a finite number, or storage that cannot be had. A
// bitmap rotated in place is then as it was: the result is built while the old pixels stay
// aside, so a failure half-way loses nothing (a destination that a routine allocates may be
// left empty). After an in-place rotation Opaque is false, and an alpha plane the bitmap keeps
// is cut or padded to the new size with its top-left corner in place (new alpha 0, or 255
// after RotateInterpolated), so it never disagrees with the image in size; Rotate1Bit and
// Rotate8 drop it. Progress goes to OnProgress(Sender, percent) when OnProgress is assigned.

// True when the angle is a whole number of degrees divisible by 90.
bool IsRightAngle(double Angle);

// Quarter turns of Source into Destination, which they allocate at the swapped size in the
// source's format (a pv8p palette comes along). CCW: destination (x, y) = source (W-1-y, x);
// CW: destination (x, y) = source (y, H-1-x). The 24 variants take sources of 3-byte pixels,
// the 8 variants of 1-byte pixels. Source and Destination must be different bitmaps.
bool RotateCCW24(TPVBitmap& Source, TPVBitmap& Destination);
bool RotateCW24(TPVBitmap& Source, TPVBitmap& Destination);
bool RotateCCW8(TPVBitmap& Source, TPVBitmap& Destination);
bool RotateCW8(TPVBitmap& Source, TPVBitmap& Destination);

// Rotates a pv24RGB bitmap in place: the angle is cut to thousandths of a degree and reduced
// to -45 .. 45 by exact quarter turns; the rest is three shears (horizontal, vertical,
// horizontal), with Antialias blending neighbours by 12-bit weights. The canvas grows to hold
// the rotated image and the uncovered area gets Background. Other formats: pv1g goes to
// Rotate1Bit (white outside when all three background bytes are non-zero), pv8g and pv8p to
// RotateByShears8 with the background's grey level, every other format to RotateIntoCanvas
// with the background as that format's fill value.
bool RotateByShears(TPVBitmap& Bitmap, bool Antialias, TObject* Sender,
                    const TPVProgressEvent& OnProgress, TPVRGB Background, double Angle);
// The same on a pv8g or pv8p bitmap, with Fill as the background; a palette stays.
bool RotateByShears8(TPVBitmap& Bitmap, bool Antialias, uint8_t Fill, TObject* Sender,
                     const TPVProgressEvent& OnProgress, double Angle);

// Nearest-neighbour rotation of a pv1g bitmap in place. The angle is taken modulo 360: 0
// leaves the image, other multiples of 90 are exact turns, any other angle maps through
// cosine and sine kept to four decimals (the result may be a pixel smaller than the exact
// bounding box). Uncovered pixels are white when White is set. Progress.Step is set, and
// Progress.OnProgress hears of every row (the abort flag is not read).
bool Rotate1Bit(TPVBitmap& Bitmap, bool White, TPVProgressRecord& Progress, double Angle);
// The same on a pv8g or pv8p bitmap with Fill outside; no progress; a palette stays.
bool Rotate8(TPVBitmap& Bitmap, uint8_t Fill, double Angle);

// Rotates a bitmap of any format into Destination, which it allocates at the rotated bounding
// box in the source's format (a pv8p palette comes along). Whole multiples of 90 degrees move
// rows and columns exactly (0 and 360 copy the source with Assign); any other angle samples
// the nearest source pixel over Background, read as Destination.Fill reads it (a pv1g
// destination is always filled with 0). Source and Destination must be different bitmaps.
bool RotateIntoCanvas(TPVBitmap& Source, TPVBitmap& Destination, int32_t Background,
                      TObject* Sender, const TPVProgressEvent& OnProgress, double Angle);
// RotateIntoCanvas of a bitmap in place.
bool RotateToBoundingBox(TPVBitmap& Bitmap, TColor Background, TObject* Sender,
                         const TPVProgressEvent& OnProgress, double Angle);

// Rotates a pv24RGB bitmap in place by sampling bilinearly (Kind 1) or bicubically (Kind 2)
// inside a 3-pixel frame of Background. Another kind leaves the bitmap alone (false).
bool RotateInterpolated(TPVBitmap& Bitmap, TColor Background, uint8_t Kind, TObject* Sender,
                        const TPVProgressEvent& OnProgress, double Angle);
// The same on a one-byte plane (pv8g, pv8p: an alpha plane) with Fill as the background.
bool RotateInterpolated8(TPVBitmap& Bitmap, uint8_t Fill, uint8_t Kind, double Angle);

// Mirrors a bitmap of any format, and its alpha plane, in place: Direction 0 left to right,
// 1 top to bottom. Another direction leaves the bitmap alone (false).
bool FlipBitmap(TPVBitmap& Bitmap, int32_t Direction);

}  // namespace calmora
