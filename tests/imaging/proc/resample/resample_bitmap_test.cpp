// ResampleBitmap and the dispatch below it: which engine a format and filter reach, pamscale
// for 2 x 2 averages, equal sizes, the alpha plane with transparent pixels made grey, and
// refusals that leave the destination's bytes as they were; in memory and in the temporary
// file.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "imaging/proc/filters/fill_transparent.h"
#include "imaging/proc/resample/resample_engines.h"
#include "imaging/proc/resample/resample_kernels.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

class ResampleBitmapTest : public ::testing::TestWithParam<Storage> {
 protected:
  void Make(TPVBitmap& bitmap, const Plane& plane, TPVPixelFormat format) {
    MakeBitmap(bitmap, GetParam(), plane, format);
  }
  void Make(TPVBitmap& bitmap, int32_t w, int32_t h, TPVPixelFormat format) {
    MakeBitmap(bitmap, GetParam(), w, h, format);
  }
  // An alpha plane of the given levels, in the bitmap's storage.
  void AttachAlpha(TPVBitmap& bitmap, const Plane& levels) {
    auto plane = std::make_unique<TPVBitmap>();
    MakeBitmap(*plane, GetParam(), levels, pv8g);
    bitmap.AttachAlphaChannel(std::move(plane));
  }
  TempFolderScope temp_;
};

// 4 x 4 to 2 x 2 with rfBilinear and rfBicubic averages every 2 x 2 block, as pamscale
// -reduce 2 -linear does. Block sums of 2 mod 4 are avoided: pamscale rounds their halves up,
// the engines to even.
TEST_P(ResampleBitmapTest, HalvingEqualsPamscale) {
  CALMORA_REQUIRE_TOOL("pamscale");
  std::mt19937 random(3100);
  ScratchFolder folder;
  for (const TPVPixelFormat format : {pv24RGB, pv16g})
    for (int trial = 0; trial < 3; ++trial) {
      Plane source = RandomPlane(random, 4, 4, format);
      const int32_t limit = SampleLimit(format);
      for (int32_t block = 0; block < 4; ++block)
        for (int32_t c = 0; c < source.channels; ++c) {
          const int32_t bx = block % 2 * 2, by = block / 2 * 2;
          const int32_t sum = source.at(bx, by, c) + source.at(bx + 1, by, c) +
                              source.at(bx, by + 1, c) + source.at(bx + 1, by + 1, c);
          int32_t& first = source.at(bx, by, c);
          if (sum % 4 == 2) first += first < limit ? 1 : -1;
        }
      TPVBitmap from;
      Make(from, source, format);
      const std::string in = folder.File("in.pnm"), out = folder.File("out.pnm");
      ASSERT_TRUE(SavePNM(from, in));
      const ToolResult reduced = RunTool("pamscale -reduce 2 -linear -quiet " + ShellQuoted(in) +
                                         " > " + ShellQuoted(out));
      ASSERT_EQ(reduced.Status, 0) << reduced.Output;
      TPVBitmap expected;
      std::string error;
      ASSERT_TRUE(LoadPNM(out, expected, &error)) << error;
      for (const TResampleFilter filter : {rfBilinear, rfBicubic}) {
        TPVBitmap to;
        Make(to, 2, 2, format);
        ASSERT_TRUE(ResampleBitmap(from, to, filter, nullptr, nullptr));
        EXPECT_EQ(ReadPlane(to), ReadPlane(expected)) << int{format} << " filter " << int{filter};
      }
    }
}

