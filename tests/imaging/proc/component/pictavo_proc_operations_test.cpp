// The processing component's operations on their own terms: resample sizes, colour reduction,
// palettes, 1-bit fills, the format preferences, crops to the opaque part, and the refusals
// that must leave the image as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <set>
#include <tuple>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/proc/component/pictavo_proc.h"
#include "imaging/proc/component/pictavo_proc_tools.h"
#include "imaging/proc/rotate/rotation.h"
#include "tests/imaging/proc/component/pictavo_proc_test_support.h"

namespace calmora::test {
namespace {

class PictavoProcOperations : public ::testing::TestWithParam<Storage> {
 protected:
  // A random image of the format in the case's storage, attached to proc_.
  TPVBitmap& Image(int32_t width, int32_t height, TPVPixelFormat format) {
    PutPicture(image_, GetParam(), RandomPicture(random_, width, height, format), format);
    proc_.AttachBitmap(&image_);
    log_.Listen(proc_);
    log_.Clear();
    return image_;
  }

  TempFolderScope temp_;
  std::mt19937 random_{77};
  TPVBitmap image_;
  TPictavoProc proc_{nullptr};
  EventLog log_;
};

TEST_P(PictavoProcOperations, ResampleSizes) {
  const struct {
    int32_t newWidth, newHeight;
    int32_t width, height;  // expected
  } cases[] = {
      {-1, 300, 600, 300}, {200, -1, 200, 100}, {0, 0, 400, 200},     {-5, -7, 400, 200},
      {-12, 0, 12, 200},   {0, -1, 400, 200},   {7, 3, 7, 3},         {-1, 0, 1, 200},
      {-1, 1, 2, 1},       {1, -1, 1, 1},       {-1, -300, 400, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.newWidth) + "," + std::to_string(c.newHeight));
    Image(400, 200, pv24RGB);
    proc_.Resample(c.newWidth, c.newHeight, rfFastLinear);
    EXPECT_EQ(image_.GetWidth(), c.width);
    EXPECT_EQ(image_.GetHeight(), c.height);
  }
}

TEST_P(PictavoProcOperations, AResamplingThatIsRefusedKeepsTheImage) {
  // No engine takes CMYK with the bilinear filter; no memory holds 2^31 - 1 columns.
  const struct {
    TPVPixelFormat format;
    int32_t newWidth;
    TResampleFilter filter;
  } cases[] = {{pvCMYK, 9, rfBilinear}, {pv24RGB, INT32_MAX, rfFastLinear}};
  for (const auto& c : cases) {
    Image(6, 5, c.format);
    const auto before = AllBytes(image_);
    proc_.Resample(c.newWidth, 4, c.filter);
    EXPECT_EQ(image_.GetWidth(), 6);
    EXPECT_EQ(image_.GetHeight(), 5);
    EXPECT_EQ(AllBytes(image_), before);
  }
}

std::set<std::tuple<int, int, int>> ColorsOf(const TPVBitmap& image) {
  std::set<std::tuple<int, int, int>> colors;
  for (int32_t y = 0; y < image.GetHeight(); ++y)
    for (int32_t x = 0; x < image.GetWidth(); ++x) {
      const TPVRGB c = image.GetPixel24(x, y);
      colors.insert({c.r, c.g, c.b});
    }
  return colors;
}

TEST_P(PictavoProcOperations, ConvertToGivesAtMostTheColoursAsked) {
  for (const int32_t colors : {3, 8, 16, 200}) {
    Image(32, 24, pv24RGB);
    proc_.ConvertTo(colors, pvdmOrdered);
    ASSERT_EQ(image_.GetPixelFormat(), pv24RGB);
    const size_t found = ColorsOf(image_).size();
    EXPECT_LE(found, static_cast<size_t>(colors)) << colors;
    EXPECT_GE(found, 2u) << colors;
  }
  for (const TPVDitherMethod method : {pvdmOrdered, pvdmThreshold}) {
    for (const int32_t colors : {0, 2, -4}) {
      Image(9, 7, pv24RGB);
      proc_.ConvertTo(colors, method);
      EXPECT_EQ(image_.GetPixelFormat(), pv1g) << colors;
    }
  }
  // Beyond 1024 colours the image stays, but the operation still reports its end.
  Image(9, 7, pv24RGB);
  const auto before = AllBytes(image_);
  proc_.ConvertTo(1025, pvdmOrdered);
  EXPECT_EQ(AllBytes(image_), before);
  EXPECT_EQ(log_.Count("finish"), 1);
}

TEST_P(PictavoProcOperations, ConvertToPaletteFillsThePalette) {
  Image(32, 24, pv24RGB);
  TPVRGB palette[16] = {};
  proc_.ConvertToPalette(16, palette, pvdmOrdered);
  std::set<std::tuple<int, int, int>> entries;
  for (const TPVRGB& c : palette) entries.insert({c.r, c.g, c.b});
  for (const auto& color : ColorsOf(image_)) EXPECT_TRUE(entries.count(color));
  EXPECT_GT(entries.size(), 8u);

  TPVRGB two[2] = {{5, 5, 5}, {6, 6, 6}};
  Image(9, 7, pv24RGB);
  proc_.ConvertToPalette(1, two, pvdmThreshold);
  EXPECT_EQ(image_.GetPixelFormat(), pv1g);
  EXPECT_EQ(two[0], (TPVRGB{0, 0, 0}));
  EXPECT_EQ(two[1], (TPVRGB{255, 255, 255}));

  // No colours asked for: nothing at all.
  TPVRGB untouched[2] = {{5, 5, 5}, {6, 6, 6}};
  Image(9, 7, pv24RGB);
  log_.Clear();
  proc_.ConvertToPalette(0, untouched, pvdmOrdered);
  EXPECT_EQ(image_.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(untouched[0], (TPVRGB{5, 5, 5}));
  EXPECT_TRUE(log_.Entries.empty());
}

// A 1-bit fill sets the bits when the colour's red byte is above 0, whatever green and blue.
TEST_P(PictavoProcOperations, FillOfA1BitImageFollowsTheRedByte) {
  const struct {
    TPVRGB color;
    uint8_t bit;
  } cases[] = {{{255, 255, 0}, 0}, {{0, 0, 1}, 1}, {{0, 0, 0}, 0}, {{9, 9, 200}, 1}};
  for (const auto& c : cases) {
    Image(21, 5, pv1g);
    proc_.Fill(c.color);
    const Picture result = ReadPicture(image_);
    for (const uint8_t bit : result.bytes) ASSERT_EQ(bit, c.bit);
  }
}

// FillRectColor against a plain model: the rectangle clipped at all four sides, pixels outside
// untouched, progress after each row never above 100.
TEST_P(PictavoProcOperations, FillRectColorClipsEverySideAndCapsItsProgress) {
  const struct {
    int32_t x1, y1, x2, y2;
  } rects[] = {{-4, -3, 5, 4}, {3, 2, 99, 99}, {0, 0, 1, 1},
               {7, 1, 15, 2},  {5, 5, 5, 9},   {-9, -9, -1, 3}};
  const TPVRGB color{1, 2, 3};
  for (const TPVPixelFormat format : {pv24RGB, pv1g}) {
    for (const auto& r : rects) {
      SCOPED_TRACE(std::to_string(r.x1) + "," + std::to_string(r.y1));
      Image(13, 8, format);
      Picture model = ReadPicture(image_);
      std::vector<int> reports;
      FillRectColor(
          image_, r.x1, r.y1, r.x2, r.y2, color,
          [&reports](TObject*, int percent) { reports.push_back(percent); }, nullptr);
      const int32_t x1 = std::max(r.x1, 0), y1 = std::max(r.y1, 0);
      const int32_t x2 = std::min(r.x2, 13), y2 = std::min(r.y2, 8);
      std::vector<int> expected;
      for (int32_t y = y1; y < y2; ++y) {
        for (int32_t x = x1; x < x2; ++x) {
          if (format == pv1g)
            *model.at(x, y) = 1;
          else
            model.Set(x, y, &color.b);
        }
        if (format == pv24RGB && x1 < x2)
          expected.push_back(static_cast<int>(
              std::min(100.0, std::trunc((y - y1 + 1) * 100.0 / (y2 - y1 - 0.5)))));
      }
      EXPECT_EQ(ReadPicture(image_), model) << FirstDifference(ReadPicture(image_), model);
      EXPECT_EQ(reports, expected);
    }
  }
}

// One row per image format: the allowed pair names one early and one late alternative of the
// format's preference row (or, last row, none of it).
TEST_P(PictavoProcOperations, CheckPixelFormatFollowsThePreferenceTable) {
  const struct {
    TPVPixelFormat format;
    TPVPixelFormats allowed;
    TPVPixelFormat converted;
  } cases[] = {
      {pv1g, {pv24RGB, pv16g}, pv16g},
      {pv8p, {pvCIELab, pvCMYK}, pvCMYK},
      {pv8g, {pv24RGB}, pv24RGB},
      {pv8g, {pvRGB48, pv24RGB}, pv24RGB},
      {pv16g, {pv24RGB, pvRGB48}, pvRGB48},
      {pv24RGB, {pv8g, pv16g}, pv16g},
      {pv32f, {pvCIELab, pvRGB48}, pvRGB48},
      {pvCMYK, {pv8g, pvCIELab}, pvCIELab},
      {pvRGB48, {pv16g, pvCIELab}, pvCIELab},
      {pvCIELab, {pv8g, pvRGB48}, pvRGB48},
      {pv32RGB, {pv8g, pvCMYK}, pvCMYK},
      {pv1g, {pvCMYK, pv32RGB}, pv32RGB},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.format));
    Image(5, 4, c.format);
    proc_.AutoConvertFormat = false;
    EXPECT_FALSE(proc_.CheckPixelFormat(c.allowed));
    EXPECT_EQ(image_.GetPixelFormat(), c.format);
    EXPECT_TRUE(proc_.CheckPixelFormat({}));
    EXPECT_TRUE(proc_.CheckPixelFormat({c.format, pv8p}));
    proc_.AutoConvertFormat = true;
    EXPECT_TRUE(proc_.CheckPixelFormat(c.allowed));
    EXPECT_EQ(image_.GetPixelFormat(), c.converted);
  }
}

