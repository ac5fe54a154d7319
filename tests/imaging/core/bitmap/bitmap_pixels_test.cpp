// The single-pixel accessors of TPVBitmap over each format, in memory and in the file: the
// bytes they read and write, the Opaque rules, GetPixelAsRGB and the alpha accessors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/color/cmyk_profile.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::FillRandom;
using test::kMemoryAndFile;
using test::MakeBitmap;
using test::ModelOf;
using test::SameModel;
using test::ScopedOverride;
using test::Storage;
using test::StorageName;
using test::TempFolderScope;

// One accessor pair: Size little-endian bytes per pixel, as a 64-bit value.
struct AccessorCase {
  const char* Name;
  TPVPixelFormat Format;
  int32_t Size;
  void (*Set)(TPVBitmap&, int32_t x, int32_t y, uint64_t value);
  uint64_t (*Get)(const TPVBitmap&, int32_t x, int32_t y);
  bool (*KeepsOpaque)(uint64_t value);  // a write of value leaves Opaque set
};

void PrintTo(const AccessorCase& c, std::ostream* out) { *out << c.Name; }

float AsFloat(uint64_t value) {
  float f;
  const auto bits = static_cast<uint32_t>(value);
  std::memcpy(&f, &bits, 4);
  return f;
}

uint64_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

uint64_t Word48(TPVRGB48 p) { return p.r | uint64_t{p.g} << 16 | uint64_t{p.b} << 32; }
TPVRGB48 Pixel48(uint64_t v) {
  return TPVRGB48{static_cast<uint16_t>(v), static_cast<uint16_t>(v >> 16),
                  static_cast<uint16_t>(v >> 32)};
}
uint64_t Bytes24(TPVRGB p) { return p.b | p.g << 8 | p.r << 16; }
TPVRGB Pixel24(uint64_t v) {
  return TPVRGB{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                static_cast<uint8_t>(v >> 16)};
}

const AccessorCase kAccessors[] = {
    {"Pixel8OfGrey", pv8g, 1,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) {
       b.SetPixel8(x, y, static_cast<uint8_t>(v));
     },
     [](const TPVBitmap& b, int32_t x, int32_t y) -> uint64_t { return b.GetPixel8(x, y); },
     [](uint64_t v) { return v == 255; }},
    {"Pixel8OfPalette", pv8p, 1,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) {
       b.SetPixel8(x, y, static_cast<uint8_t>(v));
     },
     [](const TPVBitmap& b, int32_t x, int32_t y) -> uint64_t { return b.GetPixel8(x, y); },
     [](uint64_t v) { return v == 255; }},
    {"Pixel16", pv16g, 2,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) {
       b.SetPixel16(x, y, static_cast<uint16_t>(v));
     },
     [](const TPVBitmap& b, int32_t x, int32_t y) -> uint64_t { return b.GetPixel16(x, y); },
     [](uint64_t v) { return v == 65535; }},
    {"PixelFloat", pv32f, 4,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) { b.SetPixelFloat(x, y, AsFloat(v)); },
     [](const TPVBitmap& b, int32_t x, int32_t y) -> uint64_t {
       return FloatBits(static_cast<float>(b.GetPixelFloat(x, y)));
     },
     [](uint64_t v) { return AsFloat(v) >= 1.0f; }},
    {"Pixel32", pvCMYK, 4,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) {
       b.SetPixel32(x, y, static_cast<int32_t>(v));
     },
     [](const TPVBitmap& b, int32_t x, int32_t y) -> uint64_t {
       return static_cast<uint32_t>(b.GetPixel32(x, y));
     },
     [](uint64_t) { return true; }},
    {"Pixel24OfRGB", pv24RGB, 3,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) { b.SetPixel24(x, y, Pixel24(v)); },
     [](const TPVBitmap& b, int32_t x, int32_t y) { return Bytes24(b.GetPixel24(x, y)); },
     [](uint64_t) { return true; }},
    {"Pixel24OfLab", pvCIELab, 3,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) { b.SetPixel24(x, y, Pixel24(v)); },
     [](const TPVBitmap& b, int32_t x, int32_t y) { return Bytes24(b.GetPixel24(x, y)); },
     [](uint64_t) { return true; }},
    {"Pixel48", pvRGB48, 6,
     [](TPVBitmap& b, int32_t x, int32_t y, uint64_t v) { b.SetPixel48(x, y, Pixel48(v)); },
     [](const TPVBitmap& b, int32_t x, int32_t y) { return Word48(b.GetPixel48(x, y)); },
     [](uint64_t v) { return v == 0xFFFFFFFFFFFFull; }},
};

