// Channel reordering (against ImageMagick's channel swap) and histogram matching (against a
// direct model of the equalise-then-invert steps), in memory and file-stored.
#include "imaging/proc/filters/channel_tools.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/base/color_helpers.h"
#include "tests/imaging/proc/colors/color_tool_bitmaps.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FillRGB;
using test::NewBitmap;
using test::RGBAt;
using test::Storage;

class ChannelTools : public ::testing::TestWithParam<Storage> {
 protected:
  std::unique_ptr<TPVBitmap> Bitmap(int32_t width, int32_t height, TPVPixelFormat format) {
    return NewBitmap(GetParam(), width, height, format);
  }
  test::TempFolderScope folder_;
};

TEST_P(ChannelTools, ReorderTakesEachDestinationByteFromTheNamedChannel) {
  struct Case {
    const char* order;
    TPVRGB expected;  // from the pixel bytes 10, 20, 30
    bool valid;
  };
  const Case cases[] = {
      {"RGB", {30, 20, 10}, true},
      {"rgb", {30, 20, 10}, true},
      {"BGR", {10, 20, 30}, true},
      {"GRB", {20, 30, 10}, true},
      {"BBB", {10, 10, 10}, true},
      {"rGr", {30, 20, 30}, true},
      // Not three of B, G, R: nothing changes.
      {"RG", {10, 20, 30}, false},
      {"RGBA", {10, 20, 30}, false},
      {"RGX", {10, 20, 30}, false},
      {"", {10, 20, 30}, false},
  };
  for (const Case& c : cases) {
    auto bitmap = Bitmap(5, 4, pv24RGB);
    FillRGB(*bitmap, [](int32_t, int32_t) { return TPVRGB{10, 20, 30}; });
    std::vector<int> progress;
    ReorderChannels(*bitmap, c.order, nullptr,
                    [&](TObject*, int percent) { progress.push_back(percent); });
    EXPECT_EQ(RGBAt(*bitmap, 4, 3), c.expected) << c.order;
    // Trunc(y / 4 * 100) after each row y from 0.
    const std::vector<int> expected =
        c.valid ? std::vector<int>{0, 25, 50, 75} : std::vector<int>{};
    EXPECT_EQ(progress, expected) << c.order;
  }
}

TEST_P(ChannelTools, ReorderRGBEqualsImageMagicksChannelSwap) {
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder scratch("calmora-channels");
  const std::string in = scratch.File("in.ppm"), out = scratch.File("out.ppm");
  ASSERT_EQ(
      test::RunTool("convert -size 97x61 -seed 3 plasma:fractal -depth 8 " + test::ShellQuoted(in))
          .Status,
      0);
  ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(in) +
                          " -separate -swap 0,2 -combine -depth 8 " + test::ShellQuoted(out))
                .Status,
            0);
  auto bitmap = test::LoadStored(in, GetParam());
  auto swapped = test::LoadStored(out, Storage::MemoryBlock);
  ASSERT_EQ(bitmap->Format, pv24RGB);
  ReorderChannels(*bitmap, "RGB", nullptr, nullptr);
  for (int32_t y = 0; y < 61; ++y)
    for (int32_t x = 0; x < 97; ++x)
      ASSERT_EQ(RGBAt(*bitmap, x, y), RGBAt(*swapped, x, y)) << x << "," << y;
}

TEST_P(ChannelTools, ReorderLeavesOtherFormatsAlone) {
  auto grey = Bitmap(3, 3, pv8g);
  grey->Fill(5);
  int reports = 0;
  ReorderChannels(*grey, "RGB", nullptr, [&](TObject*, int) { ++reports; });
  EXPECT_EQ(reports, 0);
  EXPECT_EQ(grey->GetScanline(1)[1], 5);
}

// The steps as written: equalise each value by the target's cumulative histogram, then map
// it to the reference level whose cumulative share is nearest (the first of equals).
std::array<int, 256> ModelMap(const std::vector<int>& target, const std::vector<int>& reference) {
  std::array<double, 256> cdf{}, ref{};
  for (int v : target)
    for (int i = v; i < 256; ++i) cdf[i] += 1;
  for (int v : reference)
    for (int i = v; i < 256; ++i) ref[i] += 1;
  std::array<int, 256> map{};
  for (int v = 0; v < 256; ++v) {
    const int equalised = static_cast<int>(cdf[v] * (255.0 / static_cast<double>(target.size())));
    int best = 0;
    for (int j = 0; j < 256; ++j)
      if (std::abs(equalised - (255.0 / static_cast<double>(reference.size())) * ref[j]) <
          std::abs(equalised - (255.0 / static_cast<double>(reference.size())) * ref[best]))
        best = j;
    map[v] = best;
  }
  return map;
}

