// Whole turns: every rotation that meets a multiple of 90 degrees moves rows and columns
// exactly, as netpbm's pamflip does and as a plain model of the moves does, for every pixel
// format, in memory and in the temporary file.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

const int kWholeAngles[] = {90, -90, 180, -180, 270, -270, 450, -450, 360, 0, 720, -630};

class WholeTurns : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(WholeTurns, RotateIntoCanvasMovesEveryFormatExactly) {
  std::mt19937 random(21);
  std::uniform_int_distribution<int32_t> side(1, 19);
  for (const TPVPixelFormat format : kAllFormats)
    for (const int angle : kWholeAngles) {
      const Picture source = RandomPicture(random, side(random), side(random), format);
      TPVBitmap from, to;
      MakePictureBitmap(from, GetParam(), source, format);
      Prepare(to, GetParam());
      ASSERT_TRUE(RotateIntoCanvas(from, to, 0, nullptr, nullptr, angle));
      EXPECT_EQ(to.GetPixelFormat(), format);
      const Picture expected = ModelTurn(source, TurnOf(angle));
      ASSERT_EQ(ReadPicture(to), expected) << "format " << int{format} << " angle " << angle << ": "
                                           << FirstDifference(ReadPicture(to), expected);
      EXPECT_EQ(ReadPicture(from), source);  // the source is not changed
    }
}

TEST_P(WholeTurns, InPlaceRotationsTurnExactly) {
  std::mt19937 random(22);
  std::uniform_int_distribution<int32_t> side(1, 17);
  for (const TPVPixelFormat format : kAllFormats)
    for (const int angle : kWholeAngles) {
      const Picture source = RandomPicture(random, side(random), side(random), format);
      const Picture expected = ModelTurn(source, TurnOf(angle));
      TPVBitmap boxed;
      MakePictureBitmap(boxed, GetParam(), source, format);
      ASSERT_TRUE(RotateToBoundingBox(boxed, 0x123456, nullptr, nullptr, angle));
      ASSERT_EQ(ReadPicture(boxed), expected) << "format " << int{format} << " angle " << angle;
      // The shear rotation turns every format exactly too (1-bit, 8-bit and other formats
      // through their own routines).
      TPVBitmap sheared;
      MakePictureBitmap(sheared, GetParam(), source, format);
      ASSERT_TRUE(RotateByShears(sheared, true, nullptr, nullptr, TPVRGB{1, 2, 3}, angle));
      EXPECT_EQ(sheared.GetPixelFormat(), format);
      ASSERT_EQ(ReadPicture(sheared), expected) << "format " << int{format} << " angle " << angle;
    }
}

TEST_P(WholeTurns, NearestRotationsTurnExactly) {
  std::mt19937 random(23);
  std::uniform_int_distribution<int32_t> side(1, 21);
  for (const TPVPixelFormat format : {pv1g, pv8g, pv8p})
    for (const int angle : kWholeAngles) {
      const Picture source = RandomPicture(random, side(random), side(random), format);
      TPVBitmap bitmap;
      MakePictureBitmap(bitmap, GetParam(), source, format);
      TPVProgressRecord progress;
      ASSERT_TRUE(format == pv1g ? Rotate1Bit(bitmap, true, progress, angle)
                                 : Rotate8(bitmap, 200, angle));
      ASSERT_EQ(ReadPicture(bitmap), ModelTurn(source, TurnOf(angle)))
          << "format " << int{format} << " angle " << angle;
    }
}

TEST_P(WholeTurns, QuarterTurnRoutinesServeTheirPixelSize) {
  std::mt19937 random(24);
  using QuarterTurn = bool (*)(TPVBitmap&, TPVBitmap&);
  const struct {
    QuarterTurn turn;
    Turned way;
    TPVPixelFormat serves[2];
    TPVPixelFormat refuses;
  } cases[] = {
      {RotateCCW24, Turned::Left, {pv24RGB, pvCIELab}, pv8g},
      {RotateCW24, Turned::Right, {pv24RGB, pvCIELab}, pv32RGB},
      {RotateCCW8, Turned::Left, {pv8g, pv8p}, pv16g},
      {RotateCW8, Turned::Right, {pv8g, pv8p}, pv1g},
  };
  for (const auto& c : cases) {
    for (const TPVPixelFormat format : c.serves) {
      const Picture source = RandomPicture(random, 11, 6, format);
      TPVBitmap from, to;
      MakePictureBitmap(from, GetParam(), source, format);
      Prepare(to, GetParam());
      ASSERT_TRUE(c.turn(from, to));
      EXPECT_EQ(to.GetPixelFormat(), format);
      EXPECT_EQ(ReadPicture(to), ModelTurn(source, c.way));
    }
    TPVBitmap other, untouched;
    MakePictureBitmap(other, GetParam(), RandomPicture(random, 5, 4, c.refuses), c.refuses);
    EXPECT_FALSE(c.turn(other, untouched));
    EXPECT_TRUE(untouched.IsEmpty());
  }
}

