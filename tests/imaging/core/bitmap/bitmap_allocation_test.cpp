// TPVBitmap life cycle: construction defaults, the reallocation rule, the choice of location by
// size, fragments, the device formats, failed allocations and their clean state, row windows
// of file-stored bitmaps, palette and alpha plane.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/row_bits.h"
#include "imaging/base/platform_queries.h"
#include "platform/device_bitmap.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using test::BlockLimitScope;
using test::FreeSpaceScope;
using test::ReadRows;
using test::TempFolderScope;
using test::WritePattern;

int64_t NoFreeSpace(const std::string&) { return 0; }
// A disk of a few GiB: a test must not depend on how large the real one is.
int64_t SomeFreeSpace(const std::string&) { return int64_t{4} << 30; }

class BitmapAllocation : public ::testing::Test {
 protected:
  // 16 x 8 pixels of pv8g in the temporary file, every one 10.
  static void AllocateInFileFilled(TPVBitmap& bitmap) {
    bitmap.FileThreshold = 0;
    ASSERT_TRUE(bitmap.Allocate(16, 8, pv8g));
    ASSERT_EQ(bitmap.Location, pvFile);
    bitmap.Fill(10);
  }

  TempFolderScope temp_;
};

TEST_F(BitmapAllocation, StartsEmptyWithItsDefaults) {
  TPVBitmap bitmap;
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Location, pvFile);
  EXPECT_EQ(bitmap.Format, pvNoFormat);
  EXPECT_EQ(bitmap.DataAccess, pvdRead | pvdWrite);
  EXPECT_EQ(bitmap.RowAlignment, 32);
  EXPECT_EQ(bitmap.Allocator, pvmaHybrid);
  EXPECT_EQ(bitmap.DitherMethod, pvdmThreshold);
  EXPECT_EQ(bitmap.PaletteColorsUsed, 256);
  EXPECT_EQ(bitmap.CanvasAlpha, -1);
  EXPECT_TRUE(bitmap.ForceReallocate);
  EXPECT_NE(bitmap.Storage.FileStore, nullptr);
  EXPECT_FALSE(bitmap.Storage.FileStore->IsOpen());
  EXPECT_EQ(bitmap.GetScanline(0), nullptr);
}

TEST_F(BitmapAllocation, ThresholdComesFromTheGlobalOrTheMemory) {
  const int64_t saved = BitmapFileThreshold;
  BitmapFileThreshold = 12345;
  EXPECT_EQ(TPVBitmap().FileThreshold, 12345);
  BitmapFileThreshold = -1;
  const auto automatic = static_cast<int64_t>(static_cast<long double>(QueryPhysicalMemory(0)) / 1.3L);
  EXPECT_EQ(TPVBitmap().FileThreshold, automatic);
  BitmapFileThreshold = saved;
}

