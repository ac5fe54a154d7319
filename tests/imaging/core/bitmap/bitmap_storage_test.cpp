// Table tests of TPVBitmap over the ten pixel formats, the four storage set-ups (one memory
// block, fragments, temporary file, device bitmap) and four row alignments.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/base/color_formulas.h"
#include "imaging/base/row_bits.h"
#include "imaging/core/color/cmyk_profile.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using test::BlockLimitScope;
using test::PixelBytes;
using test::Prepare;
using test::ReadRows;
using test::Storage;
using test::StorageOf;
using test::TempFolderScope;
using test::WritePattern;

constexpr int32_t kWidth = 7;  // odd, so rows have alignment bytes
constexpr int32_t kHeight = 5;

using Case = std::tuple<TPVPixelFormat, Storage>;

// Every case runs once per row alignment (inside one test, to keep the test count small).
constexpr int32_t kAlignments[] = {8, 16, 32, 64};

bool DeviceHolds(TPVPixelFormat format) {
  return format == pv1g || format == pv8p || format == pv8g || format == pv16g ||
         format == pv24RGB || format == pv32RGB;
}

class BitmapStorageTable : public ::testing::TestWithParam<Case> {
 protected:
  TPVPixelFormat format() const { return std::get<0>(GetParam()); }
  Storage storage() const { return std::get<1>(GetParam()); }
  int32_t alignment() const { return alignment_; }
  bool refused() const { return storage() == Storage::Device && !DeviceHolds(format()); }
  // pv16g lives as pv8g in a device bitmap.
  TPVPixelFormat heldFormat() const {
    return storage() == Storage::Device && format() == pv16g ? pv8g : format();
  }
  int32_t expectedRowBytes(int32_t width, int32_t bits) const {
    return static_cast<int32_t>(
        CalcRowLength(width, bits, storage() == Storage::Device ? 32 : alignment()));
  }

  bool AllocateIn(TPVBitmap& bitmap, int32_t width = kWidth, int32_t height = kHeight) {
    Prepare(bitmap, storage());
    EXPECT_TRUE(bitmap.SetBitAlignment(alignment()));
    return bitmap.Allocate(width, height, format());
  }

  // Runs the body for each row alignment; a failed assertion ends only that round.
  void ForEachAlignment(const std::function<void()>& body) {
    for (int32_t alignment : kAlignments) {
      SCOPED_TRACE(::testing::Message() << "alignment " << alignment);
      alignment_ = alignment;
      body();
    }
  }

  int32_t alignment_ = 32;
  TempFolderScope temp_;
  // Every single block is refused while a fragments case runs.
  BlockLimitScope blockLimit_{bitmap_testing::SingleBlockLimit,
                              std::get<1>(GetParam()) == Storage::Fragments ? 0 : -1};
};

