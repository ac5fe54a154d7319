// RenderSoftShadow: the margin, and the merge of the blurred, moved alpha with the object's own
// alpha against its formulas pixel by pixel (every a0 case, intensities 100, 0 and between,
// both blurs, offsets that push the shadow off the image), pv1g, and other formats left alone.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "imaging/base/geometry/geometry.h"
#include "imaging/proc/filters/filter3x3.h"
#include "imaging/proc/filters/gaussian_blur.h"
#include "imaging/proc/filters/alpha_soft_shadow.h"
#include "tests/imaging/proc/resample/resample_test_support.h"

namespace calmora::test {
namespace {

struct ShadowCase {
  int32_t offsetX, offsetY;
  double radius;
  int32_t intensity;
  int32_t left, top, right, bottom;
};

TEST(RenderSoftShadow, Margins) {
  const struct {
    int32_t offsetX, offsetY;
    double radius;
    int32_t margin;
  } cases[] = {
      {3, 4, 0, 18},
      {0, 0, 0, 10},
      {0, 0, 2.5, 12},
      {-7, 2, 1, 19},
      {0, 0, 0.19, 1},
      {0, 0, -3, 1},
      {2, -9, std::nan(""), 18},
      {0, 0, 1e300, INT32_MAX},
      {INT32_MIN, 0, 1, INT32_MAX},
  };
  for (const auto& c : cases)
    for (const TPVPixelFormat format : {pv24RGB, pv1g, pv8g}) {
      TPVBitmap bitmap(20, 10, format);
      EXPECT_EQ(RenderSoftShadow(bitmap, c.offsetX, c.offsetY, c.radius, 50, TPVRGB{}, 5, 3, 9, 6),
                c.margin)
          << c.offsetX << "," << c.offsetY << " radius " << c.radius;
    }
}

// The routine's steps with the blurs and the move of the library, and the merge written out.
void ModelShadow(Plane& pixels, Plane& alpha, TPVPixelFormat format, const ShadowCase& c,
                 TPVRGB color) {
  const bool small = c.radius == 0;
  const double radius = small ? 2 : c.radius;
  const int64_t margin = std::max<int64_t>(
      2 * std::max(std::abs(c.offsetX), std::abs(c.offsetY)) + static_cast<int64_t>(5 * radius), 1);
  const int32_t width = pixels.width, height = pixels.height;
  const auto clampX = [&](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, width - 1));
  };
  const auto clampY = [&](int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, height - 1));
  };
  const Plane own = alpha;
  TPVBitmap plane;
  MakeBitmap(plane, Storage::MemoryBlock, alpha, pv8g);
  const int64_t half = margin / 2;
  const int32_t bx1 = clampX(c.left - half), by1 = clampY(c.top - half);
  const int32_t bx2 = clampX(c.right + half), by2 = clampY(c.bottom + half);
  if (small)
    ApplyFilter3x3(plane, BuiltInFilters[1], bx1, by1, bx2, by2);
  else
    GaussianBlurGray8(plane, bx1, by1, bx2, by2, radius);
  if (c.offsetX != 0 || c.offsetY != 0) {
    ASSERT_TRUE(plane.MoveRect(bx1, by1, bx2, by2, bx1 + c.offsetX, by1 + c.offsetY, 0));
  }
  alpha = ReadPlane(plane);
  const double q = 3 - std::clamp(c.intensity, 0, 100) / 100.0 * 2;
  for (int32_t y = clampY(c.top - margin); y <= clampY(c.bottom + margin); ++y)
    for (int32_t x = clampX(c.left - margin); x <= clampX(c.right + margin); ++x) {
      const int32_t a0 = own.at(x, y);
      int32_t& a1 = alpha.at(x, y);
      if (format == pv1g) {
        if (a0 == 0 && a1 > 0)
          pixels.at(x, y) = 0;
        else
          a1 = a0;
        continue;
      }
      const uint8_t colour[3] = {color.b, color.g, color.r};
      if (a0 == 0 && a1 > 0) {
        for (int32_t ch = 0; ch < 3; ++ch) pixels.at(x, y, ch) = colour[ch];
        if (q != 1) a1 = static_cast<int32_t>(a1 / q);
      } else if ((a0 == 0 && a1 == 0) || a0 == 255) {
        a1 = a0;
      } else {
        const double s = a0 / 255.0, o = a1 / 255.0;
        for (int32_t ch = 0; ch < 3; ++ch) {
          const int32_t pixel = pixels.at(x, y, ch);
          const int32_t under = static_cast<int32_t>(colour[ch] * o + pixel * (1 - o));
          pixels.at(x, y, ch) = static_cast<int32_t>(pixel * s + under * (1 - s));
        }
        a1 = static_cast<int32_t>((s + (1 - s) * o) * 255);
      }
    }
}