TEST_F(BitmapAllocation, RefusesEmptySizesAndNoFormat) {
  TPVBitmap bitmap;
  EXPECT_FALSE(bitmap.Allocate(0, 5, pv24RGB));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_FALSE(bitmap.Allocate(5, 0, pv24RGB));
  EXPECT_TRUE(bitmap.IsEmpty());
  bitmap.ForceReallocate = true;
  EXPECT_FALSE(bitmap.Allocate(5, 5, pvNoFormat));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_FALSE(bitmap.Allocate(-3, 5, pv8g));
  EXPECT_FALSE(bitmap.Allocate(5, 5, static_cast<TPVPixelFormat>(11)));
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST_F(BitmapAllocation, RefusesSizesThatDoNotFit) {
  TPVBitmap bitmap;
  // Rows longer than 2 GB cannot be addressed with a 32-bit row length.
  EXPECT_FALSE(bitmap.Allocate(INT32_MAX, 1, pv32RGB));
  EXPECT_TRUE(bitmap.IsEmpty());
  // 1 TiB fits no memory and no disk: refused, nothing held.
  FreeSpaceScope disk(SomeFreeSpace);
  bitmap.ForceReallocate = true;
  EXPECT_FALSE(bitmap.Allocate(1 << 20, 1 << 20, pv8g));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Storage.PixelBlock.get(), nullptr);
  EXPECT_TRUE(bitmap.Storage.FragmentBlocks.empty());
  EXPECT_FALSE(bitmap.Storage.FileStore->IsOpen());
  EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(BitmapAllocation, SameSizeAgainKeepsThePixels) {
  TPVBitmap bitmap(10, 4, pv24RGB);
  ASSERT_FALSE(bitmap.IsEmpty());
  WritePattern(bitmap, 1);
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  uint8_t* pixels = bitmap.Storage.Pixels;
  const auto rows = ReadRows(bitmap);
  EXPECT_TRUE(bitmap.Allocate(10, 4, pv24RGB));
  EXPECT_EQ(bitmap.Storage.Pixels, pixels);
  EXPECT_EQ(ReadRows(bitmap), rows);
  EXPECT_TRUE(bitmap.HasAlphaChannel());

  // After Assign, SetLocation or construction the next Allocate reallocates and drops the plane.
  TPVBitmap other(10, 4, pv24RGB);
  bitmap.Assign(&other);
  EXPECT_TRUE(bitmap.ForceReallocate);
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  EXPECT_TRUE(bitmap.Allocate(10, 4, pv24RGB));
  EXPECT_FALSE(bitmap.HasAlphaChannel());
}

TEST_F(BitmapAllocation, LocationFollowsTheThreshold) {
  const int64_t size = CalcRowLength(10, 24, 32) * 4;  // 120 bytes
  for (TPVLocation requested : {pvMemory, pvFile}) {
    TPVBitmap bitmap;
    bitmap.Location = requested;
    bitmap.FileThreshold = 0;
    ASSERT_TRUE(bitmap.Allocate(10, 4, pv24RGB));
    EXPECT_EQ(bitmap.Location, pvFile);

    TPVBitmap equal;  // a size equal to the threshold keeps the request
    equal.Location = requested;
    equal.FileThreshold = size;
    ASSERT_TRUE(equal.Allocate(10, 4, pv24RGB));
    EXPECT_EQ(equal.Location, requested);
  }
  TPVBitmap below;
  below.FileThreshold = size + 1;
  ASSERT_TRUE(below.Allocate(10, 4, pv24RGB));
  EXPECT_EQ(below.Location, pvMemory);
  EXPECT_TRUE(temp_.Entries().empty());
}

TEST_F(BitmapAllocation, EveryAllocatorGivesAnAlignedBlock) {
  for (TPVMemoryAllocator allocator : {pvmaHeap, pvmaGlobal, pvmaHybrid}) {
    TPVBitmap bitmap;
    bitmap.Location = pvMemory;
    bitmap.Allocator = allocator;
    ASSERT_TRUE(bitmap.Allocate(33, 7, pv24RGB));
    ASSERT_NE(bitmap.Storage.PixelBlock.get(), nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Storage.Pixels) % 64, 0u);
    EXPECT_GE(bitmap.Storage.Pixels, bitmap.Storage.PixelBlock.get());
    WritePattern(bitmap, 2);  // the whole image lies inside the block (ASan would tell)
  }
}

