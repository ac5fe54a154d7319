// LoadBitmapFromDIB: DIBs that ImageMagick writes load as ImageMagick reads them; every bit
// count and mask layout against the rules; blocks too short for what they declare are refused
// without reading past them; bitmaps in memory and in the temporary file load alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/proc/dib/dib_interchange.h"
#include "tests/imaging/proc/dib/dib_blocks.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::DibBlock;
using test::RgbAt;

int32_t Load(const std::vector<uint8_t>& dib, TPVBitmap& bitmap) {
  return LoadBitmapFromDIB(dib.data(), static_cast<int64_t>(dib.size()), bitmap);
}

// ---- Against ImageMagick ----

struct ImageMagickKind {
  const char* Name;
  const char* Options;  // the convert options and output prefix of the BMP
  int32_t BitCount;
};

TEST(LoadBitmapFromDIB, LoadsImageMagicksDIBsAsImageMagickReadsThem) {
  CALMORA_REQUIRE_TOOL("convert");
  const ImageMagickKind kinds[] = {
      {"24 bits", "BMP3:", 24},
      {"8 bits", "-colors 200 -type Palette -compress none BMP3:", 8},
      {"4 bits", "-colors 16 BMP3:", 4},
      {"1 bit", "-monochrome BMP3:", 1},
      {"5-6-5", "-define bmp:subtype=RGB565 BMP:", 16},
      {"5-5-5", "-define bmp:subtype=RGB555 BMP:", 16},
  };
  test::ScratchFolder folder("calmora-dib");
  for (const int32_t width : {5, 13, 64}) {
    const std::string source = folder.File("source.png");
    ASSERT_EQ(test::RunTool("convert -seed 7 -size " + std::to_string(width) +
                            "x7 plasma:fractal " + test::ShellQuoted(source))
                  .Status,
              0);
    for (const ImageMagickKind& kind : kinds) {
      SCOPED_TRACE(testing::Message() << kind.Name << ", width " << width);
      const std::string bmp = folder.File("x.bmp");
      const std::string ppm = folder.File("x.ppm");
      ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(source) + " " + kind.Options +
                              test::ShellQuoted(bmp))
                    .Status,
                0);
      ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(bmp) +
                              " -depth 8 ppm:" + test::ShellQuoted(ppm))
                    .Status,
                0);
      const std::string file = test::ReadFileBytes(bmp);
      ASSERT_GT(file.size(), 14u);
      const std::vector<uint8_t> dib(file.begin() + 14, file.end());
      TPVBitmap bitmap;
      ASSERT_EQ(Load(dib, bitmap), kind.BitCount);
      TPVBitmap reference;
      std::string error;
      ASSERT_TRUE(test::LoadPNM(ppm, reference, &error)) << error;
      ASSERT_EQ(bitmap.GetWidth(), width);
      ASSERT_EQ(bitmap.GetHeight(), 7);
      ASSERT_EQ(bitmap.GetPixelFormat(), kind.BitCount == 1 ? pv1g : pv24RGB);
      const uint32_t headerSize = test::Field32(dib.data(), 0);
      for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < width; ++x) {
          const TPVRGB expected = RgbAt(reference, x, y);
          TPVRGB got;
          if (kind.BitCount == 1) {
            // The bit as loaded, shown through the file's own table.
            const int bit = (bitmap.GetScanline(y)[x / 8] >> (7 - x % 8)) & 1;
            const uint8_t* entry = dib.data() + headerSize + 4 * bit;
            got = TPVRGB{entry[0], entry[1], entry[2]};
          } else {
            got = RgbAt(bitmap, x, y);
          }
          if (kind.BitCount == 16) {
            // ImageMagick widens the fields by repeating their bits; they agree on the bits
            // the file holds.
            const int greenDrop = std::string(kind.Name) == "5-6-5" ? 2 : 3;
            ASSERT_EQ(got.r >> 3, expected.r >> 3) << x << "," << y;
            ASSERT_EQ(got.g >> greenDrop, expected.g >> greenDrop) << x << "," << y;
            ASSERT_EQ(got.b >> 3, expected.b >> 3) << x << "," << y;
          } else {
            ASSERT_EQ(got, expected) << x << "," << y;
          }
        }
    }
  }
}

// ---- Bit counts and masks ----

