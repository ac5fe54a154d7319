// Bilinear and bicubic rotation (RotateInterpolated, RotateInterpolated8) and their samplers:
// a plain model that really builds the 3-pixel frame, rotates into the whole canvas and cuts
// the frame off, over many random images and angles; the documented sizes and sample values,
// in memory and in the file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/rotate/rotate_sampling.h"
#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

struct InterpolationModel {
  Picture framed;
  std::vector<uint8_t> bg;

  const uint8_t* Pixel(long x, long y) const {
    if (x < 0 || y < 0 || x >= framed.width || y >= framed.height) return bg.data();
    return framed.at(static_cast<int32_t>(x), static_cast<int32_t>(y));
  }

  // Pixels from the truncated position, fractions from the floor.
  void Bilinear(double x, double y, uint8_t* out) const {
    const long c = static_cast<long>(x), d = static_cast<long>(y);
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    for (int ch = 0; ch < framed.size; ++ch) {
      const int p00 = Pixel(c, d)[ch], p10 = Pixel(c + 1, d)[ch];
      const int p01 = Pixel(c, d + 1)[ch], p11 = Pixel(c + 1, d + 1)[ch];
      const double top = p00 + (p10 - p00) * fx;
      const double bottom = p01 + (p11 - p01) * fx;
      out[ch] = static_cast<uint8_t>(Trunc(top + (bottom - top) * fy));
    }
  }

  static void Weights(double f, double* w) {
    w[0] = -f * ((1 - f) * (1 - f));
    w[1] = 1 - 2 * (f * f) + (f * f) * f;
    w[2] = f * (1 + f - f * f);
    w[3] = -(1 - f) * (f * f);
  }

  void Bicubic(double x, double y, uint8_t* out) const {
    const long c = static_cast<long>(x), d = static_cast<long>(y);
    double wx[4], wy[4];
    Weights(x - c, wx);
    Weights(y - d, wy);
    for (int ch = 0; ch < framed.size; ++ch) {
      double sum = 0;
      for (int j = 0; j < 4; ++j) {
        double row = 0;
        for (int i = 0; i < 4; ++i) row += wx[i] * Pixel(c - 1 + i, d - 1 + j)[ch];
        sum += wy[j] * row;
      }
      out[ch] = static_cast<uint8_t>(std::min(std::abs(Trunc(sum)), 255));
    }
  }

  // kind 1 bilinear, 2 bicubic. progress collects Trunc(r x 100 / H') for every row of D.
  Picture Rotate(const Picture& s, int kind, double angle, std::vector<int>* progress = nullptr) {
    framed = Picture(s.width + 6, s.height + 6, s.size);
    for (int y = 0; y < framed.height; ++y)
      for (int x = 0; x < framed.width; ++x) framed.Set(x, y, bg.data());
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) framed.Set(x + 3, y + 3, s.at(x, y));
    const int W = framed.width, H = framed.height;
    const double theta = angle * M_PI / 180;
    const double c = std::cos(theta), sn = std::sin(theta);
    const int W2 = static_cast<int>(RoundEven(std::fabs(c * (W - 1)) + std::fabs(sn * (H - 1))));
    const int H2 = static_cast<int>(RoundEven(std::fabs(sn * (W - 1)) + std::fabs(c * (H - 1))));
    Picture d(W2, H2, s.size);
    const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0;
    const double cx2 = (W2 - 1) / 2.0, cy2 = (H2 - 1) / 2.0;
    for (int r = 0; r < H2; ++r) {
      for (int i = 0; i < W2; ++i) {
        const double sx = (i - cx2) * c + (-(r - cy2) * sn + cx);
        const double sy = (i - cx2) * sn + ((r - cy2) * c + cy);
        if (kind == 1)
          Bilinear(sx, sy, d.at(i, r));
        else
          Bicubic(sx, sy, d.at(i, r));
      }
      if (progress) progress->push_back(Trunc(r * 100.0 / H2));
    }
    Picture cut(W2 - 6, H2 - 6, s.size);
    for (int y = 0; y < cut.height; ++y)
      for (int x = 0; x < cut.width; ++x) cut.Set(x, y, d.at(x + 3, y + 3));
    return cut;
  }
};