// A block is freed by the allocator it came from, whatever Allocator says by then; a wrong
// routine is an invalid free that the address sanitizer stops at. Small and large blocks, since
// the hybrid allocator takes them from different places.
TEST_F(BitmapAllocation, BlocksAreFreedTheWayTheyWereAllocated) {
  const TPVMemoryAllocator allocators[] = {pvmaHeap, pvmaGlobal, pvmaHybrid};
  enum class Ending { FreeImage, Reallocate, Destroy, MoveAndDestroy, Realign, SameSizeAgain };
  const Ending endings[] = {Ending::FreeImage,      Ending::Reallocate, Ending::Destroy,
                            Ending::MoveAndDestroy, Ending::Realign,    Ending::SameSizeAgain};
  for (int32_t width : {33, 1000}) {  // 1.3 kB and 3 MB: below and above the hybrid heap limit
    for (TPVMemoryAllocator from : allocators) {
      for (TPVMemoryAllocator to : allocators) {
        for (Ending ending : endings) {
          SCOPED_TRACE(::testing::Message() << "width " << width << " from " << int(from) << " to "
                                            << int(to) << " ending " << int(ending));
          auto bitmap = std::make_unique<TPVBitmap>();
          bitmap->Location = pvMemory;
          bitmap->FileThreshold = INT64_MAX;
          bitmap->Allocator = from;
          ASSERT_TRUE(bitmap->Allocate(width, 1000, pv24RGB));
          ASSERT_NE(bitmap->Storage.PixelBlock.get(), nullptr);
          WritePattern(*bitmap, 1);
          bitmap->Allocator = to;
          switch (ending) {
            case Ending::FreeImage:
              bitmap->FreeImage(true);
              EXPECT_EQ(bitmap->Storage.PixelBlock.get(), nullptr);
              break;
            case Ending::Reallocate:  // the new block comes from the new allocator
              bitmap->ForceReallocate = true;
              ASSERT_TRUE(bitmap->Allocate(width, 999, pv24RGB));
              WritePattern(*bitmap, 2);
              break;
            case Ending::Destroy: break;
            case Ending::MoveAndDestroy: {
              TPVBitmap target;
              bitmap->MoveStorageTo(target);
              EXPECT_EQ(target.Allocator, to);
              break;
            }
            case Ending::Realign: {
              const auto rows = ReadRows(*bitmap, width * 3);
              ASSERT_TRUE(bitmap->SetBitAlignment(64));
              EXPECT_EQ(ReadRows(*bitmap, width * 3), rows);
              break;
            }
            case Ending::SameSizeAgain:  // keeps the block, which keeps its own allocator
              ASSERT_TRUE(bitmap->Allocate(width, 1000, pv24RGB));
              break;
          }
          bitmap.reset();
        }
      }
    }
  }
}

TEST_F(BitmapAllocation, AnEmptyBitmapCannotBeAllocatedAgain) {
  // Every way a bitmap becomes empty while its last allocation leaves ForceReallocate false.
  const std::vector<std::pair<const char*, std::function<void(TPVBitmap&)>>> emptyings = {
      {"FreeImage", [](TPVBitmap& b) { b.FreeImage(true); }},
      {"FreeImage without alpha", [](TPVBitmap& b) { b.FreeImage(false); }},
      {"failed allocation", [](TPVBitmap& b) { EXPECT_FALSE(b.Allocate(INT32_MAX, 1, pv24RGB)); }},
      {"allocation without storage",
       [](TPVBitmap& b) {
         BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
         BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
         FreeSpaceScope full(NoFreeSpace);
         b.ForceReallocate = true;
         EXPECT_FALSE(b.Allocate(6, 4, pv24RGB));
       }},
      {"storage moved away",
       [](TPVBitmap& b) {
         TPVBitmap target;
         b.MoveStorageTo(target);
       }},
  };
  for (const auto& [name, makeEmpty] : emptyings) {
    SCOPED_TRACE(name);
    TPVBitmap bitmap(6, 4, pv24RGB);
    ASSERT_FALSE(bitmap.IsEmpty());
    makeEmpty(bitmap);
    ASSERT_TRUE(bitmap.IsEmpty());
    const TPVPixelFormat format = bitmap.Format;
    for (const auto& [width, height] : {std::pair{0, 0}, std::pair{6, 0}, std::pair{0, 4}}) {
      bitmap.ForceReallocate = false;
      EXPECT_FALSE(bitmap.Allocate(width, height, format)) << width << " x " << height;
      EXPECT_TRUE(bitmap.IsEmpty());
      EXPECT_EQ(bitmap.GetScanline(0), nullptr);
    }
    bitmap.ForceReallocate = false;
    EXPECT_TRUE(bitmap.Allocate(6, 4, pv24RGB)) << "a real size is still allocated";
    EXPECT_FALSE(bitmap.IsEmpty());
  }

  // What relied on empty bitmaps keeps working: empty planes, assigning and loading empty images.
  EXPECT_TRUE(TPVBitmap::CreateAlpha(0, 0, pvMemory)->IsEmpty());
  TPVBitmap empty;
  TPVBitmap target(3, 3, pv8g);
  EXPECT_TRUE(target.Assign(&empty));
  EXPECT_TRUE(target.IsEmpty());
  std::vector<uint8_t> stream(256);
  ASSERT_TRUE(empty.SaveRawToStream(stream.data(), static_cast<int64_t>(stream.size())));
  TPVBitmap loaded;
  ASSERT_TRUE(loaded.LoadRawFromStream(stream.data(), static_cast<int64_t>(stream.size())));
  EXPECT_TRUE(loaded.IsEmpty());
  EXPECT_FALSE(loaded.Allocate(0, 0, loaded.Format));
  EXPECT_TRUE(loaded.Allocate(2, 2, pv8g));
}