// Values to write: random ones, the maximum, and values next to it; floats around 1.0.
std::vector<uint64_t> ValuesFor(const AccessorCase& c, std::mt19937& random) {
  std::vector<uint64_t> values;
  if (c.Format == pv32f) {
    for (float f :
         {0.0f, 0.5f, 0.99999994f, 1.0f, 1.5f, -1.0f, std::numeric_limits<float>::infinity(),
          std::numeric_limits<float>::quiet_NaN()})
      values.push_back(FloatBits(f));
    for (int i = 0; i < 20; ++i)
      values.push_back(FloatBits(std::uniform_real_distribution<float>(-0.5f, 2.0f)(random)));
    return values;
  }
  const uint64_t all = c.Size == 8 ? ~0ull : (uint64_t{1} << (8 * c.Size)) - 1;
  values = {all, all - 1, 0, (all ^ 0xFF00) & all, all >> 8};
  for (int i = 0; i < 20; ++i) values.push_back((uint64_t{random()} << 32 | random()) & all);
  return values;
}

class PixelAccessors : public ::testing::TestWithParam<std::tuple<AccessorCase, Storage>> {
 protected:
  TempFolderScope temp_;
};

TEST_P(PixelAccessors, WriteTheFormatsBytesAndKeepOpaqueTruthful) {
  const auto& [c, storage] = GetParam();
  auto bitmap = MakeBitmap(storage, 7, 4, c.Format);  // odd width: rows have alignment bytes
  FillRandom(*bitmap, 1);
  test::PixelModel model = ModelOf(*bitmap);
  const int32_t rowBytes = bitmap->RowBytes;
  std::vector<uint8_t> padding;  // the alignment bytes of row 2, never touched
  const int32_t used = 7 * c.Size;
  padding.assign(bitmap->GetScanline(2) + used, bitmap->GetScanline(2) + rowBytes);

  std::mt19937 random(7);
  int32_t index = 0;
  for (uint64_t value : ValuesFor(c, random)) {
    const int32_t x = index % 7, y = (index / 7) % 4;
    ++index;
    SCOPED_TRACE(::testing::Message()
                 << "value " << std::hex << value << " at " << std::dec << x << ", " << y);
    bitmap->Opaque = true;
    c.Set(*bitmap, x, y, value);
    std::memcpy(model.At(x, y), &value, c.Size);  // little-endian, like the pixel's bytes
    EXPECT_EQ(bitmap->Opaque, c.KeepsOpaque(value));
    const uint64_t read = c.Get(*bitmap, x, y);
    if (c.Format == pv32f && std::isnan(AsFloat(value)))
      EXPECT_TRUE(std::isnan(AsFloat(read)));
    else
      EXPECT_EQ(read, value);
    // Setters only ever clear Opaque: a maximum written into a non-opaque image leaves it so.
    bitmap->Opaque = false;
    c.Set(*bitmap, x, y, value);
    EXPECT_FALSE(bitmap->Opaque);
  }
  EXPECT_TRUE(SameModel(model, ModelOf(*bitmap)));
  const uint8_t* row = bitmap->GetScanline(2);
  EXPECT_EQ(std::vector<uint8_t>(row + used, row + rowBytes), padding);
}

INSTANTIATE_TEST_SUITE_P(FormatsAndStorages, PixelAccessors,
                         ::testing::Combine(::testing::ValuesIn(kAccessors),
                                            ::testing::ValuesIn(kMemoryAndFile)),
                         test::CaseInStorageName<AccessorCase>);

class PixelsIn : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
};

