// Nearest-neighbour rotation of 1-bit and 8-bit images (Rotate1Bit, Rotate8): a plain model of
// the four-decimal cosine and sine and the separately truncated terms over many random images
// and angles, the uncovered corners, progress and refusals, in memory and in the file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

// The mapping written out: the angle is taken modulo 360, whole multiples of 90 turn exactly,
// and any other angle reads the source at Trunc(row term) + Trunc(column term) on each axis.
// outside is the byte of uncovered pixels (0 or 1 for pv1g). progress collects Trunc(o x Step).
Picture ModelNearest(const Picture& s, double angle, uint8_t outside,
                     std::vector<int>* progress = nullptr) {
  const double a = std::fmod(angle, 360.0);
  if (a == std::trunc(a) && std::fmod(a, 90.0) == 0)
    return ModelTurn(s, TurnOf(static_cast<int>(a)));
  const double rad = -a / 57.29577951308232;
  const double C = Trunc(std::cos(rad) * 10000) / 10000.0;
  const double S = Trunc(std::sin(rad) * 10000) / 10000.0;
  const int W = s.width, H = s.height;
  const int W2 = Trunc(std::fabs(W * C) + std::fabs(H * S));
  const int H2 = Trunc(std::fabs(W * S) + std::fabs(H * C));
  Picture d(W2, H2, s.size);
  const double cx2 = W2 / 2.0 - 0.5, cy2 = H2 / 2.0 - 0.5, cx = W / 2.0 - 0.5, cy = H / 2.0 - 0.5;
  const double step = 100.0 / H2;
  for (int o = 0; o < H2; ++o) {
    for (int k = 0; k < W2; ++k) {
      const int x = Trunc((o - cy2) * S + cx) + Trunc((k - cx2) * C);
      const int y = Trunc((o - cy2) * C + cy) + Trunc(-(k - cx2) * S);
      if (x >= 0 && x < W && y >= 0 && y < H)
        d.Set(k, o, s.at(x, y));
      else
        *d.at(k, o) = outside;
    }
    if (progress) progress->push_back(Trunc(o * step));
  }
  return d;
}

bool RotateNearestOf(TPVBitmap& bitmap, TPVPixelFormat format, uint8_t outside, double angle) {
  TPVProgressRecord progress;
  return format == pv1g ? Rotate1Bit(bitmap, outside != 0, progress, angle)
                        : Rotate8(bitmap, outside, angle);
}

class NearestRotation : public ::testing::TestWithParam<TPVPixelFormat> {
 protected:
  TempFolderScope temp_;
};

TEST_P(NearestRotation, AgreesWithThePlainModel) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(41 + format);
  std::uniform_int_distribution<int32_t> side(1, 41), byte(0, format == pv1g ? 1 : 255);
  std::uniform_real_distribution<double> anyAngle(-800, 800);
  std::vector<double> angles = {30, -30, 45, 0.0004, 89.5, 179.99, -180.25, 390.5, -721.5, 1, 17};
  for (int i = 0; i < 60; ++i) angles.push_back(anyAngle(random));
  for (const double angle : angles) {
    const Picture source = RandomPicture(random, side(random), side(random), format);
    const auto outside = static_cast<uint8_t>(byte(random));
    const Picture expected = ModelNearest(source, angle, outside);
    if (expected.width < 1 || expected.height < 1) continue;  // refused, tested below
    const Picture actual = RunInBothStorages(source, format, [&](TPVBitmap& bitmap) {
      return RotateNearestOf(bitmap, format, outside, angle);
    });
    ASSERT_EQ(actual, expected) << "angle " << angle << " " << source.width << "x" << source.height
                                << ": " << FirstDifference(actual, expected);
  }
}

// A full turn more changes nothing, although the sine of 30 degrees (-0.49999...) and of 390
// degrees (-0.50000...) truncate to different fourth decimals. The remainder keeps the sign of
// the angle, as the whole turns' does.
TEST_P(NearestRotation, FullTurnsAreTakenOff) {
  const TPVPixelFormat format = GetParam();
  std::mt19937 random(42);
  const Picture source = RandomPicture(random, 23, 14, format);
  const auto rotated = [&](double angle) {
    return RunInBothStorages(source, format, [&](TPVBitmap& bitmap) {
      return RotateNearestOf(bitmap, format, 1, angle);
    });
  };
  EXPECT_EQ(rotated(390), rotated(30));
  EXPECT_EQ(rotated(-390), rotated(-30));
  EXPECT_EQ(rotated(-689.5), rotated(-329.5));
  EXPECT_EQ(rotated(360), source);
}