TEST_P(PictavoProcOperations, ColourReductionOfAnImageThatCannotBecome24BitDoesNothing) {
  Image(5, 4, pv8g);
  proc_.AutoConvertFormat = false;
  const auto before = AllBytes(image_);
  proc_.ConvertTo(8, pvdmOrdered);
  proc_.ConvertToPalette(8, nullptr, pvdmOrdered);
  EXPECT_EQ(AllBytes(image_), before);
  EXPECT_TRUE(log_.Entries.empty());
}

TEST_P(PictavoProcOperations, CropToOpaqueKeepsTheVisibleBoxWithoutAnUndoEntry) {
  TPVBitmap& image = Image(12, 9, pv24RGB);
  const Picture source = ReadPicture(image);
  TPVBitmap* alpha = image.GetAlphaChannel();
  for (int32_t y = 0; y < 9; ++y) std::memset(alpha->GetScanline(y), 0, 12);
  alpha->SetPixel8(3, 6, 1);
  alpha->SetPixel8(7, 2, 200);
  alpha->SetPixel8(5, 4, 9);
  proc_.AutoUndo = true;
  proc_.CropToOpaque();
  EXPECT_TRUE(proc_.AutoUndo);
  EXPECT_EQ(proc_.UndoCount(), 0);
  ASSERT_EQ(image.GetWidth(), 5);
  ASSERT_EQ(image.GetHeight(), 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 5; ++x)
      ASSERT_EQ(PixelAt(ReadPicture(image), x, y), PixelAt(source, x + 3, y + 2));
  EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(0, 4), 1);
  EXPECT_EQ(image.GetAlphaChannel()->GetPixel8(4, 0), 200);

  // All transparent: the bounds are reversed and nothing is cropped.
  for (int32_t y = 0; y < 5; ++y) std::memset(image.GetAlphaChannel()->GetScanline(y), 0, 5);
  EXPECT_EQ(GetOpaqueBounds(image), (TRect{5, 5, -1, -1}));
  proc_.CropToOpaque();
  EXPECT_EQ(image.GetWidth(), 5);
}

