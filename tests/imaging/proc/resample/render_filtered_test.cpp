// Filtered renders (RenderToBitmap and StretchRectTo with a filter other than rfNone): the
// source rectangle resampled by the engines and then painted 1:1, byte for byte, for pv24RGB
// with and without alpha and for pv1g, from memory and from the temporary file.
#include "imaging/proc/resample/render_resample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/render/render_resampling.h"
#include "imaging/proc/proc_unit.h"
#include "imaging/proc/resample/resample_engines.h"
#include "imaging/proc/resample/resample_kernels.h"
#include "tests/imaging/core/bitmap/bitmap_pixel_model.h"
#include "tests/imaging/core/render/render_model.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

using test::RenderCall;
using test::Storage;

enum class Alpha { kNone, kVaried, kAllOpaque };

// The source: its size, format and alpha plane; random pixels from a seed.
struct SourceKind {
  TPVPixelFormat Format;
  Alpha AlphaPlane;
  int32_t Width, Height;
};

std::unique_ptr<TPVBitmap> MakeSource(const SourceKind& kind, Storage storage, uint32_t seed) {
  auto source = test::MakeBitmap(storage, kind.Width, kind.Height, kind.Format);
  test::FillRandom(*source, seed);
  if (kind.AlphaPlane != Alpha::kNone) {
    TPVBitmap* alpha = source->GetAlphaChannel();
    if (kind.AlphaPlane == Alpha::kVaried) {
      test::FillRandom(*alpha, seed + 1);
      alpha->Opaque = false;
    }
  }
  return source;
}

bool IsProjection(TResampleFilter filter) { return filter == rfProjectBW || filter == rfProjectWB; }

// The rectangle (x, y, w, h), inside the source, as a bitmap of its own, copied sample by sample.
std::unique_ptr<TPVBitmap> RectOf(const TPVBitmap& source, int32_t x, int32_t y, int32_t w,
                                  int32_t h) {
  const test::Plane whole = test::ReadPlane(source);
  test::Plane part(w, h, whole.channels);
  for (int32_t j = 0; j < h; ++j)
    for (int32_t i = 0; i < w; ++i)
      for (int32_t c = 0; c < whole.channels; ++c) part.at(i, j, c) = whole.at(x + i, y + j, c);
  auto rect = test::MakeBitmap(Storage::MemoryBlock, w, h, source.GetPixelFormat());
  test::WritePlane(*rect, part);
  return rect;
}

// What a filtered paint resamples: the grey reduction of a pv1g rectangle, or a copy of the
// rectangle (alpha rectangle and Opaque with it when withAlpha) through the engine of its format.
std::unique_ptr<TPVBitmap> ExpectedResample(TPVBitmap& source, int32_t x, int32_t y, int32_t w,
                                            int32_t h, int32_t tw, int32_t th,
                                            TResampleFilter filter, bool withAlpha,
                                            bool greyReduction) {
  const TPVPixelFormat format = source.GetPixelFormat();
  if (greyReduction) {
    auto grey = test::MakeBitmap(Storage::MemoryBlock, tw, th, pv24RGB);
    EXPECT_TRUE(Shrink1BitToGray(source, x, y, x + w - 1, y + h - 1, *grey));
    return grey;
  }
  std::unique_ptr<TPVBitmap> rect = RectOf(source, x, y, w, h);
  auto resampled = test::MakeBitmap(Storage::MemoryBlock, tw, th,
                                    format == pv1g && IsProjection(filter) ? pv1g : pv24RGB);
  EXPECT_TRUE(format == pv1g ? Resample1Bit(*rect, *resampled, filter)
                             : ResampleFiltered(*rect, *resampled, filter, nullptr, nullptr));
  if (withAlpha) {
    std::unique_ptr<TPVBitmap> alphaRect = RectOf(*source.AlphaBitmap, x, y, w, h);
    TPVBitmap* alpha = resampled->GetAlphaChannel();
    EXPECT_TRUE(ResampleGray8(*alphaRect, *alpha, filter));
    alpha->Opaque = source.AlphaBitmap->Opaque;
  }
  return resampled;
}