// Destination (0, 0) of a 3 x 2 image turned by 90 degrees is source (2, 0); -270 and 450
// give the same.
TEST_P(WholeTurns, ThreeByTwoAtNinetyDegrees) {
  Picture source(3, 2, 3);
  for (int32_t i = 0; i < 18; ++i) source.bytes[i] = static_cast<uint8_t>(i);
  for (const double angle : {90.0, -270.0, 450.0}) {
    TPVBitmap from, to;
    MakePictureBitmap(from, GetParam(), source, pv24RGB);
    ASSERT_TRUE(RotateIntoCanvas(from, to, 0, nullptr, nullptr, angle));
    ASSERT_EQ(to.GetWidth(), 2);
    ASSERT_EQ(to.GetHeight(), 3);
    EXPECT_EQ(PixelAt(ReadPicture(to), 0, 0), PixelAt(source, 2, 0)) << angle;
    EXPECT_EQ(PixelAt(ReadPicture(to), 1, 2), PixelAt(source, 0, 1)) << angle;
  }
}

TEST_P(WholeTurns, APaletteComesAlong) {
  std::mt19937 random(25);
  TPVBitmap from, to;
  MakePictureBitmap(from, GetParam(), RandomPicture(random, 4, 3, pv8p), pv8p);
  for (int32_t i = 0; i < 256; ++i)
    from.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(i), 7, static_cast<uint8_t>(255 - i)});
  ASSERT_TRUE(RotateIntoCanvas(from, to, 0, nullptr, nullptr, 270));
  for (int32_t i = 0; i < 256; ++i) ASSERT_EQ(to.GetPaletteColor(i), from.GetPaletteColor(i));
  ASSERT_TRUE(RotateByShears8(from, false, 0, nullptr, nullptr, 90));
  EXPECT_EQ(from.GetPaletteColor(9), (TPVRGB{9, 7, 246}));
}

// pamflip -ccw turns counter-clockwise: our positive angles.
const struct {
  int angle;
  const char* pamflip;
} kPamflipCases[] = {{90, "-ccw"}, {-90, "-cw"},  {180, "-r180"},
                     {270, "-cw"}, {450, "-ccw"}, {-270, "-ccw"}};

TEST_P(WholeTurns, AgreeWithPamflip) {
  CALMORA_REQUIRE_TOOL("pamflip");
  ScratchFolder folder;
  std::mt19937 random(26);
  for (const TPVPixelFormat format : {pv24RGB, pv1g}) {
    const Picture source = RandomPicture(random, 13, 6, format);  // P6, and P4 of width 13
    for (const auto& c : kPamflipCases) {
      TPVBitmap input, expected;
      MakePictureBitmap(input, GetParam(), source, format);
      std::string error;
      ASSERT_TRUE(RunNetpbm(std::string("pamflip ") + c.pamflip, input, expected, folder, error))
          << error;
      const Picture reference = ReadPicture(expected);
      ASSERT_EQ(expected.GetPixelFormat(), format);

      TPVBitmap canvas;
      Prepare(canvas, GetParam());
      ASSERT_TRUE(RotateIntoCanvas(input, canvas, 0, nullptr, nullptr, c.angle));
      EXPECT_EQ(ReadPicture(canvas), reference) << "RotateIntoCanvas " << c.angle;

      TPVBitmap sheared;
      MakePictureBitmap(sheared, GetParam(), source, format);
      ASSERT_TRUE(RotateByShears(sheared, true, nullptr, nullptr, TPVRGB{9, 9, 9}, c.angle));
      EXPECT_EQ(ReadPicture(sheared), reference) << "RotateByShears " << c.angle;

      if (format == pv1g) {
        TPVBitmap nearest;
        MakePictureBitmap(nearest, GetParam(), source, format);
        TPVProgressRecord progress;
        ASSERT_TRUE(Rotate1Bit(nearest, false, progress, c.angle));
        EXPECT_EQ(ReadPicture(nearest), reference) << "Rotate1Bit " << c.angle;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, WholeTurns, ::testing::ValuesIn(kStorages), StorageCaseName);

TEST(IsRightAngle, WholeMultiplesOfNinetyOnly) {
  const struct {
    double angle;
    bool right;
  } cases[] = {{0, true},   {90, true},  {-90, true},  {180, true},      {270, true},
               {360, true}, {450, true}, {-720, true}, {89.999, false},  {90.5, false},
               {45, false}, {1, false},  {NAN, false}, {INFINITY, false}};
  for (const auto& c : cases) EXPECT_EQ(IsRightAngle(c.angle), c.right) << c.angle;
}

}  // namespace
}  // namespace calmora::test
