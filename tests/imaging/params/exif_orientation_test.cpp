// ApplyExifOrientation against ImageMagick's -auto-orient: the eight orientations of a 3 x 2
// picture of six colours, in every pixel format and in memory and file storage.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/exif_blocks.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

constexpr int32_t kWidth = 3;
constexpr int32_t kHeight = 2;

// ImageMagick's names of the EXIF orientations 1 to 8.
const char* const kOrientNames[] = {"TopLeft", "TopRight", "BottomRight", "BottomLeft",
                                    "LeftTop", "RightTop", "RightBottom", "LeftBottom"};

// Where each pixel of the result comes from: the index y * 3 + x of a source pixel, row by row,
// and the result's size.
struct Placement {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<int> source;
};

// The placement ImageMagick gives for an orientation, read off six distinct colours.
Placement ImageMagickPlacement(const test::ScratchFolder& folder, int orientation) {
  TPVBitmap picture(kWidth, kHeight, pv24RGB);
  for (int k = 0; k < kWidth * kHeight; ++k)
    picture.SetPixel24(k % kWidth, k / kWidth, TPVRGB{uint8_t(40 * k), uint8_t(200 - 30 * k), 7});
  const std::string in = folder.File("in.ppm");
  const std::string out = folder.File("out.ppm");
  EXPECT_TRUE(test::SavePNM(picture, in));
  const std::string command = "convert " + test::ShellQuoted(in) + " -orient " +
                              kOrientNames[orientation - 1] + " -auto-orient " +
                              test::ShellQuoted(out);
  EXPECT_EQ(test::RunTool(command).Status, 0) << command;
  TPVBitmap turned;
  EXPECT_TRUE(test::LoadPNM(out, turned));
  Placement placement{turned.GetWidth(), turned.GetHeight(), {}};
  for (int32_t y = 0; y < turned.GetHeight(); ++y)
    for (int32_t x = 0; x < turned.GetWidth(); ++x) {
      const TPVRGB colour = turned.GetPixel24(x, y);
      int found = -1;
      for (int k = 0; k < kWidth * kHeight; ++k)
        if (picture.GetPixel24(k % kWidth, k / kWidth).b == colour.b &&
            picture.GetPixel24(k % kWidth, k / kWidth).g == colour.g)
          found = k;
      placement.source.push_back(found);
    }
  return placement;
}

// The bytes of pixel (x, y); a pv1g pixel as its bit.
std::vector<uint8_t> PixelBytesAt(const TPVBitmap& bitmap, int32_t x, int32_t y) {
  const uint8_t* row = bitmap.GetScanline(y);
  if (bitmap.GetPixelFormat() == pv1g) return {uint8_t((row[x / 8] >> (7 - x % 8)) & 1)};
  const int32_t size = bitmap.GetBitCount() / 8;
  return std::vector<uint8_t>(row + x * size, row + (x + 1) * size);
}

// Six pixels of distinct bytes (pv1g: an L of set bits, which no turn or mirror maps onto
// itself).
void WriteSixPixels(TPVBitmap& bitmap) {
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    if (bitmap.GetPixelFormat() == pv1g) {
      row[0] = y == 0 ? 0xC0 : 0x80;
      continue;
    }
    const int32_t size = bitmap.GetBitCount() / 8;
    for (int32_t i = 0; i < kWidth * size; ++i)
      row[i] = uint8_t(16 * (y * kWidth + i / size) + i % size + 1);
  }
  if (bitmap.GetPixelFormat() == pv8p)
    for (int i = 0; i < 256; ++i) bitmap.SetPaletteColor(i, TPVRGB{uint8_t(i), uint8_t(i / 2), 3});
}

TEST(ApplyExifOrientationTest, MatchesImageMagickInEveryFormat) {
  CALMORA_REQUIRE_TOOL("convert");
  const test::ScratchFolder folder("calmora-orientation");
  std::map<int, Placement> placements;
  for (int orientation = 1; orientation <= 8; ++orientation)
    placements[orientation] = ImageMagickPlacement(folder, orientation);

  const TPVPixelFormat formats[] = {pv1g,  pv8p,   pv8g,    pv16g,    pv24RGB,
                                    pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB};
  for (const TPVPixelFormat format : formats)
    for (const test::Storage storage : {test::Storage::MemoryBlock, test::Storage::File})
      for (int orientation = 1; orientation <= 9; ++orientation) {
        SCOPED_TRACE("format " + std::to_string(format) + ", " + test::StorageName(storage) +
                     ", orientation " + std::to_string(orientation));
        TPVBitmap original;
        test::Prepare(original, storage);
        ASSERT_TRUE(original.Allocate(kWidth, kHeight, format));
        WriteSixPixels(original);
        TPVBitmap bitmap;
        test::Prepare(bitmap, storage);
        ASSERT_TRUE(bitmap.Assign(&original));
        ApplyExifOrientation(bitmap, orientation);

        // 9 is no orientation: it changes nothing, as 1 does.
        const Placement& want = placements[orientation == 9 ? 1 : orientation];
        ASSERT_EQ(bitmap.GetWidth(), want.width);
        ASSERT_EQ(bitmap.GetHeight(), want.height);
        ASSERT_EQ(bitmap.GetPixelFormat(), format);
        for (int32_t y = 0; y < want.height; ++y)
          for (int32_t x = 0; x < want.width; ++x) {
            const int from = want.source[size_t(y * want.width + x)];
            ASSERT_GE(from, 0);
            EXPECT_EQ(PixelBytesAt(bitmap, x, y),
                      PixelBytesAt(original, from % kWidth, from / kWidth))
                << "pixel " << x << "," << y;
          }
        if (format == pv8p) {
          EXPECT_EQ(bitmap.GetPaletteColor(77).b, 77);
        }
      }
}

}  // namespace
}  // namespace calmora