TEST(LoadBitmapFromDIB, OneBitIgnoresTheTable) {
  DibBlock dib(10, 2, 1);
  dib.Table = {0xFFFFFF, 0x000000};  // white, black
  dib.Rows = {{0xA5, 0x40}, {0x0F, 0x80}};
  TPVBitmap bitmap;
  ASSERT_EQ(Load(dib.Bytes(), bitmap), 1);
  ASSERT_EQ(bitmap.GetPixelFormat(), pv1g);
  EXPECT_EQ(bitmap.GetScanline(1)[0], 0xA5) << "the bottom row comes first; a set bit is white";
  EXPECT_EQ(bitmap.GetScanline(1)[1] & 0xC0, 0x40);
  EXPECT_EQ(bitmap.GetScanline(0)[0], 0x0F);
}

TEST(LoadBitmapFromDIB, FourBitsYieldEveryPixelOfAnOddWidth) {
  DibBlock dib(5, 1, 4);
  for (uint32_t i = 0; i < 16; ++i) dib.Table.push_back(i * 0x101010);
  dib.Rows = {{0x12, 0x34, 0x5F}};  // the low nibble of the last byte is past the width
  TPVBitmap bitmap;
  ASSERT_EQ(Load(dib.Bytes(), bitmap), 4);
  for (int32_t x = 0; x < 5; ++x) {
    const auto level = static_cast<uint8_t>((x + 1) * 0x10);
    EXPECT_EQ(RgbAt(bitmap, x, 0), (TPVRGB{level, level, level})) << x;
  }
}

TEST(LoadBitmapFromDIB, IndicesPastTheTableReadBlack) {
  for (const uint16_t bitCount : {uint16_t{4}, uint16_t{8}}) {
    DibBlock dib(2, 1, bitCount);
    dib.ColorsUsed = 2;
    dib.Table = {0x102030, 0x405060};
    dib.Rows = {bitCount == 4 ? std::vector<uint8_t>{0x15} : std::vector<uint8_t>{1, 5}};
    TPVBitmap bitmap;
    ASSERT_EQ(Load(dib.Bytes(), bitmap), bitCount);
    EXPECT_EQ(RgbAt(bitmap, 0, 0), (TPVRGB{0x60, 0x50, 0x40}));
    EXPECT_EQ(RgbAt(bitmap, 1, 0), (TPVRGB{0, 0, 0}));
  }
}

// 16-bit DIBs holding every word once (256 x 256 pixels), against the channel formulas.
struct MaskCase {
  const char* Name;
  uint32_t HeaderSize;
  uint32_t Compression;
  std::vector<uint32_t> Masks;
  int RedShift, GreenShift, GreenBits, BlueBits;  // channel = (w >> shift) & bits, then widened
};

TEST(LoadBitmapFromDIB, SixteenBitsFollowTheMasks) {
  const MaskCase cases[] = {
      {"plain 5-5-5", 40, 0, {}, 10, 5, 5, 5},
      {"bit fields after a 40-byte header", 40, 3, {0xF800, 0x07E0, 0x001F}, 11, 5, 6, 5},
      {"bit fields inside a 124-byte header", 124, 3, {0xF800, 0x07E0, 0x001F}, 11, 5, 6, 5},
      {"5-5-5 bit fields", 40, 3, {0x7C00, 0x03E0, 0x001F}, 10, 5, 5, 5},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.Name);
    DibBlock dib(256, 256, 16, c.Compression);
    dib.HeaderSize = c.HeaderSize;
    dib.Masks = c.Masks;
    for (uint32_t y = 0; y < 256; ++y) {
      std::vector<uint8_t> row;
      for (uint32_t x = 0; x < 256; ++x) {
        row.push_back(static_cast<uint8_t>(x));
        row.push_back(static_cast<uint8_t>(y));
      }
      dib.Rows.push_back(row);
    }
    TPVBitmap bitmap;
    ASSERT_EQ(Load(dib.Bytes(), bitmap), 16);
    for (uint32_t w = 0; w < 65536; ++w) {
      const auto x = static_cast<int32_t>(w & 255);
      const auto y = static_cast<int32_t>(255 - (w >> 8));
      const TPVRGB expected{static_cast<uint8_t>((w & 31) << 3),
                            static_cast<uint8_t>(((w >> c.GreenShift) & ((1 << c.GreenBits) - 1))
                                                 << (8 - c.GreenBits)),
                            static_cast<uint8_t>(((w >> c.RedShift) & 31) << 3)};
      ASSERT_EQ(RgbAt(bitmap, x, y), expected) << std::hex << w;
    }
  }
}