// An object's alpha: opaque inside, a soft rim of random values, transparent around it.
Plane ObjectAlpha(std::mt19937& random, int32_t width, int32_t height, const ShadowCase& c) {
  Plane alpha(width, height, 1);
  for (int32_t y = std::max(c.top, 0); y <= std::min(c.bottom, height - 1); ++y)
    for (int32_t x = std::max(c.left, 0); x <= std::min(c.right, width - 1); ++x) {
      const bool rim = x <= c.left + 1 || x >= c.right - 1 || y <= c.top + 1 || y >= c.bottom - 1;
      alpha.at(x, y) = rim ? static_cast<int32_t>(random() % 256) : 255;
    }
  return alpha;
}

class ShadowStorage : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(ShadowStorage, PixelsAndAlphaFollowTheFormulas) {
  const ShadowCase cases[] = {
      {3, 4, 0, 100, 10, 8, 25, 20},   {3, 4, 0, 0, 10, 8, 25, 20},
      {0, 0, 2.5, 100, 10, 8, 25, 20}, {-5, 2, 2.5, 0, 10, 8, 25, 20},
      {4, 4, 1.5, 37, 10, 8, 25, 20},  {6, -3, 3, 70, 28, 2, 45, 12},
      {2, 2, 1, 150, -6, -4, 8, 6},    {-40, 0, 2, -20, 14, 10, 22, 18},
      {1, 1, 0, 50, 0, 0, 39, 29},
  };
  std::mt19937 random(71);
  for (const TPVPixelFormat format : {pv24RGB, pv1g})
    for (const ShadowCase& c : cases) {
      const int32_t width = 40, height = 30;
      Plane pixels = RandomPlane(random, width, height, format);
      Plane alpha = ObjectAlpha(random, width, height, c);
      TPVBitmap bitmap;
      MakeBitmap(bitmap, GetParam(), pixels, format);
      TPVBitmap* plane = bitmap.GetAlphaChannel();
      ASSERT_NE(plane, nullptr);
      WritePlane(*plane, alpha);
      const TPVRGB color{20, 140, 230};
      RenderSoftShadow(bitmap, c.offsetX, c.offsetY, c.radius, c.intensity, color, c.left, c.top,
                       c.right, c.bottom);
      ModelShadow(pixels, alpha, format, c, color);
      SCOPED_TRACE(testing::Message()
                   << "format " << int(format) << " offsets " << c.offsetX << "," << c.offsetY
                   << " radius " << c.radius << " intensity " << c.intensity);
      EXPECT_EQ(ReadPlane(bitmap), pixels);
      EXPECT_EQ(ReadPlane(*bitmap.GetAlphaChannel()), alpha);
      EXPECT_FALSE(bitmap.GetAlphaChannel()->Opaque);
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, ShadowStorage, ::testing::ValuesIn(kStorages), StorageCaseName);

// Outside the object, full intensity leaves the shadow's alpha as the blur made it, none keeps
// a third of it; the pixel takes the colour either way.
TEST(RenderSoftShadow, IntensityWeighsTheShadowsAlpha) {
  const ShadowCase c{0, 0, 2.5, 0, 10, 10, 19, 19};
  Plane blurred(30, 30, 1);
  for (int32_t y = 10; y <= 19; ++y)
    for (int32_t x = 10; x <= 19; ++x) blurred.at(x, y) = 255;
  TPVBitmap reference;
  MakeBitmap(reference, Storage::MemoryBlock, blurred, pv8g);
  GaussianBlurGray8(reference, 4, 4, 25, 25, 2.5);
  blurred = ReadPlane(reference);
  ASSERT_GT(blurred.at(8, 15), 20);
  for (const int32_t intensity : {100, 0}) {
    TPVBitmap bitmap(30, 30, pv24RGB);
    bitmap.Fill(0xFFFFFF);
    Plane object(30, 30, 1);
    for (int32_t y = 10; y <= 19; ++y)
      for (int32_t x = 10; x <= 19; ++x) object.at(x, y) = 255;
    WritePlane(*bitmap.GetAlphaChannel(), object);
    RenderSoftShadow(bitmap, c.offsetX, c.offsetY, c.radius, intensity, TPVRGB{1, 2, 3}, c.left,
                     c.top, c.right, c.bottom);
    const Plane alpha = ReadPlane(*bitmap.GetAlphaChannel());
    for (const TPoint p : {TPoint{8, 15}, TPoint{15, 7}, TPoint{21, 21}}) {
      const int32_t expected = intensity == 100 ? blurred.at(p.x, p.y) : blurred.at(p.x, p.y) / 3;
      EXPECT_EQ(alpha.at(p.x, p.y), expected) << intensity << " at " << p.x << "," << p.y;
      EXPECT_EQ(bitmap.GetPixelAsRGB(p.x, p.y), (TPVRGB{1, 2, 3}));
    }
    EXPECT_EQ(alpha.at(15, 15), 255);
    EXPECT_EQ(bitmap.GetPixelAsRGB(15, 15), (TPVRGB{255, 255, 255}));
  }
}

// Only pv24RGB and pv1g take a shadow; any other format keeps its pixels and its alpha (a
// blurred alpha would lose the object's own transparency), and gets none when it had none.
TEST(RenderSoftShadow, OtherFormatsKeepPixelsAndAlpha) {
  std::mt19937 random(73);
  const ShadowCase c{3, 4, 2, 60, 5, 5, 14, 12};
  for (const TPVPixelFormat format : {pv8g, pv8p, pv16g, pv32RGB, pvCMYK, pvRGB48}) {
    const Plane pixels = RandomPlane(random, 24, 20, format);
    const Plane alpha = ObjectAlpha(random, 24, 20, c);
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, pixels, format);
    WritePlane(*bitmap.GetAlphaChannel(), alpha);
    EXPECT_EQ(RenderSoftShadow(bitmap, c.offsetX, c.offsetY, c.radius, c.intensity, TPVRGB{},
                               c.left, c.top, c.right, c.bottom),
              18);
    EXPECT_EQ(ReadPlane(bitmap), pixels) << int(format);
    EXPECT_EQ(ReadPlane(*bitmap.GetAlphaChannel()), alpha) << int(format);
    TPVBitmap bare;
    MakeBitmap(bare, Storage::MemoryBlock, pixels, format);
    RenderSoftShadow(bare, c.offsetX, c.offsetY, c.radius, c.intensity, TPVRGB{}, c.left, c.top,
                     c.right, c.bottom);
    EXPECT_FALSE(bare.HasAlphaChannel()) << int(format);
  }
}

