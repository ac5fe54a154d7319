// Drawing through regions of many narrow pieces (the spans copied inline) and of wide ones,
// against a per-pixel model: a pixel takes the picture's exactly where the region holds it.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"
#include "platform/region.h"

namespace calmora::platform {
namespace {

void FillRandom(TBitmap& bitmap, int width, int height, TPixelFormat format, std::mt19937& random) {
  ASSERT_TRUE(bitmap.SetPixelFormat(format));
  ASSERT_TRUE(bitmap.SetSize(width, height));
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < bitmap.GetRowLength(); ++i)
      bitmap.GetScanLine(y)[i] = static_cast<uint8_t>(random());
}

TEST(CanvasBlitRegionSpansTest, EveryPieceCopiesItsPixelsOnly) {
  std::mt19937 random(91);
  std::uniform_int_distribution<int> at(-10, 70);
  std::uniform_int_distribution<int> narrow(1, 12);
  std::uniform_int_distribution<int> wide(1, 60);
  std::uniform_int_distribution<int> offset(-8, 8);
  for (int round = 0; round < 120; ++round) {
    const TPixelFormat format = round % 2 == 0 ? pf24bit : pf32bit;
    const int bytes = format == pf24bit ? 3 : 4;
    TBitmap canvas, picture;
    FillRandom(canvas, 61, 43, format, random);
    FillRandom(picture, 55, 47, format, random);
    std::vector<TRegionRect> rects;
    for (int i = 0; i < 40; ++i) {
      const int left = at(random), top = at(random);
      const int width = i % 3 == 0 ? wide(random) : narrow(random);
      rects.push_back(TRegionRect{left, top, left + width, top + narrow(random)});
    }
    const TRegion clip = TRegion::FromRects(rects);
    const int x = offset(random), y = offset(random);
    std::vector<std::vector<uint8_t>> before;
    for (int row = 0; row < 43; ++row)
      before.emplace_back(canvas.GetScanLine(row), canvas.GetScanLine(row) + canvas.GetRowLength());
    DrawThroughRegion(*canvas.GetCanvas(), x, y, picture, clip);
    for (int py = 0; py < 43; ++py)
      for (int px = 0; px < 61; ++px) {
        const int qx = px - x, qy = py - y;
        const bool copied = clip.Contains(px, py) && qx >= 0 && qy >= 0 && qx < 55 && qy < 47;
        for (int c = 0; c < bytes; ++c) {
          const uint8_t expected = copied ? picture.GetScanLine(qy)[bytes * qx + c]
                                          : before[py][bytes * px + c];
          ASSERT_EQ(canvas.GetScanLine(py)[bytes * px + c], expected)
              << "round " << round << " at " << px << "," << py;
        }
      }
  }
}

}  // namespace
}  // namespace calmora::platform
