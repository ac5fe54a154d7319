// The view's drawing surface: the pen and brush mirror the canvas's (the mode only on the
// canvas's pen), the antialiased layer's use count, and the two drawing paths, fills and
// lines, with alpha on the antialiased one.
#include "imaging/core/drawing/pv_canvas.h"

#include <gtest/gtest.h>

#include "imaging/core/drawing/gdiplus_state.h"
#include "imaging/base/color_helpers.h"
#include "platform/device_bitmap.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

// The antialiased layer enabled and started for the scope, stopped afterwards.
class LayerStarted {
 public:
  LayerStarted() : enabled_(GdiPlusEnabled, true) { LoadGdiPlus(); }
  ~LayerStarted() { UnloadGdiPlus(); }

 private:
  test::ScopedOverride<bool> enabled_;
};

platform::TBitmap& Surface(platform::TBitmap& bitmap, int width, int height, uint32_t fill) {
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(width, height);
  platform::TCanvas& canvas = *bitmap.GetCanvas();
  canvas.Brush.Color = fill;
  canvas.FillRect(0, 0, width, height);
  return bitmap;
}

int Channel(uint32_t color, int shift) { return static_cast<int>((color >> shift) & 0xFF); }

TEST(PVCanvasTest, UseCountStartsAndStopsTheLayer) {
  test::ScopedOverride<bool> enabled(GdiPlusEnabled, true);
  test::ScopedOverride<int32_t> count(GdiPlusRefCount, 0);
  test::ScopedOverride<bool> started(GdiPlusLibrary, false);
  EXPECT_FALSE(GdiPlusAvailable());
  LoadGdiPlus();
  LoadGdiPlus();
  UnloadGdiPlus();
  EXPECT_TRUE(GdiPlusLoaded());
  EXPECT_TRUE(GdiPlusAvailable());
  UnloadGdiPlus();
  EXPECT_FALSE(GdiPlusLoaded());
  EXPECT_EQ(GdiPlusRefCount, 0);
  // Disabled, it counts but never starts.
  GdiPlusEnabled = false;
  LoadGdiPlus();
  EXPECT_FALSE(GdiPlusAvailable());
  UnloadGdiPlus();
}

TEST(PVCanvasTest, PenAndBrushMirrorTheCanvasOnes) {
  platform::TBitmap bitmap;
  platform::TCanvas& canvas = *Surface(bitmap, 4, 4, 0).GetCanvas();
  canvas.Pen.Color = 0x010203;
  canvas.Pen.Width = 3;
  canvas.Pen.Mode = platform::pmXor;
  canvas.Brush.Style = platform::bsCross;
  TPVCanvas surface(canvas, true, true);
  TPVPen& pen = *surface.Pen;
  EXPECT_EQ(pen.Color, 0x010203u);
  EXPECT_EQ(pen.Width, 3.0f);
  EXPECT_EQ(pen.Mode, platform::pmXor);
  EXPECT_EQ(pen.Alpha, 255);
  EXPECT_EQ(pen.LineJoin, 2);
  EXPECT_EQ(surface.Brush->Style, platform::bsCross);
  EXPECT_EQ(surface.Brush->Alpha, 255);
  EXPECT_EQ(surface.Brush->HatchBackAlpha, 0);

  pen.SetColor(clBtnFace);
  EXPECT_EQ(pen.Color, clBtnFace);
  EXPECT_EQ(canvas.Pen.Color, ColorToRGB(clBtnFace));
  pen.SetStyle(platform::psDot);
  EXPECT_EQ(canvas.Pen.Style, platform::psDot);
  // The mode reaches the canvas's pen only.
  pen.SetMode(platform::pmNot);
  EXPECT_EQ(canvas.Pen.Mode, platform::pmNot);
  EXPECT_EQ(pen.Mode, platform::pmXor);
  EXPECT_EQ(pen.GetARGB(), ColorToARGB(clBtnFace, 255));
  pen.SetStyle(platform::psClear);
  EXPECT_EQ(pen.GetARGB() >> 24, 0u);

  TPVBrush& brush = *surface.Brush;
  brush.SetColor(0x00FF80);
  brush.SetStyle(platform::bsSolid);
  brush.SetAlpha(77);
  EXPECT_EQ(canvas.Brush.Color, 0x00FF80u);
  EXPECT_EQ(canvas.Brush.Style, platform::bsSolid);
  EXPECT_EQ(brush.GetARGB(), ColorToARGB(0x00FF80, 77));
  brush.SetStyle(platform::bsClear);
  EXPECT_EQ(brush.GetARGB() >> 24, 0u);
  EXPECT_EQ(canvas.Brush.Style, platform::bsClear);
}

