// The box splitter: a plasma image reduced to 64 colours (checked with ImageMagick's colour
// count), exact boxes for a two-colour image, the boxes' bookkeeping, channels that tie for a
// split, and images wider than 65535 pixels.
#include "imaging/proc/colors/median_cut.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "imaging/proc/colors/color_reduction.h"
#include "imaging/proc/colors/quantizer.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FillRGB;
using test::NewBitmap;
using test::RGBAt;
using test::Storage;

class MedianCut : public ::testing::TestWithParam<Storage> {
 protected:
  test::TempFolderScope folder_;
  test::ScratchFolder scratch_{"calmora-median-cut"};
};

TEST_P(MedianCut, APlasmaImageKeepsAtMost64ColoursOnTheEightStepGrid) {
  CALMORA_REQUIRE_TOOL("convert");
  CALMORA_REQUIRE_TOOL("identify");
  const std::string plasma = scratch_.File("plasma.ppm");
  ASSERT_EQ(test::RunTool("convert -size 256x256 -seed 1 plasma:fractal -depth 8 " +
                          test::ShellQuoted(plasma))
                .Status,
            0);
  auto bitmap = test::LoadStored(plasma, GetParam());
  ASSERT_EQ(bitmap->Format, pv24RGB);
  std::vector<TPVRGB> palette(64);
  ReduceColors24(*bitmap, 64, palette.data(), nullptr, nullptr);  // 64 < 128: the box splitter
  std::set<int32_t> colours;
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) {
      const TPVRGB c = RGBAt(*bitmap, x, y);
      ASSERT_EQ(c.r % 8 + c.g % 8 + c.b % 8, 0) << x << "," << y;
      colours.insert(SwapRedBlue(c));
    }
  EXPECT_LE(colours.size(), 64u);
  EXPECT_GE(colours.size(), 32u);  // a plasma has colour enough to fill most boxes
  const std::string reduced = scratch_.File("reduced.ppm");
  ASSERT_TRUE(test::SavePNM(*bitmap, reduced));
  const test::ToolResult count =
      test::RunTool("identify -format %k " + test::ShellQuoted(reduced), false);
  ASSERT_EQ(count.Status, 0);
  EXPECT_EQ(std::stoul(count.Output), colours.size());
}

TEST_P(MedianCut, BoxesPartitionTheCellsAndCountEveryPixel) {
  auto bitmap = NewBitmap(GetParam(), 120, 90, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t y) {
    return MakeRGB(static_cast<uint8_t>(x * 2), static_cast<uint8_t>((x + y) % 256),
                   static_cast<uint8_t>(y * 3 % 256));
  });
  for (int32_t colours : {2, 16, 100, 256, 300}) {
    std::vector<TPVRGB> palette(static_cast<size_t>(colours));
    auto state = MedianCutCreate(*bitmap, palette.data(), colours);
    ASSERT_LE(state->BoxCount, std::min(colours, kMedianCutMaxBoxes));
    EXPECT_GT(state->BoxCount, 1);
    int64_t counted = 0;
    for (int32_t i = 0; i < state->BoxCount; ++i) counted += state->Boxes[i].Count;
    EXPECT_EQ(counted, 120 * 90);
    // Every pixel's box holds its cell, and that box's entry is its mean on the 8-step grid.
    for (int32_t y = 0; y < 90; y += 7)
      for (int32_t x = 0; x < 120; x += 5) {
        const TPVRGB c = RGBAt(*bitmap, x, y);
        const TMedianCutBox& box = state->Boxes[MedianCutIndex(*state, c)];
        const int32_t bins[3] = {c.r >> 3, c.g >> 3, c.b >> 3};
        for (int k = 0; k < 3; ++k) {
          EXPECT_GE(bins[k], box.Lower[k]);
          EXPECT_LT(bins[k], box.Upper[k]);
        }
      }
  }
}

