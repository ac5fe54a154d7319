// Bevelled frames and the two text boxes: the hint box that keeps what it covers, and the
// translucent information box.
#include <algorithm>
#include <cstdint>

#include "imaging/core/drawing/drawing_helpers.h"
#include "imaging/core/drawing/pv_canvas.h"
#include "imaging/base/color_helpers.h"

namespace calmora {

namespace {

// The box's text sits 9 pixels in; its filled part starts 6 pixels in.
constexpr int32_t kBoxMargin = 12;
constexpr int32_t kFillOffset = 6;
constexpr int32_t kTextOffset = 9;

constexpr TColor kInfoBoxColor = 0x60FFFF;  // light yellow
constexpr int32_t kInfoBoxAlpha = 128;
constexpr TColor kInfoBoxLight = 0xFFFFFF;
constexpr TColor kInfoBoxDark = 0x808080;

// Both bevels walk the same path; only the surface differs.
template <typename Surface>
void WalkBevel(Surface& surface, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom,
               TColor LeftTopColor, TColor RightBottomColor) {
  surface.SetColor(LeftTopColor);
  surface.MoveTo(Left, Bottom);
  surface.LineTo(Left, Top);
  surface.LineTo(Right, Top);
  surface.SetColor(RightBottomColor);
  surface.MoveTo(Left, Bottom);
  surface.LineTo(Right, Bottom);
  surface.LineTo(Right, Top);
}

// A box position: raised to 0, then at most limit, and kept where its far corner (extent
// further) is still an int32.
int32_t PlaceBox(int32_t position, int64_t limit, int32_t extent) {
  const int64_t placed = std::min<int64_t>(std::max(position, 0), limit);
  return static_cast<int32_t>(std::clamp<int64_t>(placed, INT32_MIN, int64_t{INT32_MAX} - extent));
}

struct TPlainBevel {
  platform::TCanvas& Canvas;
  void SetColor(TColor color) { Canvas.Pen.Color = ColorToRGB(color); }
  void MoveTo(int32_t x, int32_t y) { Canvas.MoveTo(x, y); }
  void LineTo(int32_t x, int32_t y) { Canvas.LineTo(x, y); }
};

struct TSurfaceBevel {
  TPVCanvas& Canvas;
  void SetColor(TColor color) { Canvas.Pen->SetColor(color); }
  void MoveTo(int32_t x, int32_t y) { Canvas.MoveTo(x, y); }
  void LineTo(int32_t x, int32_t y) { Canvas.LineTo(x, y); }
};

}  // namespace

void DrawBevelFrame(platform::TCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom, TColor LeftTopColor, TColor RightBottomColor) {
  Canvas.Pen.Style = platform::psSolid;
  Canvas.Pen.Mode = platform::pmCopy;
  Canvas.Pen.Width = 1;
  TPlainBevel bevel{Canvas};
  WalkBevel(bevel, Left, Top, Right, Bottom, LeftTopColor, RightBottomColor);
}

void DrawBevelFramePV(TPVCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom,
                      TColor LeftTopColor, TColor RightBottomColor) {
  Canvas.Pen->SetMode(platform::pmCopy);
  Canvas.Pen->SetStyle(platform::psSolid);
  TSurfaceBevel bevel{Canvas};
  WalkBevel(bevel, Left, Top, Right, Bottom, LeftTopColor, RightBottomColor);
}

void DrawHintBox(platform::TCanvas& Canvas, int32_t& X, int32_t& Y, const std::string& Text,
                 const platform::TFont& Font, const platform::TBrush& Brush,
                 std::unique_ptr<platform::TBitmap>& Backup, int32_t AreaWidth, int32_t AreaHeight,
                 TColor LeftTopColor, TColor RightBottomColor) {
  Canvas.Font = Font;
  Canvas.Brush = Brush;
  const int32_t width = Canvas.TextWidth(Text) + kBoxMargin;
  const int32_t height = Canvas.TextHeight(Text) + kBoxMargin;
  // Raised to 0 first, then pulled in so that the box ends one pixel inside the area.
  X = PlaceBox(X, int64_t{AreaWidth} - width - 1, width);
  Y = PlaceBox(Y, int64_t{AreaHeight} - height - 1, height);

  if (!Backup) Backup = std::make_unique<platform::TBitmap>();
  Backup->SetPixelFormat(platform::pf24bit);
  if (Backup->SetSize(width, height))
    Backup->GetCanvas()->CopyRect(0, 0, width, height, Canvas, X, Y, X + width, Y + height);

  Canvas.FillRect(X + kFillOffset, Y + kFillOffset, X + width, Y + height);
  DrawBevelFrame(Canvas, X + kFillOffset, Y + kFillOffset, X + width - 1, Y + height - 1,
                 LeftTopColor, RightBottomColor);
  Canvas.TextOut(X + kTextOffset, Y + kTextOffset, Text);
}

void DrawInfoBox(platform::TCanvas& Canvas, int32_t& X, int32_t& Y, const std::string& Text,
                 const std::string& SecondText) {
  TPVCanvas surface(Canvas, true, true);
  platform::TFont& font = surface.GetFont();
  font.Name = "Arial";
  font.Size = 9;
  font.Color = 0x000000;
  surface.Brush->SetColor(kInfoBoxColor);
  surface.Brush->SetStyle(platform::bsSolid);
  surface.Brush->SetAlpha(kInfoBoxAlpha);

  // The second text only widens the box.
  const int32_t width =
      std::max(surface.TextWidth(Text), surface.TextWidth(SecondText)) + kBoxMargin;
  const int32_t height = surface.TextHeight(Text) + kBoxMargin;
  X = PlaceBox(X, INT32_MAX, width);
  Y = PlaceBox(Y, INT32_MAX, height);

  surface.FillRect(TRect{X + kFillOffset, Y + kFillOffset, X + width, Y + height});
  DrawBevelFramePV(surface, X + kFillOffset, Y + kFillOffset, X + width - 1, Y + height - 1,
                   kInfoBoxLight, kInfoBoxDark);
  surface.Brush->SetStyle(platform::bsClear);
  surface.TextOut(X + kTextOffset, Y + kTextOffset, Text);
}

}  // namespace calmora