// A caller's device bitmap is used in place and survives every way the bitmap lets go of it
// (freeing it would be an invalid free of this stack object).
TEST_F(BitmapAllocation, ACallersDeviceBitmapIsBorrowedNeverFreed) {
  platform::TBitmap device;
  ASSERT_TRUE(device.SetPixelFormat(platform::pf24bit));
  ASSERT_TRUE(device.SetSize(6, 4));
  {
    TPVBitmap bitmap;
    bitmap.Location = pvTBitmap;
    bitmap.Storage.WrappedTBitmap = BorrowDeviceBitmap(&device);
    EXPECT_TRUE(bitmap.Storage.WrapsTBitmap());
    EXPECT_EQ(bitmap.GetWidth(), 6);
    EXPECT_EQ(bitmap.GetPixelFormat(), pv24RGB);
    EXPECT_EQ(bitmap.GetScanline(3), device.GetScanLine(3));
    ASSERT_TRUE(bitmap.Allocate(9, 3, pv8g));
    EXPECT_EQ(bitmap.Storage.WrappedTBitmap.get(), &device) << "resized in place, not recreated";
    EXPECT_EQ(device.GetWidth(), 9);
    EXPECT_TRUE(device.HasGrayColorTable());

    TPVBitmap target;
    bitmap.MoveStorageTo(target);
    EXPECT_FALSE(bitmap.Storage.WrapsTBitmap());
    EXPECT_TRUE(target.Storage.WrapsTBitmap());
    target.FreeImage(true);
    EXPECT_FALSE(target.Storage.WrapsTBitmap());
    EXPECT_EQ(target.Storage.WrappedTBitmap.get(), nullptr);

    bitmap.Storage.WrappedTBitmap = BorrowDeviceBitmap(&device);
    bitmap.SyncTBitmap();
    EXPECT_EQ(bitmap.Width, 9);
  }  // destroyed while still wrapping the device bitmap
  EXPECT_EQ(device.GetWidth(), 9);
  EXPECT_NE(device.GetScanLine(2), nullptr);

  TPVBitmap own;
  own.Location = pvTBitmap;
  ASSERT_TRUE(own.Allocate(4, 4, pv24RGB));
  EXPECT_FALSE(own.Storage.WrapsTBitmap()) << "a device bitmap made by the bitmap is its own";
  EXPECT_FALSE(own.Storage.WrapsMemory());
}

TEST_F(BitmapAllocation, FragmentsDoubleWhileTheyStayLarge) {
  // 8192 x 3414 x 3 bytes: 80 MiB. Blocks of 20 MiB are refused, 10 MiB blocks are had.
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 16 << 20);
  TPVBitmap bitmap;
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  ASSERT_TRUE(bitmap.Allocate(8192, 3414, pv24RGB));
  EXPECT_EQ(bitmap.Location, pvMemory);
  EXPECT_EQ(bitmap.Storage.FragmentCount(), 8);
  EXPECT_EQ(bitmap.Storage.FragmentRows, 427);
  // The last row of each block and the first of the next are in different blocks.
  uint8_t* last = bitmap.GetScanline(426);
  uint8_t* first = bitmap.GetScanline(427);
  last[0] = 1;
  first[0] = 2;
  EXPECT_EQ(first, bitmap.Storage.FragmentBlocks[1].get());
  EXPECT_EQ(bitmap.GetScanline(3413)[bitmap.RowBytes - 1], 0) << "fragments start zero-filled";
}

