// Small painting routines of the view, the preview dialog and the dialogs' backgrounds: drop
// shadows, a soft shadow, bevelled frames, a hint box and a translucent information box, a
// Gaussian curve and two background textures. Colours are the toolkit's (0x00BBGGRR).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/base/pixel_types.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"

namespace calmora {

class TPVBitmap;
class TPVCanvas;

// ---- Shadows ----
// One strip of a drop shadow: the vertical strip (Left..Right, Top..Bottom) to the right of an
// object, or the horizontal strip below it. Style 1 fills with the canvas's brush, style 2
// darkens (in Bitmap, a 24-bit device bitmap, where it is given and the pixel lies in it,
// else through the canvas's pixels), style 3 paints a grey ramp on the canvas; other styles
// paint nothing. The strip's far end is slanted. The last argument is not read.
void DrawRightShadow(platform::TCanvas& Canvas, platform::TBitmap* Bitmap, int32_t Left,
                     int32_t Top, int32_t Right, int32_t Bottom, int32_t Style, int32_t Spare);
void DrawBottomShadow(platform::TCanvas& Canvas, platform::TBitmap* Bitmap, int32_t Left,
                      int32_t Top, int32_t Right, int32_t Bottom, int32_t Style, int32_t Spare);
// A blurred shadow around the object [Left, Right) x [Top, Bottom) of a 24-bit device bitmap,
// 5 pixels wide on each side; pixels inside the object never change. The last argument is not
// read.
void DrawSoftShadow(platform::TBitmap& Bitmap, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom, int32_t Spare);

// The soft shadow blurs its mask with the processing layer's Gaussian blur of 8-bit grey
// bitmaps (inclusive rectangle, radius in pixels), a layer above this one: its unit set-up
// installs it here. While none is installed the mask stays unblurred.
using TGaussianBlurGray8Proc = void (*)(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2,
                                        int32_t Y2, double Radius);
extern TGaussianBlurGray8Proc GaussianBlurGray8Proc;

// ---- Frames and text boxes ----
// Solid one-pixel pen in copy mode: from (Left, Bottom) up to (Left, Top) and on to
// (Right, Top) in the first colour, then from (Left, Bottom) to (Right, Bottom) and up to
// (Right, Top) in the second.
void DrawBevelFrame(platform::TCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom, TColor LeftTopColor, TColor RightBottomColor);
void DrawBevelFramePV(TPVCanvas& Canvas, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom,
                      TColor LeftTopColor, TColor RightBottomColor);
// A box of the text's size plus 12 in the font and brush, kept inside the area (it ends one
// pixel inside) and never left of or above 0; X and Y come back as its position. Backup
// (made when null) becomes a 24-bit copy of the canvas area the box covers, so that the
// caller can restore it.
void DrawHintBox(platform::TCanvas& Canvas, int32_t& X, int32_t& Y, const std::string& Text,
                 const platform::TFont& Font, const platform::TBrush& Brush,
                 std::unique_ptr<platform::TBitmap>& Backup, int32_t AreaWidth, int32_t AreaHeight,
                 TColor LeftTopColor, TColor RightBottomColor);
// A translucent light-yellow box (antialiased when that layer is started) with Text in
// "Arial" 9 pt; the box is as wide as the wider of the two texts, but only Text is drawn.
// X and Y are raised to 0.
void DrawInfoBox(platform::TCanvas& Canvas, int32_t& X, int32_t& Y, const std::string& Text,
                 const std::string& SecondText);

// ---- Curves and textures ----
// Output[k] for k = 0 .. N - 1: the normal density exp(-S^2 t^2 / 2) / (S sqrt(2 pi)) at
// t = 2k / N - 1, scaled so that its largest value becomes High and 0 becomes Low. The last
// argument is not read.
void MakeGaussianCurve(int32_t N, double Low, double High, double S, double* Output, int32_t Spare);
// Makes Graphic Width x Height, 24 bits, filled with grey rows 240, 251, 255, 251 repeated.
void PaintStripedTexture(platform::TBitmap& Graphic, int32_t Width, int32_t Height);
// Makes Graphic Width x Height, 24 bits, grey brightest in the middle column (208) and about
// 160 at the edges, with a random step of 0..10 added that changes at random intervals; draws
// from the process-wide generator (Random).
void PaintNoisyTexture(platform::TBitmap& Graphic, int32_t Width, int32_t Height);

}  // namespace calmora
