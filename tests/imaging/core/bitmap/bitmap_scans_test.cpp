// Whole-image tests of TPVBitmap in memory and in the file: IsOpaqueScan and IsAllZero over the
// pixel bytes of every format, IsGrayscale by format.
#include <gtest/gtest.h>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"

namespace calmora {
namespace {

using test::kAllFormats;
using test::kMemoryAndFile;
using test::MakeBitmap;
using test::PixelBytes;
using test::Storage;
using test::TempFolderScope;

class ScansIn : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

// Every pixel byte becomes value and every alignment byte its opposite, so only the pixel
// bytes can decide.
void SetPixelBytes(TPVBitmap& bitmap, uint8_t value) {
  const int32_t bytes = PixelBytes(bitmap.GetWidth(), bitmap.GetPixelFormat());
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    std::memset(row, value, bytes);
    std::memset(row + bytes, ~value & 0xFF, bitmap.RowBytes - bytes);
  }
}

TEST_P(ScansIn, IsOpaqueScanAndIsAllZeroReadEveryPixelByteAndNoAlignmentByte) {
  for (TPVPixelFormat format : kAllFormats) {
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = MakeBitmap(GetParam(), 9, 4, format);
    ASSERT_TRUE(bitmap->SetBitAlignment(64));  // so that every format's rows have some
    ASSERT_GT(bitmap->RowBytes, PixelBytes(9, format));
    const int32_t lastByte = PixelBytes(9, format) - 1;
    for (uint8_t value : {uint8_t{0}, uint8_t{255}}) {
      SetPixelBytes(*bitmap, value);
      bitmap->Opaque = value == 0;
      EXPECT_EQ(bitmap->IsOpaqueScan(), value == 255);
      EXPECT_EQ(bitmap->Opaque, value == 255);
      EXPECT_EQ(bitmap->IsAllZero(), value == 0);
      // One byte off, in the last row's last pixel byte, turns both answers.
      bitmap->GetScanline(3)[lastByte] = 1;
      EXPECT_FALSE(bitmap->IsOpaqueScan());
      EXPECT_FALSE(bitmap->Opaque);
      EXPECT_FALSE(bitmap->IsAllZero());
    }
  }
}

TEST_P(ScansIn, IsOpaqueScanOfBitsReadsTheLastByteWhole) {
  auto bitmap = MakeBitmap(GetParam(), 5, 2, pv1g);
  SetPixelBytes(*bitmap, 255);
  EXPECT_TRUE(bitmap->IsOpaqueScan());
  bitmap->GetScanline(1)[0] = 0xF8;  // the five pixels white, the rest of the byte clear
  EXPECT_FALSE(bitmap->IsOpaqueScan());
}

TEST_P(ScansIn, IsGrayscaleOfRGBFormatsAsksForThreeEqualChannels) {
  for (TPVPixelFormat format : {pv24RGB, pvRGB48, pv32RGB}) {
    const int32_t sample = format == pvRGB48 ? 2 : 1;  // bytes per channel
    SCOPED_TRACE(::testing::Message() << "format " << int{format});
    auto bitmap = MakeBitmap(GetParam(), 6, 3, format);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 6; ++x) bitmap->FillRect(x, y, x, y, (x * 40 + y) * 0x010101);
    if (format == pv32RGB) bitmap->GetScanline(1)[4 * 2 + 3] = 77;  // no colour, no matter
    EXPECT_TRUE(bitmap->IsGrayscale());
    // A file row's pointer lasts until the next row access, so it is asked for anew each time.
    const auto sampleByte = [&](int32_t channel) {
      return bitmap->GetScanline(2) + 5 * test::PixelSize(format) + channel * sample;
    };
    for (int32_t channel = 0; channel < 3; ++channel) {
      *sampleByte(channel) ^= 1;
      EXPECT_FALSE(bitmap->IsGrayscale()) << "channel " << channel;
      *sampleByte(channel) ^= 1;
    }
    EXPECT_TRUE(bitmap->IsGrayscale());
  }
}

TEST_P(ScansIn, IsGrayscaleOfAPaletteAsksEveryEntry) {
  auto bitmap = MakeBitmap(GetParam(), 2, 2, pv8p);
  for (int32_t i = 0; i < 256; ++i) {
    const auto level = static_cast<uint8_t>(255 - i);
    bitmap->SetPaletteColor(i, TPVRGB{level, level, level});
  }
  bitmap->Fill(0);  // only index 0 is used; the others count all the same
  EXPECT_TRUE(bitmap->IsGrayscale());
  bitmap->SetPaletteColor(255, TPVRGB{0, 0, 1});
  EXPECT_FALSE(bitmap->IsGrayscale());
}

TEST_P(ScansIn, IsGrayscaleOfOtherFormatsIsTrueWhateverThePixels) {
  for (TPVPixelFormat format : {pv1g, pv8g, pv16g, pv32f, pvCMYK, pvCIELab}) {
    auto bitmap = MakeBitmap(GetParam(), 5, 3, format);
    test::FillRandom(*bitmap, 3);
    EXPECT_TRUE(bitmap->IsGrayscale()) << int{format};
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, ScansIn, ::testing::ValuesIn(kMemoryAndFile),
                         test::StorageParamName);

}  // namespace
}  // namespace calmora