TEST(PVCanvasTest, TheLayerIsUsedOnlyWhenAskedForAndStarted) {
  platform::TBitmap bitmap;
  platform::TCanvas& canvas = *Surface(bitmap, 4, 4, 0).GetCanvas();
  EXPECT_FALSE(TPVCanvas(canvas, true, true).UseGdiPlus);
  LayerStarted layer;
  EXPECT_TRUE(TPVCanvas(canvas, true, true).UseGdiPlus);
  EXPECT_FALSE(TPVCanvas(canvas, true, false).UseGdiPlus);
}

TEST(PVCanvasTest, PlainPathDrawsThroughTheCanvas) {
  platform::TBitmap bitmap;
  platform::TCanvas& canvas = *Surface(bitmap, 20, 20, 0).GetCanvas();
  TPVCanvas surface(canvas, true, true);
  ASSERT_FALSE(surface.UseGdiPlus);
  surface.Brush->SetColor(0x0000FF);
  surface.Brush->SetAlpha(10);  // not for the canvas
  surface.FillRect(TRect{2, 3, 6, 8});
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      EXPECT_EQ(canvas.GetPixel(x, y), (x >= 2 && x < 6 && y >= 3 && y < 8) ? 0x0000FFu : 0u);
  surface.Pen->SetColor(0x00FF00);
  surface.MoveTo(10, 10);
  surface.LineTo(15, 10);
  EXPECT_EQ(canvas.GetPixel(10, 10), 0x00FF00u);
  EXPECT_EQ(canvas.GetPixel(15, 10), 0u);  // the end point is left out
  // The surface's own pen position stays; the canvas's moves.
  EXPECT_EQ(surface.PenPos, (TPoint{10, 10}));
  EXPECT_EQ(canvas.GetPenPos(), (platform::TCanvasPoint{15, 10}));
}

TEST(PVCanvasTest, LayerFillCoversOnePixelLessAndBlendsByAlpha) {
  LayerStarted layer;
  const uint32_t background = 0x204060;
  for (bool antialias : {false, true}) {
    platform::TBitmap bitmap;
    platform::TCanvas& canvas = *Surface(bitmap, 20, 20, background).GetCanvas();
    TPVCanvas surface(canvas, antialias, true);
    ASSERT_TRUE(surface.UseGdiPlus);
    surface.Brush->SetColor(0x60FFFF);
    surface.Brush->SetAlpha(128);
    surface.FillRect(TRect{12, 13, 2, 3});  // corners are ordered first
    const auto blended = [&](int shift) {
      return (Channel(0x60FFFF, shift) * 128 + Channel(background, shift) * 127) / 255.0;
    };
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) {
        const uint32_t c = canvas.GetPixel(x, y);
        // Width and height R - L - 1 and B - T - 1 from (L, T); with antialiasing the edge
        // pixels are partly covered.
        const bool full = antialias ? (x > 2 && x < 11 && y > 3 && y < 12)
                                    : (x >= 2 && x < 11 && y >= 3 && y < 12);
        const bool none =
            x < 2 || x > 11 || y < 3 || y > 12 || (!antialias && (x == 11 || y == 12));
        for (int shift : {0, 8, 16}) {
          if (full) {
            EXPECT_NEAR(Channel(c, shift), blended(shift), 1.0) << x << "," << y;
          }
          if (none) {
            EXPECT_EQ(Channel(c, shift), Channel(background, shift)) << x << "," << y;
          }
        }
      }
  }
}

TEST(PVCanvasTest, LayerLinesIncludeBothEndsAndMoveThePenPosition) {
  LayerStarted layer;
  platform::TBitmap bitmap;
  platform::TCanvas& canvas = *Surface(bitmap, 20, 20, 0).GetCanvas();
  TPVCanvas surface(canvas, false, true);
  surface.Pen->SetColor(0xFFFFFF);
  surface.MoveTo(3, 5);
  surface.LineTo(3, 12);
  EXPECT_EQ(surface.PenPos, (TPoint{3, 12}));
  // Aliased, a one-pixel line covers its column from end to end.
  for (int y = 0; y < 20; ++y)
    EXPECT_EQ(canvas.GetPixel(3, y), (y >= 5 && y <= 12) ? 0xFFFFFFu : 0u);
  EXPECT_EQ(canvas.GetPixel(2, 8), 0u);
  EXPECT_EQ(canvas.GetPixel(4, 8), 0u);
}

}  // namespace
}  // namespace calmora
