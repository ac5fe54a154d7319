// Rotation into a new canvas (RotateIntoCanvas, RotateToBoundingBox): a plain model of the
// bounding box and the nearest-pixel mapping for every pixel format over many random images and
// angles, the documented sizes, the background, progress and refusals, in memory and the file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

// The pixel Fill writes for the value in the format (the bitmap's own fill rule).
std::vector<uint8_t> FilledPixel(TPVPixelFormat format, int32_t value) {
  TPVBitmap probe(1, 1, format);
  std::memset(probe.GetScanline(0), 0, static_cast<size_t>(probe.RowBytes));
  probe.Fill(value);
  return std::vector<uint8_t>(PixelAt(ReadPicture(probe), 0, 0));
}

// Any angle but a whole turn: the destination is the rounded bounding box; pixel (i, r) takes
// the source pixel at (Round(sx), Round(sy)) with sx = (i - cx') cos + (-(r - cy') sin + cx),
// sy = (i - cx') sin + ((r - cy') cos + cy), or the fill (0 for pv1g).
Picture ModelCanvas(const Picture& s, TPVPixelFormat format, int32_t background, double angle,
                    std::vector<int>* progress = nullptr) {
  const double theta = angle * M_PI / 180;
  const double c = std::cos(theta), sn = std::sin(theta);
  const int W = s.width, H = s.height;
  const int W2 = static_cast<int>(RoundEven(std::fabs(sn * H) + std::fabs(c * W)));
  const int H2 = static_cast<int>(RoundEven(std::fabs(c * H) + std::fabs(sn * W)));
  const std::vector<uint8_t> fill = FilledPixel(format, format == pv1g ? 0 : background);
  Picture d(W2, H2, s.size);
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, cx2 = (W2 - 1) / 2.0, cy2 = (H2 - 1) / 2.0;
  for (int r = 0; r < H2; ++r) {
    for (int i = 0; i < W2; ++i) {
      const double sx = RoundEven((i - cx2) * c + (-(r - cy2) * sn + cx));
      const double sy = RoundEven((i - cx2) * sn + ((r - cy2) * c + cy));
      if (sx >= 0 && sx < W && sy >= 0 && sy < H)
        d.Set(i, r, s.at(static_cast<int>(sx), static_cast<int>(sy)));
      else
        d.Set(i, r, fill.data());
    }
    if (progress) progress->push_back(Trunc(r * 100.0 / H2));
  }
  return d;
}

class CanvasRotation : public ::testing::TestWithParam<Storage> {
 protected:
  Picture IntoCanvas(const Picture& source, TPVPixelFormat format, int32_t background,
                     double angle) {
    TPVBitmap from, to;
    MakePictureBitmap(from, GetParam(), source, format);
    Prepare(to, GetParam());
    EXPECT_TRUE(RotateIntoCanvas(from, to, background, nullptr, nullptr, angle));
    EXPECT_EQ(ReadPicture(from), source);
    return ReadPicture(to);
  }

  TempFolderScope temp_;
};

TEST_P(CanvasRotation, AgreesWithThePlainModelInEveryFormat) {
  std::mt19937 random(51);
  std::uniform_int_distribution<int32_t> side(1, 29);
  std::uniform_real_distribution<double> anyAngle(-500, 500);
  const int32_t backgrounds[] = {0, 0x00FFFFFF, 0x00123456, 1000, 1};
  for (const TPVPixelFormat format : kAllFormats)
    for (int trial = 0; trial < 12; ++trial) {
      const double angle = trial == 0 ? 45 : trial == 1 ? -30 : anyAngle(random);
      const int32_t background = backgrounds[trial % 5];
      const Picture source = RandomPicture(random, side(random), side(random), format);
      const Picture expected = ModelCanvas(source, format, background, angle);
      const Picture actual = IntoCanvas(source, format, background, angle);
      ASSERT_EQ(actual, expected) << "format " << int{format} << " angle " << angle << ": "
                                  << FirstDifference(actual, expected);
    }
}

// Round(2 x 7.0710678) = 14 on each side; the corners hold the background.
TEST_P(CanvasRotation, TenByTenAtFortyFiveDegrees) {
  std::mt19937 random(52);
  const Picture rotated =
      IntoCanvas(RandomPicture(random, 10, 10, pv24RGB), pv24RGB, 0x00332211, 45);
  ASSERT_EQ(rotated.width, 14);
  ASSERT_EQ(rotated.height, 14);
  // TColor 0x332211 is red 0x11, green 0x22, blue 0x33; the pixel stores blue first.
  const std::vector<uint8_t> background = {0x33, 0x22, 0x11};
  for (const auto& [x, y] : {std::pair{0, 0}, {13, 0}, {0, 13}, {13, 13}})
    EXPECT_EQ(PixelAt(rotated, x, y), background) << x << "," << y;
}

