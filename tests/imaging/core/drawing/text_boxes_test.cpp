// Bevelled frames pixel by pixel, the hint box (placement, the copy of what it covers, fill,
// frame and text) and the information box on both drawing paths.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/drawing/drawing_helpers.h"
#include "imaging/core/drawing/gdiplus_state.h"
#include "imaging/core/drawing/pv_canvas.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using platform::TBitmap;
using platform::TCanvas;

constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kDark = 0x808080;

TCanvas& Noise(TBitmap& bitmap, int width, int height, uint32_t seed) {
  bitmap.SetPixelFormat(platform::pf24bit);
  bitmap.SetSize(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 3 * width; ++x) bitmap.GetScanLine(y)[x] = static_cast<uint8_t>(random());
  return *bitmap.GetCanvas();
}

std::vector<uint32_t> Pixels(TCanvas& canvas) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < canvas.GetBitmap().GetHeight(); ++y)
    for (int x = 0; x < canvas.GetBitmap().GetWidth(); ++x) pixels.push_back(canvas.GetPixel(x, y));
  return pixels;
}

// The bevel with one-pixel lines that leave out their end points: the first colour on the left
// column (not its bottom pixel) and the top row (not its right pixel), the second on the
// bottom row and the right column below the top; the top right pixel is not drawn.
void ModelBevel(std::vector<uint32_t>& pixels, int width, int l, int t, int r, int b,
                uint32_t first, uint32_t second) {
  auto set = [&](int x, int y, uint32_t c) { pixels[y * width + x] = c; };
  for (int y = t; y < b; ++y) set(l, y, first);
  for (int x = l; x < r; ++x) set(x, t, first);
  for (int x = l; x < r; ++x) set(x, b, second);
  for (int y = t + 1; y <= b; ++y) set(r, y, second);
}

TEST(TextBoxesTest, BevelFrameIsPixelExact) {
  for (auto [l, t, r, b] :
       {std::array{3, 4, 20, 15}, std::array{0, 0, 29, 19}, std::array{5, 5, 6, 6}}) {
    TBitmap bitmap;
    TCanvas& canvas = Noise(bitmap, 30, 20, 1);
    std::vector<uint32_t> expected = Pixels(canvas);
    ModelBevel(expected, 30, l, t, r, b, kLight, kDark);
    canvas.Pen.Mode = platform::pmXor;  // the frame sets its own pen
    canvas.Pen.Width = 3;
    DrawBevelFrame(canvas, l, t, r, b, kLight, kDark);
    EXPECT_EQ(Pixels(canvas), expected) << l << "," << t << "," << r << "," << b;
    EXPECT_EQ(canvas.Pen.Mode, platform::pmCopy);
  }
}

// The antialiased layer enabled and started for the scope.
class LayerStarted {
 public:
  LayerStarted() : enabled_(GdiPlusEnabled, true) { LoadGdiPlus(); }
  ~LayerStarted() { UnloadGdiPlus(); }

 private:
  test::ScopedOverride<bool> enabled_;
};

TEST(TextBoxesTest, SurfaceBevelOnBothPaths) {
  {
    TBitmap bitmap, same;
    TCanvas& canvas = Noise(bitmap, 30, 20, 2);
    TCanvas& reference = Noise(same, 30, 20, 2);
    TPVCanvas surface(canvas, true, true);
    ASSERT_FALSE(surface.UseGdiPlus);
    DrawBevelFramePV(surface, 2, 3, 25, 17, kLight, kDark);
    DrawBevelFrame(reference, 2, 3, 25, 17, kLight, kDark);
    EXPECT_EQ(Pixels(canvas), Pixels(reference));
  }
  LayerStarted layer;
  TBitmap bitmap;
  TCanvas& canvas = Noise(bitmap, 30, 20, 2);
  std::vector<uint32_t> expected = Pixels(canvas);
  TPVCanvas surface(canvas, false, true);
  ASSERT_TRUE(surface.UseGdiPlus);
  DrawBevelFramePV(surface, 2, 3, 25, 17, kLight, kDark);
  // On the layer the lines reach their end points; the second colour covers the shared ones.
  for (int y = 3; y <= 17; ++y) expected[y * 30 + 2] = kLight;
  for (int x = 2; x <= 25; ++x) expected[3 * 30 + x] = kLight;
  for (int x = 2; x <= 25; ++x) expected[17 * 30 + x] = kDark;
  for (int y = 3; y <= 17; ++y) expected[y * 30 + 25] = kDark;
  EXPECT_EQ(Pixels(canvas), expected);
}

