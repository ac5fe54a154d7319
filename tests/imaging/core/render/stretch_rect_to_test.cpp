// StretchRectTo against a per-pixel model over random rectangles (pixels and the target's alpha
// plane), the alpha of opaque and translucent sources, formats it does not paint, and sources
// too wide for 32-bit fixed point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/core/render/render_model.h"

namespace calmora {
namespace {

struct Stretch {
  int32_t TargetX, TargetY, TargetWidth, TargetHeight;
  int32_t SourceX, SourceY, SourceWidth, SourceHeight;
  int32_t Alpha;
};

void Apply(TPVBitmap& source, TPVBitmap& target, const Stretch& s,
           TResampleFilter filter = rfNone) {
  source.StretchRectTo(target, s.TargetX, s.TargetY, s.TargetWidth, s.TargetHeight, s.SourceX,
                       s.SourceY, s.SourceWidth, s.SourceHeight, filter, s.Alpha);
}

// The alpha plane's bytes, one vector per row.
std::vector<std::vector<uint8_t>> AlphaOf(TPVBitmap& bitmap) {
  return test::ReadRows(*bitmap.GetAlphaChannel(), bitmap.GetWidth());
}

// Where target position t looks: start + floor((t - targetStart) x scale / 16384), the scale
// Trunc(source size / target size x 16384).
int64_t SourcePosition(int64_t t, int64_t targetStart, int64_t sourceStart, int64_t sourceSize,
                       int64_t targetSize) {
  const auto scale =
      static_cast<int64_t>(std::trunc(static_cast<double>(sourceSize) / targetSize * 16384));
  return sourceStart + static_cast<int64_t>(std::floor((t - targetStart) * (scale / 16384.0)));
}

struct Expected {
  test::RGBImage Pixels;
  std::vector<std::vector<uint8_t>> Alpha;
};

Expected Model(const TPVBitmap& source, const Expected& before, const Stretch& s) {
  Expected after = before;
  if (s.TargetWidth <= 0 || s.TargetHeight <= 0) return after;
  const TPVBitmap* plane = source.AlphaBitmap.get();
  const bool alphaFromSource = plane && !plane->Opaque;
  const auto alpha = static_cast<uint8_t>(std::clamp(s.Alpha, 0, 255));
  const auto height = static_cast<int64_t>(after.Pixels.size());
  const auto width = static_cast<int64_t>(after.Pixels[0].size());
  const int64_t lastRow = std::min<int64_t>(int64_t{s.TargetY} + s.TargetHeight - 1, height - 1);
  const int64_t lastColumn = std::min<int64_t>(int64_t{s.TargetX} + s.TargetWidth - 1, width - 1);
  for (int64_t y = std::max(s.TargetY, 0); y <= lastRow; ++y)
    for (int64_t x = std::max(s.TargetX, 0); x <= lastColumn; ++x) {
      const int64_t sx = SourcePosition(x, s.TargetX, s.SourceX, s.SourceWidth, s.TargetWidth);
      const int64_t sy = SourcePosition(y, s.TargetY, s.SourceY, s.SourceHeight, s.TargetHeight);
      if (sx < 0 || sy < 0 || sx >= source.Width || sy >= source.Height) continue;
      const auto px = static_cast<int32_t>(sx), py = static_cast<int32_t>(sy);
      after.Alpha[y][x] = alphaFromSource ? std::min(alpha, plane->GetPixel8(px, py)) : alpha;
      if (source.Format == pv1g || source.Format == pv24RGB)
        after.Pixels[y][x] = source.GetPixelAsRGB(px, py);
    }
  return after;
}

class StretchRectTo : public ::testing::Test {
 protected:
  test::TempFolderScope temp_;
};

TEST_F(StretchRectTo, MatchesTheModelOverRandomRectangles) {
  std::mt19937 random(99);
  const auto between = [&](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  const TPVPixelFormat formats[] = {pv1g, pv24RGB, pv8g};
  for (int i = 0; i < 1500; ++i) {
    const TPVPixelFormat format = formats[i % 3];
    auto source = test::MakeBitmap(test::kMemoryAndFile[i / 3 % 2], between(1, 30),
                                   between(1, 30), format);
    test::FillRandom(*source, static_cast<uint32_t>(random()));
    if (between(0, 2) > 0) {
      TPVBitmap* plane = source->GetAlphaChannel();
      test::FillRandom(*plane, static_cast<uint32_t>(random()));
      plane->Opaque = between(0, 2) == 0;
    }
    auto target = test::MakeBitmap(test::kMemoryAndFile[i / 6 % 2], between(1, 40),
                                   between(1, 40), pv24RGB);
    test::FillRandom(*target, static_cast<uint32_t>(random()));
    test::FillRandom(*target->GetAlphaChannel(), static_cast<uint32_t>(random()));
    Stretch s{between(-20, 45), between(-20, 45), between(-2, 70), between(-2, 70),
              between(-8, 35),  between(-8, 35),  between(-3, 40), between(-3, 40),
              between(-10, 300)};
    if (i % 4 == 0) s.SourceWidth = s.TargetWidth, s.SourceHeight = s.TargetHeight;

    const Expected before{test::ImageOf(*target), AlphaOf(*target)};
    const Expected expected = Model(*source, before, s);
    Apply(*source, *target, s);
    const std::string trace = "case " + std::to_string(i) + ", format " +
                              std::to_string(int{format});
    ASSERT_TRUE(test::SameImage(expected.Pixels, test::ImageOf(*target))) << trace;
    ASSERT_EQ(expected.Alpha, AlphaOf(*target)) << trace;
  }
}

TEST_F(StretchRectTo, AnOpaqueSourceLeavesAlphaOverThePaintedArea) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 10, 10, pv24RGB);
  test::FillRandom(*source, 1);
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 30, 30, pv24RGB);
  ASSERT_FALSE(target->HasAlphaChannel());
  Apply(*source, *target, Stretch{5, 6, 20, 15, 0, 0, 10, 10, 77});
  ASSERT_TRUE(target->HasAlphaChannel()) << "made for the stretch";
  TPVBitmap& plane = *target->GetAlphaChannel();
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 30; ++x) {
      const bool painted = x >= 5 && x < 25 && y >= 6 && y < 21;
      ASSERT_EQ(plane.GetPixel8(x, y), painted ? 77 : 255) << x << ", " << y;
    }
  EXPECT_FALSE(plane.Opaque) << "the plane no longer claims to be opaque";
  EXPECT_EQ(target->GetPixel24(5, 6), source->GetPixel24(0, 0));
  EXPECT_EQ(target->GetPixel24(24, 20), source->GetPixel24(9, 9));
}