// At equal sizes the filters that do not blur give the 8- and 16-bit images back.
TEST_P(ResampleBitmapTest, EqualSizesReproduceTheImage) {
  struct Case {
    TPVPixelFormat format;
    std::vector<TResampleFilter> filters;
  };
  const std::vector<TResampleFilter> eightBit = {rfNone,       rfTriangle, rfHermite,
                                                 rfLanczos3,   rfNearest,  rfLinear,
                                                 rfFastLinear, rfBilinear, rfBicubic};
  const Case cases[] = {{pv24RGB, eightBit},
                        {pv8g, eightBit},
                        {pv16g, {rfNone, rfBilinear, rfBicubic}},
                        {pvRGB48, {rfNone, rfBilinear, rfBicubic}}};
  std::mt19937 random(3101);
  for (const Case& c : cases) {
    const Plane source = RandomPlane(random, 9, 6, c.format);
    for (const TResampleFilter filter : c.filters) {
      TPVBitmap from, to;
      Make(from, source, c.format);
      Make(to, 9, 6, c.format);
      ASSERT_TRUE(ResampleBitmap(from, to, filter, nullptr, nullptr));
      EXPECT_EQ(ReadPlane(to), source) << "format " << int{c.format} << " filter " << int{filter};
    }
  }
}

// A pv1g source makes the destination grey pv24RGB, or pv1g for the projections.
TEST_P(ResampleBitmapTest, BitImagesGetTheFormatTheirEngineWrites) {
  std::mt19937 random(3102);
  const Plane source = RandomPlane(random, 12, 8, pv1g);
  struct Case {
    TResampleFilter filter;
    TPVPixelFormat written;
  };
  for (const Case c :
       {Case{rfTriangle, pv24RGB}, Case{rfLanczos3, pv24RGB}, Case{rfFastLinear, pv24RGB},
        Case{rfBicubic, pv24RGB}, Case{rfProjectBW, pv1g}, Case{rfProjectWB, pv1g}}) {
    TPVBitmap from, to;
    Make(from, source, pv1g);
    Make(to, 17, 5, pv8g);
    ASSERT_TRUE(ResampleBitmap(from, to, c.filter, nullptr, nullptr)) << int{c.filter};
    EXPECT_EQ(to.GetPixelFormat(), c.written) << int{c.filter};
    EXPECT_EQ(to.GetWidth(), 17);
    if (c.written != pv24RGB) continue;
    EXPECT_TRUE(to.IsGrayscale()) << int{c.filter};
    // The same as the engine it dispatches to, called directly.
    TPVBitmap direct;
    Make(direct, 17, 5, pv24RGB);
    ASSERT_TRUE(Resample1Bit(from, direct, c.filter));
    EXPECT_EQ(ReadPlane(to), ReadPlane(direct)) << int{c.filter};
  }
}

// Transparent pixels of a pv24RGB image become grey in the source itself, before resampling;
// the alpha plane is resampled along and gives its Opaque flag to the destination's.
TEST_P(ResampleBitmapTest, TransparentPixelsTurnGreyAndAlphaFollows) {
  std::mt19937 random(3103);
  Plane pixels = RandomPlane(random, 8, 5, pv24RGB);
  Plane levels = RandomPlane(random, 8, 5, pv8g);
  for (int32_t x = 0; x < 8; ++x) levels.at(x, x % 5) = 0;
  Plane grey = pixels;
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 8; ++x)
      if (levels.at(x, y) == 0)
        for (int32_t c = 0; c < 3; ++c) grey.at(x, y, c) = 128;
  ASSERT_NE(grey, pixels);

  for (const TResampleFilter filter : {rfNone, rfTriangle, rfFastLinear}) {
    TPVBitmap from, to;
    Make(from, pixels, pv24RGB);
    AttachAlpha(from, levels);
    Make(to, 8, 5, pv24RGB);
    ASSERT_TRUE(ResampleBitmap(from, to, filter, nullptr, nullptr));
    EXPECT_EQ(ReadPlane(from), grey) << "the source itself, filter " << int{filter};
    EXPECT_EQ(ReadPlane(to), grey) << int{filter};
    ASSERT_TRUE(to.HasAlphaChannel());
    EXPECT_EQ(ReadPlane(*to.AlphaBitmap), levels) << int{filter};
    EXPECT_FALSE(to.AlphaBitmap->Opaque);
  }

  // A reduction: the alpha plane goes through ResampleGray8 with the same filter.
  for (const bool opaque : {false, true}) {
    TPVBitmap from, to, expectedAlpha;
    Make(from, pixels, pv24RGB);
    AttachAlpha(from, levels);
    from.AlphaBitmap->Opaque = opaque;
    Make(to, 3, 2, pv24RGB);
    Make(expectedAlpha, 3, 2, pv8g);
    ASSERT_TRUE(ResampleGray8(*from.AlphaBitmap, expectedAlpha, rfMitchell));
    ASSERT_TRUE(ResampleBitmap(from, to, rfMitchell, nullptr, nullptr));
    ASSERT_TRUE(to.HasAlphaChannel());
    EXPECT_EQ(ReadPlane(*to.AlphaBitmap), ReadPlane(expectedAlpha));
    EXPECT_EQ(to.AlphaBitmap->Opaque, opaque);
  }
}