// Every case installs the resampler, as the processing unit's set-up does, and keeps its
// temporary files in a folder of its own.
class FilteredPaint {
 protected:
  test::TempFolderScope temp_;
  test::ScopedOverride<TResampleRectForRenderProc> hook_{ResampleRectForRenderProc,
                                                   &ResampleRectForRender};
};

// ---- RenderToBitmap ----

struct RenderCase {
  const char* Name;
  SourceKind Source;
  TResampleFilter Filter;
  RenderCall Call;
  int32_t Contrast = 0;
  bool Shifted = false;
};

RenderCall Area(int32_t tx, int32_t ty, int32_t tw, int32_t th, int32_t sx, int32_t sy,
                int32_t sw, int32_t sh, bool useAlpha = false, int32_t transparency = 255,
                TPVBlendOperation operation = pvboNormal, std::optional<TRect> clip = {}) {
  RenderCall call;
  call.TargetX = tx, call.TargetY = ty, call.TargetWidth = tw, call.TargetHeight = th;
  call.SourceX = sx, call.SourceY = sy, call.SourceWidth = sw, call.SourceHeight = sh;
  call.UseAlpha = useAlpha, call.Transparency = transparency, call.Operation = operation;
  call.Clip = clip;
  return call;
}

constexpr SourceKind kRGB{pv24RGB, Alpha::kNone, 20, 15};
constexpr SourceKind kRGBAlpha{pv24RGB, Alpha::kVaried, 20, 15};
constexpr SourceKind kRGBOpaqueAlpha{pv24RGB, Alpha::kAllOpaque, 20, 15};
constexpr SourceKind kBits{pv1g, Alpha::kNone, 37, 29};
constexpr SourceKind kBitsAlpha{pv1g, Alpha::kVaried, 37, 29};

const RenderCase kRenderCases[] = {
    {"RGBEnlargedTriangle", kRGB, rfTriangle, Area(3, 2, 41, 33, 2, 1, 13, 11)},
    {"RGBShrunkLanczos3", kRGB, rfLanczos3, Area(0, 0, 9, 7, 0, 0, 20, 15)},
    {"RGBWiderAndShorterMitchell", kRGB, rfMitchell, Area(5, 4, 50, 6, 1, 2, 17, 13)},
    {"RGBLeftPartTriangle", kRGB, rfTriangle, Area(0, 0, 30, 20, 0, 0, 12, 15)},
    {"RGBFastLinear", kRGB, rfFastLinear, Area(1, 1, 11, 30, 0, 0, 20, 15)},
    {"RGBBilinear", kRGB, rfBilinear, Area(0, 3, 31, 8, 3, 3, 16, 11)},
    {"RGBBicubic", kRGB, rfBicubic, Area(2, 0, 29, 44, 0, 0, 20, 15)},
    {"RGBProjectBW", kRGB, rfProjectBW, Area(0, 0, 8, 6, 0, 0, 20, 15)},
    {"RGBAlphaBSpline", kRGBAlpha, rfBSpline, Area(4, 4, 37, 29, 1, 1, 18, 13, true)},
    {"RGBAlphaUnusedHermite", kRGBAlpha, rfHermite, Area(0, 0, 12, 9, 0, 0, 20, 15, false)},
    {"RGBAlphaHalfTransparentAdd", kRGBAlpha, rfBell,
     Area(0, 0, 33, 20, 2, 2, 15, 12, true, 128, pvboAdd)},
    {"RGBOpaqueAlphaNearest", kRGBOpaqueAlpha, rfNearest, Area(6, 1, 40, 40, 0, 0, 20, 15, true)},
    {"RGBClipped", kRGB, rfLinear, Area(0, 0, 44, 36, 0, 0, 20, 15, false, 255, pvboNormal,
                                        TRect{7, 5, 30, 20})},
    {"RGBContrastAndShift", kRGB, rfTriangle, Area(0, 0, 30, 30, 0, 0, 20, 15), 7, true},
    {"BitsEnlargedTriangle", kBits, rfTriangle, Area(0, 0, 55, 47, 3, 2, 30, 25)},
    {"BitsShrunkToGrey", kBits, rfTriangle, Area(2, 2, 15, 11, 1, 1, 36, 28)},
    {"BitsShrunkAcrossTallerToGrey", kBits, rfLanczos3, Area(0, 0, 19, 45, 0, 0, 37, 29)},
    {"BitsWiderShorterFastLinear", kBits, rfFastLinear, Area(0, 0, 50, 10, 0, 0, 37, 29)},
    {"BitsShrunkProjectWB", kBits, rfProjectWB, Area(0, 0, 12, 10, 0, 0, 37, 29)},
    {"BitsEnlargedProjectBW", kBits, rfProjectBW, Area(1, 1, 58, 48, 5, 4, 29, 24)},
    {"BitsAlphaShrunkMitchell", kBitsAlpha, rfMitchell, Area(0, 0, 20, 15, 0, 0, 37, 29, true)},
    {"BitsAlphaUnusedShrunkToGrey", kBitsAlpha, rfBell, Area(0, 0, 20, 15, 0, 0, 37, 29, false)},
};

