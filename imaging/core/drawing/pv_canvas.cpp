// The drawing surface's two paths: the antialiased layer with the mirrored pen and brush, or
// the canvas with its own.
#include "imaging/core/drawing/pv_canvas.h"

#include "imaging/core/drawing/gdiplus_state.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

TPVPen::TPVPen(platform::TPen& APen)
    : Pen(&APen),
      Color(APen.Color),
      Width(static_cast<float>(APen.Width)),
      Style(APen.Style),
      Mode(APen.Mode) {}

uint32_t TPVPen::GetARGB() const {
  return ColorToARGB(Color, Style == platform::psClear ? 0 : ClampByte(Alpha));
}

platform::TSmoothPen TPVPen::GetSmoothPen() const {
  return platform::TSmoothPen{GetARGB(), Width, Style, LineJoin};
}

void TPVPen::SetColor(TColor C) {
  Color = C;
  Pen->Color = ColorToRGB(C);
}

void TPVPen::SetStyle(platform::TPenStyle S) {
  Style = S;
  Pen->Style = S;
}

void TPVPen::SetMode(platform::TPenMode M) { Pen->Mode = M; }

TPVBrush::TPVBrush(platform::TBrush& ABrush)
    : Brush(&ABrush), Color(ABrush.Color), Style(ABrush.Style) {}

uint32_t TPVBrush::GetARGB() const {
  return ColorToARGB(Color, Style == platform::bsClear ? 0 : ClampByte(Alpha));
}

platform::TSmoothBrush TPVBrush::GetSmoothBrush() const {
  return platform::TSmoothBrush{GetARGB(), Style,
                                ColorToARGB(HatchBackColor, ClampByte(HatchBackAlpha))};
}

void TPVBrush::SetColor(TColor C) {
  Color = C;
  Brush->Color = ColorToRGB(C);
}

void TPVBrush::SetStyle(platform::TBrushStyle S) {
  Style = S;
  Brush->Style = S;
}

void TPVBrush::SetAlpha(int32_t A) { Alpha = A; }

TPVCanvas::TPVCanvas(platform::TCanvas& ACanvas, bool Antialias, bool AUseGdiPlus)
    : Canvas(&ACanvas),
      Pen(std::make_unique<TPVPen>(ACanvas.Pen)),
      Brush(std::make_unique<TPVBrush>(ACanvas.Brush)),
      UseGdiPlus(AUseGdiPlus && GdiPlusAvailable()),
      graphics_(ACanvas, Antialias) {}

void TPVCanvas::FillRect(const TRect& R) {
  if (!UseGdiPlus) {
    Canvas->FillRect(R.Left, R.Top, R.Right, R.Bottom);
    return;
  }
  int32_t left = R.Left;
  int32_t top = R.Top;
  int32_t right = R.Right;
  int32_t bottom = R.Bottom;
  OrderCorners(left, top, right, bottom);
  graphics_.FillRectangle(Brush->GetSmoothBrush(), static_cast<float>(left),
                          static_cast<float>(top), static_cast<float>(right - left - 1),
                          static_cast<float>(bottom - top - 1));
}

void TPVCanvas::MoveTo(int32_t X, int32_t Y) {
  PenPos = TPoint{X, Y};
  if (!UseGdiPlus) Canvas->MoveTo(X, Y);
}

void TPVCanvas::LineTo(int32_t X, int32_t Y) {
  if (!UseGdiPlus) {
    Canvas->LineTo(X, Y);
    return;
  }
  graphics_.DrawLine(Pen->GetSmoothPen(), static_cast<float>(PenPos.x),
                     static_cast<float>(PenPos.y), static_cast<float>(X), static_cast<float>(Y));
  PenPos = TPoint{X, Y};
}

}  // namespace calmora
