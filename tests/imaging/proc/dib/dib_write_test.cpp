// CopyBitmaptoDIBEx: the block's exact layout, clipping, each format's table and rows, other
// formats through 24 bits with their log lines, ImageMagick reading the result as a file, and
// the way back through LoadBitmapFromDIB.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/base/debug_log.h"
#include "imaging/proc/dib/dib_interchange.h"
#include "tests/imaging/proc/dib/dib_blocks.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::Field32;

std::vector<uint8_t> BlockBytes(platform::TGlobalMemory& block) {
  const platform::TGlobalMemoryLock lock(block);
  return std::vector<uint8_t>(lock.Data(), lock.Data() + lock.Size());
}

uint16_t Field16(const std::vector<uint8_t>& block, size_t at) {
  return static_cast<uint16_t>(block[at] | block[at + 1] << 8);
}

// Fills the rows with the test pattern (and for pv8p the palette with distinct colours).
void FillPattern(TPVBitmap& bitmap, int32_t seed) {
  test::WritePattern(bitmap, seed);
  if (bitmap.Format == pv8p)
    for (int32_t i = 0; i < 256; ++i)
      bitmap.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i * 3),
                                       static_cast<uint8_t>(255 - i)});
}

TEST(CopyBitmaptoDIBEx, PacksATenByTenBitmapIntoThreeHundredSixtyFourBytes) {
  TPVBitmap bitmap(10, 10, pv24RGB);
  FillPattern(bitmap, 1);
  platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, 0, 0, 0, 0, 96, 72);
  ASSERT_TRUE(block);
  EXPECT_EQ(block.GetLockCount(), 0) << "handed over unlocked";
  const std::vector<uint8_t> dib = BlockBytes(block);
  ASSERT_EQ(dib.size(), 364u);
  EXPECT_EQ(Field32(dib.data(), 0), 40u);
  EXPECT_EQ(Field32(dib.data(), 4), 10u);
  EXPECT_EQ(Field32(dib.data(), 8), 10u) << "positive: bottom-up";
  EXPECT_EQ(Field16(dib, 12), 1);
  EXPECT_EQ(Field16(dib, 14), 24);
  EXPECT_EQ(Field32(dib.data(), 16), 0u);
  EXPECT_EQ(Field32(dib.data(), 20), 0u);
  EXPECT_EQ(Field32(dib.data(), 24), 3779u) << "Trunc(96 x 39.3700787)";
  EXPECT_EQ(Field32(dib.data(), 28), 2834u) << "Trunc(72 x 39.3700787)";
  EXPECT_EQ(Field32(dib.data(), 32), 0u);
  EXPECT_EQ(Field32(dib.data(), 36), 0u);
  for (int32_t k = 0; k < 10; ++k) {
    const uint8_t* row = dib.data() + 40 + 32 * k;
    EXPECT_EQ(0, std::memcmp(row, bitmap.GetScanline(9 - k), 30)) << k;
    EXPECT_EQ(row[30], 0);
    EXPECT_EQ(row[31], 0) << "padding is zero";
  }
  EXPECT_EQ(Field32(dib.data(), 360), 0u) << "the spare bytes at the end are zero";
}

TEST(CopyBitmaptoDIBEx, WritesTheTablesOfOneAndEightBits) {
  TPVBitmap oneBit(20, 3, pv1g);
  FillPattern(oneBit, 2);
  platform::TGlobalMemory block = CopyBitmaptoDIBEx(oneBit, 0, 0, 0, 0, 0, 0);
  std::vector<uint8_t> dib = BlockBytes(block);
  ASSERT_EQ(dib.size(), 44u + 8 + 4 * 3);
  EXPECT_EQ(Field16(dib, 14), 1);
  EXPECT_EQ(std::vector<uint8_t>(dib.begin() + 40, dib.begin() + 48),
            (std::vector<uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));

  TPVBitmap grey(3, 2, pv8g);
  FillPattern(grey, 3);
  block = CopyBitmaptoDIBEx(grey, 0, 0, 0, 0, 0, 0);
  dib = BlockBytes(block);
  ASSERT_EQ(dib.size(), 44u + 1024 + 4 * 2);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(Field32(dib.data(), 40 + 4 * i), static_cast<uint32_t>(i * 0x010101)) << i;

  TPVBitmap palette(3, 2, pv8p);
  FillPattern(palette, 4);
  block = CopyBitmaptoDIBEx(palette, 0, 0, 0, 0, 0, 0);
  dib = BlockBytes(block);
  for (int i = 0; i < 256; ++i) {
    const TPVRGB entry = palette.GetPaletteColor(i);
    ASSERT_EQ(std::vector<uint8_t>(dib.begin() + 40 + 4 * i, dib.begin() + 44 + 4 * i),
              (std::vector<uint8_t>{entry.b, entry.g, entry.r, 0}))
        << i;
  }
  EXPECT_EQ(0, std::memcmp(dib.data() + 40 + 1024, palette.GetScanline(1), 3));
}