// Failures name the case rather than dumping its bytes.
void PrintTo(const RenderCase& c, std::ostream* out) { *out << c.Name; }

class FilteredRender : public FilteredPaint,
                       public ::testing::TestWithParam<std::tuple<RenderCase, Storage>> {};

void SetDisplay(TPVBitmap& bitmap, const RenderCase& c) {
  bitmap.DisplayContrast = c.Contrast;
  bitmap.ChannelShiftEnabled = c.Shifted;
  if (c.Shifted) bitmap.ChannelShift[0] = 20, bitmap.ChannelShift[1] = -35;
}

TEST_P(FilteredRender, EqualsTheEngineFollowedByAPlainRender) {
  const auto& [c, storage] = GetParam();
  auto model = MakeSource(c.Source, Storage::MemoryBlock, 11);
  auto source = MakeSource(c.Source, storage, 11);
  SetDisplay(*source, c);
  auto expected = test::MakeBitmap(Storage::MemoryBlock, 64, 50, pv24RGB);
  test::FillRandom(*expected, 3);
  auto target = test::MakeBitmap(Storage::MemoryBlock, 64, 50, pv24RGB);
  test::FillRandom(*target, 3);

  const RenderCall& call = c.Call;
  const bool withAlpha = call.UseAlpha && c.Source.AlphaPlane != Alpha::kNone;
  const bool greyReduction = c.Source.Format == pv1g && call.SourceWidth >= call.TargetWidth &&
                             !withAlpha && !IsProjection(c.Filter);
  std::unique_ptr<TPVBitmap> resampled = ExpectedResample(
      *model, call.SourceX, call.SourceY, call.SourceWidth, call.SourceHeight, call.TargetWidth,
      call.TargetHeight, c.Filter, withAlpha, greyReduction);
  SetDisplay(*resampled, c);
  RenderCall plain = call;
  plain.SourceX = plain.SourceY = 0;
  plain.SourceWidth = call.TargetWidth, plain.SourceHeight = call.TargetHeight;
  test::Render(*resampled, *expected, plain);

  test::Render(*source, *target, call, c.Filter);
  EXPECT_TRUE(test::SameImage(test::ImageOf(*expected), test::ImageOf(*target)));
}

INSTANTIATE_TEST_SUITE_P(Cases, FilteredRender,
                         ::testing::Combine(::testing::ValuesIn(kRenderCases),
                                            ::testing::ValuesIn(test::kMemoryAndFile)),
                         test::CaseInStorageName<RenderCase>);