// The alpha plane turns on the one-byte twin of the path the image takes, with 0 outside.
TEST_P(PictavoProcOperations, RotateTurnsTheAlphaOnTheImagesPath) {
  const struct {
    TPVPixelFormat format;
    bool antiAlias;
    uint8_t mode;
    std::function<bool(TPVBitmap&, double)> alphaModel;
  } cases[] = {
      {pv24RGB, false, 0,
       [](TPVBitmap& a, double angle) {
         return RotateToBoundingBox(a, 0, nullptr, nullptr, angle);
       }},
      {pv8g, true, 1,
       [](TPVBitmap& a, double angle) {
         return RotateToBoundingBox(a, 0, nullptr, nullptr, angle);
       }},
      {pv24RGB, true, 1,
       [](TPVBitmap& a, double angle) { return RotateInterpolated8(a, 0, 1, angle); }},
      {pv24RGB, true, 2,
       [](TPVBitmap& a, double angle) { return RotateInterpolated8(a, 0, 2, angle); }},
      {pv24RGB, true, 0,
       [](TPVBitmap& a, double angle) {
         return RotateByShears8(a, true, 0, nullptr, nullptr, angle);
       }},
      {pv1g, true, 1, [](TPVBitmap& a, double angle) { return Rotate8(a, 0, angle); }},
  };
  for (const auto& c : cases) {
    for (const double angle : {30.0, -17.5}) {
      SCOPED_TRACE(std::to_string(c.format) + " mode " + std::to_string(c.mode) + " angle " +
                   std::to_string(angle));
      TPVBitmap& image = Image(15, 9, c.format);
      PutRandomAlpha(image, random_);
      TPVBitmap expected;
      expected.Assign(image.GetAlphaChannel());
      ASSERT_TRUE(c.alphaModel(expected, angle));
      proc_.Rotate(angle, c.antiAlias, c.mode, 0);
      ASSERT_TRUE(image.HasAlphaChannel());
      EXPECT_EQ(image.GetAlphaChannel()->GetWidth(), image.GetWidth());
      EXPECT_EQ(image.GetAlphaChannel()->GetHeight(), image.GetHeight());
      EXPECT_EQ(ReadPicture(*image.GetAlphaChannel()), ReadPicture(expected));
    }
  }
}

