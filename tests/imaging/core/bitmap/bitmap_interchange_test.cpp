// TPVBitmap and device bitmaps: wrapping a caller's device bitmap, copying every device format
// in (in memory, in a file, in a device bitmap), Assign of a device bitmap, and moving the
// pixels into a device bitmap with GetTBitmap and GetCanvas, formats it cannot hold narrowed on
// the way; painting through the canvas shows in GetScanline.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_device_narrow.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/color_helpers.h"
#include "platform/canvas.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using platform::TBitmap;
using platform::TRGBQuad;
using test::BlockLimitScope;
using test::FreeSpaceScope;
using test::Prepare;
using test::Storage;
using test::TempFolderScope;

int64_t NoFreeSpace(const std::string&) { return 0; }

std::unique_ptr<TBitmap> MakeDevice(platform::TPixelFormat format, int32_t width, int32_t height) {
  auto device = std::make_unique<TBitmap>();
  EXPECT_TRUE(device->SetPixelFormat(format));
  EXPECT_TRUE(device->SetSize(width, height));
  return device;
}

// Every byte of every device row (padding included) gets a pattern.
void FillDevice(TBitmap& device, int32_t seed) {
  for (int32_t y = 0; y < device.GetHeight(); ++y)
    for (int32_t i = 0; i < device.GetRowLength(); ++i)
      device.GetScanLine(y)[i] = test::PatternByte(y, i, seed);
}

TPVRGB PixelAt(const TPVBitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* row = bitmap.GetScanline(y);
  return TPVRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
}

class BitmapInterchange : public ::testing::Test {
 protected:
  TempFolderScope temp_;
};

// ---- EncapsulateTBitmap ----

TEST_F(BitmapInterchange, WrapsACallersDeviceBitmapInPlace) {
  auto device = MakeDevice(platform::pf24bit, 9, 4);
  FillDevice(*device, 1);
  {
    TPVBitmap bitmap;
    bitmap.EncapsulateTBitmap(device.get(), true);
    EXPECT_EQ(bitmap.Location, pvTBitmap);
    EXPECT_TRUE(bitmap.Storage.WrapsTBitmap());
    EXPECT_EQ(bitmap.GetPixelFormat(), pv24RGB);
    EXPECT_EQ(bitmap.GetWidth(), 9);
    EXPECT_EQ(bitmap.GetHeight(), 4);
    EXPECT_EQ(bitmap.GetRowLen(), device->GetRowLength());
    for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(bitmap.GetScanline(y), device->GetScanLine(y));
    device->SetSize(20, 6);
    EXPECT_EQ(bitmap.GetWidth(), 20) << "the next query follows the device bitmap";
    EXPECT_EQ(bitmap.GetScanline(5), device->GetScanLine(5));
    ASSERT_TRUE(bitmap.Allocate(3, 2, pv1g));
    EXPECT_EQ(device->GetPixelFormat(), platform::pf1bit) << "reformatted in place";
  }
  EXPECT_EQ(device->GetWidth(), 3) << "the caller's device bitmap outlives the bitmap";
}

TEST_F(BitmapInterchange, WrappedEightBitBitmapsReadAsGreyOrPalette) {
  auto device = MakeDevice(platform::pf8bit, 4, 4);
  TPVBitmap bitmap;
  bitmap.EncapsulateTBitmap(device.get(), true);
  EXPECT_EQ(bitmap.Format, pv8p) << "set at once, not only at the next query";
  EXPECT_EQ(bitmap.RowBytes, device->GetRowLength());
  device->SetGrayColorTable();
  EXPECT_EQ(bitmap.GetPixelFormat(), pv8g);
  TPVBitmap plane;
  plane.IsAlphaPlane = true;
  auto colour = MakeDevice(platform::pf8bit, 4, 4);
  plane.EncapsulateTBitmap(colour.get(), true);
  EXPECT_EQ(plane.GetPixelFormat(), pv8g) << "an alpha plane is grey whatever its table";
}