// The background as the model holds it: TColor for the 24-bit plane, a byte for the 8-bit.
std::vector<uint8_t> BackgroundBytes(TPVPixelFormat format, uint32_t background) {
  if (format == pv24RGB)
    return {static_cast<uint8_t>(background >> 16), static_cast<uint8_t>(background >> 8),
            static_cast<uint8_t>(background)};
  return {static_cast<uint8_t>(background)};
}

Picture Interpolated(const Picture& source, TPVPixelFormat format, uint32_t background,
                     uint8_t kind, double angle, bool* answered = nullptr) {
  return RunInBothStorages(
      source, format,
      [&](TPVBitmap& bitmap) {
        if (format == pv24RGB)
          return RotateInterpolated(bitmap, background, kind, nullptr, nullptr, angle);
        return RotateInterpolated8(bitmap, static_cast<uint8_t>(background), kind, angle);
      },
      answered);
}

class InterpolatedRotation : public ::testing::TestWithParam<TPVPixelFormat> {
 protected:
  TempFolderScope temp_;
};

TEST_P(InterpolatedRotation, AgreesWithThePlainModel) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(61 + format);
  std::uniform_int_distribution<int32_t> side(1, 31);
  std::uniform_int_distribution<uint32_t> colour(0, 0xFFFFFF);
  std::uniform_real_distribution<double> anyAngle(-400, 400);
  std::vector<double> angles = {30, -30, 45, 90, 180, 0.5, -0.001, 17, 270.25};
  for (int i = 0; i < 30; ++i) angles.push_back(anyAngle(random));
  for (const double angle : angles)
    for (const uint8_t kind : {1, 2}) {
      const Picture source = RandomPicture(random, side(random), side(random), format);
      const uint32_t background = colour(random);
      InterpolationModel model;
      model.bg = BackgroundBytes(format, background);
      const Picture expected = model.Rotate(source, kind, angle);
      if (expected.width < 1 || expected.height < 1) continue;  // refused, tested below
      const Picture actual = Interpolated(source, format, background, kind, angle);
      ASSERT_EQ(actual, expected) << "angle " << angle << " kind " << int{kind} << " "
                                  << source.width << "x" << source.height << ": "
                                  << FirstDifference(actual, expected);
    }
}

// The framed 106 x 56 gives W' = Round(118.43) = 118 and H' = Round(100.13) = 100; without
// the frame that is 112 x 94, and the corners stay background. (The bicubic sum over a flat
// background can land a hair below the value, which truncates one below it.)
TEST_P(InterpolatedRotation, OneHundredByFiftyAtThirtyDegrees) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(62);
  const Picture source = RandomPicture(random, 100, 50, format);
  const std::vector<uint8_t> background = BackgroundBytes(format, 0x00102030);
  for (const uint8_t kind : {1, 2}) {
    const Picture rotated = Interpolated(source, format, 0x00102030, kind, 30);
    ASSERT_EQ(rotated.width, 112);
    ASSERT_EQ(rotated.height, 94);
    for (const auto& [x, y] : {std::pair{0, 0}, {111, 0}, {0, 93}, {111, 93}})
      for (int c = 0; c < rotated.size; ++c) {
        const int difference = background[c] - rotated.at(x, y)[c];
        EXPECT_TRUE(difference == 0 || (kind == 2 && difference == 1))
            << "kind " << int{kind} << " at " << x << "," << y << ": " << difference;
      }
  }
}

TEST_P(InterpolatedRotation, OtherKindsLeaveTheBitmapAlone) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(63);
  const Picture source = RandomPicture(random, 12, 7, format);
  for (const uint8_t kind : {0, 3, 255}) {
    bool answered = true;
    EXPECT_EQ(Interpolated(source, format, 0, kind, 30, &answered), source);
    EXPECT_FALSE(answered);
  }
  // A line one pixel wide at a tiny angle would lose its only column: refused too.
  const Picture line = RandomPicture(random, 1, 9, format);
  bool answered = true;
  EXPECT_EQ(Interpolated(line, format, 0, 1, 0.001, &answered), line);
  EXPECT_FALSE(answered);
}

INSTANTIATE_TEST_SUITE_P(Formats, InterpolatedRotation, ::testing::Values(pv24RGB, pv8g),
                         [](const ::testing::TestParamInfo<TPVPixelFormat>& p) {
                           return p.param == pv24RGB ? "RGB24" : "Grey8";
                         });

