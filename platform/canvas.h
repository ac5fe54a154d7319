// The canvas of our device bitmap, in place of the toolkit's TCanvas: painting with a QPainter
// over the bitmap's own pixels, whatever their format, and the toolkit's drawing operations
// with a pen, a brush and a font.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/graphics_tools.h"

class QPainter;

namespace calmora::platform {

class TBitmap;

struct TCanvasPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TCanvasPoint&, const TCanvasPoint&) = default;
};

// Stretch modes of CopyRect, numbered as the platform numbers them: the nearest pixel, or the
// smoothing stretch of canvas_blit.h.
inline constexpr int32_t COLORONCOLOR = 3;
inline constexpr int32_t HALFTONE = 4;

// The colour GetPixel answers for a point outside the bitmap.
inline constexpr uint32_t CLR_INVALID = 0xFFFFFFFFu;

// Owned by its device bitmap (TBitmap::GetCanvas) and valid as long as the bitmap. It keeps no
// image of its own: every Paint lays a fresh image over the bitmap as it is then, so the
// canvas follows every size and format change.
class TCanvas {
 public:
  explicit TCanvas(TBitmap& bitmap) : Bitmap_(bitmap) {}
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TBitmap& GetBitmap() const { return Bitmap_; }

  // Runs paint with a painter over the bitmap; the painting has reached the bitmap's rows when
  // Paint returns. The 15-, 16-, 24- and 32-bit formats are painted in place. QPainter cannot
  // paint indexed images (and dots antialiased lines on 1-bit ones), so 1, 4 and 8 bits are
  // painted on a 32-bit copy whose changed pixels take the nearest colour-table entry; pixels
  // the painting left alone keep their index. False, with paint not called, for an empty
  // bitmap or a format without pixels (pfCustom).
  bool Paint(const std::function<void(QPainter&)>& paint);

  // ---- The toolkit's drawing operations (canvas_drawing.cpp) ----
  // Each clips to the bitmap and then runs OnChange. Colours are 0x00BBGGRR; an indexed
  // bitmap takes the nearest colour-table entry.
  TPen Pen;
  TBrush Brush;
  TFont Font;
  // Runs after every drawing operation and every Paint: a control uses it to show its client
  // area again.
  std::function<void()> OnChange;

  TCanvasPoint GetPenPos() const { return PenPos_; }
  void SetPenPos(TCanvasPoint position) { PenPos_ = position; }
  void MoveTo(int32_t x, int32_t y) { PenPos_ = TCanvasPoint{x, y}; }
  // A line with the pen from the pen position to (x, y), which it leaves out, as the
  // platform's lines do; the pen position moves there. A one-pixel solid pen is walked pixel
  // by pixel in any pen mode; wider or dashed pens are painted in copy mode.
  void LineTo(int32_t x, int32_t y);
  // Fills [left, right) x [top, bottom) with the brush; a clear brush fills nothing.
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  // The text with its top-left at (x, y) in the font; the brush fills the text's box first
  // unless it is clear. The pen position moves to the text's end. Nothing without a GUI
  // application (no fonts).
  void TextOut(int32_t x, int32_t y, const std::string& text);
  // The text's advance and the font's line height in pixels; 0 without a GUI application.
  int32_t TextWidth(const std::string& text) const;
  int32_t TextHeight(const std::string& text) const;
  // The pixel's colour; CLR_INVALID outside the bitmap.
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t color);
  // Copies source's rectangle [sourceLeft, sourceRight) x [sourceTop, sourceBottom) onto this
  // canvas's [left, right) x [top, bottom), stretched to it (nearest pixel); source pixels
  // outside their bitmap come out black. source may be this canvas. In the HALFTONE stretch
  // mode, between bitmaps that SmoothStretchBlt serves, it is that smoothing stretch instead.
  int32_t StretchMode = COLORONCOLOR;
  void CopyRect(int32_t left, int32_t top, int32_t right, int32_t bottom, const TCanvas& source,
                int32_t sourceLeft, int32_t sourceTop, int32_t sourceRight, int32_t sourceBottom);

 private:
  bool PaintIndexed(const std::function<void(QPainter&)>& paint);
  void Changed() const;

  TBitmap& Bitmap_;
  TCanvasPoint PenPos_;
};

}  // namespace calmora::platform
