// TPVDibbitmap and TPVWorkBitmap: formats, row order and length, header, copies, refusals,
// and blocks too large to be had at once.
#include "imaging/core/bitmap/dib_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/process_state.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

TEST(DibBitmap, StartsEmptyWithItsHeader) {
  TPVDibbitmap dib;
  EXPECT_EQ(dib.DataAccess, 0);
  EXPECT_EQ(dib.Header.bmiHeader.biSize, 40u);
  EXPECT_EQ(dib.Header.bmiHeader.biPlanes, 1);
  EXPECT_EQ(dib.Header.bmiHeader.biCompression, 0u);
  EXPECT_EQ(dib.Header.bmiColors[0], (platform::TRGBQuad{0, 0, 0, 0}));
  EXPECT_EQ(dib.Header.bmiColors[1], (platform::TRGBQuad{255, 255, 255, 0}));
  EXPECT_EQ(dib.GetScanline(0), nullptr);
  EXPECT_EQ(dib.GetPaletteLen(), 0);
  EXPECT_EQ(dib.GetPaletteColor(1), (TPVRGB{0, 0, 0}));
}

TEST(DibBitmap, AllocatesOneAndTwentyFourBitsByFormat) {
  TPVDibbitmap dib;
  EXPECT_FALSE(dib.Allocate(3, 2, pv8g));
  EXPECT_EQ(dib.Bits, nullptr);
  ASSERT_TRUE(dib.Allocate(3, 2, pv24RGB));
  EXPECT_EQ(dib.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(dib.GetRowLen(), 12);
  EXPECT_EQ(dib.GetScanline(0), dib.Bits + 12) << "row 0 is the last in memory";
  EXPECT_EQ(dib.GetScanline(1), dib.Bits);
  EXPECT_EQ(dib.Header.bmiHeader.biWidth, 3);
  EXPECT_EQ(dib.Header.bmiHeader.biHeight, 2);
  EXPECT_EQ(dib.Header.bmiHeader.biBitCount, 24);
  EXPECT_EQ(dib.Header.bmiHeader.biSizeImage, 24u);
  EXPECT_EQ(dib.Bits[23], 0) << "zero-initialised";
  ASSERT_TRUE(dib.Allocate(10, 1, pv1g));
  EXPECT_EQ(dib.GetPixelFormat(), pv1g);
  EXPECT_EQ(dib.GetRowLen(), 4);
}

TEST(DibBitmap, OtherBitCountsWorkWithoutAPixelFormat) {
  TPVDibbitmap dib;
  ASSERT_TRUE(dib.AllocateBits(5, 5, 8));
  EXPECT_EQ(dib.GetPixelFormat(), pvNoFormat);
  EXPECT_EQ(dib.GetRowLen(), 8);
  EXPECT_FALSE(dib.AllocateBits(0, 5, 8));
  EXPECT_FALSE(dib.AllocateBits(5, 5, 7));
  EXPECT_FALSE(dib.AllocateBits(INT32_MAX, 2, 32)) << "row too long";
  EXPECT_EQ(dib.Width, 5) << "a refused request keeps the bitmap";
  dib.FreeBits();
  EXPECT_EQ(dib.Bits, nullptr);
  EXPECT_EQ(dib.Width, 0);
  EXPECT_EQ(dib.BitCount, 0);
}

TEST(DibBitmap, AssignCopiesAnotherDib) {
  TPVDibbitmap source;
  ASSERT_TRUE(source.AllocateBits(4, 3, 24));
  for (int32_t i = 0; i < source.RowBytes * source.Height; ++i) source.Bits[i] = uint8_t(i * 3);
  TPVDibbitmap target;
  ASSERT_TRUE(target.Assign(&source));
  EXPECT_EQ(target.Width, 4);
  EXPECT_EQ(target.BitCount, 24);
  EXPECT_EQ(std::memcmp(target.Bits, source.Bits, 36), 0);
  TPVWorkBitmap other(2, 2, 8);
  EXPECT_TRUE(target.Assign(&other)) << "other classes are ignored";
  EXPECT_EQ(target.Width, 4);
}

// 2 GB of 8-bit pixels: the block must come as untouched zero pages (or be refused), not be
// claimed page by page while it is cleared.
TEST(DibBitmap, HugeBlocksCostMemoryOnlyWhereTheyAreUsed) {
  const int64_t before = test::ResidentBytes();
  TPVDibbitmap dib;
  if (!dib.AllocateBits(40000, 50000, 8)) {
    EXPECT_EQ(dib.Bits, nullptr);
    EXPECT_EQ(dib.Width, 0);
    return;
  }
  EXPECT_LT(test::ResidentBytes() - before, int64_t{64} << 20);
  const TPVDibbitmap& view = dib;
  dib.GetScanline(49999)[39999] = 7;
  EXPECT_EQ(view.GetScanline(49999)[39999], 7);
  EXPECT_EQ(view.GetScanline(0)[0], 0);
}

TEST(DibBitmap, BlocksThatCannotBeHadAreRefusedCleanly) {
  TPVDibbitmap dib;
  EXPECT_FALSE(dib.AllocateBits(1 << 20, 1 << 20, 8)) << "1 TiB fits no machine";
  ASSERT_TRUE(dib.Allocate(4, 4, pv24RGB));
  test::BlockLimitScope exhausted(bitmap_testing::SingleBlockLimit, 0);
  EXPECT_FALSE(dib.Allocate(4, 4, pv24RGB));
  EXPECT_EQ(dib.Bits, nullptr);
  EXPECT_EQ(dib.Width, 0);
  EXPECT_EQ(dib.GetScanline(0), nullptr);
}

TEST(WorkBitmap, KeepsItsBlockForTheSameSize) {
  TPVWorkBitmap work(5, 3, 24);
  ASSERT_NE(work.Bits, nullptr);
  EXPECT_EQ(work.RowBytes, 16);
  uint8_t* block = work.Bits;
  EXPECT_TRUE(work.Allocate(5, 3, 24));
  EXPECT_EQ(work.Bits, block);
  EXPECT_EQ(work.GetScanline(0), block + 32);
  EXPECT_EQ(work.GetScanline(2), block);
  EXPECT_EQ(work.GetScanline(3), nullptr);
  std::memset(work.Bits, 7, 48);  // the whole block is usable
  EXPECT_TRUE(work.Allocate(6, 3, 24));
  EXPECT_EQ(work.RowBytes, 20);
  EXPECT_FALSE(work.Allocate(INT32_MAX, 3, 24));
  EXPECT_EQ(work.Bits, nullptr);
  EXPECT_EQ(work.Width, 0) << "a failed allocation leaves an empty work bitmap";
  TPVWorkBitmap none(0, 3, 24);
  EXPECT_EQ(none.Bits, nullptr);
}

}  // namespace
}  // namespace calmora