TEST_F(BitmapAllocation, SmallImagesGetNoMoreThanFourFragmentsThenTheFile) {
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
  TPVBitmap bitmap;
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
  ASSERT_TRUE(bitmap.Allocate(100, 100, pv8g));
  EXPECT_EQ(bitmap.Location, pvFile);
  EXPECT_TRUE(bitmap.Storage.FragmentBlocks.empty());
  WritePattern(bitmap, 3);
}

TEST_F(BitmapAllocation, NoStorageAnywhereFailsCleanly) {
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
  FreeSpaceScope full(NoFreeSpace);
  TPVBitmap bitmap;
  EXPECT_FALSE(bitmap.Allocate(100, 100, pv24RGB));
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.GetScanline(0), nullptr);
  EXPECT_EQ(bitmap.Storage.PixelBlock.get(), nullptr);
  EXPECT_TRUE(bitmap.Storage.FragmentBlocks.empty());
  EXPECT_FALSE(bitmap.Storage.FileStore->IsOpen());
}

TEST_F(BitmapAllocation, FailedAssignLeavesAnEmptyBitmapAndSaysSo) {
  TPVBitmap source(50, 20, pv24RGB);
  WritePattern(source, 4);
  TPVBitmap target(8, 8, pv8g);
  ASSERT_NE(target.GetAlphaChannel(), nullptr);
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
  FreeSpaceScope full(NoFreeSpace);
  EXPECT_FALSE(target.Assign(&source));
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_FALSE(target.HasAlphaChannel());
  EXPECT_EQ(target.GetScanline(0), nullptr);
  EXPECT_FALSE(target.AssignImage(&source));
  EXPECT_TRUE(target.IsEmpty());
}

TEST_F(BitmapAllocation, FailedSetLocationKeepsThePixelsWhereTheyWere) {
  // A device bitmap cannot hold pvRGB48, and pv16g would shrink to 8 bits there: the pixels
  // stay in memory, not garbled.
  for (TPVPixelFormat format : {pvRGB48, pv16g}) {
    TPVBitmap wide(5, 4, format);
    WritePattern(wide, 6);
    const auto wideRows = ReadRows(wide);
    EXPECT_FALSE(wide.SetLocation(pvTBitmap)) << int(format);
    EXPECT_EQ(wide.Format, format);
    EXPECT_NE(wide.Location, pvTBitmap);
    EXPECT_EQ(ReadRows(wide), wideRows);
  }

  TPVBitmap bitmap(20, 6, pv24RGB);
  bitmap.Location = pvMemory;
  WritePattern(bitmap, 5);
  const auto rows = ReadRows(bitmap);
  ASSERT_EQ(bitmap.Location, pvMemory);
  FreeSpaceScope full(NoFreeSpace);
  BlockLimitScope single(bitmap_testing::SingleBlockLimit, 0);
  BlockLimitScope fragment(bitmap_testing::FragmentBlockLimit, 0);
  bitmap.FileThreshold = 0;
  EXPECT_FALSE(bitmap.SetLocation(pvFile));
  EXPECT_EQ(bitmap.Location, pvMemory);
  EXPECT_EQ(ReadRows(bitmap), rows);
}

TEST_F(BitmapAllocation, DeviceBitmapsHoldFiveFormats) {
  TPVBitmap grey;
  grey.Location = pvTBitmap;
  ASSERT_TRUE(grey.Allocate(9, 3, pv16g));
  EXPECT_EQ(grey.Format, pv8g);
  EXPECT_EQ(grey.BitsPerPixel, 8);
  EXPECT_EQ(grey.RowBytes, 12);
  ASSERT_NE(grey.Storage.WrappedTBitmap.get(), nullptr);
  EXPECT_TRUE(grey.Storage.WrappedTBitmap->HasGrayColorTable());
  EXPECT_EQ(grey.GetPixelFormat(), pv8g) << "the grey table keeps it grey";
  for (TPVPixelFormat format : {pv32f, pvCMYK, pvRGB48, pvCIELab}) {
    TPVBitmap bitmap;
    bitmap.Location = pvTBitmap;
    EXPECT_FALSE(bitmap.Allocate(9, 3, format));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(bitmap.GetWidth(), 0);
  }
}