TEST(RotateInterpolated, ReportsEveryRowOfTheCanvasAndKeepsAnOpaqueAlpha) {
  std::mt19937 random(64);
  const Picture source = RandomPicture(random, 20, 14, pv24RGB);
  InterpolationModel model;
  model.bg = {0, 0, 0};
  std::vector<int> expected;
  const Picture rotated = model.Rotate(source, 1, 25, &expected);
  TPVBitmap bitmap;
  MakePictureBitmap(bitmap, Storage::MemoryBlock, source, pv24RGB);
  bitmap.GetAlphaChannel()->SetPixel8(1, 1, 9);
  ProgressLog log;
  TObject sender;
  ASSERT_TRUE(RotateInterpolated(bitmap, 0, 1, &sender, log.Event(), 25));
  EXPECT_EQ(log.percents, expected);
  EXPECT_EQ(log.sender, &sender);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  const TPVBitmap& plane = *bitmap.AlphaBitmap;
  ASSERT_EQ(plane.GetWidth(), rotated.width);
  ASSERT_EQ(plane.GetHeight(), rotated.height);
  EXPECT_EQ(plane.GetPixel8(1, 1), 9);
  EXPECT_EQ(plane.GetPixel8(rotated.width - 1, rotated.height - 1), 255);
}

TEST(RotateInterpolated, ServesOnlyItsFormats) {
  TPVBitmap grey(5, 5, pv8g), rgb(5, 5, pv24RGB);
  EXPECT_FALSE(RotateInterpolated(grey, 0, 1, nullptr, nullptr, 30));
  EXPECT_FALSE(RotateInterpolated8(rgb, 0, 1, 30));
  EXPECT_EQ(grey.GetWidth(), 5);
  EXPECT_EQ(rgb.GetWidth(), 5);
}

// Rows of a small image for the samplers.
struct SamplerImage {
  std::vector<uint8_t> pixels;
  std::vector<const uint8_t*> rows;
  SamplerImage(int32_t width, int32_t height, int channels, const std::vector<uint8_t>& values)
      : pixels(values) {
    for (int32_t y = 0; y < height; ++y) rows.push_back(pixels.data() + y * width * channels);
  }
};

TEST(Samplers, BicubicAtAWholePositionGivesThePixel) {
  std::mt19937 random(65);
  std::vector<uint8_t> values(5 * 4 * 3);
  for (uint8_t& v : values) v = static_cast<uint8_t>(random());
  const SamplerImage image(5, 4, 3, values);
  const rotation::SampledSource24 source{image.rows.data(), 5, 4, 0, {1, 2, 3}};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) {
      const TPVRGB expected = FetchPixel24(source, x, y);
      EXPECT_EQ(SampleBicubic24(source, x, y), expected);
      EXPECT_EQ(SampleBilinear24(source, x, y), expected);
    }
  EXPECT_EQ(FetchPixel24(source, -1, 0), (TPVRGB{1, 2, 3}));
  EXPECT_EQ(FetchPixel24(source, 5, 3), (TPVRGB{1, 2, 3}));
}

// Next to a sharp edge the cubic overshoots below 0: halfway between the two dark pixels of
// 255, 0, 0, 100 the weights are -0.125, 0.625, 0.625, -0.125 and the sum -44.375, which comes
// out as 44, not 0.
TEST(Samplers, BicubicUndershootComesOutAsItsMagnitude) {
  const SamplerImage image(4, 1, 1, {255, 0, 0, 100});
  const rotation::SampledSource8 source{image.rows.data(), 4, 1, 0, {0}};
  // Rows d-1 and d+1 are background (0): only the middle row's weight 1 counts at y = 0.
  EXPECT_EQ(SampleBicubic8(source, 1.5, 0), 44);
  EXPECT_EQ(FetchSample8(source, 3, 0), 100);
  EXPECT_EQ(FetchSample8(source, 3, 1), 0);
}

// Left of position 0 the bilinear pixels come from Trunc (0) while the fraction comes from
// Floor (-1): x = -0.25 weighs pixels 0 and 1 by 0.25 and 0.75.
TEST(Samplers, BilinearLeftOfZeroTakesTheFractionFromTheFloor) {
  const SamplerImage image(2, 1, 1, {0, 200});
  const rotation::SampledSource8 source{image.rows.data(), 2, 1, 0, {0}};
  EXPECT_EQ(SampleBilinear8(source, -0.25, 0), 150);
  EXPECT_EQ(SampleBilinear8(source, 0.25, 0), 50);
}

}  // namespace
}  // namespace calmora::test
