// The mean colour and the grey histogram of a bitmap.
#include "imaging/proc/colors/color_statistics.h"

#include <algorithm>

#include "imaging/base/bit_helpers.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/colors/row_colors.h"

namespace calmora {

namespace {

// The grey formats count their own value; GrayLevelOf would give the same only while the
// weights add up to 100.
void CountGreyRow(TPVPixelFormat format, const uint8_t* row, int32_t width,
                  TPVGrayHistogram& hist) {
  switch (format) {
    case pv1g:
      for (int32_t x = 0; x < width; ++x) ++hist[GetBit(row, x) ? 1 : 0];
      break;
    case pv8g:
      for (int32_t x = 0; x < width; ++x) ++hist[row[x]];
      break;
    case pv16g:
      for (int32_t x = 0; x < width; ++x) ++hist[ReadRowSample<uint16_t>(row, x) >> 8];
      break;
    case pv32f:
      for (int32_t x = 0; x < width; ++x)
        ++hist[ClampInt(TruncToInt32Bits(ReadRowSample<float>(row, x) * 255.0), 0, 255)];
      break;
    default: break;
  }
}

}  // namespace

void AverageColor(const TPVBitmap& Bitmap, int32_t& R, int32_t& G, int32_t& B) {
  R = G = B = 0;
  TRowColorReader reader(Bitmap, TWordToByte::Scaled);
  if (!reader.CanRead()) return;
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  int64_t total[3] = {0, 0, 0};
  for (int32_t y = 0; y < height; ++y) {
    const TPVRGB* row = reader.Row(y);
    if (!row) continue;
    int64_t sum[3] = {0, 0, 0};
    for (int32_t x = 0; x < width; ++x) {
      sum[0] += row[x].r;
      sum[1] += row[x].g;
      sum[2] += row[x].b;
    }
    for (int c = 0; c < 3; ++c) total[c] += sum[c] / width;
  }
  R = static_cast<int32_t>(total[0] / height);
  G = static_cast<int32_t>(total[1] / height);
  B = static_cast<int32_t>(total[2] / height);
}

void GrayHistogram(const TPVBitmap& Bitmap, TPVGrayHistogram& Hist) {
  Hist.fill(0);
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (format == pv1g || format == pv8g || format == pv16g || format == pv32f) {
    for (int32_t y = 0; y < height; ++y)
      if (const uint8_t* row = Bitmap.GetScanline(y)) CountGreyRow(format, row, width, Hist);
    return;
  }
  TRowColorReader reader(Bitmap);
  if (!reader.CanRead()) return;
  for (int32_t y = 0; y < height; ++y)
    if (const TPVRGB* row = reader.Row(y))
      for (int32_t x = 0; x < width; ++x) ++Hist[std::clamp(GrayLevelOf(row[x]), 0, 255)];
}

}  // namespace calmora