TEST_F(BitmapInterchange, WrappingWithoutFreeingReleasesTheOldStorageButKeepsTheAlphaPlane) {
  for (const Storage storage : {Storage::MemoryBlock, Storage::File, Storage::Device}) {
    SCOPED_TRACE(test::StorageName(storage));
    TPVBitmap bitmap;
    Prepare(bitmap, storage);
    ASSERT_TRUE(bitmap.Allocate(8, 8, pv24RGB));
    TPVBitmap* plane = bitmap.GetAlphaChannel();
    ASSERT_NE(plane, nullptr);
    plane->GetScanline(2)[3] = 17;
    auto device = MakeDevice(platform::pf24bit, 8, 8);
    bitmap.EncapsulateTBitmap(device.get(), false);
    EXPECT_EQ(bitmap.Storage.PixelBlock.get(), nullptr);
    EXPECT_TRUE(bitmap.Storage.FragmentBlocks.empty());
    EXPECT_FALSE(bitmap.Storage.FileStore->IsOpen());
    EXPECT_TRUE(temp_.Entries().empty()) << "the pixel file is gone";
    EXPECT_EQ(bitmap.Storage.WrappedTBitmap.get(), device.get());
    ASSERT_EQ(bitmap.AlphaBitmap.get(), plane);
    EXPECT_EQ(plane->GetScanline(2)[3], 17);

    bitmap.EncapsulateTBitmap(device.get(), true);
    EXPECT_FALSE(bitmap.HasAlphaChannel());
    EXPECT_EQ(bitmap.GetWidth(), 8);
  }
}