TEST_P(BitmapStorageTable, AllocatesInItsStorageWithItsRowLength) {
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    const bool allocated = AllocateIn(bitmap);
    if (refused()) {
      EXPECT_FALSE(allocated);
      EXPECT_TRUE(bitmap.IsEmpty());
      EXPECT_EQ(bitmap.Width, 0);
      EXPECT_EQ(bitmap.GetScanline(0), nullptr);
      return;
    }
    ASSERT_TRUE(allocated);
    EXPECT_EQ(StorageOf(bitmap), storage());
    EXPECT_EQ(bitmap.GetPixelFormat(), heldFormat());
    EXPECT_EQ(bitmap.GetWidth(), kWidth);
    EXPECT_EQ(bitmap.GetHeight(), kHeight);
    EXPECT_EQ(bitmap.GetBitCount(), PixelFormatBits[heldFormat()]);
    EXPECT_EQ(bitmap.GetChannelCount(), PixelFormatChannels[heldFormat()]);
    EXPECT_EQ(bitmap.GetRowLen(), expectedRowBytes(kWidth, PixelFormatBits[heldFormat()]));
    EXPECT_EQ(bitmap.GetPaletteLen(), format() == pv8p ? 256 : 0);
    EXPECT_FALSE(bitmap.ForceReallocate);
    EXPECT_FALSE(bitmap.Opaque);
    switch (storage()) {
      case Storage::MemoryBlock:
        EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Storage.Pixels) % 64, 0u);
        // Bottom-up: the top row is the last one in the block.
        for (int32_t y = 0; y < kHeight; ++y)
          EXPECT_EQ(bitmap.GetScanline(y), bitmap.Storage.Pixels + (kHeight - 1 - y) * bitmap.RowBytes);
        break;
      case Storage::Fragments:
        EXPECT_EQ(bitmap.Storage.FragmentCount(), 4);
        EXPECT_EQ(bitmap.Storage.FragmentRows, 2);
        EXPECT_EQ(bitmap.Storage.PixelBlock.get(), nullptr);
        // Top-down inside a fragment: row y in block y div 2, at (y mod 2) rows.
        for (int32_t y = 0; y < kHeight; ++y)
          EXPECT_EQ(bitmap.GetScanline(y),
                    bitmap.Storage.FragmentBlocks[y / 2].get() + (y % 2) * bitmap.RowBytes) << "row " << y;
        break;
      case Storage::File: {
        EXPECT_TRUE(bitmap.Storage.FileStore->IsOpen());
        EXPECT_TRUE(temp_.Entries().empty()) << "the pixel file is unlinked at creation";
        // Top-down in the file: row y at byte y x RowBytes.
        WritePattern(bitmap, 3);
        bitmap.UnmapAllRows();
        std::vector<uint8_t> file(static_cast<size_t>(bitmap.RowBytes) * kHeight);
        bitmap.Storage.FileStore->ReadAt(0, file.data(), static_cast<int64_t>(file.size()));
        for (int32_t y = 0; y < kHeight; ++y)
          for (int32_t i = 0; i < bitmap.RowBytes; ++i)
            ASSERT_EQ(file[static_cast<size_t>(y) * bitmap.RowBytes + i],
                      test::PatternByte(y, i, 3)) << "row " << y << " byte " << i;
        break;
      }
      case Storage::Device:
        ASSERT_NE(bitmap.Storage.WrappedTBitmap.get(), nullptr);
        EXPECT_EQ(static_cast<int32_t>(bitmap.Storage.TBitmapRows.size()), kHeight);
        EXPECT_EQ(bitmap.GetScanline(0), bitmap.Storage.TBitmapRows[0]);
        break;
    }
    EXPECT_EQ(bitmap.GetScanline(-1), nullptr);
    EXPECT_EQ(bitmap.GetScanline(kHeight), nullptr);
  });
}

TEST_P(BitmapStorageTable, RowsKeepWhatIsWrittenInThem) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    WritePattern(bitmap, 1);
    bitmap.UnmapAllRows();  // file rows go to the file and are read back from it
    for (int32_t y = kHeight - 1; y >= 0; --y) {  // bottom-up order too
      const uint8_t* row = bitmap.GetScanline(y);
      for (int32_t i = 0; i < bitmap.RowBytes; ++i)
        ASSERT_EQ(row[i], test::PatternByte(y, i, 1)) << "row " << y << " byte " << i;
    }
  });
}

