// What a render shows: nearest-neighbour enlargement against ImageMagick's -sample, row reuse
// (also at an offset inside a larger target, against -sample composed there),
// every format at 1:1 against GetPixelAsRGB, and the named values of transparency, alpha,
// grey windows, channel shifts, display contrast, palettes and the fourth byte of pv32RGB.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/core/render/render_model.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"

namespace calmora {
namespace {

using test::RenderCall;

class RenderPixels : public ::testing::Test {
 protected:
  test::TempFolderScope temp_;
};

// A whole-bitmap render of source into target.
RenderCall Whole(const TPVBitmap& source, const TPVBitmap& target) {
  RenderCall call;
  call.TargetWidth = target.Width;
  call.TargetHeight = target.Height;
  call.SourceWidth = source.Width;
  call.SourceHeight = source.Height;
  return call;
}

std::unique_ptr<TPVBitmap> Filled(int32_t width, int32_t height, TPVPixelFormat format,
                                  TPVRGB color) {
  auto bitmap = test::MakeBitmap(test::Storage::MemoryBlock, width, height, format);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) bitmap->SetPixel24(x, y, color);
  return bitmap;
}

TEST_F(RenderPixels, EnlargementEqualsImageMagickSample) {
  CALMORA_REQUIRE_TOOL("convert");
  CALMORA_REQUIRE_TOOL("compare");
  test::ScratchFolder folder("calmora-render");
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 100, 100, pv24RGB);
  test::FillRandom(*source, 7);
  ASSERT_TRUE(test::SavePNM(*source, folder.File("source.ppm")));
  for (const int32_t size : {200, 400}) {
    SCOPED_TRACE(size);
    auto target = test::MakeBitmap(test::Storage::MemoryBlock, size, size, pv24RGB);
    test::Render(*source, *target, Whole(*source, *target));
    const std::string ours = folder.File("ours.ppm"), theirs = folder.File("theirs.ppm");
    ASSERT_TRUE(test::SavePNM(*target, ours));
    const std::string geometry = std::to_string(size) + "x" + std::to_string(size);
    ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(folder.File("source.ppm")) +
                            " -sample " + geometry + " " + test::ShellQuoted(theirs))
                  .Status,
              0);
    const test::ToolResult compared = test::RunTool(
        "compare -metric AE " + test::ShellQuoted(ours) + " " + test::ShellQuoted(theirs) +
        " null: 2>&1");
    EXPECT_EQ(compared.Output, "0");
  }
}

TEST_F(RenderPixels, RowReuseCopiesTheRowAboveWhereTheSourceRowRepeats) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 100, 100, pv24RGB);
  test::FillRandom(*source, 8);
  auto plain = test::MakeBitmap(test::Storage::MemoryBlock, 200, 200, pv24RGB);
  auto reused = test::MakeBitmap(test::Storage::MemoryBlock, 200, 200, pv24RGB);
  RenderCall call = Whole(*source, *plain);
  test::Render(*source, *plain, call);
  call.RowReuse = true;
  test::Render(*source, *reused, call);
  const test::RGBImage image = test::ImageOf(*reused);
  for (int32_t y = 1; y < 200; y += 2) ASSERT_EQ(image[y], image[y - 1]) << "row " << y;
  EXPECT_TRUE(test::SameImage(test::ImageOf(*plain), image));
  for (int32_t x = 0; x < 200; ++x)
    ASSERT_EQ(image[0][x], source->GetPixel24(x / 2, 0)) << "a 2 x 2 block per source pixel";
}