TEST_F(BitmapInterchange, WrappingTheOwnDeviceBitmapKeepsIt) {
  TPVBitmap bitmap(5, 5, pv24RGB);
  TBitmap* own = bitmap.GetTBitmap();
  ASSERT_NE(own, nullptr);
  bitmap.EncapsulateTBitmap(own, true);
  ASSERT_EQ(bitmap.Storage.WrappedTBitmap.get(), own);
  EXPECT_FALSE(bitmap.Storage.WrapsTBitmap()) << "still ours to free";
  EXPECT_EQ(bitmap.GetWidth(), 5);
  bitmap.EncapsulateTBitmap(nullptr, false);
  EXPECT_EQ(bitmap.GetWidth(), 5) << "a null device bitmap without freeing changes nothing";
  bitmap.EncapsulateTBitmap(nullptr, true);
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST_F(BitmapInterchange, WrappingFitsAnAlphaPlaneOfAnotherSize) {
  TPVBitmap bitmap(4, 4, pv24RGB);
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  auto device = MakeDevice(platform::pf32bit, 10, 3);
  bitmap.EncapsulateTBitmap(device.get(), false);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_EQ(bitmap.AlphaBitmap->Width, 10);
  EXPECT_EQ(bitmap.AlphaBitmap->Height, 3);
  EXPECT_EQ(bitmap.AlphaBitmap->GetScanline(2)[9], 255);
}

// ---- CopyFromTBitmap in memory and file ----

struct DeviceCase {
  platform::TPixelFormat Device;
  bool Monochrome;
  TPVPixelFormat Expected;
};

TEST_F(BitmapInterchange, CopiesEveryDeviceFormatIntoMemoryAndFile) {
  const DeviceCase cases[] = {
      {platform::pf1bit, true, pv1g},      {platform::pf1bit, false, pv8p},
      {platform::pf4bit, false, pv8p},     {platform::pf8bit, false, pv8p},
      {platform::pf15bit, false, pv24RGB}, {platform::pf16bit, false, pv24RGB},
      {platform::pf24bit, false, pv24RGB}, {platform::pf32bit, false, pv32RGB},
  };
  constexpr int32_t kWidth = 13;
  constexpr int32_t kHeight = 3;
  for (const Storage storage : {Storage::MemoryBlock, Storage::File}) {
    for (const DeviceCase& c : cases) {
      SCOPED_TRACE(testing::Message() << test::StorageName(storage) << " device format "
                                      << int(c.Device) << " monochrome " << c.Monochrome);
      auto device = MakeDevice(c.Device, kWidth, kHeight);
      device->SetMonochrome(c.Monochrome);
      for (int32_t i = 0; i < device->GetColorTableLength(); ++i) {
        const TRGBQuad entry{static_cast<uint8_t>(i), static_cast<uint8_t>(2 * i + 1),
                             static_cast<uint8_t>(255 - i), 0};
        device->SetColorTable(i, 1, &entry);
      }
      FillDevice(*device, 3);
      TPVBitmap bitmap;
      Prepare(bitmap, storage);
      bitmap.Opaque = true;
      ASSERT_TRUE(bitmap.Assign(*device));
      ASSERT_EQ(bitmap.GetPixelFormat(), c.Expected);
      EXPECT_EQ(test::StorageOf(bitmap), storage);
      EXPECT_FALSE(bitmap.Opaque);
      ASSERT_EQ(bitmap.GetWidth(), kWidth);
      ASSERT_EQ(bitmap.GetHeight(), kHeight);
      for (int32_t y = 0; y < kHeight; ++y) {
        const uint8_t* source = device->GetScanLine(y);
        const uint8_t* row = bitmap.GetScanline(y);
        switch (c.Expected) {
          case pv1g:
          case pv32RGB:
            EXPECT_EQ(0, std::memcmp(row, source, (kWidth * PixelFormatBits[c.Expected] + 7) / 8));
            break;
          case pv8p:
            for (int32_t x = 0; x < kWidth; ++x) {
              const int32_t index =
                  c.Device == platform::pf1bit   ? (source[x / 8] >> (7 - x % 8)) & 1
                  : c.Device == platform::pf4bit ? (x % 2 ? source[x / 2] & 15 : source[x / 2] >> 4)
                                                 : source[x];
              ASSERT_EQ(row[x], index) << x;
            }
            break;
          default:
            for (int32_t x = 0; x < kWidth; ++x) {
              const uint32_t w = source[2 * x] | source[2 * x + 1] << 8;
              const TPVRGB expected =
                  c.Device == platform::pf24bit
                      ? TPVRGB{source[3 * x], source[3 * x + 1], source[3 * x + 2]}
                  : c.Device == platform::pf15bit
                      ? MakeRGB(((w >> 10) & 31) << 3, ((w >> 5) & 31) << 3, (w & 31) << 3)
                      : MakeRGB((w >> 11) << 3, ((w >> 5) & 63) << 2, (w & 31) << 3);
              ASSERT_EQ(PixelAt(bitmap, x, y), expected) << x;
            }
        }
      }
      if (c.Expected == pv8p) {
        for (int32_t i = 0; i < device->GetColorTableLength(); ++i)
          EXPECT_EQ(bitmap.GetPaletteColor(i), MakeRGB(255 - i, 2 * i + 1, i)) << i;
        if (device->GetColorTableLength() < 256) {
          EXPECT_EQ(bitmap.GetPaletteColor(device->GetColorTableLength()), MakeRGB(0, 0, 0));
        }
      }
    }
  }
}

TEST_F(BitmapInterchange, SixteenBitWordsWidenByShifting) {
  struct Case {
    platform::TPixelFormat Format;
    uint16_t Word;
    TPVRGB Expected;
  };
  const Case cases[] = {
      {platform::pf16bit, 0xFFFF, MakeRGB(248, 252, 248)},
      {platform::pf15bit, 0x7FFF, MakeRGB(248, 248, 248)},
      {platform::pf16bit, 0xF800, MakeRGB(248, 0, 0)},
      {platform::pf15bit, 0x03E0, MakeRGB(0, 248, 0)},
  };
  for (const Case& c : cases) {
    auto device = MakeDevice(c.Format, 1, 1);
    device->GetScanLine(0)[0] = static_cast<uint8_t>(c.Word);
    device->GetScanLine(0)[1] = static_cast<uint8_t>(c.Word >> 8);
    TPVBitmap bitmap;
    ASSERT_TRUE(bitmap.CopyFromTBitmap(*device));
    EXPECT_EQ(PixelAt(bitmap, 0, 0), c.Expected) << std::hex << c.Word;
  }
}

TEST_F(BitmapInterchange, DeviceDependentBitmapsCopyNothing) {
  auto device = MakeDevice(platform::pfDevice, 4, 4);
  TPVBitmap bitmap(2, 2, pv8g);
  bitmap.Opaque = true;
  EXPECT_TRUE(bitmap.CopyFromTBitmap(*device));
  EXPECT_EQ(bitmap.GetWidth(), 2);
  EXPECT_EQ(bitmap.GetPixelFormat(), pv8g);
  EXPECT_FALSE(bitmap.Opaque);
  TBitmap empty;
  empty.SetPixelFormat(platform::pf24bit);
  EXPECT_TRUE(bitmap.CopyFromTBitmap(empty));
  EXPECT_TRUE(bitmap.IsEmpty()) << "an empty device bitmap copies as an empty bitmap";
}

TEST_F(BitmapInterchange, ACopyWithoutStorageLeavesAnEmptyBitmap) {
  auto device = MakeDevice(platform::pf24bit, 50, 50);
  TPVBitmap bitmap;
  Prepare(bitmap, Storage::MemoryBlock);
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
  FreeSpaceScope full(NoFreeSpace);
  EXPECT_FALSE(bitmap.CopyFromTBitmap(*device));
  EXPECT_TRUE(bitmap.IsEmpty());
}

// ---- CopyFromTBitmap in a device bitmap ----

TEST_F(BitmapInterchange, CopiesIntoTheOwnDeviceBitmap) {
  auto source = MakeDevice(platform::pf8bit, 6, 3);
  for (int32_t i = 0; i < 256; ++i) {
    const TRGBQuad entry{static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0};
    source->SetColorTable(i, 1, &entry);
  }
  FillDevice(*source, 5);
  const uint8_t index = source->GetScanLine(1)[4];
  TPVBitmap bitmap;
  bitmap.Location = pvTBitmap;
  ASSERT_TRUE(bitmap.Allocate(2, 2, pv8p));
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  bitmap.Opaque = true;
  ASSERT_TRUE(bitmap.Assign(*source));
  EXPECT_EQ(source->GetPixelFormat(), platform::pf24bit) << "the source was switched first";
  EXPECT_EQ(bitmap.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(bitmap.GetWidth(), 6);
  EXPECT_EQ(bitmap.GetPaletteLen(), 0);
  EXPECT_NE(bitmap.Storage.WrappedTBitmap.get(), source.get());
  EXPECT_EQ(PixelAt(bitmap, 4, 1), MakeRGB(255 - index, 0, index));
  EXPECT_TRUE(bitmap.Opaque) << "kept in a device bitmap";
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  EXPECT_EQ(bitmap.AlphaBitmap->Width, 6) << "the plane follows the new size";

  auto mono = MakeDevice(platform::pf1bit, 9, 2);
  FillDevice(*mono, 2);
  ASSERT_TRUE(bitmap.CopyFromTBitmap(*mono));
  EXPECT_EQ(mono->GetPixelFormat(), platform::pf1bit);
  EXPECT_EQ(bitmap.GetPixelFormat(), pv1g);
  EXPECT_EQ(bitmap.GetScanline(1)[0], mono->GetScanLine(1)[0]);
}

// ---- GetTBitmap and GetCanvas ----

TEST_F(BitmapInterchange, MovesDeviceFormatsIntoADeviceBitmap) {
  for (const Storage storage : {Storage::MemoryBlock, Storage::File}) {
    for (const TPVPixelFormat format : {pv1g, pv8g, pv8p, pv24RGB, pv32RGB}) {
      SCOPED_TRACE(testing::Message() << test::StorageName(storage) << " " << int(format));
      TPVBitmap bitmap;
      Prepare(bitmap, storage);
      ASSERT_TRUE(bitmap.Allocate(11, 4, format));
      test::WritePattern(bitmap, 9);
      const auto before = test::ReadRows(bitmap, test::PixelBytes(11, format));
      TBitmap* device = bitmap.GetTBitmap();
      ASSERT_NE(device, nullptr);
      EXPECT_EQ(bitmap.Location, pvTBitmap);
      EXPECT_EQ(bitmap.GetPixelFormat(), format);
      EXPECT_EQ(test::ReadRows(bitmap, test::PixelBytes(11, format)), before);
      EXPECT_EQ(bitmap.GetTBitmap(), device) << "already there";
      EXPECT_EQ(bitmap.GetCanvas(), device->GetCanvas());
    }
  }
}

TEST_F(BitmapInterchange, AnEmptyBitmapHasNoDeviceBitmap) {
  TPVBitmap bitmap;
  EXPECT_EQ(bitmap.GetTBitmap(), nullptr);
  EXPECT_EQ(bitmap.GetCanvas(), nullptr);
}

// The pixel bytes of a wide format and the 8-bit value each must narrow to.
struct NarrowCase {
  const char* Name;
  TPVPixelFormat Format;
  TPVPixelFormat Narrowed;
  std::function<void(uint8_t*, int32_t)> Write;             // writes pixel x of a row
  std::function<TPVRGB(const uint8_t*, int32_t)> Expected;  // reads it the way it must narrow
};

std::vector<NarrowCase> NarrowCases() {
  auto grey = [](uint8_t v) { return TPVRGB{v, v, v}; };
  return {
      {"pv16g", pv16g, pv8g,
       [](uint8_t* row, int32_t x) {
         const auto w = static_cast<uint16_t>(x * 2731 + 7);
         std::memcpy(row + 2 * x, &w, 2);
       },
       [grey](const uint8_t* row, int32_t x) { return grey(row[2 * x + 1]); }},
      {"pv32f", pv32f, pv8g,
       [](uint8_t* row, int32_t x) {
         const float v = x * 0.0625f - 0.5f;  // -0.5 .. 1.5625: wraps both ways
         std::memcpy(row + 4 * x, &v, 4);
       },
       [grey](const uint8_t* row, int32_t x) {
         float v;
         std::memcpy(&v, row + 4 * x, 4);
         return grey(static_cast<uint8_t>(static_cast<int64_t>(std::trunc(v * 255.0))));
       }},
      {"pvCMYK", pvCMYK, pv24RGB,
       [](uint8_t* row, int32_t x) {
         for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(x * 23 + i * 61);
       },
       [](const uint8_t* row, int32_t x) {
         TPVRGB rgb;
         CMYKToRGB(TPVCMYK{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]}, rgb);
         return rgb;
       }},
      {"pvRGB48", pvRGB48, pv24RGB,
       [](uint8_t* row, int32_t x) {
         for (int i = 0; i < 6; ++i) row[6 * x + i] = static_cast<uint8_t>(x * 41 + i * 29);
       },
       [](const uint8_t* row, int32_t x) {
         return MakeRGB(row[6 * x + 1], row[6 * x + 3], row[6 * x + 5]);
       }},
      {"pvCIELab", pvCIELab, pv24RGB,
       [](uint8_t* row, int32_t x) {
         for (int i = 0; i < 3; ++i) row[3 * x + i] = static_cast<uint8_t>(x * 37 + i * 83);
       },
       [](const uint8_t* row, int32_t x) {
         TPVRGB rgb;
         ConvertCIELabToRGB(rgb, TPVCIELab{row[3 * x], static_cast<int8_t>(row[3 * x + 1]),
                                           static_cast<int8_t>(row[3 * x + 2])});
         return rgb;
       }},
  };
}

TEST_F(BitmapInterchange, NarrowsFormatsADeviceBitmapCannotHold) {
  constexpr int32_t kWidth = 33;
  for (const Storage storage : {Storage::MemoryBlock, Storage::File}) {
    for (const NarrowCase& c : NarrowCases()) {
      for (const bool throughCanvas : {false, true}) {
        SCOPED_TRACE(testing::Message() << test::StorageName(storage) << " " << c.Name
                                        << (throughCanvas ? " canvas" : " device"));
        TPVBitmap bitmap;
        Prepare(bitmap, storage);
        ASSERT_TRUE(bitmap.Allocate(kWidth, 2, c.Format));
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < kWidth; ++x) c.Write(bitmap.GetScanline(y), (x + y * 5) % kWidth);
        std::vector<std::vector<TPVRGB>> expected(2);
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < kWidth; ++x)
            expected[y].push_back(c.Expected(bitmap.GetScanline(y), x));
        ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
        bitmap.AlphaBitmap->GetScanline(1)[7] = 99;

        if (throughCanvas)
          ASSERT_NE(bitmap.GetCanvas(), nullptr);
        else
          ASSERT_NE(bitmap.GetTBitmap(), nullptr);
        ASSERT_EQ(bitmap.Location, pvTBitmap);
        ASSERT_EQ(bitmap.GetPixelFormat(), c.Narrowed);
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < kWidth; ++x) {
            const uint8_t* row = bitmap.GetScanline(y);
            const TPVRGB got =
                c.Narrowed == pv8g ? TPVRGB{row[x], row[x], row[x]} : PixelAt(bitmap, x, y);
            ASSERT_EQ(got, expected[y][x]) << x << "," << y;
          }
        ASSERT_TRUE(bitmap.HasAlphaChannel());
        EXPECT_EQ(bitmap.AlphaBitmap->GetScanline(1)[7], 99) << "the alpha plane stays";
      }
    }
  }
}

