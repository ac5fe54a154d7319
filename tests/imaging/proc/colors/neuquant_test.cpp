// The network quantiser against an independent model of its learning and its search (the
// Python script beside this file), its sampling factors, and the nearest-neuron search
// against a brute-force search.
#include "imaging/proc/colors/neuquant.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
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

int32_t Distance(TPVRGB a, TPVRGB b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

TEST(NeuQuantSamplingFactor, FromQualityOrPixelCount) {
  struct Case {
    int32_t quality;
    int64_t pixels;
    int32_t factor;
  };
  const Case cases[] = {
      {100, 5000, 1},     {0, 5000, 30}, {50, 5000, 15}, {99, 5000, 1},
      {-1, 1000, 1},      {-1, 1999, 1}, {-1, 2000, 2},  {-1, 150000, 15},
      {-1, 12000000, 30}, {-1, 4096, 2}, {-5, 5000, 30}, {400, 5000, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NeuQuantSamplingFactor(c.quality, c.pixels), c.factor)
        << "quality " << c.quality << ", " << c.pixels << " pixels";
}

// A smooth image with a few sharp patches: many colours, uneven frequencies.
TPVRGB Scene(int32_t x, int32_t y) {
  if ((x / 9 + y / 7) % 5 == 0) return MakeRGB(230, static_cast<uint8_t>(40 + y), 20);
  return MakeRGB(static_cast<uint8_t>(x * 4), static_cast<uint8_t>(y * 5 + x),
                 static_cast<uint8_t>(200 - y * 2));
}

struct ModelCase {
  int32_t width, height, colours, quality;
};

class NeuQuantModel : public ::testing::TestWithParam<std::tuple<ModelCase, Storage>> {
 protected:
  test::TempFolderScope folder_;
};

TEST_P(NeuQuantModel, PaletteAndIndexesEqualTheModels) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const auto [c, storage] = GetParam();
  auto bitmap = NewBitmap(storage, c.width, c.height, pv24RGB);
  FillRGB(*bitmap, Scene);
  test::ScratchFolder scratch("calmora-neuquant");
  const std::string image = scratch.File("scene.ppm");
  ASSERT_TRUE(test::SavePNM(*bitmap, image));

  std::vector<TPVRGB> palette(static_cast<size_t>(c.colours), TPVRGB{1, 2, 3});
  auto state = NeuQuantCreate(*bitmap, palette.data(), c.quality, c.colours);

  const std::string script =
      std::string(CALMORA_TEST_SOURCE_DIR) + "/imaging/proc/colors/neuquant_model.py";
  const test::ToolResult model = test::RunTool(
      "/usr/bin/python3 " + test::ShellQuoted(script) + " " + test::ShellQuoted(image) + " " +
          std::to_string(c.colours) + " " + std::to_string(c.quality),
      false);
  ASSERT_EQ(model.Status, 0) << model.Output;
  std::istringstream lines(model.Output);
  for (int32_t i = 0; i < c.colours; ++i) {
    int b = -1, g = -1, r = -1;
    lines >> b >> g >> r;
    ASSERT_EQ(palette[i], MakeRGB(r, g, b)) << "entry " << i;
  }
  for (int32_t y = 0; y < c.height; ++y)
    for (int32_t x = 0; x < c.width; ++x) {
      int32_t expected = -1;
      lines >> expected;
      const TPVRGB color = RGBAt(*bitmap, x, y);
      const int32_t index = NeuQuantIndex(*state, color);
      ASSERT_EQ(index, expected) << x << "," << y;
    }
  ASSERT_FALSE(lines.fail());
}

// width * height * 3 of 499 x 8 is a multiple of 499, so the walk steps by 491; 15 x 10 has
// fewer pixels than one step; 64 x 48 samples one pixel in two.
const ModelCase kModelCases[] = {
    {64, 48, 256, -1}, {40, 30, 64, 50}, {499, 8, 32, -1}, {15, 10, 16, 100}, {30, 20, 5, 0},
};

std::string ModelCaseName(const ::testing::TestParamInfo<std::tuple<ModelCase, Storage>>& info) {
  const auto& [c, storage] = info.param;
  return std::to_string(c.width) + "x" + std::to_string(c.height) + "_N" +
         std::to_string(c.colours) + "_Q" + (c.quality < 0 ? "auto" : std::to_string(c.quality)) +
         "_" + test::StorageName(storage);
}

INSTANTIATE_TEST_SUITE_P(Cases, NeuQuantModel,
                         ::testing::Combine(::testing::ValuesIn(kModelCases), test::kMemoryAndFile),
                         ModelCaseName);

// Every colour's index names an entry at the smallest distance of all entries.
TEST(NeuQuantIndex, FindsANearestEntry) {
  TPVBitmap bitmap(97, 61, pv24RGB);
  FillRGB(bitmap, Scene);
  for (int32_t colours : {256, 64, 17}) {
    std::vector<TPVRGB> palette(static_cast<size_t>(colours));
    auto state = NeuQuantCreate(bitmap, palette.data(), -1, colours);
    uint32_t seed = 7;
    for (int i = 0; i < 20000; ++i) {
      seed = seed * 1664525u + 1013904223u;
      const TPVRGB color{static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed >> 16),
                         static_cast<uint8_t>(seed >> 24)};
      int32_t nearest = 1 << 30;
      for (const TPVRGB& entry : palette) nearest = std::min(nearest, Distance(entry, color));
      const int32_t index = NeuQuantIndex(*state, color);
      ASSERT_GE(index, 0);
      ASSERT_LT(index, colours);
      ASSERT_EQ(Distance(palette[index], color), nearest) << colours << " colours, sample " << i;
    }
  }
}

TEST(NeuQuantCreate, EmptyImagesAndNoNeurons) {
  TPVBitmap empty;
  std::vector<TPVRGB> palette(8);
  auto state = NeuQuantCreate(empty, palette.data(), -1, 8);
  // No learning: the starting ramp (i * 4096 / N, unbiased) stays.
  for (int i = 0; i < 8; ++i) {
    const auto level = static_cast<uint8_t>(((i * 4096 / 8) + 8) >> 4);
    EXPECT_EQ(palette[i], MakeRGB(level, level, level));
  }
  EXPECT_EQ(NeuQuantIndex(*state, MakeRGB(255, 255, 255)), 7);
  auto none = NeuQuantCreate(empty, nullptr, -1, 0);
  EXPECT_EQ(NeuQuantIndex(*none, MakeRGB(1, 2, 3)), 0);
  NeuQuantFree(none);
  EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace calmora