// A 1-bit canvas is always filled with black.
TEST_P(CanvasRotation, OneBitCornersAreBlackWhateverTheBackground) {
  Picture source(12, 8, 1);
  std::fill(source.bytes.begin(), source.bytes.end(), 1);
  const Picture rotated = IntoCanvas(source, pv1g, 0x00FFFFFF, 30);
  EXPECT_EQ(*rotated.at(0, 0), 0);
  EXPECT_EQ(*rotated.at(rotated.width - 1, rotated.height - 1), 0);
  EXPECT_EQ(*rotated.at(rotated.width / 2, rotated.height / 2), 1);
}

// In place, with the alpha plane cut to the new size.
TEST_P(CanvasRotation, RotateToBoundingBoxRotatesInPlace) {
  std::mt19937 random(53);
  for (const TPVPixelFormat format : kAllFormats) {
    const Picture source = RandomPicture(random, 15, 9, format);
    const Picture expected = ModelCanvas(source, format, 0x00405060, 33.3);
    TPVBitmap bitmap;
    MakePictureBitmap(bitmap, GetParam(), source, format);
    bitmap.GetAlphaChannel()->SetPixel8(0, 0, 5);
    ASSERT_TRUE(RotateToBoundingBox(bitmap, 0x00405060, nullptr, nullptr, 33.3));
    EXPECT_EQ(ReadPicture(bitmap), expected) << int{format};
    ASSERT_TRUE(bitmap.HasAlphaChannel());
    EXPECT_EQ(bitmap.AlphaBitmap->GetWidth(), expected.width);
    EXPECT_EQ(bitmap.AlphaBitmap->GetHeight(), expected.height);
    EXPECT_EQ(bitmap.AlphaBitmap->GetPixel8(0, 0), 5);
  }
}

TEST_P(CanvasRotation, ReportsProgressAfterEveryRow) {
  std::mt19937 random(54);
  const Picture source = RandomPicture(random, 25, 18, pv24RGB);
  std::vector<int> expected;
  ModelCanvas(source, pv24RGB, 0, -61, &expected);
  TPVBitmap from, to;
  MakePictureBitmap(from, GetParam(), source, pv24RGB);
  ProgressLog log;
  TObject sender;
  ASSERT_TRUE(RotateIntoCanvas(from, to, 0, &sender, log.Event(), -61));
  EXPECT_EQ(log.percents, expected);
  EXPECT_EQ(log.sender, &sender);
}

TEST_P(CanvasRotation, RefusalsLeaveTheBitmapsAsTheyWere) {
  std::mt19937 random(55);
  const Picture source = RandomPicture(random, 6, 4, pv24RGB);
  TPVBitmap bitmap, empty, destination;
  MakePictureBitmap(bitmap, GetParam(), source, pv24RGB);
  EXPECT_FALSE(RotateIntoCanvas(bitmap, bitmap, 0, nullptr, nullptr, 30));
  EXPECT_FALSE(RotateIntoCanvas(bitmap, destination, 0, nullptr, nullptr, NAN));
  EXPECT_FALSE(RotateIntoCanvas(empty, destination, 0, nullptr, nullptr, 30));
  EXPECT_FALSE(RotateToBoundingBox(bitmap, 0, nullptr, nullptr, INFINITY));
  EXPECT_FALSE(RotateToBoundingBox(empty, 0, nullptr, nullptr, 30));
  EXPECT_EQ(ReadPicture(bitmap), source);
  EXPECT_TRUE(destination.IsEmpty());
}

// Every byte of every row, the alignment and a pv32RGB pixel's fourth byte included, is the
// same whether the pixels lie in memory or in the temporary file.
TEST(CanvasRotationStorages, MemoryAndFileEndWithTheSameBytes) {
  TempFolderScope temp;
  std::mt19937 random(56);
  for (const TPVPixelFormat format : kAllFormats)
    for (const double angle : {90.0, 180.0, 21.5, -160.0}) {
      const Picture source = RandomPicture(random, 11, 7, format);
      RunInBothStorages(source, format, [&](TPVBitmap& bitmap) {
        return RotateToBoundingBox(bitmap, 0x00808080, nullptr, nullptr, angle);
      });
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, CanvasRotation, ::testing::ValuesIn(kStorages), StorageCaseName);

}  // namespace
}  // namespace calmora::test