TEST_F(BitmapInterchange, FloatNarrowingWrapsPastOne) {
  TPVBitmap bitmap(1, 1, pv32f);
  const float value = 1.5f;
  std::memcpy(bitmap.GetScanline(0), &value, 4);
  ASSERT_NE(bitmap.GetTBitmap(), nullptr);
  EXPECT_EQ(bitmap.GetScanline(0)[0], 126) << "Trunc(382.5) = 382 keeps its low byte";
}

TEST_F(BitmapInterchange, SetLocationStillRefusesWideFormats) {
  TPVBitmap bitmap(3, 3, pv16g);
  EXPECT_FALSE(bitmap.SetLocation(pvTBitmap));
  EXPECT_EQ(bitmap.GetPixelFormat(), pv16g);
  EXPECT_NE(bitmap.Location, pvTBitmap);
}

TEST_F(BitmapInterchange, NarrowingWithoutStorageKeepsTheBitmap) {
  TPVBitmap bitmap;
  Prepare(bitmap, Storage::MemoryBlock);
  ASSERT_TRUE(bitmap.Allocate(20, 20, pv16g));
  test::WritePattern(bitmap, 4);
  const auto before = test::ReadRows(bitmap);
  uint8_t* block = bitmap.Storage.Pixels;
  {
    BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
    BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
    FreeSpaceScope full(NoFreeSpace);
    EXPECT_FALSE(NarrowPixelFormat(bitmap, pv24RGB, pvMemory));
  }
  EXPECT_EQ(bitmap.GetPixelFormat(), pv16g);
  EXPECT_EQ(bitmap.Location, pvMemory);
  EXPECT_EQ(bitmap.Storage.Pixels, block);
  EXPECT_EQ(test::ReadRows(bitmap), before);
  EXPECT_FALSE(NarrowPixelFormat(bitmap, pvCMYK, pvMemory)) << "not a narrowing pair";
  EXPECT_EQ(bitmap.GetPixelFormat(), pv16g);
}

// ---- Painting through the canvas ----

TEST_F(BitmapInterchange, PaintingThroughTheCanvasShowsInTheRows) {
  for (const TPVPixelFormat format : {pv8g, pv24RGB}) {
    SCOPED_TRACE(int(format));
    TPVBitmap bitmap(12, 8, format);
    bitmap.Fill(0);
    platform::TCanvas* canvas = bitmap.GetCanvas();
    ASSERT_NE(canvas, nullptr);
    ASSERT_TRUE(canvas->Paint([](QPainter& p) { p.fillRect(2, 3, 4, 2, QColor(90, 90, 90)); }));
    for (int32_t y = 0; y < 8; ++y)
      for (int32_t x = 0; x < 12; ++x) {
        const uint8_t expected = x >= 2 && x < 6 && y >= 3 && y < 5 ? 90 : 0;
        const uint8_t* row = bitmap.GetScanline(y);
        ASSERT_EQ(format == pv8g ? row[x] : row[3 * x + 1], expected) << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace calmora