struct Measured {
  int width, height;
};

Measured Measure(const platform::TFont& font, const std::string& text) {
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas& canvas = *scratch.GetCanvas();
  canvas.Font = font;
  return {canvas.TextWidth(text), canvas.TextHeight(text)};
}

platform::TFont Arial9() {
  platform::TFont font;
  font.Name = "Arial";
  font.Size = 9;
  return font;
}

// Checks the filled box at (x, y) of size w x h: frame by the bevel model, the text's pixels
// only inside [x + 9, x + 9 + textWidth) x [y + 9, y + 9 + textHeight), fill elsewhere.
void CheckBox(TCanvas& canvas, const std::vector<uint32_t>& before, int x, int y, int w, int h,
              Measured text, uint32_t fill, const char* what) {
  const int width = canvas.GetBitmap().GetWidth();
  std::vector<uint32_t> frame = before;
  ModelBevel(frame, width, x + 6, y + 6, x + w - 1, y + h - 1, kLight, kDark);
  int inked = 0;
  for (int py = 0; py < canvas.GetBitmap().GetHeight(); ++py)
    for (int px = 0; px < width; ++px) {
      const uint32_t c = canvas.GetPixel(px, py);
      const bool onFrame =
          frame[py * width + px] != before[py * width + px] || (px == x + w - 1 && py == y + 6);
      const bool inBox = px >= x + 6 && px < x + w && py >= y + 6 && py < y + h;
      const bool inText =
          px >= x + 9 && px < x + 9 + text.width && py >= y + 9 && py < y + 9 + text.height;
      if (!inBox) {
        ASSERT_EQ(c, before[py * width + px]) << what << " outside " << px << "," << py;
      } else if (onFrame && !(px == x + w - 1 && py == y + 6)) {
        ASSERT_EQ(c, frame[py * width + px]) << what << " frame " << px << "," << py;
      } else if (!inText) {
        ASSERT_EQ(c, fill) << what << " fill " << px << "," << py;
      } else if (c != fill) {
        ++inked;
      }
    }
  EXPECT_GT(inked, 20) << what;
}

TEST(TextBoxesTest, HintBoxStaysInsideKeepsWhatItCoversAndDrawsItsText) {
  platform::TFont font = Arial9();
  font.Color = 0x000000;
  platform::TBrush brush;
  brush.Color = 0x00FFFF;
  const std::string text = "Width: 1024";
  const Measured m = Measure(font, text);
  const int w = m.width + 12, h = m.height + 12;
  struct Case {
    int x, y, expectedX, expectedY;
  };
  const Case cases[] = {
      {-5, -3, 0, 0},
      {20, 10, 20, 10},
      {300, 500, 200 - w - 1, 80 - h - 1},  // ends one pixel inside the area
  };
  for (const Case& c : cases) {
    TBitmap bitmap;
    TCanvas& canvas = Noise(bitmap, 200, 80, 3);
    const std::vector<uint32_t> before = Pixels(canvas);
    std::unique_ptr<TBitmap> backup;
    int x = c.x, y = c.y;
    DrawHintBox(canvas, x, y, text, font, brush, backup, 200, 80, kLight, kDark);
    EXPECT_EQ(x, c.expectedX);
    EXPECT_EQ(y, c.expectedY);
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->GetPixelFormat(), platform::pf24bit);
    ASSERT_EQ(backup->GetWidth(), w);
    ASSERT_EQ(backup->GetHeight(), h);
    for (int by = 0; by < h; ++by)
      for (int bx = 0; bx < w; ++bx)
        ASSERT_EQ(backup->GetCanvas()->GetPixel(bx, by), before[(y + by) * 200 + x + bx]);
    CheckBox(canvas, before, x, y, w, h, m, brush.Color, "hint");
    EXPECT_EQ(canvas.Font.Name, "Arial");
    EXPECT_EQ(canvas.Brush.Color, brush.Color);
  }
}