TEST_F(StretchRectTo, ATranslucentSourceGivesItsAlphaLimitedByTheLimit) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 2, 1, pv1g);
  source->Fill(1);
  source->SetAlpha(0, 0, 40);
  source->SetAlpha(1, 0, 250);
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 4, 1, pv24RGB);
  target->Fill(0);
  Apply(*source, *target, Stretch{0, 0, 4, 1, 0, 0, 2, 1, 200});
  TPVBitmap& plane = *target->GetAlphaChannel();
  const uint8_t expected[] = {40, 40, 200, 200};
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(plane.GetPixel8(x, 0), expected[x]);
    EXPECT_EQ(target->GetPixel24(x, 0), (TPVRGB{255, 255, 255})) << "set bits are white";
  }
}

TEST_F(StretchRectTo, WithoutTheProcessingUnitAFilterStretchesByNearestNeighbour) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 7, 5, pv24RGB);
  test::FillRandom(*source, 2);
  auto nearest = test::MakeBitmap(test::Storage::MemoryBlock, 20, 20, pv24RGB);
  auto filtered = test::MakeBitmap(test::Storage::MemoryBlock, 20, 20, pv24RGB);
  Apply(*source, *nearest, Stretch{0, 0, 20, 20, 0, 0, 7, 5, 255});
  Apply(*source, *filtered, Stretch{0, 0, 20, 20, 0, 0, 7, 5, 255}, rfTriangle);
  EXPECT_TRUE(test::SameImage(test::ImageOf(*nearest), test::ImageOf(*filtered)));
}

// Mend: (x - tx) x xScale overflows 32 bits once the source is about 131,000 pixels wide.
TEST_F(StretchRectTo, VeryWideSourcesMapRight) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 200000, 2, pv1g);
  source->Fill(0);
  for (int32_t y = 0; y < 2; ++y) source->FillRect(190000, y, 199999, y, 1);
  auto target = test::MakeBitmap(test::Storage::MemoryBlock, 100, 2, pv24RGB);
  Apply(*source, *target, Stretch{0, 0, 100, 2, 0, 0, 200000, 2, 255});
  for (int32_t x = 0; x < 100; ++x)
    ASSERT_EQ(target->GetPixel24(x, 1).g, x >= 95 ? 255 : 0) << x;
}

}  // namespace
}  // namespace calmora
