// Conversions that cannot be done leave the bitmap as it was: no storage for the new format or
// for the detour via pv24RGB, formats a device bitmap cannot hold, device conversions whose
// copy cannot be had; and what an empty bitmap or device bitmap does with a new format.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/temp_file_store.h"
#include "imaging/base/device_bitmap_copy.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"

namespace calmora {
namespace {

using test::BlockLimitScope;
using test::FreeSpaceScope;
using test::Storage;

int64_t NoFreeSpace(const std::string&) { return 0; }

// The disk keeps this many bytes above its reserve for temporary files.
int64_t DiskBytes = 0;
int64_t SomeDiskBytes(const std::string&) { return TPVFileBuffer::kReservedDiskSpace + DiskBytes; }

// Single blocks up to singleBlock bytes, no fragments, a disk of diskBytes for the scope.
struct StorageLimit {
  explicit StorageLimit(int64_t singleBlock, int64_t diskBytes = 0)
      : single(bitmap_testing::SingleBlockLimit, singleBlock),
        fragments(bitmap_testing::FragmentBlockLimit, 0),
        disk(DiskBytes, diskBytes),
        space(diskBytes > 0 ? SomeDiskBytes : NoFreeSpace) {}
  BlockLimitScope single;
  BlockLimitScope fragments;
  test::ScopedOverride<int64_t> disk;
  FreeSpaceScope space;
};

// What must survive a refused conversion: format, storage, pixels, palette and alpha plane.
struct Snapshot {
  explicit Snapshot(TPVBitmap& bitmap)
      : Format(bitmap.GetPixelFormat()),
        Location(bitmap.Location),
        Pixels(bitmap.Storage.Pixels),
        File(bitmap.Storage.FileStore.get()),
        Device(bitmap.Storage.WrappedTBitmap.get()),
        Alpha(bitmap.AlphaBitmap.get()),
        Rows(test::ReadRows(bitmap)) {
    for (int32_t i = 0; i < bitmap.GetPaletteLen(); ++i)
      Palette.push_back(bitmap.GetPaletteColor(i));
  }
  void ExpectSame(TPVBitmap& bitmap) const {
    EXPECT_EQ(bitmap.Format, Format) << "the field itself, before a query re-reads a device";
    EXPECT_EQ(bitmap.GetPixelFormat(), Format);
    EXPECT_EQ(bitmap.Location, Location);
    EXPECT_EQ(bitmap.Storage.Pixels, Pixels);
    EXPECT_EQ(bitmap.Storage.FileStore.get(), File);
    EXPECT_EQ(bitmap.Storage.WrappedTBitmap.get(), Device);
    EXPECT_EQ(bitmap.AlphaBitmap.get(), Alpha);
    EXPECT_EQ(test::ReadRows(bitmap), Rows);
    std::vector<TPVRGB> palette;
    for (int32_t i = 0; i < bitmap.GetPaletteLen(); ++i)
      palette.push_back(bitmap.GetPaletteColor(i));
    EXPECT_EQ(palette, Palette);
  }
  TPVPixelFormat Format;
  TPVLocation Location;
  const uint8_t* Pixels;
  const TPVFileBuffer* File;
  const platform::TBitmap* Device;
  const TPVBitmap* Alpha;
  std::vector<std::vector<uint8_t>> Rows;
  std::vector<TPVRGB> Palette;
};

class ConversionFailure : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Make(int32_t width, int32_t height, TPVPixelFormat format) {
    auto bitmap = test::MakeBitmap(GetParam(), width, height, format);
    test::FillRandom(*bitmap, format);
    test::FillRandom(*bitmap->GetAlphaChannel(), format + 1);
    return bitmap;
  }
  test::TempFolderScope folder_;
};

TEST_P(ConversionFailure, NoStorageKeepsTheBitmapAsItWas) {
  struct Case {
    TPVPixelFormat From, To;
  };
  for (const Case c :
       {Case{pv24RGB, pv8g}, Case{pv16g, pv32f}, Case{pv8g, pv8p}, Case{pv24RGB, pv8p},
        Case{pv24RGB, pv1g}, Case{pv1g, pv24RGB}, Case{pvCMYK, pvCIELab}}) {
    for (const bool forceReallocate : {false, true}) {
      SCOPED_TRACE(std::to_string(c.From) + " to " + std::to_string(c.To));
      auto bitmap = Make(23, 9, c.From);
      bitmap->ForceReallocate = forceReallocate;
      const Snapshot before(*bitmap);
      {
        const StorageLimit nothing(0);
        EXPECT_FALSE(bitmap->SetPixelFormat(c.To));
      }
      before.ExpectSame(*bitmap);
      EXPECT_EQ(bitmap->ForceReallocate, forceReallocate);
    }
  }
}

// The 8-bit target fits, the 24-bit detour of the CMYK source does not.
TEST_P(ConversionFailure, ADetourWithoutStorageKeepsTheBitmapAsItWas) {
  auto bitmap = Make(40, 40, pvCMYK);
  const Snapshot before(*bitmap);
  {
    const bool file = GetParam() == Storage::File;
    const StorageLimit room(file ? 0 : 3000, file ? 3000 : 0);
    EXPECT_FALSE(bitmap->SetPixelFormat(pv8g));
  }
  before.ExpectSame(*bitmap);
  ASSERT_TRUE(bitmap->SetPixelFormat(pv8g)) << "with storage it converts";
}

TEST_P(ConversionFailure, AnEmptyBitmapOnlyTakesTheFormat) {
  TPVBitmap bitmap;
  test::Prepare(bitmap, GetParam());
  EXPECT_TRUE(bitmap.SetPixelFormat(pv16g));
  EXPECT_EQ(bitmap.Format, pv16g);
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST_P(ConversionFailure, FormatsOutsideTheTenAreRefused) {
  auto bitmap = Make(5, 3, pv24RGB);
  const Snapshot before(*bitmap);
  EXPECT_FALSE(bitmap->SetPixelFormat(static_cast<TPVPixelFormat>(PixelFormatCount)));
  EXPECT_FALSE(bitmap->SetPixelFormat(pvNoFormat));
  before.ExpectSame(*bitmap);
}

INSTANTIATE_TEST_SUITE_P(MemoryAndFile, ConversionFailure,
                         ::testing::Values(Storage::MemoryBlock, Storage::File),
                         test::StorageParamName);

// ---- Device bitmaps ----

TEST(DeviceConversionFailure, TargetsItCannotHoldLeaveItAsItWas) {
  for (const TPVPixelFormat to : {pv32f, pvCMYK, pvRGB48, pvCIELab}) {
    SCOPED_TRACE(int(to));
    auto bitmap = test::MakeBitmap(Storage::Device, 6, 4, pv24RGB);
    test::FillRandom(*bitmap, 1);
    const Snapshot before(*bitmap);
    EXPECT_FALSE(bitmap->SetPixelFormat(to));
    before.ExpectSame(*bitmap);
    EXPECT_EQ(bitmap->Storage.WrappedTBitmap->GetPixelFormat(), platform::pf24bit);
  }
}

// The reduction to 1 bit and the copy in memory need storage of their own.
TEST(DeviceConversionFailure, NoStorageForTheWorkLeavesItAsItWas) {
  struct Case {
    TPVPixelFormat From, To;
    TPVDitherMethod Method;
  };
  for (const Case c : {Case{pv24RGB, pv1g, pvdmOrdered}, Case{pv24RGB, pv1g, pvdmThreshold},
                       Case{pv8g, pv24RGB, pvdmThreshold}, Case{pv32RGB, pv8p, pvdmThreshold}}) {
    SCOPED_TRACE(std::to_string(c.From) + " to " + std::to_string(c.To));
    auto bitmap = test::MakeBitmap(Storage::Device, 6, 4, c.From);
    bitmap->DitherMethod = c.Method;
    test::FillRandom(*bitmap, 2);
    const Snapshot before(*bitmap);
    {
      const StorageLimit nothing(0);
      EXPECT_FALSE(bitmap->SetPixelFormat(c.To));
    }
    before.ExpectSame(*bitmap);
  }
}

TEST(DeviceConversion, AnEmptyDeviceBitmapTakesTheFormat) {
  struct Case {
    TPVPixelFormat To, Held;
    platform::TPixelFormat Device;
  };
  for (const Case c :
       {Case{pv1g, pv1g, platform::pf1bit}, Case{pv24RGB, pv24RGB, platform::pf24bit},
        Case{pv16g, pv8g, platform::pf8bit}, Case{pv32RGB, pv32RGB, platform::pf32bit}}) {
    SCOPED_TRACE(int(c.To));
    platform::TBitmap device;  // 0 x 0
    ASSERT_TRUE(device.SetPixelFormat(c.To == pv1g ? platform::pf24bit : platform::pf1bit));
    TPVBitmap bitmap;
    bitmap.EncapsulateTBitmap(&device, true);
    ASSERT_TRUE(bitmap.SetPixelFormat(c.To));
    EXPECT_EQ(device.GetPixelFormat(), c.Device);
    EXPECT_EQ(bitmap.GetPixelFormat(), c.Held);
  }
}

TEST(DeviceConversion, TheAlphaPlaneStays) {
  Build1BitExpansionTable();
  auto bitmap = test::MakeBitmap(Storage::Device, 6, 4, pv24RGB);
  test::FillRandom(*bitmap->GetAlphaChannel(), 3);
  const TPVBitmap* plane = bitmap->AlphaBitmap.get();
  const auto alpha = test::ReadRows(*bitmap->AlphaBitmap);
  for (const TPVPixelFormat to : {pv8g, pv1g, pv24RGB, pv8p, pv32RGB}) {
    ASSERT_TRUE(bitmap->SetPixelFormat(to)) << int(to);
    EXPECT_EQ(bitmap->AlphaBitmap.get(), plane);
    EXPECT_EQ(test::ReadRows(*bitmap->AlphaBitmap), alpha);
  }
}

}  // namespace
}  // namespace calmora
