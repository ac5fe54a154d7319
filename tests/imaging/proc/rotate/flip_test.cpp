// FlipBitmap: agrees with netpbm's pamflip -lr and -tb (1-bit of an odd width, grey, RGB, and
// RGB with alpha), with a plain model for every pixel format, restores every format when
// applied twice, and leaves the bitmap alone for other directions; in memory and in the file.
#include <gtest/gtest.h>

#include <random>

#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

// Direction 0: destination (x, y) = source (W-1-x, y); 1: source (x, H-1-y).
Picture ModelFlip(const Picture& s, int direction) {
  Picture d(s.width, s.height, s.size);
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x)
      d.Set(x, y, direction == 0 ? s.at(s.width - 1 - x, y) : s.at(x, s.height - 1 - y));
  return d;
}

class Flip : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(Flip, AgreesWithThePlainModelInEveryFormat) {
  std::mt19937 random(71);
  std::uniform_int_distribution<int32_t> side(1, 40);
  for (const TPVPixelFormat format : kAllFormats)
    for (int trial = 0; trial < 6; ++trial)
      for (const int direction : {0, 1}) {
        const Picture source = RandomPicture(random, side(random), side(random), format);
        TPVBitmap bitmap;
        MakePictureBitmap(bitmap, GetParam(), source, format);
        ASSERT_TRUE(FlipBitmap(bitmap, direction));
        ASSERT_EQ(ReadPicture(bitmap), ModelFlip(source, direction))
            << "format " << int{format} << " " << source.width << "x" << source.height
            << " direction " << direction;
      }
}

// Every byte comes back, the row alignment and a 1-bit row's padding bits included, and so
// does the alpha plane.
TEST_P(Flip, TwiceRestoresEveryFormat) {
  std::mt19937 random(72);
  for (const TPVPixelFormat format : kAllFormats)
    for (const int direction : {0, 1}) {
      TPVBitmap bitmap;
      MakePictureBitmap(bitmap, GetParam(), RandomPicture(random, 13, 7, format), format);
      WritePicture(*bitmap.GetAlphaChannel(), RandomPicture(random, 13, 7, pv8g));
      const auto before = AllBytes(bitmap);
      const auto alphaBefore = AllBytes(*bitmap.AlphaBitmap);
      ASSERT_TRUE(FlipBitmap(bitmap, direction));
      ASSERT_TRUE(FlipBitmap(bitmap, direction));
      EXPECT_EQ(AllBytes(bitmap), before) << "format " << int{format} << " " << direction;
      EXPECT_EQ(AllBytes(*bitmap.AlphaBitmap), alphaBefore) << int{format};
    }
}

TEST_P(Flip, OtherDirectionsLeaveTheBitmapAlone) {
  std::mt19937 random(73);
  TPVBitmap bitmap, empty;
  MakePictureBitmap(bitmap, GetParam(), RandomPicture(random, 6, 5, pv24RGB), pv24RGB);
  const auto before = AllBytes(bitmap);
  for (const int direction : {-1, 2, 255}) EXPECT_FALSE(FlipBitmap(bitmap, direction));
  EXPECT_EQ(AllBytes(bitmap), before);
  EXPECT_FALSE(FlipBitmap(empty, 0));
}

TEST_P(Flip, AgreesWithPamflip) {
  CALMORA_REQUIRE_TOOL("pamflip");
  ScratchFolder folder;
  std::mt19937 random(74);
  const struct {
    TPVPixelFormat format;
    bool alpha;
  } cases[] = {{pv1g, false}, {pv8g, false}, {pv24RGB, false}, {pv24RGB, true}, {pv8g, true}};
  for (const auto& c : cases)
    for (const auto& [direction, option] : {std::pair{0, "-lr"}, {1, "-tb"}}) {
      TPVBitmap bitmap, expected;
      MakePictureBitmap(bitmap, GetParam(), RandomPicture(random, 13, 6, c.format), c.format);
      if (c.alpha) WritePicture(*bitmap.GetAlphaChannel(), RandomPicture(random, 13, 6, pv8g));
      std::string error;
      ASSERT_TRUE(RunNetpbm(std::string("pamflip ") + option, bitmap, expected, folder, error))
          << error;
      ASSERT_TRUE(FlipBitmap(bitmap, direction));
      EXPECT_EQ(ReadPicture(bitmap), ReadPicture(expected)) << int{c.format} << " " << option;
      ASSERT_EQ(expected.HasAlphaChannel(), c.alpha);
      if (c.alpha) {
        EXPECT_EQ(ReadPicture(*bitmap.AlphaBitmap), ReadPicture(*expected.AlphaBitmap)) << option;
      }
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, Flip, ::testing::ValuesIn(kStorages), StorageCaseName);

}  // namespace
}  // namespace calmora::test