// The rectangle (after clipping) and where it lands, for every format.
struct ClipCase {
  int32_t X1, Y1, X2, Y2;
  int32_t Left, Top, Columns, Rows;  // Columns 0: no block
};

TEST(CopyBitmaptoDIBEx, ClipsTheRectangleToTheBitmap) {
  constexpr int32_t kWidth = 21;
  constexpr int32_t kHeight = 6;
  const ClipCase cases[] = {
      {0, 0, 0, 0, 0, 0, 21, 6},        {3, 1, 17, 5, 3, 1, 14, 4}, {-4, -2, 0, 0, 0, 0, 21, 6},
      {5, 2, 100, 90, 5, 2, 16, 4},     {9, 0, 10, 1, 9, 0, 1, 1},  {21, 0, 0, 0, 0, 0, 0, 0},
      {4, 4, 4, 9, 0, 0, 0, 0},         {0, 0, -1, 0, 0, 0, 0, 0},  {7, 3, 2, 1, 0, 0, 0, 0},
      {-30, -30, -20, -20, 0, 0, 0, 0},
  };
  for (const TPVPixelFormat format : {pv1g, pv8g, pv24RGB}) {
    TPVBitmap bitmap(kWidth, kHeight, format);
    FillPattern(bitmap, 5);
    const int32_t bits = PixelFormatBits[format];
    for (const ClipCase& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << int(format) << ": " << c.X1 << "," << c.Y1 << " - " << c.X2 << "," << c.Y2);
      platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, c.X1, c.Y1, c.X2, c.Y2, 0, 0);
      if (c.Columns == 0) {
        EXPECT_FALSE(block) << "nothing left";
        continue;
      }
      ASSERT_TRUE(block);
      const std::vector<uint8_t> dib = BlockBytes(block);
      EXPECT_EQ(Field32(dib.data(), 4), static_cast<uint32_t>(c.Columns));
      EXPECT_EQ(Field32(dib.data(), 8), static_cast<uint32_t>(c.Rows));
      const int32_t rowLength = (c.Columns * bits + 31) / 32 * 4;
      const int32_t table = format == pv1g ? 8 : format == pv8g ? 1024 : 0;
      ASSERT_EQ(dib.size(), static_cast<size_t>(44 + table + rowLength * c.Rows));
      for (int32_t k = 0; k < c.Rows; ++k) {
        const uint8_t* row = dib.data() + 40 + table + rowLength * k;
        const uint8_t* source = bitmap.GetScanline(c.Top + c.Rows - 1 - k);
        for (int32_t x = 0; x < c.Columns; ++x) {
          if (format == pv1g) {
            const int want = (source[(c.Left + x) / 8] >> (7 - (c.Left + x) % 8)) & 1;
            ASSERT_EQ((row[x / 8] >> (7 - x % 8)) & 1, want) << x << " of row " << k;
          } else {
            const int32_t size = bits / 8;
            ASSERT_EQ(0, std::memcmp(row + size * x, source + size * (c.Left + x), size)) << x;
          }
        }
        for (int32_t bit = c.Columns * bits; bit < rowLength * 8; ++bit)
          ASSERT_EQ((row[bit / 8] >> (7 - bit % 8)) & 1, 0) << "padding bit " << bit;
      }
    }
  }
}

TEST(CopyBitmaptoDIBEx, GoesThroughTwentyFourBitsForOtherFormatsAndLogsIt) {
  test::ScratchFolder folder("calmora-dib-log");
  const std::string log = folder.File("debug.log");
  test::ScopedOverride<std::string> logName(DebugLogFileName, log);
  TPVBitmap bitmap(3, 2, pv16g);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      const auto value = static_cast<uint16_t>(0x1234 * (x + 3 * y + 1));
      std::memcpy(bitmap.GetScanline(y) + 2 * x, &value, 2);
    }
  platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, 0, 0, 0, 0, 0, 0);
  ASSERT_TRUE(block);
  const std::vector<uint8_t> dib = BlockBytes(block);
  EXPECT_EQ(Field16(dib, 14), 24);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      const auto high = static_cast<uint8_t>((0x1234 * (x + 3 * y + 1)) >> 8);
      const uint8_t* pixel = dib.data() + 40 + 12 * (1 - y) + 3 * x;
      ASSERT_EQ(std::vector<uint8_t>(pixel, pixel + 3), std::vector<uint8_t>(3, high));
    }
  EXPECT_EQ(bitmap.GetPixelFormat(), pv16g) << "the caller's bitmap is not converted";

  std::string text = test::ReadFileBytes(log);
  std::vector<std::string> messages;
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    messages.push_back(line.substr(line.find(" : ") + 3));
    start = end + 1;
  }
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "_CopyBitmaptoDIBEx: begin",
                          "_CopyBitmaptoDIBEx: not supported pixel format, converting to 24bit "
                          "and recurse",
                          "_CopyBitmaptoDIBEx: begin",
                          "_CopyBitmaptoDIBEx: allocate 68 bytes",
                          "_CopyBitmaptoDIBEx: pv24RGB",
                      }));
}

