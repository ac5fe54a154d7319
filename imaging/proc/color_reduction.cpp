// Reducing a 24-bit image to a palette in place, nearest palette entries, grey rectangles.
#include "imaging/proc/color_reduction.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/proc/base/color_helpers.h"
#include "imaging/proc/base/numeric_helpers.h"
#include "imaging/proc/quantizer.h"
#include "imaging/proc/row_progress.h"

namespace calmora {

void ReduceColors24(TPVBitmap& Bitmap, int32_t NumColors, TPVRGB* Palette,
                    const TPVProgressEvent& OnProgress, TObject* Sender) {
  if (Bitmap.GetPixelFormat() != pv24RGB || NumColors < 1) return;
  std::vector<TPVRGB> ownPalette;
  if (!Palette) {
    ownPalette.assign(static_cast<size_t>(NumColors), TPVRGB{0, 0, 0});
    Palette = ownPalette.data();
  }
  const TPVQuantizer quantizer(Bitmap, Palette, NumColors);
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  const double step = RowProgressStep(height);
  for (int32_t y = 0; y < height; ++y) {
    if (auto* row = reinterpret_cast<TPVRGB*>(Bitmap.GetScanline(y))) {
      // Neighbouring pixels often share a colour: one lookup serves the run.
      TPVRGB last = row[0];
      int32_t index = quantizer.RGBIndex(last);
      for (int32_t x = 0; x < width; ++x) {
        if (row[x] != last) {
          last = row[x];
          index = quantizer.RGBIndex(last);
        }
        if (index >= 0 && index < NumColors) row[x] = Palette[index];
      }
    }
    ReportRowDone(OnProgress, Sender, step, y);
  }
}

int32_t NearestPaletteIndex(const TPVRGB* Palette, int32_t Count, TPVRGB Color) {
  int32_t best = 1000;
  int32_t index = 0;
  for (int32_t i = 0; i < Count; ++i) {
    const TPVRGB p = Palette[i];
    const int32_t distance =
        std::abs(p.r - Color.r) + std::abs(p.g - Color.g) + std::abs(p.b - Color.b);
    if (distance < best) {
      best = distance;
      index = i;
    }
  }
  return index;
}

void ConvertRectToGray(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const TPVProgressEvent& OnProgress, TObject* Sender) {
  if (Bitmap.GetPixelFormat() != pv24RGB) return;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, Bitmap.GetWidth());
  Y2 = std::min(Y2, Bitmap.GetHeight());
  if (X2 <= X1 || Y2 <= Y1) return;
  const double rows = Y2 - Y1 - 0.5;
  for (int32_t y = Y1; y < Y2; ++y) {
    if (auto* row = reinterpret_cast<TPVRGB*>(Bitmap.GetScanline(y)))
      for (int32_t x = X1; x < X2; ++x) {
        const uint8_t grey = ClampByte(GrayLevelOf(row[x]));
        row[x] = TPVRGB{grey, grey, grey};
      }
    // The formula passes 100 on the last row; the report stops there.
    ReportProgress(OnProgress, Sender,
                   std::min(100, static_cast<int32_t>((y - Y1 + 1) * 100.0 / rows)));
  }
}

}  // namespace calmora