// ---- StretchRectTo ----

struct StretchCase {
  const char* Name;
  SourceKind Source;
  TResampleFilter Filter;
  int32_t TargetX, TargetY, TargetWidth, TargetHeight;
  int32_t SourceX, SourceY, SourceWidth, SourceHeight;
  int32_t AlphaValue;
};

const StretchCase kStretchCases[] = {
    {"RGBEnlargedTriangle", kRGB, rfTriangle, 2, 3, 40, 31, 1, 1, 17, 12, 200},
    {"RGBShrunkLanczos3", kRGB, rfLanczos3, 0, 0, 11, 8, 0, 0, 20, 15, 255},
    {"RGBPastTheTargetEdge", kRGB, rfMitchell, -5, 40, 30, 25, 0, 0, 20, 15, 90},
    {"RGBAlphaShrunkBSpline", kRGBAlpha, rfBSpline, 1, 1, 13, 9, 0, 0, 20, 15, 180},
    {"RGBAlphaEnlargedBilinear", kRGBAlpha, rfBilinear, 0, 0, 45, 35, 3, 2, 15, 12, 255},
    {"RGBOpaqueAlphaHermite", kRGBOpaqueAlpha, rfHermite, 0, 0, 33, 7, 0, 0, 20, 15, 77},
    {"RGBProjectWB", kRGB, rfProjectWB, 0, 0, 9, 9, 0, 0, 20, 15, 255},
    {"BitsShrunkToGrey", kBits, rfTriangle, 0, 0, 15, 12, 0, 0, 37, 29, 255},
    {"BitsShrunkProjectionToGrey", kBits, rfProjectBW, 3, 3, 20, 40, 2, 1, 33, 27, 140},
    {"BitsEnlargedTriangle", kBits, rfTriangle, 0, 0, 60, 45, 4, 4, 30, 20, 255},
    {"BitsEnlargedProjectWB", kBits, rfProjectWB, 0, 0, 50, 40, 0, 0, 37, 29, 66},
    {"BitsAlphaTopPartEnlargedHermite", kBitsAlpha, rfHermite, 0, 0, 60, 30, 0, 0, 37, 20, 255},
    {"BitsAlphaShrunkLanczos3", kBitsAlpha, rfLanczos3, 0, 0, 18, 14, 0, 0, 37, 29, 210},
};

void PrintTo(const StretchCase& c, std::ostream* out) { *out << c.Name; }

class FilteredStretch : public FilteredPaint,
                        public ::testing::TestWithParam<std::tuple<StretchCase, Storage>> {};

TEST_P(FilteredStretch, EqualsTheEngineFollowedByAPlainStretchAlphaIncluded) {
  const auto& [c, storage] = GetParam();
  auto model = MakeSource(c.Source, Storage::MemoryBlock, 21);
  auto source = MakeSource(c.Source, storage, 21);
  auto expected = test::MakeBitmap(Storage::MemoryBlock, 64, 50, pv24RGB);
  test::FillRandom(*expected, 5);
  auto target = test::MakeBitmap(Storage::MemoryBlock, 64, 50, pv24RGB);
  test::FillRandom(*target, 5);

  const bool withAlpha = c.Source.AlphaPlane != Alpha::kNone;
  const bool greyReduction =
      c.Source.Format == pv1g && c.TargetWidth <= c.SourceWidth && !withAlpha;
  std::unique_ptr<TPVBitmap> resampled =
      ExpectedResample(*model, c.SourceX, c.SourceY, c.SourceWidth, c.SourceHeight,
                       c.TargetWidth, c.TargetHeight, c.Filter, withAlpha, greyReduction);
  resampled->StretchRectTo(*expected, c.TargetX, c.TargetY, c.TargetWidth, c.TargetHeight, 0, 0,
                           c.TargetWidth, c.TargetHeight, rfNone, c.AlphaValue);

  source->StretchRectTo(*target, c.TargetX, c.TargetY, c.TargetWidth, c.TargetHeight, c.SourceX,
                        c.SourceY, c.SourceWidth, c.SourceHeight, c.Filter, c.AlphaValue);
  EXPECT_TRUE(test::SameImage(test::ImageOf(*expected), test::ImageOf(*target)));
  ASSERT_TRUE(target->HasAlphaChannel());
  EXPECT_EQ(test::ReadPlane(*expected->AlphaBitmap), test::ReadPlane(*target->AlphaBitmap));
}