TEST(LoadBitmapFromDIB, ThirtyTwoBitsSkipMasksOnlyAfterAShortHeader) {
  for (const uint32_t headerSize : {40u, 56u}) {
    DibBlock dib(2, 1, 32, 3);
    dib.HeaderSize = headerSize;
    dib.Masks = {0xFF0000, 0xFF00, 0xFF};
    dib.Rows = {{1, 2, 3, 4, 5, 6, 7, 8}};
    TPVBitmap bitmap;
    ASSERT_EQ(Load(dib.Bytes(), bitmap), 32) << headerSize;
    EXPECT_EQ(RgbAt(bitmap, 0, 0), (TPVRGB{1, 2, 3})) << headerSize;
    EXPECT_EQ(RgbAt(bitmap, 1, 0), (TPVRGB{5, 6, 7})) << headerSize;
  }
}

TEST(LoadBitmapFromDIB, RunLengthCodesReadPlainRows) {
  DibBlock dib(3, 1, 8, 1);
  dib.ColorsUsed = 3;
  dib.Table = {0x000001, 0x000002, 0x000003};
  dib.Rows = {{2, 1, 0}};
  TPVBitmap bitmap;
  ASSERT_EQ(Load(dib.Bytes(), bitmap), 8);
  EXPECT_EQ(RgbAt(bitmap, 0, 0).b, 3);
  EXPECT_EQ(RgbAt(bitmap, 2, 0).b, 1);
}

TEST(LoadBitmapFromDIB, BitsReplaceThePixelData) {
  DibBlock dib(2, 2, 24);
  dib.Rows = {{1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}};
  const std::vector<uint8_t> block = dib.Bytes();
  const std::vector<uint8_t> header(block.begin(), block.begin() + 40);
  std::vector<uint8_t> bits(16, 0);
  bits[8] = 77;  // the second stored row: the top row
  TPVBitmap bitmap;
  ASSERT_EQ(LoadBitmapFromDIB(header.data(), 40, bitmap, bits.data(), 16), 24);
  EXPECT_EQ(RgbAt(bitmap, 0, 0).b, 77);
  EXPECT_EQ(RgbAt(bitmap, 0, 1).b, 0);
}

TEST(LoadBitmapFromDIB, ReadsAGlobalMemoryBlockAndUnlocksIt) {
  DibBlock dib(1, 1, 24);
  dib.Rows = {{9, 8, 7}};
  const std::vector<uint8_t> bytes = dib.Bytes();
  platform::TGlobalMemory block(static_cast<int64_t>(bytes.size()));
  std::memcpy(block.Lock(), bytes.data(), bytes.size());
  block.Unlock();
  TPVBitmap bitmap;
  ASSERT_EQ(LoadBitmapFromDIB(block, bitmap), 24);
  EXPECT_EQ(RgbAt(bitmap, 0, 0), (TPVRGB{9, 8, 7}));
  EXPECT_EQ(block.GetLockCount(), 0);
  platform::TGlobalMemory none;
  EXPECT_EQ(LoadBitmapFromDIB(none, bitmap), 0);
  EXPECT_TRUE(bitmap.IsEmpty());
}

// What is not converted is allocated and black; a top-down DIB gives an empty bitmap.
TEST(LoadBitmapFromDIB, LeavesWhatItDoesNotConvertBlack) {
  struct Case {
    const char* Name;
    uint16_t BitCount;
    uint32_t Compression;
  };
  const Case cases[] = {
      {"2 bits", 2, 0},
      {"24 bits run-length", 24, 1},
      {"unknown FourCC", 16, MakeFourCC("ABCD")},
      {"YUV without a frame", 16, MakeFourCC("YUY2")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TPVBitmap bitmap;
    bitmap.Allocator = pvmaHeap;
    // Leave stale bytes where the next block of this size is likely to come from.
    {
      TPVBitmap stale(4, 3, pv24RGB);
      stale.Fill(0xFFFFFF);
    }
    DibBlock dib(4, 3, c.BitCount, c.Compression);
    ASSERT_EQ(Load(dib.Bytes(), bitmap), c.BitCount);
    ASSERT_EQ(bitmap.GetPixelFormat(), pv24RGB);
    ASSERT_EQ(bitmap.GetWidth(), 4);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x) ASSERT_EQ(RgbAt(bitmap, x, y), (TPVRGB{0, 0, 0}));
  }
  DibBlock topDown(4, -3, 24);
  TPVBitmap bitmap(2, 2, pv8g);
  EXPECT_EQ(Load(topDown.Bytes(), bitmap), 24);
  EXPECT_TRUE(bitmap.IsEmpty());
}

// ---- Refusals ----

struct RefusalCase {
  const char* Name;
  std::function<std::vector<uint8_t>()> Block;
};

