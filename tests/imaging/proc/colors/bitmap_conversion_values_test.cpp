// Pixel-format conversion by its documented values: single pixels of known results, exact round
// trips through the wider formats and the palette, ordered dithering against the whole matrix
// for every level, and the rules of ConvertFrom about sizes, formats and alpha planes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/imaging/proc/colors/conversion_model.h"

namespace calmora {
namespace {

using test::Storage;
using test::conversion::kDitherMatrix;

class ConversionValues : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Make(int32_t width, int32_t height, TPVPixelFormat format) {
    return test::MakeBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST_P(ConversionValues, OneColourPixelInEveryGrey) {
  struct Case {
    TPVPixelFormat To;
    std::vector<uint8_t> Bytes;
  };
  const float floatGrey = static_cast<float>((200 * 0.2126 + 100 * 0.7152 + 50 * 0.0722) / 255);
  const Case cases[] = {
      {pv8g, {117}},
      {pv16g, test::conversion::BytesOf<uint16_t>(30184)},
      {pv32f, test::conversion::BytesOf(floatGrey)},
  };
  EXPECT_NEAR(floatGrey, 0.46137, 1e-5);
  for (const Case& c : cases) {
    auto bitmap = Make(1, 1, pv24RGB);
    bitmap->SetPixel24(0, 0, TPVRGB{50, 100, 200});
    ASSERT_TRUE(bitmap->SetPixelFormat(c.To));
    EXPECT_EQ(bitmap->GetPixelFormat(), c.To);
    EXPECT_EQ(0, std::memcmp(bitmap->GetScanline(0), c.Bytes.data(), c.Bytes.size())) << int(c.To);
  }
}

TEST_P(ConversionValues, OrderedLevelOfAColourPixelIs29) {
  auto bitmap = Make(8, 8, pv24RGB);
  bitmap->Fill(static_cast<double>(200 | 100 << 8 | 50 << 16));  // red 200, green 100, blue 50
  bitmap->DitherMethod = pvdmOrdered;
  ASSERT_TRUE(bitmap->SetPixelFormat(pv1g));
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x)
      EXPECT_EQ((bitmap->GetScanline(y)[0] >> (7 - x)) & 1, kDitherMatrix[x][y] < 29) << x << y;
}

TEST_P(ConversionValues, WordsNarrowToTheirHighByte) {
  auto words = Make(1, 1, pv16g);
  words->SetPixel16(0, 0, 0xABCD);
  auto copy = Make(1, 1, pv16g);
  copy->SetPixel16(0, 0, 0xABCD);
  ASSERT_TRUE(words->SetPixelFormat(pv8g));
  EXPECT_EQ(words->GetPixel8(0, 0), 0xAB);
  ASSERT_TRUE(copy->SetPixelFormat(pv24RGB));
  EXPECT_EQ(copy->GetPixel24(0, 0), (TPVRGB{0xAB, 0xAB, 0xAB}));
  ASSERT_TRUE(words->SetPixelFormat(pv16g));
  EXPECT_EQ(words->GetPixel16(0, 0), 0xABAB);
}

TEST_P(ConversionValues, FloatsPastOneWrapWhenNarrowed) {
  auto bitmap = Make(3, 1, pv32f);
  bitmap->SetPixelFloat(0, 0, 1.5f);   // Trunc(382.5) = 382
  bitmap->SetPixelFloat(1, 0, -0.5f);  // Trunc(-127.5) = -127
  bitmap->SetPixelFloat(2, 0, 1.0f);
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8g));
  EXPECT_EQ(bitmap->GetPixel8(0, 0), 126);
  EXPECT_EQ(bitmap->GetPixel8(1, 0), 129);
  EXPECT_EQ(bitmap->GetPixel8(2, 0), 255);
}