TEST_P(ResampleBitmapTest, FillTransparentPixelsLeavesOtherFormatsAlone) {
  std::mt19937 random(3104);
  Plane levels(4, 3, 1);  // all transparent
  for (const TPVPixelFormat format : {pv8g, pv32RGB, pvRGB48}) {
    const Plane pixels = RandomPlane(random, 4, 3, format);
    TPVBitmap bitmap;
    Make(bitmap, pixels, format);
    AttachAlpha(bitmap, levels);
    FillTransparentPixels(bitmap, TPVRGB{128, 128, 128});
    EXPECT_EQ(ReadPlane(bitmap), pixels) << int{format};
  }
  // No alpha plane: nothing changes and none is made.
  const Plane pixels = RandomPlane(random, 4, 3, pv24RGB);
  TPVBitmap bitmap;
  Make(bitmap, pixels, pv24RGB);
  FillTransparentPixels(bitmap, TPVRGB{1, 2, 3});
  EXPECT_EQ(ReadPlane(bitmap), pixels);
  EXPECT_FALSE(bitmap.HasAlphaChannel());
}

INSTANTIATE_TEST_SUITE_P(Storages, ResampleBitmapTest, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

// ---- Refusals ----

using Call = std::function<bool(TPVBitmap& source, TPVBitmap& destination)>;

struct Refusal {
  const char* what;
  TPVPixelFormat source;
  TPVPixelFormat destination;
  Call call;
};

Call Bitmap(TResampleFilter filter) {
  return [filter](TPVBitmap& s, TPVBitmap& d) {
    return ResampleBitmap(s, d, filter, nullptr, nullptr);
  };
}
Call Filtered(TResampleFilter filter) {
  return [filter](TPVBitmap& s, TPVBitmap& d) {
    return ResampleFiltered(s, d, filter, nullptr, nullptr);
  };
}

const Refusal kUnserved[] = {
    {"pv16g triangle", pv16g, pv16g, Bitmap(rfTriangle)},
    {"pvRGB48 lanczos", pvRGB48, pvRGB48, Bitmap(rfLanczos3)},
    {"pvRGB48 fast linear", pvRGB48, pvRGB48, Filtered(rfFastLinear)},
    {"pv32f bilinear", pv32f, pv32f, Bitmap(rfBilinear)},
    {"pvCMYK triangle", pvCMYK, pvCMYK, Filtered(rfTriangle)},
    {"pvCIELab fast linear", pvCIELab, pvCIELab, Bitmap(rfFastLinear)},
    {"pv32RGB bicubic", pv32RGB, pv32RGB, Bitmap(rfBicubic)},
    {"pv8p mitchell", pv8p, pv8p, Bitmap(rfMitchell)},
    {"pv24RGB none through the filters", pv24RGB, pv24RGB, Filtered(rfNone)},
    {"pv24RGB into pv8g", pv24RGB, pv8g, Bitmap(rfTriangle)},
    {"pv24RGB into pv8g, nearest", pv24RGB, pv8g, Bitmap(rfNone)},
    {"pv16g bicubic into pv8g", pv16g, pv8g, Filtered(rfBicubic)},
    {"pv1g, filter beyond the table", pv1g, pv8g, Bitmap(static_cast<TResampleFilter>(14))},
    {"pv24RGB, filter beyond the table", pv24RGB, pv24RGB,
     Bitmap(static_cast<TResampleFilter>(200))},
    {"pv1g kernel into pv8g", pv1g, pv8g,
     [](TPVBitmap& s, TPVBitmap& d) { return Resample1Bit(s, d, rfTriangle); }},
    {"pv24RGB through the grey engine", pv24RGB, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleGray8(s, d, rfTriangle); }},
    {"nearest between formats", pv8g, pv16g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleNearest(s, d, nullptr, nullptr) != nullptr; }},
};

