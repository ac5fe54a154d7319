// Block copies onto a canvas: the plain block copy, the smoothing stretch (with negative
// extents mirroring) and a bitmap drawn through a clip region. Each is clipped to both bitmaps
// and correct when source and destination are one canvas.
#pragma once

#include <cstdint>

namespace calmora::platform {

class TBitmap;
class TCanvas;
class TRegion;

// Copies source's width x height block at (sourceX, sourceY) to (x, y) of dest. Parts outside
// either bitmap are left out (their destination pixels stay). Bitmaps of one format of 8 bits
// per pixel or more are copied byte for byte, others colour by colour.
void BitBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height,
            const TCanvas& source, int32_t sourceX, int32_t sourceY);

// The smoothing stretch: source's rectangle at (sourceX, sourceY) of sourceWidth x
// sourceHeight onto dest's rectangle at (x, y) of width x height. Per axis, a shrink averages
// the source pixels by the area each covers, an enlargement interpolates linearly between
// the two nearest source pixel centres, and an equal extent copies. A negative extent stands
// for the rectangle [x + width, x) (or its source twin), mirrored. Source pixels outside
// their bitmap count as black; destination pixels outside the bitmap are left out. Served
// between bitmaps of one format of 24 or 32 bits per pixel (each byte a channel); false,
// with nothing drawn, for other formats.
bool SmoothStretchBlt(TCanvas& dest, int32_t x, int32_t y, int32_t width, int32_t height,
                      const TCanvas& source, int32_t sourceX, int32_t sourceY,
                      int32_t sourceWidth, int32_t sourceHeight);
// The smoothing stretch runs unrolled loops over taps laid out once per copy; set, it runs
// the plain per-tap loops instead, which give the same pixels.
extern bool SmoothStretchPlainLoops;
// The same with both rectangles given by their edges (right and bottom exclusive); false also
// when an extent does not fit 32 bits.
bool SmoothStretchRect(TCanvas& dest, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       const TCanvas& source, int32_t sourceLeft, int32_t sourceTop,
                       int32_t sourceRight, int32_t sourceBottom);

// Draws picture with its top-left at (x, y) of the canvas, only where the clip region (in the
// canvas's coordinates) covers, one row span at a time.
void DrawThroughRegion(TCanvas& canvas, int32_t x, int32_t y, TBitmap& picture,
                       const TRegion& clip);

}  // namespace calmora::platform