TEST_F(BitmapAllocation, DeviceBitmapsRefuseToAssignFormatsTheyCannotHold) {
  TPVBitmap device;
  device.Location = pvTBitmap;
  ASSERT_TRUE(device.Allocate(4, 3, pv24RGB));
  WritePattern(device, 2);
  const auto rows = ReadRows(device);
  TPVBitmap grey;
  grey.SetBitAlignment(8);
  ASSERT_TRUE(grey.Allocate(4, 3, pv16g));
  EXPECT_FALSE(device.Assign(&grey));
  EXPECT_EQ(device.RowAlignment, 32) << "nothing taken over from a refused source";
  EXPECT_EQ(device.Format, pv24RGB);
  EXPECT_EQ(ReadRows(device), rows);
}

TEST_F(BitmapAllocation, DeviceQueriesFollowTheDeviceBitmap) {
  TPVBitmap bitmap;
  bitmap.Location = pvTBitmap;
  ASSERT_TRUE(bitmap.Allocate(9, 3, pv24RGB));
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  ASSERT_TRUE(bitmap.Storage.WrappedTBitmap->SetSize(20, 6));
  const TPVBitmap& view = bitmap;  // the queries re-read the device bitmap on a const bitmap too
  EXPECT_EQ(view.GetWidth(), 20);
  EXPECT_EQ(bitmap.Height, 6);
  EXPECT_EQ(bitmap.RowBytes, 60);
  EXPECT_EQ(bitmap.AlphaBitmap->Width, 20) << "the plane follows the new size";
  EXPECT_EQ(bitmap.GetScanline(5), bitmap.Storage.WrappedTBitmap->GetScanLine(5));
  ASSERT_TRUE(bitmap.Storage.WrappedTBitmap->SetPixelFormat(platform::pf32bit));
  EXPECT_EQ(view.GetPixelFormat(), pv32RGB);
  EXPECT_EQ(view.GetScanline(5), bitmap.Storage.WrappedTBitmap->GetScanLine(5));
}

TEST_F(BitmapAllocation, PalettesGoIntoTheDeviceColourTable) {
  TPVBitmap bitmap;
  bitmap.Location = pvTBitmap;
  ASSERT_TRUE(bitmap.Allocate(4, 4, pv8p));
  bitmap.SetPaletteColor(3, TPVRGB{10, 20, 30});
  const platform::TRGBQuad entry = bitmap.Storage.WrappedTBitmap->GetColorTableEntry(3);
  EXPECT_EQ(entry.rgbBlue, 10);
  EXPECT_EQ(entry.rgbGreen, 20);
  EXPECT_EQ(entry.rgbRed, 30);
  EXPECT_EQ(bitmap.GetPixelFormat(), pv8p);
  EXPECT_EQ(bitmap.GetPaletteColor(3), (TPVRGB{10, 20, 30}));
}

TEST_F(BitmapAllocation, PaletteIndicesOutsideAreIgnored) {
  TPVBitmap bitmap(4, 4, pv8p);
  EXPECT_EQ(bitmap.GetPaletteLen(), 256);
  bitmap.SetPaletteColor(255, TPVRGB{1, 2, 3});
  bitmap.SetPaletteColor(256, TPVRGB{9, 9, 9});
  bitmap.SetPaletteColor(-1, TPVRGB{9, 9, 9});
  EXPECT_EQ(bitmap.GetPaletteColor(255), (TPVRGB{1, 2, 3}));
  EXPECT_EQ(bitmap.GetPaletteColor(256), (TPVRGB{0, 0, 0}));
  TPVBitmap target(2, 2, pv24RGB);
  bitmap.PaletteColorsUsed = 16;
  bitmap.CopyPaletteTo(&target);
  EXPECT_EQ(target.GetPaletteLen(), 256);
  EXPECT_EQ(target.PaletteColorsUsed, 16);
  EXPECT_EQ(target.GetPaletteColor(255), (TPVRGB{1, 2, 3}));
  TPVBitmap none(2, 2, pv24RGB);
  none.CopyPaletteTo(&target);
  EXPECT_EQ(target.GetPaletteLen(), 0);
  EXPECT_EQ(target.PaletteColorsUsed, 256);
}

