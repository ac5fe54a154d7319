// Device bitmap copies: the expansion table, CopyTBitmap and DuplicateTBitmap, and the 1-bit to
// 24-bit expansion with its progress reports.
#include "imaging/base/device_bitmap_copy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/device_bitmap.h"

namespace calmora {
namespace {

using platform::TBitmap;

void FillPattern(TBitmap& bitmap, int seed) {
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int i = 0; i < bitmap.GetRowLength(); ++i)
      bitmap.GetScanLine(y)[i] = static_cast<uint8_t>(y * 37 + i * 11 + seed);
}

TEST(ExpansionTable, HoldsEightPixelsPerByteMostSignificantBitFirst) {
  Build1BitExpansionTable();
  for (int b = 0; b < 256; ++b)
    for (int bit = 0; bit < 8; ++bit) {
      const uint8_t level = (b >> (7 - bit)) & 1 ? 255 : 0;
      ASSERT_EQ(OneBitExpansionTable[b][bit], (TPVRGB{level, level, level})) << b << " " << bit;
    }
}

TEST(CopyTBitmap, MakesTheTargetACopy) {
  TBitmap source;
  source.SetPixelFormat(platform::pf4bit);
  source.SetSize(9, 5);
  FillPattern(source, 3);
  const platform::TRGBQuad entry{1, 2, 3, 0};
  source.SetColorTable(7, 1, &entry);
  TBitmap target;
  target.SetPixelFormat(platform::pf24bit);
  target.SetSize(100, 2);
  ASSERT_TRUE(CopyTBitmap(source, target));
  EXPECT_EQ(target.GetPixelFormat(), platform::pf4bit);
  ASSERT_EQ(target.GetWidth(), 9);
  ASSERT_EQ(target.GetHeight(), 5);
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < source.GetRowLength(); ++i)
      ASSERT_EQ(target.GetScanLine(y)[i], source.GetScanLine(y)[i]);
  EXPECT_EQ(target.GetColorTableEntry(7), entry);

  TBitmap twoColour;
  twoColour.SetPixelFormat(platform::pf1bit);
  twoColour.SetSize(3, 3);
  twoColour.SetMonochrome(false);
  const platform::TRGBQuad red{0, 0, 255, 0};
  twoColour.SetColorTable(1, 1, &red);
  std::unique_ptr<TBitmap> copy = DuplicateTBitmap(twoColour);
  ASSERT_NE(copy, nullptr);
  EXPECT_FALSE(copy->GetMonochrome());
  EXPECT_EQ(copy->GetColorTableEntry(1), red);
  EXPECT_TRUE(CopyTBitmap(twoColour, twoColour)) << "a copy onto itself changes nothing";
  EXPECT_EQ(twoColour.GetWidth(), 3);
}

TEST(CopyTBitmap, AnEmptySourceLeavesAOneByOneTarget) {
  TBitmap source;
  source.SetPixelFormat(platform::pf32bit);
  source.SetSize(0, 7);
  TBitmap target;
  target.SetPixelFormat(platform::pf8bit);
  target.SetSize(5, 5);
  ASSERT_TRUE(CopyTBitmap(source, target));
  EXPECT_EQ(target.GetWidth(), 1);
  EXPECT_EQ(target.GetHeight(), 1);
  EXPECT_EQ(target.GetPixelFormat(), platform::pf32bit);
}

TEST(Expand1BitTBitmap, ShowsSetBitsWhiteWhateverTheTableSays) {
  Build1BitExpansionTable();
  for (int width = 1; width <= 19; ++width) {
    SCOPED_TRACE(width);
    TBitmap source;
    source.SetPixelFormat(platform::pf1bit);
    source.SetSize(width, 3);
    source.SetMonochrome(false);
    const platform::TRGBQuad inverted[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    source.SetColorTable(0, 2, inverted);
    FillPattern(source, width);
    TBitmap target;
    TPVProgressRecord progress;
    ASSERT_TRUE(Expand1BitTBitmap(source, target, progress));
    ASSERT_EQ(target.GetPixelFormat(), platform::pf24bit);
    ASSERT_EQ(target.GetWidth(), width);
    ASSERT_EQ(target.GetHeight(), 3);
    for (int y = 0; y < 3; ++y) {
      const uint8_t* bits = source.GetScanLine(y);
      const uint8_t* pixels = target.GetScanLine(y);
      for (int x = 0; x < width; ++x) {
        const uint8_t level = (bits[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
        for (int c = 0; c < 3; ++c) ASSERT_EQ(pixels[3 * x + c], level) << x << "," << y;
      }
      for (int i = 3 * width; i < target.GetRowLength(); ++i)
        ASSERT_EQ(pixels[i], 0) << "nothing past the width, byte " << i;
    }
  }
}

TEST(Expand1BitTBitmap, ReportsProgressAfterEachRow) {
  Build1BitExpansionTable();
  TBitmap source;
  source.SetPixelFormat(platform::pf1bit);
  source.SetSize(8, 7);
  TBitmap target;
  TObject sender;
  std::vector<int> reported;
  TPVProgressRecord progress;
  progress.Sender = &sender;
  progress.OnProgress = [&](TObject* from, int per) {
    EXPECT_EQ(from, &sender);
    reported.push_back(per);
  };
  ASSERT_TRUE(Expand1BitTBitmap(source, target, progress));
  EXPECT_DOUBLE_EQ(progress.Step, 100.0 / 7.5);
  ASSERT_EQ(reported.size(), 7u);
  for (int row = 1; row <= 7; ++row)
    EXPECT_EQ(reported[row - 1], static_cast<int>(std::trunc(100.0 / 7.5 * row)));
  EXPECT_EQ(reported.back(), 93) << "never 100: the step is taken over height + 0.5";
}

TEST(Expand1BitTBitmap, RefusesOtherSourcesAndExpandsItself) {
  Build1BitExpansionTable();
  TPVProgressRecord progress;
  TBitmap colour;
  colour.SetPixelFormat(platform::pf24bit);
  colour.SetSize(4, 4);
  TBitmap target;
  target.SetPixelFormat(platform::pf8bit);
  target.SetSize(2, 2);
  EXPECT_FALSE(Expand1BitTBitmap(colour, target, progress));
  EXPECT_EQ(target.GetPixelFormat(), platform::pf8bit);
  EXPECT_EQ(target.GetWidth(), 2);

  TBitmap self;
  self.SetPixelFormat(platform::pf1bit);
  self.SetSize(10, 1);
  self.GetScanLine(0)[0] = 0x80;
  ASSERT_TRUE(Expand1BitTBitmap(self, self, progress));
  EXPECT_EQ(self.GetPixelFormat(), platform::pf24bit);
  EXPECT_EQ(self.GetScanLine(0)[0], 255);
  EXPECT_EQ(self.GetScanLine(0)[3], 0);
}

}  // namespace
}  // namespace calmora