TPVRGB ReferenceColour(int32_t x, int32_t y) {
  return MakeRGB(static_cast<uint8_t>(200 + (x * y) % 50), static_cast<uint8_t>(x * 3),
                 static_cast<uint8_t>((x + y) % 7 * 30));
}
TPVRGB TargetColour(int32_t x, int32_t y) {
  return MakeRGB(static_cast<uint8_t>(x * 2 + y), static_cast<uint8_t>(100 + x % 9),
                 static_cast<uint8_t>(y * 11));
}

TEST_P(ChannelTools, MatchHistogramMapsEachChannel) {
  constexpr int32_t kW = 40, kH = 23;
  auto reference = Bitmap(31, 17, pv24RGB);
  FillRGB(*reference, ReferenceColour);
  std::array<std::vector<int>, 3> refLevels, targetLevels;  // blue, green, red
  for (int32_t y = 0; y < 17; ++y)
    for (int32_t x = 0; x < 31; ++x) {
      const TPVRGB c = ReferenceColour(x, y);
      refLevels[0].push_back(c.b), refLevels[1].push_back(c.g), refLevels[2].push_back(c.r);
    }
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const TPVRGB c = TargetColour(x, y);
      targetLevels[0].push_back(c.b), targetLevels[1].push_back(c.g),
          targetLevels[2].push_back(c.r);
    }
  std::array<std::array<int, 256>, 3> maps;
  for (int c = 0; c < 3; ++c) maps[c] = ModelMap(targetLevels[c], refLevels[c]);

  auto target = Bitmap(kW, kH, pv24RGB);
  FillRGB(*target, TargetColour);
  // The same levels in 16 bits, with low bytes that must not matter.
  auto wide = Bitmap(kW, kH, pvRGB48);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const TPVRGB c = TargetColour(x, y);
      const TPVRGB48 words{uint16_t(c.r * 256 + x), uint16_t(c.g * 256 + 255), uint16_t(c.b * 256)};
      std::memcpy(wide->GetScanline(y) + 6 * x, &words, 6);
    }
  MatchHistogram(*reference, *target);
  MatchHistogram(*reference, *wide);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) {
      const TPVRGB c = TargetColour(x, y);
      const TPVRGB expected =
          TPVRGB{uint8_t(maps[0][c.b]), uint8_t(maps[1][c.g]), uint8_t(maps[2][c.r])};
      ASSERT_EQ(RGBAt(*target, x, y), expected) << x << "," << y;
      TPVRGB48 words;
      std::memcpy(&words, wide->GetScanline(y) + 6 * x, 6);
      ASSERT_EQ(words, (TPVRGB48{uint16_t(expected.r * 257), uint16_t(expected.g * 257),
                                 uint16_t(expected.b * 257)}));
    }
}

TEST_P(ChannelTools, MatchHistogramNeedsATrueColourReference) {
  auto reference = Bitmap(4, 4, pv8g);
  reference->Fill(200);
  auto target = Bitmap(4, 4, pv24RGB);
  FillRGB(*target, TargetColour);
  MatchHistogram(*reference, *target);
  EXPECT_EQ(RGBAt(*target, 3, 3), TargetColour(3, 3));
  auto colourReference = Bitmap(4, 4, pv24RGB);
  FillRGB(*colourReference, ReferenceColour);
  auto grey = Bitmap(4, 4, pv8g);
  grey->Fill(9);
  MatchHistogram(*colourReference, *grey);
  EXPECT_EQ(grey->GetScanline(3)[3], 9);
  TPVBitmap empty;
  MatchHistogram(empty, *target);
  MatchHistogram(*colourReference, empty);
  EXPECT_EQ(RGBAt(*target, 3, 3), TargetColour(3, 3));
}

INSTANTIATE_TEST_SUITE_P(Storages, ChannelTools, test::kMemoryAndFile, test::StorageCaseName);

}  // namespace
}  // namespace calmora