// A render placed inside a larger target, or running off its right and bottom edges, with row
// reuse: the painted rectangle is ImageMagick's -sample of the source composed at the
// render's place, and every pixel outside it is the target's own.
TEST_F(RenderPixels, RowReuseAtAnOffsetEqualsImageMagickSampleComposedThere) {
  CALMORA_REQUIRE_TOOL("convert");
  CALMORA_REQUIRE_TOOL("compare");
  struct Case {
    int32_t SourceWidth, SourceHeight, RenderWidth, RenderHeight, TargetWidth, TargetHeight;
  };
  // Scales of 2 and 4 only: -sample and the render's maps agree exactly there.
  const Case cases[] = {
      {40, 30, 80, 60, 200, 150},     // inside, with target columns on both sides
      {50, 40, 200, 160, 180, 150},   // past the right and bottom edges
      {60, 20, 60, 80, 120, 140},     // rows repeated, columns 1:1
      {30, 30, 120, 60, 150, 100},    // four target columns and two rows per source pixel
  };
  test::ScratchFolder folder("calmora-render-reuse");
  uint32_t seed = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.SourceWidth << "x" << c.SourceHeight << " as "
                                      << c.RenderWidth << "x" << c.RenderHeight << " into "
                                      << c.TargetWidth << "x" << c.TargetHeight);
    auto source = test::MakeBitmap(test::Storage::MemoryBlock, c.SourceWidth, c.SourceHeight,
                                   pv24RGB);
    test::FillRandom(*source, ++seed);
    auto target = test::MakeBitmap(test::Storage::MemoryBlock, c.TargetWidth, c.TargetHeight,
                                   pv24RGB);
    test::FillRandom(*target, ++seed);
    const std::string sourceFile = folder.File("source.ppm"), before = folder.File("before.ppm");
    const std::string ours = folder.File("ours.ppm"), theirs = folder.File("theirs.ppm");
    ASSERT_TRUE(test::SavePNM(*source, sourceFile));
    ASSERT_TRUE(test::SavePNM(*target, before));

    RenderCall call;
    call.TargetX = 20, call.TargetY = 30;
    call.TargetWidth = c.RenderWidth, call.TargetHeight = c.RenderHeight;
    call.SourceWidth = c.SourceWidth, call.SourceHeight = c.SourceHeight;
    call.RowReuse = true;
    test::Render(*source, *target, call);
    ASSERT_TRUE(test::SavePNM(*target, ours));

    const std::string geometry =
        std::to_string(c.RenderWidth) + "x" + std::to_string(c.RenderHeight) + "!";
    ASSERT_EQ(test::RunTool("convert " + test::ShellQuoted(before) + " \\( " +
                            test::ShellQuoted(sourceFile) + " -sample " + geometry +
                            " \\) -geometry +20+30 -composite " + test::ShellQuoted(theirs))
                  .Status,
              0);
    const test::ToolResult compared = test::RunTool(
        "compare -metric AE " + test::ShellQuoted(ours) + " " + test::ShellQuoted(theirs) +
        " null: 2>&1");
    EXPECT_EQ(compared.Output, "0");
  }
}

// Random pixels for every format; pv8p with a random palette.
void FillAnyFormat(TPVBitmap& bitmap, uint32_t seed) {
  test::FillRandom(bitmap, seed);
  std::mt19937 random(seed);
  if (bitmap.Format == pv8p)
    for (int32_t i = 0; i < 256; ++i)
      bitmap.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(random()),
                                       static_cast<uint8_t>(random()),
                                       static_cast<uint8_t>(random())});
}

class RenderEveryFormat
    : public ::testing::TestWithParam<std::tuple<TPVPixelFormat, test::Storage>> {
 protected:
  test::TempFolderScope temp_;
};

TEST_P(RenderEveryFormat, OneToOneWithDefaultSettingsShowsGetPixelAsRGB) {
  const auto [format, storage] = GetParam();
  auto source = test::MakeBitmap(storage, 37, 23, format);
  FillAnyFormat(*source, 11);
  for (const int32_t transparency : {255, 254}) {  // the opaque and the blended renderer
    SCOPED_TRACE(transparency);
    auto target = test::MakeBitmap(storage, 37, 23, pv24RGB);
    target->Fill(0);
    RenderCall call = Whole(*source, *target);
    call.Transparency = transparency;
    test::Render(*source, *target, call);
    for (int32_t y = 0; y < 23; ++y)
      for (int32_t x = 0; x < 37; ++x) {
        TPVRGB expected = source->GetPixelAsRGB(x, y);
        if (transparency == 254)  // over black: v x 254 / 256, rounded down
          expected = TPVRGB{static_cast<uint8_t>(expected.b * 254 / 256),
                            static_cast<uint8_t>(expected.g * 254 / 256),
                            static_cast<uint8_t>(expected.r * 254 / 256)};
        ASSERT_EQ(target->GetPixel24(x, y), expected) << "pixel (" << x << ", " << y << ")";
      }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RenderEveryFormat,
    ::testing::Combine(::testing::ValuesIn(test::kAllFormats),
                       ::testing::ValuesIn(test::kMemoryAndFile)),
    [](const auto& format) {
      return std::to_string(int{std::get<0>(format.param)}) +
             test::StorageName(std::get<1>(format.param));
    });

TEST_F(RenderPixels, ANegativeTargetXAtOneToOneSkipsTheSourceColumnsBeforeIt) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 30, 3, pv24RGB);
  test::FillRandom(*source, 3);
  auto target = Filled(30, 3, pv24RGB, TPVRGB{1, 2, 3});
  RenderCall call = Whole(*source, *target);
  call.TargetX = -10;
  test::Render(*source, *target, call);
  const TPVRGB untouched{1, 2, 3};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 30; ++x)
      ASSERT_EQ(target->GetPixel24(x, y), x < 20 ? source->GetPixel24(x + 10, y) : untouched)
          << x;
}

