// PaintDIBToDibbitmap: the target's size and bit count, 1-bit colours matched to black and
// white, the other bit counts and video frames painted as the loader converts them, where
// the pixel data starts, and refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/proc/dib/dib_interchange.h"
#include "tests/imaging/proc/dib/dib_blocks.h"

namespace calmora {
namespace {

using test::DibBlock;

int32_t Paint(const std::vector<uint8_t>& dib, TPVDibbitmap& target) {
  return PaintDIBToDibbitmap(dib.data(), static_cast<int64_t>(dib.size()), target);
}

TEST(PaintDIBToDibbitmap, MatchesOneBitColoursToBlackAndWhite) {
  struct Case {
    uint32_t Clear, Set;  // the table's two colours
    uint8_t Expected;     // what the stored byte 0xC5 paints
  };
  const Case cases[] = {
      {0x000000, 0xFFFFFF, 0xC5},        {0xFFFFFF, 0x000000, 0x3A}, {0xFF0000, 0x0000FF, 0x00},
      {0x808080, 0x7F7F7F, 0xFF ^ 0xC5}, {0xC0C0C0, 0xF0F0F0, 0xFF},
  };
  for (const Case& c : cases) {
    DibBlock dib(8, 2, 1);
    dib.Table = {c.Clear, c.Set};
    dib.Rows = {{0xC5}, {0x00}};
    TPVDibbitmap target;
    ASSERT_EQ(Paint(dib.Bytes(), target), 1);
    ASSERT_EQ(target.BitCount, 1);
    ASSERT_EQ(target.Width, 8);
    EXPECT_EQ(target.GetScanline(1)[0], c.Expected) << std::hex << c.Clear << " " << c.Set;
  }
}

TEST(PaintDIBToDibbitmap, PaintsOtherBitCountsAsTheLoaderConvertsThem) {
  std::vector<DibBlock> dibs;
  DibBlock eight(5, 3, 8);
  eight.ColorsUsed = 7;
  for (uint32_t i = 0; i < 7; ++i) eight.Table.push_back(i * 0x203040 + 0x010203);
  eight.Rows = {{0, 1, 2, 3, 9}, {4, 5, 6, 0, 1}, {2, 3, 4, 5, 6}};
  dibs.push_back(eight);
  DibBlock sixteen(3, 2, 16, 3);
  sixteen.Masks = {0xF800, 0x07E0, 0x001F};
  sixteen.Rows = {{0x12, 0x34, 0xFF, 0xFF, 0x00, 0x80}, {0x55, 0xAA, 0x0F, 0xF0, 0x81, 0x18}};
  dibs.push_back(sixteen);
  DibBlock thirtyTwo(2, 2, 32);
  thirtyTwo.Rows = {{1, 2, 3, 4, 5, 6, 7, 8}, {9, 10, 11, 12, 13, 14, 15, 16}};
  dibs.push_back(thirtyTwo);
  for (const DibBlock& dib : dibs) {
    SCOPED_TRACE(dib.BitCount);
    const std::vector<uint8_t> bytes = dib.Bytes();
    TPVDibbitmap target;
    ASSERT_EQ(Paint(bytes, target), dib.BitCount);
    ASSERT_EQ(target.BitCount, 24);
    TPVBitmap loaded;
    ASSERT_EQ(LoadBitmapFromDIB(bytes.data(), static_cast<int64_t>(bytes.size()), loaded),
              dib.BitCount);
    for (int32_t y = 0; y < dib.Height; ++y)
      EXPECT_EQ(0, std::memcmp(target.GetScanline(y), loaded.GetScanline(y), 3 * dib.Width)) << y;
  }
}

TEST(PaintDIBToDibbitmap, PaintsVideoFramesGivenAsBits) {
  const std::vector<uint8_t> header = DibBlock(4, 1, 16, MakeFourCC("UYVY")).Bytes();
  const std::vector<uint8_t> frame = {128, 16, 128, 235, 128, 235, 128, 16};
  TPVDibbitmap target;
  ASSERT_EQ(PaintDIBToDibbitmap(header.data(), 40, target, frame.data(), 8), 16);
  ASSERT_EQ(target.BitCount, 24);
  const uint8_t* row = target.GetScanline(0);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 12),
            (std::vector<uint8_t>{0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0}));
  EXPECT_EQ(PaintDIBToDibbitmap(header.data(), 40, target, frame.data(), 7), 0);
  EXPECT_EQ(target.Bits, nullptr) << "a frame too short empties the target";
}

TEST(PaintDIBToDibbitmap, ThirtyTwoBitsWithARunLengthCodeHaveNoDataStart) {
  DibBlock dib(2, 1, 32, 1);
  dib.Rows = {{1, 2, 3, 4, 5, 6, 7, 8}};
  const std::vector<uint8_t> bytes = dib.Bytes();
  TPVDibbitmap target;
  ASSERT_EQ(Paint(bytes, target), 32);
  ASSERT_EQ(target.BitCount, 24);
  EXPECT_EQ(target.GetScanline(0)[0], 0) << "sized, not painted";
  ASSERT_EQ(PaintDIBToDibbitmap(bytes.data(), 40, target, bytes.data() + 40, 8), 32);
  EXPECT_EQ(target.GetScanline(0)[3], 5) << "given bits are painted";
}

TEST(PaintDIBToDibbitmap, OtherBitCountsLeaveTheTargetAndBadBlocksEmptyIt) {
  TPVDibbitmap target;
  ASSERT_TRUE(target.AllocateBits(3, 3, 24));
  DibBlock twoBits(4, 4, 2);
  EXPECT_EQ(Paint(twoBits.Bytes(), target), 2);
  EXPECT_EQ(target.Width, 3) << "not drawn, not sized";

  DibBlock topDown(4, -4, 24);
  EXPECT_EQ(Paint(topDown.Bytes(), target), 24);
  EXPECT_EQ(target.Bits, nullptr);

  ASSERT_TRUE(target.AllocateBits(3, 3, 24));
  DibBlock shortRows(4, 4, 24);
  shortRows.Rows = {{}, {}, {}};
  EXPECT_EQ(Paint(shortRows.Bytes(), target), 0);
  EXPECT_EQ(target.Bits, nullptr);
  EXPECT_EQ(target.Width, 0);

  DibBlock rows(1, 1, 24);
  rows.Rows = {{7, 8, 9}};
  const std::vector<uint8_t> bytes = rows.Bytes();
  platform::TGlobalMemory block(static_cast<int64_t>(bytes.size()));
  std::memcpy(block.Lock(), bytes.data(), bytes.size());
  block.Unlock();
  EXPECT_EQ(PaintDIBToDibbitmap(block, target), 24);
  EXPECT_EQ(target.GetScanline(0)[2], 9);
  EXPECT_EQ(block.GetLockCount(), 0);
}

}  // namespace
}  // namespace calmora