INSTANTIATE_TEST_SUITE_P(Cases, FilteredStretch,
                         ::testing::Combine(::testing::ValuesIn(kStretchCases),
                                            ::testing::ValuesIn(test::kMemoryAndFile)),
                         test::CaseInStorageName<StretchCase>);

// ---- The resampler on its own ----

TEST(ResampleRectForRender, MakesNothingForSizesBelowOneOrAnotherFormat) {
  auto rgb = test::MakeBitmap(Storage::MemoryBlock, 10, 10, pv24RGB);
  auto grey = test::MakeBitmap(Storage::MemoryBlock, 10, 10, pv8g);
  auto bits = test::MakeBitmap(Storage::MemoryBlock, 10, 10, pv1g);
  struct Refused {
    TPVBitmap* Source;
    int32_t Width, Height, TargetWidth, TargetHeight;
    bool GreyReduction;
  };
  const Refused cases[] = {
      {rgb.get(), 10, 10, 0, 5, false},  {rgb.get(), 10, 10, 5, -1, false},
      {rgb.get(), 0, 10, 5, 5, false},   {rgb.get(), 10, -3, 5, 5, false},
      {grey.get(), 10, 10, 5, 5, false}, {bits.get(), 10, 10, 0, 5, true},
      {bits.get(), 10, 10, 5, 0, true},  {rgb.get(), 10, 10, 5, 5, true},
  };
  for (const Refused& r : cases)
    EXPECT_EQ(ResampleRectForRender(*r.Source, 0, 0, r.Width, r.Height, r.TargetWidth,
                                    r.TargetHeight, rfTriangle, false, r.GreyReduction),
              nullptr)
        << r.Width << " x " << r.Height << " to " << r.TargetWidth << " x " << r.TargetHeight;
}

TEST(ResampleRectForRender, BringsTheAlphaPlaneAlongOnlyWhenAskedTo) {
  auto source = MakeSource(kRGBAlpha, Storage::MemoryBlock, 31);
  struct Rect {
    int32_t X, Y, Width, Height;
  };
  const Rect rects[] = {{0, 0, 20, 15}, {2, 3, 12, 9}};  // the whole source, and a part of it
  for (const Rect& r : rects) {
    const auto without = ResampleRectForRender(*source, r.X, r.Y, r.Width, r.Height, 30, 7,
                                               rfTriangle, false, false);
    ASSERT_NE(without, nullptr);
    EXPECT_FALSE(without->HasAlphaChannel()) << r.Width << " x " << r.Height;
    const auto with = ResampleRectForRender(*source, r.X, r.Y, r.Width, r.Height, 30, 7,
                                            rfTriangle, true, false);
    ASSERT_NE(with, nullptr);
    ASSERT_TRUE(with->HasAlphaChannel());
    EXPECT_FALSE(with->AlphaBitmap->Opaque);
  }
}

TEST(ResampleRectForRender, TheProcessingUnitInstallsItAndCleanUpPutsTheFallbackBack) {
  const TResampleRectForRenderProc fallback = ResampleRectForRenderProc;
  ASSERT_NE(fallback, &ResampleRectForRender);
  InitProcUnit();
  EXPECT_EQ(ResampleRectForRenderProc, &ResampleRectForRender);
  FinalizeProcUnit();
  EXPECT_EQ(ResampleRectForRenderProc, fallback);
}

}  // namespace
}  // namespace calmora