TEST_F(RenderPixels, TransparencyAndAlphaMoveTheTargetPartWay) {
  auto white = Filled(4, 4, pv24RGB, TPVRGB{255, 255, 255});
  struct Case {
    const char* Name;
    int32_t Transparency;
    int32_t AlphaByte;  // -1: no alpha plane
    uint8_t Expected;   // over black
  };
  const Case cases[] = {
      {"half transparency", 128, -1, 127}, {"almost opaque", 254, -1, 253},
      {"transparent", 0, -1, 0},           {"alpha 0", 255, 0, 0},
      {"alpha 255 stops one short", 255, 255, 254}, {"the smaller of the two", 100, 200, 99},
      {"opaque without alpha", 255, -1, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.AlphaByte >= 0) {
      TPVBitmap* plane = white->GetAlphaChannel();
      plane->FillRect(0, 0, 3, 3, c.AlphaByte);
      plane->Opaque = false;
    } else {
      white->RemoveAlphaChannel(false, 0);
    }
    auto target = Filled(4, 4, pv24RGB, TPVRGB{0, 0, 0});
    RenderCall call = Whole(*white, *target);
    call.Transparency = c.Transparency;
    call.UseAlpha = true;
    test::Render(*white, *target, call);
    EXPECT_EQ(target->GetPixel24(2, 2), (TPVRGB{c.Expected, c.Expected, c.Expected}));
  }
}

TEST_F(RenderPixels, AnOpaqueAlphaPlaneOrUseAlphaOffIsNotRead) {
  auto white = Filled(4, 4, pv24RGB, TPVRGB{255, 255, 255});
  TPVBitmap* plane = white->GetAlphaChannel();
  plane->FillRect(0, 0, 3, 3, 0);
  for (const bool opaqueFlag : {true, false}) {
    plane->Opaque = opaqueFlag;
    auto target = Filled(4, 4, pv24RGB, TPVRGB{0, 0, 0});
    RenderCall call = Whole(*white, *target);
    call.UseAlpha = opaqueFlag;  // Opaque set, or the plane not asked for
    test::Render(*white, *target, call);
    EXPECT_EQ(target->GetPixel24(1, 1), (TPVRGB{255, 255, 255}));
  }
}

TEST_F(RenderPixels, GreyFormatsShowTheirBlackWhiteWindow) {
  struct Case {
    TPVPixelFormat Format;
    double Sample;
    uint8_t Expected;
  };
  // BlackLevel 100, WhiteLevel 200, in the units of each format.
  const Case cases[] = {{pv8g, 99, 0},        {pv8g, 100, 0},       {pv8g, 150, 127},
                        {pv8g, 200, 255},     {pv8g, 230, 255},     {pv16g, 90, 0},
                        {pv16g, 150, 127},    {pv16g, 60000, 255},  {pv32f, 99.5, 0},
                        {pv32f, 150, 127},    {pv32f, 175.5, 192},  {pv32f, 201, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(int{c.Format}) + " " + std::to_string(c.Sample));
    auto source = test::MakeBitmap(test::Storage::MemoryBlock, 1, 1, c.Format);
    if (c.Format == pv8g) source->SetPixel8(0, 0, static_cast<uint8_t>(c.Sample));
    if (c.Format == pv16g) source->SetPixel16(0, 0, static_cast<uint16_t>(c.Sample));
    if (c.Format == pv32f) source->SetPixelFloat(0, 0, static_cast<float>(c.Sample));
    source->BlackLevel = 100;
    source->WhiteLevel = 200;
    auto target = Filled(1, 1, pv24RGB, TPVRGB{9, 9, 9});
    test::Render(*source, *target, Whole(*source, *target));
    EXPECT_EQ(target->GetPixel24(0, 0), (TPVRGB{c.Expected, c.Expected, c.Expected}));
  }
}

