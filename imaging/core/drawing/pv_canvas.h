// The view's drawing surface over a toolkit canvas: lines and fills go through the antialiased
// drawing layer (with alpha) when asked for and started, else through the canvas itself; text
// always goes through the canvas. TPVPen and TPVBrush mirror the canvas's pen and brush.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/base/defs.h"
#include "imaging/base/geometry/geometry.h"
#include "imaging/base/pixel_types.h"
#include "platform/canvas.h"
#include "platform/smooth_graphics.h"

namespace calmora {

// Made over a canvas's pen: colour and style go to both pens, the mode only to the canvas's.
class TPVPen : public TObject {
 public:
  explicit TPVPen(platform::TPen& APen);

  // The antialiased pen's colour: Color (system colours resolved) with alpha 0 when the style
  // is clear, else with Alpha.
  uint32_t GetARGB() const;
  // The antialiased pen as it stands.
  platform::TSmoothPen GetSmoothPen() const;

  void SetColor(TColor C);
  void SetStyle(platform::TPenStyle S);
  // The canvas's pen only: the antialiased layer has no raster modes.
  void SetMode(platform::TPenMode M);

  platform::TPen* Pen;  // mirrored, not owned
  TColor Color;
  int32_t Alpha = 255;
  float Width;
  platform::TPenStyle Style;
  platform::TPenMode Mode;
  uint8_t LineJoin = 2;  // round
};

// Made over a canvas's brush: colour and style go to both brushes, alpha only to the
// antialiased one.
class TPVBrush : public TObject {
 public:
  explicit TPVBrush(platform::TBrush& ABrush);

  // Color (system colours resolved) with alpha 0 when the style is clear, else with Alpha.
  uint32_t GetARGB() const;
  platform::TSmoothBrush GetSmoothBrush() const;

  void SetColor(TColor C);
  void SetStyle(platform::TBrushStyle S);
  void SetAlpha(int32_t A);

  platform::TBrush* Brush;  // mirrored, not owned
  TColor Color;
  int32_t Alpha = 255;
  TColor HatchBackColor = 0;   // hatches are drawn over a fully transparent background:
  int32_t HatchBackAlpha = 0;  // nothing changes these two
  platform::TBrushStyle Style;
};

// Made for one drawing pass over one canvas and freed at its end; the canvas, its pen and its
// brush survive it.
class TPVCanvas : public TObject {
 public:
  // UseGdiPlus holds only while the antialiased layer is available (GdiPlusAvailable);
  // Antialias chooses smooth or fast shapes on that layer.
  TPVCanvas(platform::TCanvas& ACanvas, bool Antialias, bool UseGdiPlus);

  // On the antialiased layer the brush fills (L, T) with width R - L - 1 and height B - T - 1
  // after ordering the corners; else the canvas fills R as it does.
  void FillRect(const TRect& R);
  void MoveTo(int32_t X, int32_t Y);
  // On the antialiased layer a line from the pen position, which then moves to (X, Y); else
  // the canvas's line, and the pen position here stays where it was.
  void LineTo(int32_t X, int32_t Y);
  int32_t TextWidth(const std::string& S) const { return Canvas->TextWidth(S); }
  int32_t TextHeight(const std::string& S) const { return Canvas->TextHeight(S); }
  // Through the canvas: a clear brush leaves the background.
  void TextOut(int32_t X, int32_t Y, const std::string& S) { Canvas->TextOut(X, Y, S); }
  platform::TFont& GetFont() { return Canvas->Font; }

  platform::TCanvas* Canvas;  // not owned
  std::unique_ptr<TPVPen> Pen;
  TPoint PenPos;
  std::unique_ptr<TPVBrush> Brush;
  bool UseGdiPlus;

 private:
  platform::TSmoothGraphics graphics_;
};

}  // namespace calmora