TEST_P(ConversionValues, BitsBecomeABlackAndWhitePalette) {
  auto bitmap = Make(9, 1, pv1g);
  bitmap->GetScanline(0)[0] = 0xA0;  // pixels 0 and 2 white
  bitmap->GetScanline(0)[1] = 0x80;  // pixel 8 white
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8p));
  EXPECT_EQ(bitmap->GetPaletteColor(0), (TPVRGB{0, 0, 0}));
  EXPECT_EQ(bitmap->GetPaletteColor(1), (TPVRGB{255, 255, 255}));
  const uint8_t expected[9] = {1, 0, 1, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(0, std::memcmp(bitmap->GetScanline(0), expected, 9));
}

// ---- Exact round trips ----

TEST_P(ConversionValues, EveryGreyComesBackFrom16Bits) {
  auto bitmap = Make(256, 1, pv8g);
  for (int32_t x = 0; x < 256; ++x) bitmap->SetPixel8(x, 0, static_cast<uint8_t>(x));
  const auto before = test::ReadRows(*bitmap, 256);
  ASSERT_TRUE(bitmap->SetPixelFormat(pv16g));
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8g));
  EXPECT_EQ(test::ReadRows(*bitmap, 256), before);
}

TEST_P(ConversionValues, ColoursComeBackFromWiderFormats) {
  for (const TPVPixelFormat wider : {pvRGB48, pv32RGB}) {
    auto bitmap = Make(29, 13, pv24RGB);
    test::FillRandom(*bitmap, wider);
    const auto before = test::ReadRows(*bitmap, 29 * 3);
    ASSERT_TRUE(bitmap->SetPixelFormat(wider));
    ASSERT_TRUE(bitmap->SetPixelFormat(pv24RGB));
    EXPECT_EQ(test::ReadRows(*bitmap, 29 * 3), before) << int(wider);
  }
}

TEST_P(ConversionValues, TwoHundredFiftySixColoursComeBackFromThePalette) {
  std::mt19937 random(5);
  std::vector<TPVRGB> colours(256);
  for (TPVRGB& c : colours)
    c = TPVRGB{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
               static_cast<uint8_t>(random())};
  auto bitmap = Make(64, 40, pv24RGB);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 64; ++x) bitmap->SetPixel24(x, y, colours[(x * 7 + y * 13) % 256]);
  const auto before = test::ReadRows(*bitmap, 64 * 3);
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8p));
  ASSERT_TRUE(bitmap->SetPixelFormat(pv24RGB));
  EXPECT_EQ(test::ReadRows(*bitmap, 64 * 3), before);
}

// ---- Ordered dithering, every level against the whole matrix ----

// An 8-pixel-wide image with level L on rows 8L..8L + 7 (256 greys for the 8-bit formats), so
// that each value meets every matrix entry once; every pixel white where the entry is below
// the level.
TEST_P(ConversionValues, OrderedDitherMeetsTheWholeMatrixAtEveryLevel) {
  struct Case {
    TPVPixelFormat Format;
    int Levels;
  };
  std::mt19937 random(3);
  for (const Case c : {Case{pv8g, 256}, Case{pv16g, 256}, Case{pv24RGB, 256}, Case{pv32f, 256}}) {
    SCOPED_TRACE(int(c.Format));
    auto bitmap = Make(8, 8 * c.Levels, c.Format);
    std::vector<int> level(static_cast<size_t>(c.Levels));
    for (int32_t value = 0; value < c.Levels; ++value) {
      const auto byte = static_cast<uint8_t>(value);
      // pv32f spans a little more than 0..1: clamped to a byte, values past 1.0 are white and
      // those below 0 black.
      const float real = (value - 16) / 223.0f;
      level[value] = value >> 2;
      if (c.Format == pv32f)
        level[value] = std::clamp(static_cast<int>(static_cast<double>(real) * 255), 0, 255) >> 2;
      for (int32_t y = 8 * value; y < 8 * value + 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
          switch (c.Format) {
            case pv8g: bitmap->SetPixel8(x, y, byte); break;
            // Random low bytes: only the top six bits of the word count.
            case pv16g:
              bitmap->SetPixel16(x, y, static_cast<uint16_t>(byte << 8 | (random() & 0xFF)));
              break;
            case pv24RGB: bitmap->SetPixel24(x, y, TPVRGB{byte, byte, byte}); break;
            default: bitmap->SetPixelFloat(x, y, real); break;
          }
        }
    }
    bitmap->DitherMethod = pvdmOrdered;
    ASSERT_TRUE(bitmap->SetPixelFormat(pv1g));
    for (int32_t y = 0; y < bitmap->GetHeight(); ++y)
      for (int32_t x = 0; x < 8; ++x)
        ASSERT_EQ((bitmap->GetScanline(y)[0] >> (7 - x)) & 1,
                  kDitherMatrix[x][y % 8] < level[y / 8])
            << "pixel " << x << ", " << y;
  }
}