TEST_F(RenderPixels, ChannelShiftsAndContrastChangeColourFormats) {
  struct Case {
    const char* Name;
    TPVPixelFormat Format;
    int32_t Contrast;
    bool ShiftEnabled;
    int32_t RedShift;
    TPVRGB Source;
    TPVRGB Expected;
  };
  const Case cases[] = {
      {"red raised by 10", pv24RGB, 0, true, 10, {20, 30, 40}, {20, 30, 50}},
      {"red raised by 10, clamped", pv24RGB, 0, true, 10, {20, 30, 250}, {20, 30, 255}},
      {"shifts count only when enabled", pv24RGB, 0, false, 10, {20, 30, 40}, {20, 30, 40}},
      {"contrast 10: 100 gives 72, 200 gives 255", pv24RGB, 10, false, 0, {100, 200, 128},
       {72, 255, 128}},
      {"contrast 10 on pv32RGB", pv32RGB, 10, false, 0, {100, 200, 128}, {72, 255, 128}},
      {"contrast -100 flattens to the middle", pv24RGB, -100, false, 0, {0, 255, 7},
       {128, 128, 128}},
      {"contrast 10 on pvRGB48", pvRGB48, 10, false, 0, {100, 200, 128}, {72, 255, 128}},
      {"pvRGB48 red raised by 10 words", pvRGB48, 0, true, 10, {0, 0, 0}, {0, 0, 0}},
      {"pvRGB48 red raised by 256 words", pvRGB48, 0, true, 256, {0, 0, 40}, {0, 0, 41}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    auto source = test::MakeBitmap(test::Storage::MemoryBlock, 1, 1, c.Format);
    if (c.Format == pvRGB48)
      source->SetPixel48(0, 0, TPVRGB48{static_cast<uint16_t>(c.Source.r * 256),
                                        static_cast<uint16_t>(c.Source.g * 256),
                                        static_cast<uint16_t>(c.Source.b * 256)});
    else
      std::memcpy(source->GetScanline(0), &c.Source, 3);
    source->DisplayContrast = c.Contrast;
    source->ChannelShiftEnabled = c.ShiftEnabled;
    source->ChannelShift[0] = c.RedShift;
    auto target = Filled(1, 1, pv24RGB, TPVRGB{9, 9, 9});
    test::Render(*source, *target, Whole(*source, *target));
    EXPECT_EQ(target->GetPixel24(0, 0), c.Expected);
  }
}

TEST_F(RenderPixels, APaletteBitmapWithoutPalettePaintsNothing) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 5, 5, pv8p);
  source->Palette.reset();
  source->PaletteLength = 0;
  auto target = Filled(5, 5, pv24RGB, TPVRGB{1, 2, 3});
  for (const int32_t transparency : {255, 100}) {
    RenderCall call = Whole(*source, *target);
    call.Transparency = transparency;
    test::Render(*source, *target, call);
    EXPECT_EQ(target->GetPixel24(2, 2), (TPVRGB{1, 2, 3}));
  }
}

TEST_F(RenderPixels, ThirtyTwoBitSourcesIgnoreTheFourthByte) {
  auto source = test::MakeBitmap(test::Storage::MemoryBlock, 2, 1, pv32RGB);
  const uint8_t bytes[] = {10, 20, 30, 0, 40, 50, 60, 255};
  std::memcpy(source->GetScanline(0), bytes, sizeof bytes);
  auto target = Filled(2, 1, pv24RGB, TPVRGB{1, 2, 3});
  test::Render(*source, *target, Whole(*source, *target));
  EXPECT_EQ(target->GetPixel24(0, 0), (TPVRGB{10, 20, 30}));
  EXPECT_EQ(target->GetPixel24(1, 0), (TPVRGB{40, 50, 60}));
}

TEST_F(RenderPixels, ABlendOperationCombinesWithTheTarget) {
  auto source = Filled(2, 2, pv24RGB, TPVRGB{100, 50, 200});
  auto target = Filled(2, 2, pv24RGB, TPVRGB{120, 40, 10});
  RenderCall call = Whole(*source, *target);
  call.Operation = pvboDarken;
  test::Render(*source, *target, call);
  EXPECT_EQ(target->GetPixel24(1, 1), (TPVRGB{100, 40, 10}));
  call.Operation = static_cast<TPVBlendOperation>(38);  // not an operation: the target stays
  test::Render(*source, *target, call);
  EXPECT_EQ(target->GetPixel24(1, 1), (TPVRGB{100, 40, 10}));
}

}  // namespace
}  // namespace calmora