TEST_P(NearestRotation, UncoveredCornersTakeTheOutsideValue) {
  const TPVPixelFormat format = GetParam();
  Picture source(20, 10, 1);
  std::fill(source.bytes.begin(), source.bytes.end(), format == pv1g ? 1 : 99);
  for (const uint8_t outside : {uint8_t{0}, uint8_t{1}}) {
    const Picture rotated = RunInBothStorages(source, format, [&](TPVBitmap& bitmap) {
      return RotateNearestOf(bitmap, format, outside, 30);
    });
    EXPECT_EQ(*rotated.at(0, 0), outside);
    EXPECT_EQ(*rotated.at(rotated.width - 1, rotated.height - 1), outside);
    EXPECT_EQ(*rotated.at(rotated.width / 2, rotated.height / 2), format == pv1g ? 1 : 99);
  }
}

// A one-pixel image at a tiny angle would shrink to nothing (cos 0.9999 x 1 truncates to 0):
// refused, the image kept.
TEST_P(NearestRotation, AResultWithoutPixelsIsRefused) {
  const TPVPixelFormat format = GetParam();
  Picture source(1, 1, 1);
  source.bytes[0] = 1;
  bool answered = true;
  EXPECT_EQ(
      RunInBothStorages(
          source, format,
          [&](TPVBitmap& bitmap) { return RotateNearestOf(bitmap, format, 0, 0.0004); }, &answered),
      source);
  EXPECT_FALSE(answered);
}

INSTANTIATE_TEST_SUITE_P(Formats, NearestRotation, ::testing::Values(pv1g, pv8g, pv8p),
                         [](const ::testing::TestParamInfo<TPVPixelFormat>& p) {
                           return p.param == pv1g   ? "OneBit"
                                  : p.param == pv8g ? "Grey8"
                                                    : "Palette8";
                         });

TEST(Rotate1Bit, ReportsEveryRowThroughTheRecord) {
  std::mt19937 random(43);
  const Picture source = RandomPicture(random, 30, 17, pv1g);
  std::vector<int> expected;
  const Picture model = ModelNearest(source, 21, 0, &expected);
  TPVBitmap bitmap;
  MakePictureBitmap(bitmap, Storage::MemoryBlock, source, pv1g);
  ProgressLog log;
  TObject sender;
  TPVProgressRecord progress;
  progress.OnProgress = log.Event();
  progress.Sender = &sender;
  ASSERT_TRUE(Rotate1Bit(bitmap, false, progress, 21));
  EXPECT_EQ(log.percents, expected);
  EXPECT_EQ(log.sender, &sender);
  EXPECT_DOUBLE_EQ(progress.Step, 100.0 / model.height);
}

// Only their own formats are served: no other image is read as 1-bit or 8-bit rows.
TEST(NearestRotationRefusals, OtherFormatsAreLeftAlone) {
  std::mt19937 random(44);
  for (const TPVPixelFormat format : kAllFormats) {
    const Picture source = RandomPicture(random, 9, 6, format);
    TPVBitmap one, eight;
    MakePictureBitmap(one, Storage::MemoryBlock, source, format);
    MakePictureBitmap(eight, Storage::MemoryBlock, source, format);
    TPVProgressRecord progress;
    EXPECT_EQ(Rotate1Bit(one, true, progress, 30), format == pv1g) << int{format};
    EXPECT_EQ(Rotate8(eight, 0, 30), format == pv8g || format == pv8p) << int{format};
    if (format != pv1g) {
      EXPECT_EQ(ReadPicture(one), source) << int{format};
    }
    if (format != pv8g && format != pv8p) {
      EXPECT_EQ(ReadPicture(eight), source) << int{format};
    }
  }
}

}  // namespace
}  // namespace calmora::test