TEST_P(PictavoProcOperations, EmptyReversedOrNegativeRequestsChangeNothing) {
  Image(10, 8, pv24RGB);
  proc_.AutoUndo = true;
  proc_.SetUndoLimit(5);
  const auto before = AllBytes(image_);
  proc_.Crop(6, 2, 3, 5);  // reversed
  proc_.Crop(2, 6, 5, 3);
  proc_.Crop(20, 0, 30, 5);  // beside the image
  proc_.Crop(-5, -5, -1, 3);
  proc_.Crop(0, 0, 9, 7);  // the whole image
  proc_.Crop(-2, -1, 50, 50);
  proc_.ImageResize(-3, 5, 0, 0, 255);
  proc_.ImageResize(7, 0, 0, 0, 255);
  proc_.ImageResize(10, 8, 1, 1, 255);
  proc_.Rotate(0, true, 0, 0);
  EXPECT_EQ(AllBytes(image_), before);
  EXPECT_EQ(proc_.UndoCount(), 0);
  EXPECT_TRUE(log_.Entries.empty());
}

TEST(SameBitmapsTest, AnswersFalseForAnyDifferenceItCanSee) {
  TPVBitmap a(7, 3, pv24RGB), b(7, 3, pv24RGB);
  a.Fill(0x112233);
  b.Fill(0x112233);
  EXPECT_TRUE(SameBitmaps(a, b));
  b.SetPixel24(6, 2, TPVRGB{1, 1, 1});
  EXPECT_FALSE(SameBitmaps(a, b));
  // Other formats or row lengths: never read past the shorter rows.
  TPVBitmap gray(7, 3, pv8g), wide(21, 3, pv8g), aligned(7, 3, pv24RGB);
  ASSERT_TRUE(aligned.SetBitAlignment(256));
  aligned.Fill(0x112233);
  EXPECT_FALSE(SameBitmaps(a, gray));
  EXPECT_FALSE(SameBitmaps(gray, wide));
  EXPECT_FALSE(SameBitmaps(a, aligned));
  b.Fill(0x112233);
  b.GetAlphaChannel();
  EXPECT_FALSE(SameBitmaps(a, b));
  a.GetAlphaChannel();
  EXPECT_TRUE(SameBitmaps(a, b));
  a.SetAlpha(0, 0, 3);
  EXPECT_FALSE(SameBitmaps(a, b));
}

INSTANTIATE_TEST_SUITE_P(Storages, PictavoProcOperations, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
