// Reducing a 24-bit image to a palette in place, nearest palette entries, grey rectangles.
#include "imaging/proc/colors/color_reduction.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/colors/quantizer.h"
#include "imaging/proc/row_progress.h"

namespace calmora {

namespace {

// The index of every colour met so far, for the network quantiser whose search costs far more
// than a table read: 2^24 entries of 16 bits (-1 until the colour is met), 32 MB for the length
// of one reduction, taken only when it can be had.
class TNetworkIndexTable {
 public:
  static constexpr int32_t kMaxColors = 32767;

  explicit TNetworkIndexTable(const TPVQuantizer& quantizer) : quantizer_(quantizer) {
    table_.reset(new (std::nothrow) int16_t[kEntries]);
    if (table_) std::fill_n(table_.get(), kEntries, int16_t{-1});
  }
  bool Ready() const { return table_ != nullptr; }

  int32_t IndexOf(TPVRGB c) {
    int16_t& entry = table_[uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b];
    if (entry < 0) entry = static_cast<int16_t>(quantizer_.RGBIndex(c));
    return entry;
  }

 private:
  static constexpr size_t kEntries = size_t{1} << 24;
  const TPVQuantizer& quantizer_;
  std::unique_ptr<int16_t[]> table_;
};

// Every pixel becomes Palette[indexOf(pixel)]; progress after each row.
template <typename IndexOf>
void MapPixels(TPVBitmap& bitmap, const TPVRGB* palette, int32_t numColors, IndexOf indexOf,
               const TPVProgressEvent& onProgress, TObject* sender) {
  const int32_t width = bitmap.GetWidth();
  const int32_t height = bitmap.GetHeight();
  const double step = RowProgressStep(height);
  for (int32_t y = 0; y < height; ++y) {
    if (auto* row = reinterpret_cast<TPVRGB*>(bitmap.GetScanline(y)))
      for (int32_t x = 0; x < width; ++x) {
        const int32_t index = indexOf(row[x]);
        if (index >= 0 && index < numColors) row[x] = palette[index];
      }
    ReportRowDone(onProgress, sender, step, y);
  }
}

}  // namespace

void ReduceColors24(TPVBitmap& Bitmap, int32_t NumColors, TPVRGB* Palette,
                    const TPVProgressEvent& OnProgress, TObject* Sender) {
  if (Bitmap.GetPixelFormat() != pv24RGB || NumColors < 1) return;
  std::vector<TPVRGB> ownPalette;
  if (!Palette) {
    ownPalette.assign(static_cast<size_t>(NumColors), TPVRGB{0, 0, 0});
    Palette = ownPalette.data();
  }
  const TPVQuantizer quantizer(Bitmap, Palette, NumColors);
  if (quantizer.NeuQuant() && NumColors <= TNetworkIndexTable::kMaxColors) {
    TNetworkIndexTable table(quantizer);
    if (table.Ready()) {
      MapPixels(
          Bitmap, Palette, NumColors, [&](TPVRGB c) { return table.IndexOf(c); }, OnProgress,
          Sender);
      return;
    }
  }
  MapPixels(
      Bitmap, Palette, NumColors, [&](TPVRGB c) { return quantizer.RGBIndex(c); }, OnProgress,
      Sender);
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