// Code that only reads takes a const bitmap: every query, the rows, the palette copy and the
// raw stream writer work on one in every storage.
TEST_P(BitmapStorageTable, ConstBitmapsAnswerEveryRead) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    WritePattern(bitmap, 9);
    if (format() == pv8p) bitmap.SetPaletteColor(5, TPVRGB{7, 8, 9});
    bitmap.PaletteColorsUsed = 21;
    const TPVBitmap& view = bitmap;
    EXPECT_EQ(view.GetWidth(), kWidth);
    EXPECT_EQ(view.GetHeight(), kHeight);
    EXPECT_EQ(view.GetPixelFormat(), heldFormat());
    EXPECT_EQ(view.GetBitCount(), PixelFormatBits[heldFormat()]);
    EXPECT_EQ(view.GetChannelCount(), PixelFormatChannels[heldFormat()]);
    EXPECT_EQ(view.GetRowLen(), bitmap.RowBytes);
    EXPECT_EQ(view.GetPaletteLen(), format() == pv8p ? 256 : 0);
    EXPECT_EQ(view.GetPaletteColor(5), (format() == pv8p ? TPVRGB{7, 8, 9} : TPVRGB{0, 0, 0}));
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = view.GetScanline(y);
      ASSERT_NE(row, nullptr);
      for (int32_t i = 0; i < bitmap.RowBytes; ++i)
        ASSERT_EQ(row[i], test::PatternByte(y, i, 9)) << "row " << y << " byte " << i;
    }
    EXPECT_EQ(view.GetScanline(kHeight), nullptr);

    TPVBitmap palette(2, 2, pv24RGB);
    view.CopyPaletteTo(&palette);
    EXPECT_EQ(palette.GetPaletteLen(), view.GetPaletteLen());
    EXPECT_EQ(palette.PaletteColorsUsed, format() == pv8p ? 21 : 256);

    std::vector<uint8_t> raw(4096);
    ASSERT_TRUE(view.SaveRawToStream(raw.data(), static_cast<int64_t>(raw.size())));
    TPVBitmap loaded;
    ASSERT_TRUE(loaded.LoadRawFromStream(raw.data(), static_cast<int64_t>(raw.size())));
    // A device bitmap's rows are 32-bit aligned whatever RowAlignment says: pixels compare.
    const int32_t pixelBytes = PixelBytes(kWidth, heldFormat());
    EXPECT_EQ(ReadRows(loaded, pixelBytes), ReadRows(view, pixelBytes));
  });
}

TEST_P(BitmapStorageTable, AssignCopiesPixelsPaletteAndAlphaPlane) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap source;
    ASSERT_TRUE(AllocateIn(source));
    WritePattern(source, 2);
    if (format() == pv8p)
      for (int32_t i = 0; i < 256; ++i)
        source.SetPaletteColor(i, TPVRGB{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    TPVBitmap* plane = source.GetAlphaChannel();
    ASSERT_NE(plane, nullptr);
    WritePattern(*plane, 3);
    plane->Opaque = false;
    source.Opaque = true;
    source.DitherMethod = pvdmOrdered;

    TPVBitmap target;
    Prepare(target, storage());
    ASSERT_TRUE(target.Assign(&source));
    EXPECT_EQ(StorageOf(target), storage());
    EXPECT_EQ(target.Format, source.Format);
    EXPECT_EQ(target.RowBytes, source.RowBytes);
    EXPECT_EQ(target.RowAlignment, alignment());
    EXPECT_TRUE(target.Opaque);
    EXPECT_EQ(target.DitherMethod, pvdmOrdered);
    EXPECT_TRUE(target.ForceReallocate);
    EXPECT_EQ(ReadRows(target), ReadRows(source));
    ASSERT_EQ(target.GetPaletteLen(), source.GetPaletteLen());
    for (int32_t i = 0; i < target.GetPaletteLen(); ++i)
      EXPECT_EQ(target.GetPaletteColor(i), source.GetPaletteColor(i));
    ASSERT_TRUE(target.HasAlphaChannel());
    EXPECT_TRUE(target.AlphaBitmap->IsAlphaPlane);
    EXPECT_NE(target.AlphaBitmap->Location, pvTBitmap);
    EXPECT_EQ(ReadRows(*target.AlphaBitmap), ReadRows(*plane));
    EXPECT_FALSE(target.AlphaBitmap->Opaque);

    // A source without a plane takes the target's away.
    source.RemoveAlphaChannel(false, 0);
    ASSERT_TRUE(target.Assign(&source));
    EXPECT_FALSE(target.HasAlphaChannel());
  });
}

TEST_P(BitmapStorageTable, AssignImageKeepsTheOwnAlphaPlane) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap source;
    ASSERT_TRUE(AllocateIn(source));
    WritePattern(source, 4);
    source.Opaque = true;
    TPVBitmap target;
    ASSERT_TRUE(AllocateIn(target));
    ASSERT_NE(target.GetAlphaChannel(), nullptr);
    ASSERT_TRUE(target.AssignImage(&source));
    EXPECT_TRUE(target.HasAlphaChannel());
    EXPECT_FALSE(target.Opaque);
    EXPECT_EQ(ReadRows(target), ReadRows(source));
  });
}