// Without an alpha channel the image is one opaque object: the channel made for it stays fully
// opaque and no pixel changes.
TEST(RenderSoftShadow, AnImageWithoutAlphaIsOneOpaqueObject) {
  std::mt19937 random(79);
  const Plane pixels = RandomPlane(random, 30, 20, pv24RGB);
  TPVBitmap bitmap;
  MakeBitmap(bitmap, Storage::MemoryBlock, pixels, pv24RGB);
  RenderSoftShadow(bitmap, 4, 3, 2, 40, TPVRGB{9, 9, 9}, 8, 6, 20, 14);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_EQ(ReadPlane(bitmap), pixels);
  Plane opaque(30, 20, 1);
  for (int32_t& a : opaque.samples) a = 255;
  EXPECT_EQ(ReadPlane(*bitmap.GetAlphaChannel()), opaque);
}

// When the shadow cannot be moved (no memory nor disk for the moving copy), the image keeps its
// pixels and alpha; an object rectangle given the wrong way round paints nothing.
TEST(RenderSoftShadow, ARefusedMoveOrAnEmptyObjectLosesNothing) {
  std::mt19937 random(83);
  const ShadowCase c{4, 3, 2, 60, 8, 6, 20, 14};
  const Plane pixels = RandomPlane(random, 30, 20, pv24RGB);
  const Plane alpha = ObjectAlpha(random, 30, 20, c);
  for (const bool refuse : {true, false}) {
    TPVBitmap bitmap;
    MakeBitmap(bitmap, Storage::MemoryBlock, pixels, pv24RGB);
    WritePlane(*bitmap.GetAlphaChannel(), alpha);
    {
      BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
      BlockLimitScope fragments(bitmap_testing::FragmentBlockLimit, 0);
      FreeSpaceScope noDisk([](const std::string&) -> int64_t { return 0; });
      if (refuse)
        RenderSoftShadow(bitmap, c.offsetX, c.offsetY, c.radius, c.intensity, TPVRGB{}, c.left,
                         c.top, c.right, c.bottom);
      else  // wider than two margins the wrong way round
        RenderSoftShadow(bitmap, 1, 1, 1, 50, TPVRGB{}, 25, 5, 3, 15);
    }
    EXPECT_EQ(ReadPlane(bitmap), pixels) << refuse;
    EXPECT_EQ(ReadPlane(*bitmap.GetAlphaChannel()), alpha) << refuse;
  }
}

}  // namespace
}  // namespace calmora::test
