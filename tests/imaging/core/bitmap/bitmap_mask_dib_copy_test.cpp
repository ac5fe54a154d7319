// Pixels exchanged between TPVBitmap and selection masks or DIB sections, in memory, in the
// file and (for DIBs) in a device bitmap: formats, rows, AllSet and Opaque, grey levels.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <random>
#include <utility>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/bitmap/dib_bitmap.h"
#include "imaging/core/mask/mask.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::FillRandom;
using test::kMemoryAndFile;
using test::MakeBitmap;
using test::ModelOf;
using test::PixelBytes;
using test::PixelModel;
using test::SameModel;
using test::ScopedOverride;
using test::Storage;
using test::TempFolderScope;

template <typename RowOf>
void RandomRows(int32_t rows, int32_t bytes, uint32_t seed, RowOf rowOf) {
  std::mt19937 random(seed);
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t i = 0; i < bytes; ++i) rowOf(y)[i] = static_cast<uint8_t>(random());
}

// The pixel bytes of row y of the bitmap and of a mask or DIB row are the same.
::testing::AssertionResult SameRows(const TPVBitmap& bitmap, int32_t rows,
                                    const std::function<const uint8_t*(int32_t)>& otherRow) {
  const int32_t bytes = PixelBytes(bitmap.GetWidth(), bitmap.GetPixelFormat());
  for (int32_t y = 0; y < rows; ++y)
    if (std::memcmp(bitmap.GetScanline(y), otherRow(y), bytes) != 0)
      return ::testing::AssertionFailure() << "row " << y << " differs";
  return ::testing::AssertionSuccess();
}

class ExchangeIn : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// ---- CopyToMask ----

TEST_P(ExchangeIn, CopyToMaskOfWhiteRGBGivesSixtyThree) {
  auto bitmap = MakeBitmap(GetParam(), 9, 4, pv24RGB);
  bitmap->Fill(0xFFFFFF);
  TPVMask mask;
  ASSERT_TRUE(bitmap->CopyToMask(mask));
  ASSERT_EQ(mask.BitsPerPixel, 8);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 9; ++x) EXPECT_EQ(mask.GetPixel(x, y), 63) << x << ", " << y;
  EXPECT_FALSE(mask.AllSet);
}

TEST_P(ExchangeIn, CopyToMaskOfRGBGivesTheGreyLevelByTheCurrentWeightsOverFour) {
  auto bitmap = MakeBitmap(GetParam(), 23, 7, pv24RGB);
  FillRandom(*bitmap, 1);
  const PixelModel pixels = ModelOf(*bitmap);
  for (const std::array<int32_t, 3>& weights : {std::array{21, 71, 8}, std::array{30, 59, 11}}) {
    ScopedOverride<int32_t> red(GrayWeightRed, weights[0]), green(GrayWeightGreen, weights[1]),
        blue(GrayWeightBlue, weights[2]);
    TPVMask mask;
    ASSERT_TRUE(bitmap->CopyToMask(mask));
    for (int32_t y = 0; y < 7; ++y)
      for (int32_t x = 0; x < 23; ++x) {
        const uint8_t* p = pixels.At(x, y);  // blue, green, red
        const int32_t grey = (p[2] * weights[0] + p[1] * weights[1] + p[0] * weights[2]) / 100;
        ASSERT_EQ(mask.GetPixel(x, y), grey >> 2) << x << ", " << y;
      }
  }
}

TEST_P(ExchangeIn, CopyToMaskOfBitsAndGreyCopiesTheRowsAndOpaque) {
  for (TPVPixelFormat format : {pv1g, pv8g}) {
    for (bool opaque : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << int{format} << " opaque " << opaque);
      auto bitmap = MakeBitmap(GetParam(), 21, 5, format);
      FillRandom(*bitmap, 2);
      bitmap->Opaque = opaque;
      TPVMask mask;
      ASSERT_TRUE(bitmap->CopyToMask(mask));
      EXPECT_EQ(mask.BitsPerPixel, format == pv1g ? 1 : 8);
      EXPECT_EQ(mask.Width, 21);
      EXPECT_EQ(mask.Height, 5);
      EXPECT_EQ(mask.AllSet, opaque);
      EXPECT_TRUE(SameRows(*bitmap, 5, [&](int32_t y) { return mask.GetRow(y); }));
    }
  }
}

TEST_P(ExchangeIn, CopyToMaskOfOtherFormatsLeavesTheMask) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(3, 3, 8));
  mask.Fill(17);
  for (TPVPixelFormat format : {pv8p, pv16g, pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB}) {
    auto bitmap = MakeBitmap(GetParam(), 5, 5, format);
    EXPECT_FALSE(bitmap->CopyToMask(mask)) << int{format};
    EXPECT_EQ(mask.Width, 3);
    EXPECT_EQ(mask.GetPixel(2, 2), 17);
  }
}

// ---- CopyFromMask ----