TEST_P(MedianCut, TwoColoursMakeTwoBoxesAtTheirBins) {
  auto bitmap = NewBitmap(GetParam(), 10, 10, pv24RGB);
  FillRGB(*bitmap,
          [](int32_t x, int32_t) { return x < 3 ? MakeRGB(8, 16, 24) : MakeRGB(203, 100, 47); });
  std::vector<TPVRGB> palette(4, TPVRGB{1, 2, 3});
  auto state = MedianCutCreate(*bitmap, palette.data(), 4);
  ASSERT_EQ(state->BoxCount, 2);
  const std::set<int32_t> entries = {SwapRedBlue(palette[0]), SwapRedBlue(palette[1])};
  EXPECT_EQ(entries, (std::set<int32_t>{SwapRedBlue(MakeRGB(8, 16, 24)),
                                        SwapRedBlue(MakeRGB(200, 96, 40))}));
  EXPECT_EQ(palette[2], (TPVRGB{1, 2, 3}));
  EXPECT_EQ(palette[MedianCutIndex(*state, MakeRGB(8, 16, 24))], MakeRGB(8, 16, 24));
  EXPECT_EQ(palette[MedianCutIndex(*state, MakeRGB(207, 103, 40))], MakeRGB(200, 96, 40));
}

// Four (or eight) colours in equal numbers, their varying channels 0 or 255, the others 100:
// the varying channels split into halves of equal scores, and the first of them in the order
// red, green, blue takes the split. The other varying channel stays whole in both boxes
// (mean bin 15.5, which rounds to 16 and shows as 128).
TEST_P(MedianCut, ChannelsThatTieForTheSplitGiveItToTheFirstOfRedGreenBlue) {
  struct Case {
    const char* Name;
    bool Varies[3];  // red, green, blue
    int Split;       // the channel expected to take the split
  };
  const Case cases[] = {
      {"red and green", {true, true, false}, 0},
      {"green and blue", {false, true, true}, 1},
      {"red and blue", {true, false, true}, 0},
      {"all three", {true, true, true}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // Column x gives the n-th varying channel bit n of x: every combination equally often.
    const auto colour = [&c](int32_t x) {
      uint8_t v[3] = {100, 100, 100};
      int bit = 0;
      for (int k = 0; k < 3; ++k)
        if (c.Varies[k]) v[k] = (x >> bit++) & 1 ? 255 : 0;
      return MakeRGB(v[0], v[1], v[2]);
    };
    auto bitmap = NewBitmap(GetParam(), 8, 8, pv24RGB);
    FillRGB(*bitmap, [&](int32_t x, int32_t) { return colour(x); });
    std::vector<TPVRGB> palette(2);
    auto state = MedianCutCreate(*bitmap, palette.data(), 2);
    ASSERT_EQ(state->BoxCount, 2);
    for (int box = 0; box < 2; ++box) {
      uint8_t expected[3];
      for (int k = 0; k < 3; ++k)
        expected[k] = k == c.Split ? (box == 0 ? 0 : 248) : c.Varies[k] ? 128 : 96;
      EXPECT_EQ(palette[box], MakeRGB(expected[0], expected[1], expected[2])) << "box " << box;
    }
    for (int32_t x = 0; x < 8; ++x) {
      const TPVRGB shown = colour(x);
      const uint8_t channels[3] = {shown.r, shown.g, shown.b};
      EXPECT_EQ(MedianCutIndex(*state, shown), channels[c.Split] == 255 ? 1 : 0) << "x " << x;
    }
  }
}

// Width 70000 does not fit 16 bits (it would read as 4464): the red beyond column 66000 must
// still be counted and get a box of its own.
TEST_P(MedianCut, CountsEveryColumnOfAWideImage) {
  auto bitmap = NewBitmap(GetParam(), 70000, 2, pv24RGB);
  FillRGB(*bitmap, [](int32_t x, int32_t y) {
    if (x > 66000) return MakeRGB(255, 0, 0);
    return MakeRGB(0, static_cast<uint8_t>(x % 200), static_cast<uint8_t>(y * 100 + x % 50));
  });
  std::vector<TPVRGB> palette(16);
  test::ScopedOverride<int32_t> automatic(QuantizerAlgorithm, -1);
  const TPVQuantizer quantizer(*bitmap, palette.data(), 16);
  ASSERT_TRUE(quantizer.MedianCut());
  EXPECT_EQ(quantizer.MedianCut()->PixelCount, 140000);
  const int32_t red = quantizer.RGBIndex(MakeRGB(255, 0, 0));
  EXPECT_EQ(palette[red], MakeRGB(248, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(Storages, MedianCut, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