TEST(LoadBitmapFromDIB, RefusesBlocksShorterThanWhatTheyDeclare) {
  auto rows24 = [] {
    DibBlock dib(3, 2, 24);
    dib.Rows = {{}, {}};
    return dib;
  };
  const RefusalCase cases[] = {
      {"shorter than a header", [] { return std::vector<uint8_t>(39, 0); }},
      {"a header longer than the block",
       [] {
         DibBlock dib(1, 1, 24);
         dib.HeaderSize = 124;
         std::vector<uint8_t> bytes = dib.Bytes();
         bytes.resize(100);
         return bytes;
       }},
      {"a header shorter than 40 bytes",
       [rows24] {
         std::vector<uint8_t> bytes = rows24().Bytes();
         bytes[0] = 12;
         return bytes;
       }},
      {"rows one byte short",
       [rows24] {
         std::vector<uint8_t> bytes = rows24().Bytes();
         bytes.pop_back();
         return bytes;
       }},
      {"more than 256 colours",
       [] {
         DibBlock dib(1, 1, 8);
         dib.ColorsUsed = 257;
         dib.Table.assign(257, 0);
         dib.Rows = {{0}};
         return dib.Bytes();
       }},
      {"a table past the block",
       [] {
         DibBlock dib(1, 1, 8);
         dib.Table.assign(200, 0);  // 256 are declared
         return dib.Bytes();
       }},
      {"masks past the block",
       [] {
         DibBlock dib(1, 1, 16, 3);
         return dib.Bytes();
       }},
      {"a 16-bit mask of width 0",
       [] {
         DibBlock dib(1, 1, 16, 3);
         dib.Masks = {0xF800, 0, 0x1F};
         dib.Rows = {{0xFF, 0xFF}};
         return dib.Bytes();
       }},
      {"a width whose rows cannot exist",
       [] {
         DibBlock dib(INT32_MAX, INT32_MAX, 32);
         return dib.Bytes();
       }},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::vector<uint8_t> block = c.Block();
    TPVBitmap bitmap(3, 3, pv24RGB);
    EXPECT_EQ(Load(block, bitmap), 0);
    EXPECT_TRUE(bitmap.IsEmpty());
  }
  DibBlock exact = rows24();
  TPVBitmap bitmap;
  EXPECT_EQ(Load(exact.Bytes(), bitmap), 24) << "rows that just fit load";
}

TEST(LoadBitmapFromDIB, RefusesPixelDataAndFramesShorterThanTheImage) {
  DibBlock dib(4, 2, 24);
  const std::vector<uint8_t> header = dib.Bytes();
  const std::vector<uint8_t> bits(24, 0);
  TPVBitmap bitmap;
  EXPECT_EQ(LoadBitmapFromDIB(header.data(), 40, bitmap, bits.data(), 23), 0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(LoadBitmapFromDIB(header.data(), 40, bitmap, bits.data(), 24), 24);

  DibBlock yuv(4, 2, 16, MakeFourCC("YUY2"));
  const std::vector<uint8_t> yuvHeader = yuv.Bytes();
  const std::vector<uint8_t> frame(16, 128);
  EXPECT_EQ(LoadBitmapFromDIB(yuvHeader.data(), 40, bitmap, frame.data(), 15), 0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(LoadBitmapFromDIB(yuvHeader.data(), 40, bitmap, frame.data(), 16), 16);
  EXPECT_FALSE(bitmap.IsEmpty());
}

// ---- Storage ----

TEST(LoadBitmapFromDIB, LoadsIntoEveryStorage) {
  test::TempFolderScope temp;
  DibBlock dib(7, 5, 8);
  for (uint32_t i = 0; i < 256; ++i) dib.Table.push_back(i * 0x010203);
  for (int32_t y = 0; y < 5; ++y) {
    std::vector<uint8_t> row;
    for (int32_t x = 0; x < 7; ++x) row.push_back(static_cast<uint8_t>(y * 7 + x));
    dib.Rows.push_back(row);
  }
  for (const test::Storage storage :
       {test::Storage::MemoryBlock, test::Storage::File, test::Storage::Device}) {
    SCOPED_TRACE(test::StorageName(storage));
    TPVBitmap bitmap;
    test::Prepare(bitmap, storage);
    ASSERT_EQ(Load(dib.Bytes(), bitmap), 8);
    EXPECT_EQ(test::StorageOf(bitmap), storage);
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) {
        const uint32_t i = (4 - y) * 7 + x;
        ASSERT_EQ(RgbAt(bitmap, x, y),
                  (TPVRGB{static_cast<uint8_t>(3 * i), static_cast<uint8_t>(2 * i),
                          static_cast<uint8_t>(i)}));
      }
  }
}

}  // namespace
}  // namespace calmora