TEST_F(BitmapAllocation, FreeImageKeepsFormatAndSettings) {
  TPVBitmap bitmap(5, 5, pv16g);
  bitmap.DisplayContrast = 7;
  ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
  bitmap.FreeImage(false);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Format, pv16g);
  EXPECT_EQ(bitmap.DisplayContrast, 7);
  EXPECT_TRUE(bitmap.HasAlphaChannel());
  bitmap.FreeImage(true);
  EXPECT_FALSE(bitmap.HasAlphaChannel());
}

TEST_F(BitmapAllocation, AlphaPlanesOfDeviceBitmapsLiveInMemory) {
  auto plane = TPVBitmap::CreateAlpha(6, 2, pvTBitmap);
  EXPECT_EQ(plane->Location, pvMemory);
  EXPECT_TRUE(plane->IsAlphaPlane);
  EXPECT_TRUE(plane->Opaque);
  TPVBitmap owner(6, 2, pv24RGB);
  owner.AttachAlphaChannel(std::move(plane));
  ASSERT_TRUE(owner.HasAlphaChannel());
  EXPECT_TRUE(owner.AlphaBitmap->IsAlphaPlane);
  EXPECT_EQ(TPVBitmap().GetAlphaChannel(), nullptr) << "an empty bitmap gets no plane";
}

TEST_F(BitmapAllocation, RemoveAlphaChannelMergesOverTheBackground) {
  TPVBitmap bitmap(3, 1, pv24RGB);
  bitmap.Fill(0);  // black
  TPVBitmap* plane = bitmap.GetAlphaChannel();
  uint8_t* alpha = plane->GetScanline(0);
  alpha[0] = 0;
  alpha[1] = 128;
  alpha[2] = 255;
  bitmap.RemoveAlphaChannel(true, 0xFFFFFF);
  EXPECT_FALSE(bitmap.HasAlphaChannel());
  const uint8_t* row = bitmap.GetScanline(0);
  EXPECT_EQ(row[0], 255);
  EXPECT_EQ(row[3], 127);
  EXPECT_EQ(row[6], 0);
  TPVBitmap white(1, 1, pv24RGB);
  white.Fill(0xFFFFFF);
  white.GetAlphaChannel()->GetScanline(0)[0] = 255;
  white.RemoveAlphaChannel(true, 0);
  EXPECT_EQ(white.GetScanline(0)[1], 254);
}

TEST_F(BitmapAllocation, FileRowWindowsFollowTheDataAccess) {
  TPVBitmap bitmap;
  ASSERT_NO_FATAL_FAILURE(AllocateInFileFilled(bitmap));
  // Held rows: both valid at once, written to the file when released.
  uint8_t* row0 = bitmap.MapRow(0);
  uint8_t* row1 = bitmap.MapRow(1);
  ASSERT_NE(row0, row1);
  std::memset(row0, 1, 16);
  std::memset(row1, 2, 16);
  EXPECT_EQ(bitmap.Storage.HeldRowNumbers.size(), 2u);
  bitmap.UnmapRow(0);
  bitmap.UnmapRow(7);  // not held: ignored
  bitmap.UnmapAllRows();
  EXPECT_TRUE(bitmap.Storage.HeldRowPointers.empty());
  EXPECT_EQ(bitmap.GetScanline(0)[5], 1);
  EXPECT_EQ(bitmap.GetScanline(1)[5], 2);
  // Read-only windows drop what is written into them.
  bitmap.DataAccess = pvdRead;
  std::memset(bitmap.GetScanline(2), 99, 16);
  bitmap.UnmapAllRows();
  uint8_t* held = bitmap.MapRow(3);
  std::memset(held, 98, 16);
  bitmap.UnmapRow(3);
  bitmap.DataAccess = pvdRead | pvdWrite;
  EXPECT_EQ(bitmap.GetScanline(2)[0], 10);
  EXPECT_EQ(bitmap.GetScanline(3)[0], 10);
  // Write-only windows are not read in but reach the file.
  bitmap.DataAccess = pvdWrite;
  std::memset(bitmap.GetScanline(4), 44, 16);
  bitmap.DataAccess = pvdRead | pvdWrite;
  EXPECT_EQ(bitmap.GetScanline(4)[15], 44);
  EXPECT_EQ(bitmap.GetScanline(5)[15], 10) << "rows not handed out are not written back";
}