TEST(TextBoxesTest, InfoBoxOnThePlainPathIsOpaqueAndWidenedByTheSecondText) {
  const std::string text = "Zoom", wide = "Zoom 100% 1024 x 768 pixels";
  const Measured first = Measure(Arial9(), text);
  const Measured second = Measure(Arial9(), wide);
  ASSERT_GT(second.width, first.width + 20);
  TBitmap bitmap;
  TCanvas& canvas = Noise(bitmap, 260, 60, 4);
  const std::vector<uint32_t> before = Pixels(canvas);
  int x = -7, y = 4;
  DrawInfoBox(canvas, x, y, text, wide);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 4);
  CheckBox(canvas, before, 0, 4, second.width + 12, first.height + 12, first, 0x60FFFF, "info");
  EXPECT_EQ(canvas.Font.Name, "Arial");
  EXPECT_EQ(canvas.Font.Size, 9);
  EXPECT_EQ(canvas.Brush.Style, platform::bsClear);
}

TEST(TextBoxesTest, InfoBoxOnTheAntialiasedPathIsTranslucent) {
  LayerStarted layer;
  const std::string text = "Angle 45", wide = "Angle 45 degrees, 120 pixels";
  const Measured first = Measure(Arial9(), text);
  const Measured second = Measure(Arial9(), wide);
  TBitmap bitmap;
  TCanvas& canvas = Noise(bitmap, 260, 60, 5);
  const std::vector<uint32_t> before = Pixels(canvas);
  int x = 3, y = 2;
  DrawInfoBox(canvas, x, y, text, wide);
  const int w = second.width + 12, h = first.height + 12;
  const int l = x + 6, t = y + 6, r = x + w - 1, b = y + h - 1;
  // Frame lines are whole pixels between their ends.
  for (int py = t + 1; py < b; ++py) {
    EXPECT_EQ(canvas.GetPixel(l, py), kLight) << py;
    EXPECT_EQ(canvas.GetPixel(r, py), kDark) << py;
  }
  for (int px = l + 1; px < r; ++px) {
    EXPECT_EQ(canvas.GetPixel(px, t), kLight) << px;
    EXPECT_EQ(canvas.GetPixel(px, b), kDark) << px;
  }
  // Inside, away from the frame and the text: the yellow at alpha 128 over what was there.
  const auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
  int checked = 0;
  for (int py = t + 1; py < b; ++py)
    for (int px = l + 1; px < r - 1; ++px) {
      const bool inText =
          px >= x + 9 && px < x + 9 + first.width && py >= y + 9 && py < y + 9 + first.height;
      if (inText) continue;
      const uint32_t was = before[py * 260 + px], now = canvas.GetPixel(px, py);
      for (int shift : {0, 8, 16})
        ASSERT_NEAR(channel(now, shift),
                    (channel(0x60FFFF, shift) * 128 + channel(was, shift) * 127) / 255.0, 1.0)
            << px << "," << py;
      ++checked;
    }
  EXPECT_GT(checked, 100);
  // Outside the box nothing changed.
  for (int py = 0; py < 60; ++py)
    for (int px = 0; px < 260; ++px)
      if (px < l - 1 || px > r + 1 || py < t - 1 || py > b + 1) {
        ASSERT_EQ(canvas.GetPixel(px, py), before[py * 260 + px]) << px << "," << py;
      }
}

}  // namespace
}  // namespace calmora