TEST(CopyBitmaptoDIBEx, AnEmptyBitmapGivesNoBlock) {
  TPVBitmap empty;
  EXPECT_FALSE(CopyBitmaptoDIBEx(empty, 0, 0, 0, 0, 96, 96));
}

TEST(CopyBitmaptoDIBEx, ReadsBitmapsInEveryStorage) {
  test::TempFolderScope temp;
  TPVBitmap reference(9, 7, pv24RGB);
  FillPattern(reference, 6);
  platform::TGlobalMemory expected = CopyBitmaptoDIBEx(reference, 1, 1, 8, 6, 0, 0);
  for (const test::Storage storage : {test::Storage::File, test::Storage::Device}) {
    SCOPED_TRACE(test::StorageName(storage));
    TPVBitmap bitmap;
    test::Prepare(bitmap, storage);
    ASSERT_TRUE(bitmap.Assign(&reference));
    ASSERT_EQ(test::StorageOf(bitmap), storage);
    platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, 1, 1, 8, 6, 0, 0);
    EXPECT_EQ(BlockBytes(block), BlockBytes(expected));
  }
}

TEST(CopyBitmaptoDIBEx, LoadsBackAsTheSamePixels) {
  for (const TPVPixelFormat format : {pv1g, pv24RGB}) {
    TPVBitmap bitmap(19, 5, format);
    FillPattern(bitmap, 7);
    platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, 0, 0, 0, 0, 0, 0);
    TPVBitmap loaded;
    ASSERT_EQ(LoadBitmapFromDIB(block, loaded), PixelFormatBits[format]);
    ASSERT_EQ(loaded.GetPixelFormat(), format);
    EXPECT_EQ(test::ReadRows(loaded, test::PixelBytes(19, format) - (format == pv1g)),
              test::ReadRows(bitmap, test::PixelBytes(19, format) - (format == pv1g)));
  }
}

TEST(CopyBitmaptoDIBEx, ImageMagickReadsTheSourcePixels) {
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-dib-file");
  for (const TPVPixelFormat format : {pv1g, pv8g, pv8p, pv24RGB}) {
    SCOPED_TRACE(int(format));
    TPVBitmap bitmap(13, 6, format);
    FillPattern(bitmap, 8);
    platform::TGlobalMemory block = CopyBitmaptoDIBEx(bitmap, 0, 0, 0, 0, 96, 96);
    const std::vector<uint8_t> dib = BlockBytes(block);
    const uint32_t table = format == pv1g ? 8 : format == pv24RGB ? 0 : 1024;
    std::vector<uint8_t> file = {'B', 'M'};
    for (const uint32_t field : {static_cast<uint32_t>(14 + dib.size()), 0u, 14 + 40 + table})
      for (int b = 0; b < 4; ++b) file.push_back(static_cast<uint8_t>(field >> (8 * b)));
    file.insert(file.end(), dib.begin(), dib.end());
    const std::string bmp = folder.File("x.bmp");
    const std::string ppm = folder.File("x.ppm");
    ASSERT_TRUE(test::WriteFileBytes(bmp, std::string(file.begin(), file.end())));
    ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(bmp) +
                            " -depth 8 ppm:" + test::ShellQuoted(ppm))
                  .Status,
              0);
    TPVBitmap read;
    std::string error;
    ASSERT_TRUE(test::LoadPNM(ppm, read, &error)) << error;
    ASSERT_EQ(read.GetWidth(), 13);
    ASSERT_EQ(read.GetHeight(), 6);
    for (int32_t y = 0; y < 6; ++y)
      for (int32_t x = 0; x < 13; ++x) {
        const uint8_t* row = bitmap.GetScanline(y);
        TPVRGB expected;
        switch (format) {
          case pv1g: {
            const uint8_t level = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            expected = TPVRGB{level, level, level};
            break;
          }
          case pv8g: expected = TPVRGB{row[x], row[x], row[x]}; break;
          case pv8p: expected = bitmap.GetPaletteColor(row[x]); break;
          default: expected = test::RgbAt(bitmap, x, y);
        }
        ASSERT_EQ(test::RgbAt(read, x, y), expected) << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace calmora