TEST_P(ExchangeIn, CopyFromMaskTakesTheMasksDepthRowsAndAllSet) {
  for (int32_t bits : {1, 8}) {
    for (bool allSet : {false, true}) {
      SCOPED_TRACE(::testing::Message() << bits << " bits, AllSet " << allSet);
      TPVMask mask;
      ASSERT_TRUE(mask.Allocate(19, 6, bits));
      RandomRows(6, mask.RowBytes, 3, [&](int32_t y) { return mask.GetRow(y); });
      mask.AllSet = allSet;
      auto bitmap = MakeBitmap(GetParam(), 4, 4, pv24RGB);
      ASSERT_TRUE(bitmap->CopyFromMask(&mask));
      EXPECT_EQ(bitmap->GetPixelFormat(), bits == 1 ? pv1g : pv8g);
      EXPECT_EQ(bitmap->GetWidth(), 19);
      EXPECT_EQ(bitmap->GetHeight(), 6);
      EXPECT_EQ(bitmap->Opaque, allSet);
      EXPECT_TRUE(SameRows(*bitmap, 6, [&](int32_t y) { return mask.GetRow(y); }));
    }
  }
}

TEST_P(ExchangeIn, CopyFromANullMaskFillsWith255) {
  auto bitmap = MakeBitmap(GetParam(), 5, 3, pv8g);
  FillRandom(*bitmap, 4);
  ASSERT_TRUE(bitmap->CopyFromMask(nullptr));
  EXPECT_TRUE(bitmap->Opaque);
  EXPECT_EQ(bitmap->GetPixel8(4, 2), 255);
}

TEST_P(ExchangeIn, CopyFromAnEmptyMaskChangesNothing) {
  auto bitmap = MakeBitmap(GetParam(), 5, 3, pv24RGB);
  FillRandom(*bitmap, 5);
  const PixelModel before = ModelOf(*bitmap);
  TPVMask mask;
  EXPECT_FALSE(bitmap->CopyFromMask(&mask));
  ASSERT_TRUE(mask.Allocate(0, 0, 8));
  EXPECT_FALSE(bitmap->CopyFromMask(&mask));
  EXPECT_TRUE(SameModel(before, ModelOf(*bitmap)));
}

// ---- CopyFromDibbitmap ----

TEST_P(ExchangeIn, CopyFromDibbitmapTakesOneEightAndTwentyFourBitDibs) {
  const std::pair<int32_t, TPVPixelFormat> depths[] = {{1, pv1g}, {8, pv8g}, {24, pv24RGB}};
  for (const auto& [bits, format] : depths) {
    SCOPED_TRACE(::testing::Message() << bits << " bits");
    TPVDibbitmap dib;
    ASSERT_TRUE(dib.AllocateBits(13, 5, bits));
    RandomRows(5, dib.RowBytes, 6, [&](int32_t y) { return dib.GetScanline(y); });
    auto bitmap = MakeBitmap(GetParam(), 3, 3, pv16g);
    ASSERT_TRUE(bitmap->CopyFromDibbitmap(&dib));
    EXPECT_EQ(bitmap->GetPixelFormat(), format);
    EXPECT_EQ(bitmap->GetWidth(), 13);
    EXPECT_EQ(bitmap->GetHeight(), 5);
    EXPECT_TRUE(SameRows(*bitmap, 5, [&](int32_t y) { return std::as_const(dib).GetScanline(y); }));
  }
}

TEST_P(ExchangeIn, CopyFromDibbitmapOfAnotherDepthCopiesRowsIntoTheBitmapAsItIs) {
  TPVDibbitmap dib;
  ASSERT_TRUE(dib.AllocateBits(6, 9, 32));
  RandomRows(9, dib.RowBytes, 7, [&](int32_t y) { return dib.GetScanline(y); });
  auto bitmap = MakeBitmap(GetParam(), 6, 4, pv32RGB);
  ASSERT_TRUE(bitmap->CopyFromDibbitmap(&dib));
  EXPECT_EQ(bitmap->GetPixelFormat(), pv32RGB);
  EXPECT_EQ(bitmap->GetHeight(), 4);
  EXPECT_TRUE(SameRows(*bitmap, 4, [&](int32_t y) { return std::as_const(dib).GetScanline(y); }));
  EXPECT_FALSE(bitmap->CopyFromDibbitmap(nullptr));
}

INSTANTIATE_TEST_SUITE_P(Storages, ExchangeIn, ::testing::ValuesIn(kMemoryAndFile),
                         test::StorageParamName);

TEST(CopyFromDibbitmapIntoADeviceBitmap, ResizesItInPlaceAndTakesTheDepth) {
  for (int32_t bits : {1, 24}) {
    SCOPED_TRACE(::testing::Message() << bits << " bits");
    TPVBitmap bitmap;
    test::Prepare(bitmap, Storage::Device);
    ASSERT_TRUE(bitmap.Allocate(3, 3, pv8g));
    const platform::TBitmap* device = bitmap.Storage.WrappedTBitmap.get();
    TPVDibbitmap dib;
    ASSERT_TRUE(dib.AllocateBits(11, 4, bits));
    RandomRows(4, dib.RowBytes, 8, [&](int32_t y) { return dib.GetScanline(y); });
    ASSERT_TRUE(bitmap.CopyFromDibbitmap(&dib));
    EXPECT_EQ(bitmap.Storage.WrappedTBitmap.get(), device);
    EXPECT_EQ(bitmap.GetPixelFormat(), bits == 1 ? pv1g : pv24RGB);
    EXPECT_EQ(bitmap.GetWidth(), 11);
    EXPECT_EQ(bitmap.GetHeight(), 4);
    EXPECT_TRUE(SameRows(bitmap, 4, [&](int32_t y) { return std::as_const(dib).GetScanline(y); }));
  }
}

}  // namespace
}  // namespace calmora