// ---- ConvertFrom ----

// Another size changes nothing at all; equal formats convert no pixel but hand the alpha plane
// over.
TEST_P(ConversionValues, ConvertFromLeavesThePixelsAlone) {
  struct Case {
    const char* Name;
    int32_t TargetHeight;
    TPVPixelFormat TargetFormat;
    bool HandsOver;
  };
  for (const Case c :
       {Case{"another size", 4, pv8g, false}, Case{"equal formats", 3, pv24RGB, true}}) {
    SCOPED_TRACE(c.Name);
    auto source = Make(4, 3, pv24RGB);
    auto target = Make(4, c.TargetHeight, c.TargetFormat);
    test::FillRandom(*source, 1);
    test::FillRandom(*target, 2);
    TPVBitmap* sourcePlane = source->GetAlphaChannel();
    TPVBitmap* targetPlane = target->GetAlphaChannel();
    const auto before = test::ReadRows(*target);
    EXPECT_EQ(target->ConvertFrom(*source), c.HandsOver);
    EXPECT_EQ(test::ReadRows(*target), before);
    EXPECT_EQ(source->AlphaBitmap.get(), c.HandsOver ? nullptr : sourcePlane);
    EXPECT_EQ(target->AlphaBitmap.get(), c.HandsOver ? sourcePlane : targetPlane);
  }
}

TEST_P(ConversionValues, ASourceWithoutFormatStillHandsItsPlaneOver) {
  TPVBitmap source;  // no pixels, no format
  source.AttachAlphaChannel(std::make_unique<TPVBitmap>(5, 2, pv8g));
  TPVBitmap* plane = source.AlphaBitmap.get();
  TPVBitmap target;
  test::Prepare(target, GetParam());
  target.Format = pv24RGB;
  EXPECT_TRUE(target.ConvertFrom(source));
  EXPECT_EQ(target.AlphaBitmap.get(), plane);
  EXPECT_EQ(source.AlphaBitmap, nullptr);
}

TEST_P(ConversionValues, ACMYKSourceEndsAs24Bits) {
  auto source = Make(6, 2, pvCMYK);
  test::FillRandom(*source, 4);
  auto target = Make(6, 2, pv8g);
  ASSERT_TRUE(target->ConvertFrom(*source));
  EXPECT_EQ(source->GetPixelFormat(), pv24RGB);
  EXPECT_EQ(test::StorageOf(*source), GetParam());
}

TEST_P(ConversionValues, SetPixelFormatKeepsTheAlphaPlane) {
  auto bitmap = Make(7, 5, pv24RGB);
  test::FillRandom(*bitmap->GetAlphaChannel(), 6);
  const auto alpha = test::ReadRows(*bitmap->AlphaBitmap);
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8g));
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  EXPECT_EQ(test::ReadRows(*bitmap->AlphaBitmap), alpha);
  EXPECT_TRUE(bitmap->AlphaBitmap->IsAlphaPlane);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, ConversionValues,
                         ::testing::Values(Storage::MemoryBlock, Storage::File),
                         test::StorageParamName);

}  // namespace
}  // namespace calmora