TEST_P(BitmapStorageTable, MoveStorageHandsEverythingOver) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap source;
    ASSERT_TRUE(AllocateIn(source));
    WritePattern(source, 5);
    ASSERT_NE(source.GetAlphaChannel(), nullptr);
    const auto rows = ReadRows(source);
    const TPVLocation location = source.Location;

    TPVBitmap target;
    source.MoveStorageTo(target);
    EXPECT_TRUE(source.IsEmpty());
    EXPECT_EQ(source.Format, pvNoFormat);
    EXPECT_FALSE(source.HasAlphaChannel());
    EXPECT_TRUE(source.ForceReallocate);
    EXPECT_EQ(source.Location, location) << "the source keeps its location setting";
    EXPECT_EQ(target.Location, location);
    EXPECT_EQ(target.RowAlignment, alignment());
    EXPECT_EQ(StorageOf(target), storage());
    EXPECT_TRUE(target.HasAlphaChannel());
    EXPECT_EQ(ReadRows(target), rows);
  });
}

TEST_P(BitmapStorageTable, SetBitAlignmentKeepsThePixels) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    WritePattern(bitmap, 6);
    bitmap.PaletteColorsUsed = 19;
    if (format() == pv8p) bitmap.SetPaletteColor(7, TPVRGB{1, 2, 3});
    ASSERT_NE(bitmap.GetAlphaChannel(), nullptr);
    bitmap.Opaque = true;
    const int32_t pixelBytes = PixelBytes(kWidth, heldFormat());
    const auto before = ReadRows(bitmap, pixelBytes);

    const int32_t other = alignment() == 8 ? 32 : 8;
    ASSERT_TRUE(bitmap.SetBitAlignment(other));
    EXPECT_EQ(bitmap.RowAlignment, other);
    EXPECT_EQ(StorageOf(bitmap), storage());
    const int32_t bits = PixelFormatBits[heldFormat()];
    EXPECT_EQ(bitmap.RowBytes, storage() == Storage::Device ? static_cast<int32_t>(CalcRowLength(kWidth, bits, 32))
                                                            : static_cast<int32_t>(CalcRowLength(kWidth, bits, other)));
    EXPECT_EQ(ReadRows(bitmap, pixelBytes), before);
    EXPECT_TRUE(bitmap.HasAlphaChannel());
    EXPECT_TRUE(bitmap.Opaque);
    EXPECT_EQ(bitmap.PaletteColorsUsed, 19);
    if (format() == pv8p) {
      EXPECT_EQ(bitmap.GetPaletteColor(7), (TPVRGB{1, 2, 3}));
    }
    EXPECT_FALSE(bitmap.SetBitAlignment(12)) << "not a multiple of 8";
    EXPECT_FALSE(bitmap.SetBitAlignment(0));
    EXPECT_EQ(bitmap.RowAlignment, other);
  });
}

TEST_P(BitmapStorageTable, AlphaPlaneStartsOpaque) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    EXPECT_FALSE(bitmap.HasAlphaChannel());
    TPVBitmap* plane = bitmap.GetAlphaChannel();
    ASSERT_NE(plane, nullptr);
    EXPECT_EQ(bitmap.GetAlphaChannel(), plane) << "created once";
    EXPECT_TRUE(plane->IsAlphaPlane);
    EXPECT_EQ(plane->Format, pv8g);
    EXPECT_EQ(plane->Width, kWidth);
    EXPECT_EQ(plane->Height, kHeight);
    EXPECT_TRUE(plane->Opaque);
    EXPECT_NE(plane->Location, pvTBitmap);
    EXPECT_EQ(plane->GetAlphaChannel(), nullptr) << "a plane never gets a plane";
    for (const auto& row : ReadRows(*plane, kWidth))
      for (uint8_t value : row) EXPECT_EQ(value, 255);
  });
}