TEST_P(PixelsIn, GetPixel24PointerAddressesThePixelsThreeBytes) {
  auto bitmap = MakeBitmap(GetParam(), 5, 3, pv24RGB);
  FillRandom(*bitmap, 2);
  uint8_t* pixel = bitmap->GetPixel24Pointer(3, 1);
  EXPECT_EQ(pixel, bitmap->GetScanline(1) + 9);
  pixel = bitmap->GetPixel24Pointer(3, 1);
  pixel[0] = 11;
  pixel[1] = 22;
  pixel[2] = 33;
  EXPECT_EQ(bitmap->GetPixel24(3, 1), (TPVRGB{11, 22, 33}));
  EXPECT_EQ(bitmap->GetPixelAsRGB(3, 1), (TPVRGB{11, 22, 33}));
}

// One pixel's stored bytes and the colour GetPixelAsRGB must give for them.
struct ColourCase {
  const char* Name;
  TPVPixelFormat Format;
  std::vector<uint8_t> Bytes;
  TPVRGB Expected;
};

void PrintTo(const ColourCase& c, std::ostream* out) { *out << c.Name; }

uint8_t FloatByte(float f, int i) {
  uint8_t bytes[4];
  std::memcpy(bytes, &f, 4);
  return bytes[i];
}

std::vector<uint8_t> FloatBytes(float f) {
  return {FloatByte(f, 0), FloatByte(f, 1), FloatByte(f, 2), FloatByte(f, 3)};
}

TPVRGB LabColour(uint8_t l, int8_t a, int8_t b) {
  TPVRGB rgb;
  ConvertCIELabToRGB(rgb, TPVCIELab{l, a, b});
  return rgb;
}

const ColourCase kColours[] = {
    {"GreyByte", pv8g, {77}, {77, 77, 77}},
    {"Grey16HighByte", pv16g, {0xAB, 0x12}, {0x12, 0x12, 0x12}},
    {"RGB", pv24RGB, {1, 2, 3}, {1, 2, 3}},
    {"FloatOneAndAHalfWraps", pv32f, FloatBytes(1.5f), {126, 126, 126}},
    {"FloatHalfTruncates", pv32f, FloatBytes(0.5f), {127, 127, 127}},
    {"FloatWhite", pv32f, FloatBytes(1.0f), {255, 255, 255}},
    {"FloatNegativeWraps", pv32f, FloatBytes(-0.1f), {231, 231, 231}},  // Trunc(-25.5) = -25
    {"CMYKByFormula", pvCMYK, {200, 100, 50, 255}, {50, 100, 200}},
    {"CMYKHalfBlack", pvCMYK, {200, 100, 50, 128}, {25, 50, 100}},  // x * 128 div 255
    {"RGB48HighBytes", pvRGB48, {0x34, 0x12, 0xCD, 0xAB, 0xFF, 0x00}, {0x00, 0xAB, 0x12}},
    {"LabBlack", pvCIELab, {0, 0, 0}, {0, 0, 0}},
    {"LabSignedAB", pvCIELab, {150, static_cast<uint8_t>(-50), 30}, LabColour(150, -50, 30)},
    {"RGB32FirstThreeBytes", pv32RGB, {1, 2, 3, 99}, {1, 2, 3}},
};

class PixelAsRGB : public ::testing::TestWithParam<std::tuple<ColourCase, Storage>> {
 protected:
  TempFolderScope temp_;
  // The formula path of CMYKToRGB: the expected colours are exact.
  ScopedOverride<bool> noProfile_{CMYKProfileConversion, false};
};

