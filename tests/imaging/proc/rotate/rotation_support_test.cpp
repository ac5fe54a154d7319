// The in-place rotations and flips lose nothing: without storage for the result every one
// answers false and leaves the bitmap's pixels, palette and alpha plane as they were, in
// memory and in the temporary file.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/rotate/rotation_test_support.h"

namespace calmora::test {
namespace {

class ExhaustedStorage : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(ExhaustedStorage, InPlaceRotationsKeepTheImage) {
  const struct {
    const char* name;
    TPVPixelFormat format;
    std::function<bool(TPVBitmap&)> rotate;
  } cases[] = {
      {"shears", pv24RGB,
       [](TPVBitmap& b) {
         return RotateByShears(b, true, nullptr, nullptr, {0, 0, 0}, 30);
       }},
      {"shears turn", pv24RGB,
       [](TPVBitmap& b) {
         return RotateByShears(b, true, nullptr, nullptr, {0, 0, 0}, 90);
       }},
      {"shears 8", pv8p,
       [](TPVBitmap& b) { return RotateByShears8(b, true, 0, nullptr, nullptr, 200); }},
      {"bounding box", pvRGB48,
       [](TPVBitmap& b) { return RotateToBoundingBox(b, 0, nullptr, nullptr, 30); }},
      {"interpolated", pv24RGB,
       [](TPVBitmap& b) { return RotateInterpolated(b, 0, 2, nullptr, nullptr, 30); }},
      {"interpolated 8", pv8g, [](TPVBitmap& b) { return RotateInterpolated8(b, 0, 1, 30); }},
      {"1-bit", pv1g,
       [](TPVBitmap& b) {
         TPVProgressRecord progress;
         return Rotate1Bit(b, true, progress, 30);
       }},
      {"8-bit", pv8g, [](TPVBitmap& b) { return Rotate8(b, 0, -90); }},
  };
  std::mt19937 random(81);
  for (const auto& c : cases) {
    const Picture source = RandomPicture(random, 23, 17, c.format);
    TPVBitmap bitmap;
    MakePictureBitmap(bitmap, GetParam(), source, c.format);
    if (c.format == pv8p) bitmap.SetPaletteColor(3, TPVRGB{1, 2, 3});
    bitmap.GetAlphaChannel()->SetPixel8(2, 1, 44);
    const auto bytes = AllBytes(bitmap);
    {
      BlockLimitScope noBlocks(bitmap_testing::SingleBlockLimit, 0);
      BlockLimitScope noFragments(bitmap_testing::FragmentBlockLimit, 0);
      FreeSpaceScope noDisk([](const std::string&) -> int64_t { return 0; });
      EXPECT_FALSE(c.rotate(bitmap)) << c.name;
    }
    EXPECT_EQ(AllBytes(bitmap), bytes) << c.name;
    EXPECT_EQ(bitmap.GetPixelFormat(), c.format) << c.name;
    if (c.format == pv8p) {
      EXPECT_EQ(bitmap.GetPaletteColor(3), (TPVRGB{1, 2, 3})) << c.name;
    }
    ASSERT_TRUE(bitmap.HasAlphaChannel()) << c.name;
    EXPECT_EQ(bitmap.AlphaBitmap->GetWidth(), 23) << c.name;
    EXPECT_EQ(bitmap.AlphaBitmap->GetPixel8(2, 1), 44) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, ExhaustedStorage, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
