// The smoothing stretch's unrolled loops against its plain per-tap loops: the same pixels over
// random sizes, extents, mirrorings, sources reaching past their bitmap and one bitmap as
// source and destination.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/canvas.h"
#include "platform/canvas_blit.h"
#include "platform/device_bitmap.h"
#include "tests/support/scoped_override.h"

namespace calmora::platform {
namespace {

void FillRandom(TBitmap& bitmap, int width, int height, TPixelFormat format, std::mt19937& random) {
  ASSERT_TRUE(bitmap.SetPixelFormat(format));
  ASSERT_TRUE(bitmap.SetSize(width, height));
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < bitmap.GetRowLength(); ++i)
      bitmap.GetScanLine(y)[i] = static_cast<uint8_t>(random());
}

std::vector<uint8_t> Bytes(TBitmap& bitmap) {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    bytes.insert(bytes.end(), bitmap.GetScanLine(y), bitmap.GetScanLine(y) + bitmap.GetRowLength());
  return bytes;
}

struct TStretch {
  int X, Y, Width, Height, SourceX, SourceY, SourceWidth, SourceHeight;
};

// Runs one stretch on fresh copies of the pictures, with the plain or the unrolled loops, and
// returns the destination's bytes.
std::vector<uint8_t> Stretched(const std::vector<uint8_t>& destBytes, const std::vector<uint8_t>& sourceBytes,
                               int destWidth, int destHeight, int sourceWidth, int sourceHeight,
                               TPixelFormat format, bool oneBitmap, const TStretch& s, bool plain) {
  test::ScopedOverride<bool> loops(SmoothStretchPlainLoops, plain);
  TBitmap dest, source;
  const auto load = [format](TBitmap& bitmap, int width, int height, const std::vector<uint8_t>& bytes) {
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    size_t next = 0;
    for (int y = 0; y < height; ++y)
      for (int i = 0; i < bitmap.GetRowLength(); ++i) bitmap.GetScanLine(y)[i] = bytes[next++];
  };
  load(dest, destWidth, destHeight, destBytes);
  load(source, sourceWidth, sourceHeight, sourceBytes);
  TBitmap& from = oneBitmap ? dest : source;
  EXPECT_TRUE(SmoothStretchBlt(*dest.GetCanvas(), s.X, s.Y, s.Width, s.Height, *from.GetCanvas(),
                               s.SourceX, s.SourceY, s.SourceWidth, s.SourceHeight));
  return Bytes(dest);
}

TEST(CanvasBlitStretchLoopsTest, UnrolledLoopsGiveThePlainLoopsPixels) {
  std::mt19937 random(23);
  std::uniform_int_distribution<int> side(1, 90);
  std::uniform_int_distribution<int> place(-25, 60);
  std::uniform_int_distribution<int> coin(0, 1);
  for (int round = 0; round < 400; ++round) {
    const TPixelFormat format = round % 3 == 0 ? pf32bit : pf24bit;
    const bool oneBitmap = round % 4 == 1;
    const int destWidth = side(random), destHeight = side(random);
    const int sourceWidth = side(random), sourceHeight = side(random);
    TBitmap dest, source;
    FillRandom(dest, destWidth, destHeight, format, random);
    FillRandom(source, sourceWidth, sourceHeight, format, random);
    // Extents from a pixel to well past the bitmaps, so shrinks take from one tap to many;
    // a negative one mirrors.
    std::uniform_int_distribution<int> extent(1, 120);
    const auto sign = [&] { return coin(random) == 1 ? -1 : 1; };
    TStretch s{place(random),          place(random),          sign() * extent(random),
               sign() * extent(random), place(random),          place(random),
               sign() * extent(random), sign() * extent(random)};
    if (round % 5 == 0) s.Width = s.SourceWidth;  // equal extents across: a plain copy of columns
    const auto destBytes = Bytes(dest), sourceBytes = Bytes(source);
    const auto plain = Stretched(destBytes, sourceBytes, destWidth, destHeight, sourceWidth,
                                 sourceHeight, format, oneBitmap, s, true);
    const auto unrolled = Stretched(destBytes, sourceBytes, destWidth, destHeight, sourceWidth,
                                    sourceHeight, format, oneBitmap, s, false);
    ASSERT_EQ(plain, unrolled) << "round " << round << ": " << s.X << "," << s.Y << " "
                               << s.Width << "x" << s.Height << " from " << s.SourceX << ","
                               << s.SourceY << " " << s.SourceWidth << "x" << s.SourceHeight;
  }
}

}  // namespace
}  // namespace calmora::platform
