// The antialiased drawing layer in place of GDI+: lines and fills with fractional widths and
// alpha on a canvas, in GDI+'s coordinates (a pixel's centre lies on whole numbers), drawn by
// QPainter. Colours are 32-bit ARGB (alpha in bits 24-31, then red, green, blue).
#pragma once

#include <cstdint>

#include "platform/graphics_tools.h"

namespace calmora::platform {

class TCanvas;

struct TSmoothPen {
  uint32_t Argb = 0xFF000000u;
  float Width = 1.0f;
  TPenStyle Style = psSolid;  // psClear and psInsideFrame draw solid
  uint8_t LineJoin = 2;       // 0 miter, 1 bevel, 2 round, 3 miter clipped
};

struct TSmoothBrush {
  uint32_t Argb = 0xFFFFFFFFu;
  TBrushStyle Style = bsSolid;  // hatches draw their lines over HatchBackArgb
  uint32_t HatchBackArgb = 0;
};

// Draws on one canvas for one drawing pass; antialiased or at high speed (aliased).
class TSmoothGraphics {
 public:
  TSmoothGraphics(TCanvas& canvas, bool antialias) : Canvas_(canvas), Antialias_(antialias) {}

  void SetAntialias(bool antialias) { Antialias_ = antialias; }
  // A line from the first point to the second, over the pixels of both (antialiased, with
  // flat ends that cover half of the end pixels).
  void DrawLine(const TSmoothPen& pen, float x1, float y1, float x2, float y2);
  // The area from (x, y), width by height; with antialiasing its edge pixels are partly
  // covered, as GDI+'s are.
  void FillRectangle(const TSmoothBrush& brush, float x, float y, float width, float height);

 private:
  TCanvas& Canvas_;
  bool Antialias_;
};

}  // namespace calmora::platform