TEST_P(PixelAsRGB, GivesTheColourOfTheStoredBytes) {
  const auto& [c, storage] = GetParam();
  auto bitmap = MakeBitmap(storage, 5, 3, c.Format);
  FillRandom(*bitmap, 3);
  std::memcpy(bitmap->GetScanline(1) + 2 * c.Bytes.size(), c.Bytes.data(), c.Bytes.size());
  EXPECT_EQ(bitmap->GetPixelAsRGB(2, 1), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(FormatsAndStorages, PixelAsRGB,
                         ::testing::Combine(::testing::ValuesIn(kColours),
                                            ::testing::ValuesIn(kMemoryAndFile)),
                         test::CaseInStorageName<ColourCase>);

TEST_P(PixelsIn, PixelAsRGBOfBitsIsWhiteForASetBitAcrossBytes) {
  auto bitmap = MakeBitmap(GetParam(), 19, 2, pv1g);
  FillRandom(*bitmap, 4);
  const test::PixelModel bits = ModelOf(*bitmap);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 19; ++x) {
      const uint8_t level = bits.At(x, y)[0] ? 255 : 0;
      EXPECT_EQ(bitmap->GetPixelAsRGB(x, y), (TPVRGB{level, level, level})) << x << ", " << y;
    }
}

TEST_P(PixelsIn, PixelAsRGBOfAPaletteIndexIsItsEntry) {
  auto bitmap = MakeBitmap(GetParam(), 4, 2, pv8p);
  bitmap->SetPaletteColor(7, TPVRGB{10, 20, 30});
  bitmap->SetPaletteColor(200, TPVRGB{40, 50, 60});
  bitmap->SetPixel8(1, 1, 7);
  bitmap->SetPixel8(3, 0, 200);
  EXPECT_EQ(bitmap->GetPixelAsRGB(1, 1), (TPVRGB{10, 20, 30}));
  EXPECT_EQ(bitmap->GetPixelAsRGB(3, 0), (TPVRGB{40, 50, 60}));
}

TEST(PixelAsRGBWithoutFormat, IsBlack) {
  TPVBitmap empty;
  EXPECT_EQ(empty.GetPixelAsRGB(0, 0), (TPVRGB{0, 0, 0}));
}

TEST_P(PixelsIn, GetAlphaOfABitmapWithoutAPlaneReads255AndMakesOne) {
  auto bitmap = MakeBitmap(GetParam(), 6, 4, pv24RGB);
  ASSERT_FALSE(bitmap->HasAlphaChannel());
  EXPECT_EQ(bitmap->GetAlpha(5, 3), 255);
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  const TPVBitmap& plane = *bitmap->AlphaBitmap;
  EXPECT_EQ(plane.Format, pv8g);
  EXPECT_EQ(plane.Width, 6);
  EXPECT_EQ(plane.Height, 4);
  EXPECT_TRUE(plane.Opaque);
}

TEST_P(PixelsIn, SetAlphaWritesThePlaneAndClearsOpaqueOfPlaneAndOwner) {
  auto bitmap = MakeBitmap(GetParam(), 6, 4, pv24RGB);
  bitmap->Opaque = true;
  bitmap->SetAlpha(2, 3, 255);
  ASSERT_TRUE(bitmap->HasAlphaChannel());
  EXPECT_TRUE(bitmap->AlphaBitmap->Opaque);
  EXPECT_TRUE(bitmap->Opaque);
  bitmap->SetAlpha(2, 3, 100);
  EXPECT_EQ(bitmap->GetAlpha(2, 3), 100);
  EXPECT_EQ(bitmap->AlphaBitmap->GetPixel8(2, 3), 100);
  EXPECT_EQ(bitmap->GetAlpha(3, 3), 255);
  EXPECT_FALSE(bitmap->AlphaBitmap->Opaque);
  EXPECT_FALSE(bitmap->Opaque);
}

TEST_P(PixelsIn, AnAlphaPlaneReadsAndWritesItsOwnBytes) {
  auto owner = MakeBitmap(GetParam(), 6, 4, pv24RGB);
  TPVBitmap& plane = *owner->GetAlphaChannel();
  plane.SetAlpha(1, 2, 9);
  EXPECT_EQ(plane.GetAlpha(1, 2), 9);
  EXPECT_EQ(plane.GetPixel8(1, 2), 9);
  EXPECT_FALSE(plane.Opaque);
  EXPECT_FALSE(plane.HasAlphaChannel());
}

TEST(AlphaOfAnEmptyBitmap, Reads255WithoutAPlane) {
  TPVBitmap empty;
  EXPECT_EQ(empty.GetAlpha(0, 0), 255);
  empty.SetAlpha(0, 0, 3);
  EXPECT_FALSE(empty.HasAlphaChannel());
}

INSTANTIATE_TEST_SUITE_P(Storages, PixelsIn, ::testing::ValuesIn(kMemoryAndFile),
                         test::StorageParamName);

}  // namespace
}  // namespace calmora
