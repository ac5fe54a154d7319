// Raster operations on a canvas that QPainter has no equivalent for, done directly on the
// device bitmap's pixels: the exclusive-or stretch of a 1-bit picture and the drawing of a dot.
#pragma once

#include <cstdint>

#include "platform/device_bitmap.h"

namespace calmora::platform {

class TCanvas;

// A 1-bit picture laid out as a device-independent bitmap: rows stored bottom-up, each
// ((Width + 31) div 32) x 4 bytes, pixels most significant bit first; Colors[bit] is a pixel's
// colour.
struct TMonoDib {
  const uint8_t* Bits = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  TRGBQuad Colors[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
};

// The stretch blit with the exclusive-or raster operation: the source rectangle of the
// picture, scaled to the destination rectangle, is exclusive-ored into the canvas, each pixel
// with its colour as the bitmap's format stores it (for an indexed format, the index of the
// nearest table entry). With black and white, a set bit inverts the pixel and a clear bit
// leaves it, so doing it twice restores the canvas. As for any device-independent bitmap,
// sourceY counts rows from the picture's bottom edge, so the source rectangle's top row is
// row sourceY + sourceHeight - 1 from the bottom. Scaling takes the nearest pixel: destination
// column j shows source column sourceX + j x sourceWidth div destWidth, rows likewise from the
// rectangle's top. Source pixels outside the picture and destination pixels outside the bitmap
// are left alone; nothing is drawn for a size below 1.
void StretchDibInvert(TCanvas& canvas, int32_t destX, int32_t destY, int32_t destWidth,
                      int32_t destHeight, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                      int32_t sourceHeight, const TMonoDib& dib);

// Draws the dot bitmap's top-left pixel at (x, y) of the canvas in copy mode (the colour as the
// canvas's format stores it); nothing outside the canvas or for an empty dot.
void DrawDot(TCanvas& canvas, int32_t x, int32_t y, TBitmap& dot);

}  // namespace calmora::platform
