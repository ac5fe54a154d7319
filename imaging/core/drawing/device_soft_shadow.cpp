// The soft shadow around an object of a 24-bit device bitmap: a grey mask of the object moved
// a little toward the bottom right, blurred, then every pixel around the object darkened by
// the mask's value under it.
#include <algorithm>
#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/drawing/drawing_helpers.h"

namespace calmora {

TGaussianBlurGray8Proc GaussianBlurGray8Proc = nullptr;

namespace {

// The shadow reaches this far out on each side of the object.
constexpr int32_t kReach = 5;
constexpr double kBlurRadius = 2.5;

}  // namespace

void DrawSoftShadow(platform::TBitmap& Bitmap, int32_t Left, int32_t Top, int32_t Right,
                    int32_t Bottom, int32_t) {
  if (Bitmap.GetPixelFormat() != platform::pf24bit) return;
  const int64_t maskWidth = int64_t{Right} - Left + 2 * kReach + 1;
  const int64_t maskHeight = int64_t{Bottom} - Top + 2 * kReach + 1;
  if (maskWidth < 1 || maskHeight < 1 || maskWidth > INT32_MAX || maskHeight > INT32_MAX) return;
  // Mask pixel (0, 0) lies at (Left - 5, Top - 5).
  TPVBitmap mask;
  if (!mask.Allocate(static_cast<int32_t>(maskWidth), static_cast<int32_t>(maskHeight), pv8g))
    return;
  mask.Fill(0);
  mask.FillRect(kReach, kReach, Right - Left + kReach + 2, Bottom - Top + kReach + 2, 255);
  if (GaussianBlurGray8Proc)
    GaussianBlurGray8Proc(mask, 0, 0, mask.GetWidth() - 1, mask.GetHeight() - 1, kBlurRadius);

  const int64_t yFrom = std::max<int64_t>(int64_t{Top} - kReach, 0);
  const int64_t yTo = std::min<int64_t>(int64_t{Bottom} + kReach, Bitmap.GetHeight() - 1);
  const int64_t xFrom = std::max<int64_t>(int64_t{Left} - kReach, 0);
  const int64_t xTo = std::min<int64_t>(int64_t{Right} + kReach, Bitmap.GetWidth() - 1);
  for (int64_t y = yFrom; y <= yTo; ++y) {
    uint8_t* row = Bitmap.GetScanLine(static_cast<int32_t>(y));
    const uint8_t* shade = mask.GetScanline(static_cast<int32_t>(y - Top + kReach));
    for (int64_t x = xFrom; x <= xTo; ++x) {
      if (x >= Left && x < Right && y >= Top && y < Bottom) continue;
      const double keep = 1 - shade[x - Left + kReach] / 255.0;
      uint8_t* pixel = row + 3 * x;
      for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(pixel[c] * keep);
    }
  }
}

}  // namespace calmora