TEST_P(BitmapStorageTable, FillWritesEachFormatsValue) {
  if (refused()) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    WritePattern(bitmap, 7);  // the fourth bytes of pv32RGB must survive
    bitmap.Fill(255.0);       // pure red as a colour, 255 as a sample
    TPVCIELab lab{};
    ConvertRGBToCIELab(lab, TPVRGB{0, 0, 255});
    const TPVCMYK ink = RGBToCMYK(TPVRGB{0, 0, 255});
    const float one255 = 255.0f;
    uint8_t floatBytes[4];
    std::memcpy(floatBytes, &one255, 4);
    std::vector<uint8_t> expected;
    bool opaque = false;
    switch (heldFormat()) {
      case pv1g: expected = {0xFF}; opaque = true; break;
      case pv8p: expected = {255}; opaque = true; break;
      case pv8g: expected = {255}; opaque = true; break;
      case pv16g: expected = {255, 0}; break;
      case pv24RGB: expected = {0, 0, 255}; break;
      case pv32f: expected.assign(floatBytes, floatBytes + 4); break;
      case pvCMYK: expected = {ink.c, ink.m, ink.y, ink.k}; break;
      case pvRGB48: expected = {0xFF, 0xFF, 0, 0, 0, 0}; break;
      case pvCIELab: expected = {lab.l, uint8_t(lab.a), uint8_t(lab.b)}; break;
      case pv32RGB: expected = {0, 0, 255}; break;
      default: FAIL();
    }
    EXPECT_EQ(bitmap.Opaque, opaque);
    const int32_t step = std::max<int32_t>(1, PixelFormatBits[heldFormat()] / 8);
    for (int32_t y = 0; y < kHeight; ++y) {
      const uint8_t* row = bitmap.GetScanline(y);
      const int32_t pixels = heldFormat() == pv1g ? 1 : kWidth;
      for (int32_t x = 0; x < pixels; ++x) {
        for (size_t i = 0; i < expected.size(); ++i)
          ASSERT_EQ(row[x * step + i], expected[i]) << "row " << y << " pixel " << x << " byte " << i;
        if (heldFormat() == pv32RGB) {
          ASSERT_EQ(row[x * 4 + 3], test::PatternByte(y, x * 4 + 3, 7));
        }
      }
    }
    bitmap.Fill(254.0);
    EXPECT_EQ(bitmap.Opaque, heldFormat() == pv1g) << "254 is white only for 1 bit";
  });
}

TEST_P(BitmapStorageTable, SetLocationMovesThePixels) {
  if (refused() || storage() == Storage::Fragments) GTEST_SKIP();
  ForEachAlignment([&] {
    TPVBitmap bitmap;
    ASSERT_TRUE(AllocateIn(bitmap));
    WritePattern(bitmap, 8);
    bitmap.PaletteColorsUsed = 17;  // a setting: moving the pixels must not touch it
    const int32_t pixelBytes = PixelBytes(kWidth, heldFormat());
    const auto before = ReadRows(bitmap, pixelBytes);
    // Memory and file swap places (the threshold decides by size); a device bitmap goes to memory.
    const TPVLocation target = bitmap.Location == pvFile ? pvMemory : pvFile;
    bitmap.FileThreshold = target == pvFile ? 0 : INT64_MAX;
    ASSERT_TRUE(bitmap.SetLocation(target));
    EXPECT_EQ(bitmap.Location, target);
    EXPECT_EQ(ReadRows(bitmap, pixelBytes), before);
    EXPECT_EQ(bitmap.PaletteColorsUsed, 17);
  });
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return "format" + std::to_string(std::get<0>(info.param)) + "_" +
         test::StorageName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(
    AllFormatsLocationsAlignments, BitmapStorageTable,
    ::testing::Combine(::testing::Values(pv1g, pv8p, pv8g, pv16g, pv24RGB, pv32f, pvCMYK, pvRGB48,
                                         pvCIELab, pv32RGB),
                       ::testing::Values(Storage::MemoryBlock, Storage::Fragments, Storage::File,
                                         Storage::Device)),
    CaseName);

}  // namespace
}  // namespace calmora