// Every entry point with a pair it serves, to be refused for empty bitmaps.
const Refusal kServed[] = {
    {"bitmap 24-bit kernel", pv24RGB, pv24RGB, Bitmap(rfLanczos3)},
    {"bitmap 1-bit kernel", pv1g, pv8g, Bitmap(rfTriangle)},
    {"bitmap 1-bit projection", pv1g, pv8g, Bitmap(rfProjectBW)},
    {"bitmap nearest", pv8p, pv8p, Bitmap(rfNone)},
    {"filtered kernel", pv24RGB, pv24RGB, Filtered(rfBSpline)},
    {"filtered grey", pv8g, pv8g, Filtered(rfHermite)},
    {"grey kernel", pv8g, pv8g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleGray8(s, d, rfBell); }},
    {"1-bit kernel", pv1g, pv24RGB,
     [](TPVBitmap& s, TPVBitmap& d) { return Resample1Bit(s, d, rfLinear); }},
    {"nearest", pv16g, pv16g,
     [](TPVBitmap& s, TPVBitmap& d) { return ResampleNearest(s, d, nullptr, nullptr) != nullptr; }},
};

class Refusals : public ::testing::TestWithParam<Storage> {
 protected:
  void MakePatterned(TPVBitmap& bitmap, int32_t w, int32_t h, TPVPixelFormat format) {
    MakeBitmap(bitmap, GetParam(), w, h, format);
    WritePattern(bitmap, w * h);
  }
  // The call answers false and leaves the destination as it was.
  void ExpectRefused(const Refusal& r, TPVBitmap& source, TPVBitmap& destination, const char* how) {
    const auto bytes = AllBytes(destination);
    const TPVPixelFormat format = destination.GetPixelFormat();
    const int32_t w = destination.GetWidth(), h = destination.GetHeight();
    EXPECT_FALSE(r.call(source, destination)) << r.what << ", " << how;
    EXPECT_EQ(destination.GetPixelFormat(), format) << r.what << ", " << how;
    EXPECT_EQ(destination.GetWidth(), w) << r.what << ", " << how;
    EXPECT_EQ(destination.GetHeight(), h) << r.what << ", " << how;
    EXPECT_EQ(AllBytes(destination), bytes) << r.what << ", " << how;
    EXPECT_FALSE(destination.HasAlphaChannel()) << r.what << ", " << how;
  }
  TempFolderScope temp_;
};

TEST_P(Refusals, PairsWithoutAnEngineLeaveTheDestinationAlone) {
  for (const Refusal& r : kUnserved) {
    TPVBitmap source, destination;
    MakePatterned(source, 7, 5, r.source);
    MakePatterned(destination, 4, 9, r.destination);
    ExpectRefused(r, source, destination, "unserved");
  }
}

TEST_P(Refusals, EmptyBitmapsAndTheSourceAsDestinationAreRefused) {
  for (const Refusal& r : kServed) {
    TPVBitmap source, destination, emptySource, emptyDestination;
    Prepare(emptySource, GetParam());
    Prepare(emptyDestination, GetParam());
    MakePatterned(source, 7, 5, r.source);
    MakePatterned(destination, 4, 9, r.destination);
    ExpectRefused(r, emptySource, destination, "empty source");
    ExpectRefused(r, source, emptyDestination, "empty destination");
    ExpectRefused(r, source, source, "source as destination");
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, Refusals, ::testing::ValuesIn(kStorages), StorageCaseName);

}  // namespace
}  // namespace calmora::test