// Reading through a const bitmap maps file rows for reading alone: they are read whatever
// DataAccess says, show what was written before, and are never written back.
TEST_F(BitmapAllocation, ConstReadsOfFileRowsNeverWriteThemBack) {
  TPVBitmap bitmap;
  ASSERT_NO_FATAL_FAILURE(AllocateInFileFilled(bitmap));
  const TPVBitmap& view = bitmap;
  bitmap.GetScanline(2)[0] = 77;  // in a writing window, not yet in the file
  EXPECT_EQ(view.GetScanline(2)[0], 77) << "a read sees what was written before";
  bitmap.DataAccess = pvdWrite;
  EXPECT_EQ(view.GetScanline(3)[0], 10) << "read in although the bitmap's own rows are not";
  EXPECT_EQ(bitmap.DataAccess, pvdWrite) << "the setting is not touched";
  // Bytes changed behind the const pointer (which no caller may do) never reach the file.
  for (int32_t y = 0; y < bitmap.Height; ++y) const_cast<uint8_t*>(view.GetScanline(y))[1] = 99;
  bitmap.UnmapAllRows();
  bitmap.DataAccess = pvdRead | pvdWrite;
  for (int32_t y = 0; y < bitmap.Height; ++y) EXPECT_EQ(bitmap.GetScanline(y)[1], 10) << "row " << y;
  EXPECT_EQ(bitmap.GetScanline(2)[0], 77);
}

TEST_F(BitmapAllocation, FilePassesInEitherDirectionSeeEveryRow) {
  TPVBitmap bitmap;
  bitmap.FileThreshold = 0;
  ASSERT_TRUE(bitmap.Allocate(3000, 900, pv24RGB));  // windows grow to 1 MiB
  ASSERT_EQ(bitmap.Location, pvFile);
  for (int32_t y = bitmap.Height - 1; y >= 0; --y) std::memset(bitmap.GetScanline(y), y & 0xFF, bitmap.RowBytes);
  // Random access in between.
  for (int32_t y : {17, 800, 3, 899, 450}) EXPECT_EQ(bitmap.GetScanline(y)[100], y & 0xFF);
  for (int32_t y = 0; y < bitmap.Height; ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    ASSERT_EQ(row[0], y & 0xFF);
    ASSERT_EQ(row[bitmap.RowBytes - 1], y & 0xFF);
  }
  EXPECT_GT(bitmap.Storage.CurrentRow.RowCount, 1) << "a pass reads many rows at once";
}

TEST_F(BitmapAllocation, NegateBitsExchangesBlackAndWhite) {
  TPVBitmap bitmap;
  bitmap.SetBitAlignment(8);
  ASSERT_TRUE(bitmap.Allocate(20, 2, pv1g));  // 3-byte rows: an odd length
  bitmap.Fill(0);
  bitmap.GetScanline(1)[2] = 0x0F;
  NegateBits(bitmap);
  EXPECT_EQ(bitmap.GetScanline(0)[0], 0xFF);
  EXPECT_EQ(bitmap.GetScanline(0)[2], 0xFF) << "the last byte of an odd-length row too";
  EXPECT_EQ(bitmap.GetScanline(1)[2], 0xF0);
}

}  // namespace
}  // namespace calmora
