// TPVMask::CopyThrough and CopyAlphaThrough: every format pair, both mask depths and all at-box
// placements against a per-pixel model, in memory and file-stored, with bitmaps of the mask's
// size, of the box's size and smaller than the box; then the named values.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/mask/mask.h"
#include "tests/imaging/core/mask/mask_test_shapes.h"
#include "tests/imaging/support/bitmap_patterns.h"

namespace calmora {
namespace {

using test::Storage;

constexpr TPVPixelFormat kFormats[] = {pv1g,  pv8p,    pv8g,    pv16g,    pv24RGB,
                                       pv32f, pvCMYK,  pvRGB48, pvCIELab, pv32RGB};

TPVMask& StarMask(TPVMask& mask, int32_t bits) {
  EXPECT_TRUE(mask.Allocate(30, 20, bits));
  test::FillStar(mask, bits == 1 ? 1 : 255, 15, 10, 9, 4, 5);
  if (bits == 8)  // soft values of every kind, 0 included, inside the box
    for (int32_t y = mask.BoxTop; y <= mask.BoxBottom; y += 2)
      for (int32_t x = mask.BoxLeft; x <= mask.BoxRight; ++x)
        mask.SetPixel(x, y, (x * 37 + y) % 256);
  return mask;
}

std::unique_ptr<TPVBitmap> PatternBitmap(Storage storage, int32_t width, int32_t height,
                                         TPVPixelFormat format, int32_t seed) {
  auto bitmap = std::make_unique<TPVBitmap>();
  test::Prepare(*bitmap, storage);
  EXPECT_TRUE(bitmap->Allocate(width, height, format));
  test::WritePattern(*bitmap, seed);
  return bitmap;
}

// What a masked copy makes of destination pixel x of a row (bytes of the pixel, or the bit of
// pv1g), from the original rows, the mask value m (0 when outside the range) and the format.
void ModelPixel(const uint8_t* source, int32_t sourceX, uint8_t* target, int32_t targetX,
                TPVPixelFormat format, int32_t maskBits, int32_t m) {
  if (m == 0) return;
  if (format == pv1g) {
    const uint8_t bit = 0x80 >> (targetX % 8);
    const bool set = (source[sourceX / 8] >> (7 - sourceX % 8)) & 1;
    target[targetX / 8] = set ? (target[targetX / 8] | bit) : (target[targetX / 8] & ~bit);
    return;
  }
  const int32_t size = PixelFormatBits[format] / 8;
  uint8_t* d = target + targetX * size;
  const uint8_t* s = source + sourceX * size;
  if (maskBits == 1) {
    if (format != pv32RGB) std::memcpy(d, s, size);
    return;
  }
  if (format != pv24RGB && format != pv8g && format != pv8p) return;
  for (int32_t c = 0; c < size; ++c)
    d[c] = static_cast<uint8_t>(d[c] + ((m * (s[c] - d[c])) >> 8));  // arithmetic shift
}

struct Placement {
  bool TargetAtBox, SourceAtBox;
  int32_t Shrink;  // pixels taken off both bitmaps' width and height: they end inside the box
};

TEST(CopyThrough, EveryFormatPairDepthAndPlacementMatchesThePixelModel) {
  test::TempFolderScope temp;
  const Placement placements[] = {{false, false, 0}, {true, false, 0}, {false, true, 0},
                                  {true, true, 0},   {false, false, 14}, {true, false, 9},
                                  {false, true, 9},  {true, true, 7}};
  for (Storage storage : {Storage::MemoryBlock, Storage::File})
    for (int32_t bits : {1, 8}) {
      TPVMask mask;
      StarMask(mask, bits);
      const int32_t boxWidth = mask.BoxRight - mask.BoxLeft + 1;
      const int32_t boxHeight = mask.BoxBottom - mask.BoxTop + 1;
      for (const Placement& p : placements)
        for (TPVPixelFormat targetFormat : kFormats)
          for (TPVPixelFormat sourceFormat : {targetFormat, targetFormat == pv8g ? pv8p : pv8g}) {
            const auto sizeOf = [&](bool atBox, bool wide) {
              return (atBox ? (wide ? boxWidth : boxHeight) : (wide ? 30 : 20)) - p.Shrink;
            };
            auto source = PatternBitmap(storage, sizeOf(p.SourceAtBox, true),
                                        sizeOf(p.SourceAtBox, false), sourceFormat, 1);
            auto target = PatternBitmap(storage, sizeOf(p.TargetAtBox, true),
                                        sizeOf(p.TargetAtBox, false), targetFormat, 2);
            const auto sourceRows = test::ReadRows(*source);
            auto expected = test::ReadRows(*target);
            if (sourceFormat == targetFormat) {
              const int32_t sx = p.SourceAtBox ? mask.BoxLeft : 0;
              const int32_t sy = p.SourceAtBox ? mask.BoxTop : 0;
              const int32_t tx = p.TargetAtBox ? mask.BoxLeft : 0;
              const int32_t ty = p.TargetAtBox ? mask.BoxTop : 0;
              for (int32_t y = mask.BoxTop; y <= mask.BoxBottom; ++y)
                for (int32_t x = mask.BoxLeft; x <= mask.BoxRight; ++x) {
                  const bool inside = x - sx < source->Width && y - sy < source->Height &&
                                      x - tx < target->Width && y - ty < target->Height;
                  if (!inside) continue;
                  const int32_t m =
                      bits == 1 ? (mask.GetPixel(x, y) ? 255 : 0) : mask.GetPixel(x, y);
                  ModelPixel(sourceRows[y - sy].data(), x - sx, expected[y - ty].data(), x - tx,
                             targetFormat, bits, m);
                }
            }
            mask.CopyThrough(*target, *source, p.TargetAtBox, p.SourceAtBox, false);
            ASSERT_EQ(test::ReadRows(*target), expected)
                << test::StorageName(storage) << ", " << bits << "-bit mask, formats "
                << int{sourceFormat} << " into " << int{targetFormat} << ", at box "
                << p.TargetAtBox << p.SourceAtBox << ", shrink " << p.Shrink;
            EXPECT_FALSE(target->HasAlphaChannel()) << "no alpha asked for";
          }
    }
}

struct BlendCase {
  int32_t Mask;
  uint8_t Expected;
};

// Destination 255, source 0: 128 gives 127, 255 stops one short of the source, 0 leaves.
TEST(CopyThrough, EightBitMaskBlendsByItsByte) {
  for (TPVPixelFormat format : {pv24RGB, pv8g, pv8p})
    for (const BlendCase& c : {BlendCase{128, 127}, BlendCase{255, 0}, BlendCase{0, 255}}) {
      TPVMask mask;
      ASSERT_TRUE(mask.Allocate(4, 3, 8));
      mask.SetPixel(1, 1, c.Mask);
      mask.SetPixel(2, 1, 1);  // keeps the box non-empty when c.Mask is 0
      TPVBitmap target(4, 3, format), source(4, 3, format);
      target.Fill(format == pv24RGB ? 0xFFFFFF : 255);
      source.Fill(0);
      mask.CopyThrough(target, source, false, false, false);
      const uint8_t* row = target.GetScanline(1);
      const int32_t size = PixelFormatBits[format] / 8;
      for (int32_t k = 0; k < size; ++k)
        EXPECT_EQ(row[size + k], c.Expected) << "format " << int{format} << ", mask " << c.Mask;
      EXPECT_EQ(target.GetScanline(0)[0], 255) << "outside the box";
    }
}

TEST(CopyThrough, ThirtyTwoBitPairsAndMixedFormatsCopyNothing) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(6, 6, 1));
  mask.Fill(255);
  mask.RecomputeBox();
  TPVBitmap target(6, 6, pv32RGB), source(6, 6, pv32RGB), grey(6, 6, pv8g);
  target.Fill(0x123456);
  source.Fill(0xABCDEF);
  const auto before = test::ReadRows(target);
  mask.CopyThrough(target, source, false, false, false);
  EXPECT_EQ(test::ReadRows(target), before);
  TPVBitmap rgb(6, 6, pv24RGB);
  rgb.Fill(0x123456);
  const auto rgbBefore = test::ReadRows(rgb);
  mask.CopyThrough(rgb, grey, false, false, false);
  EXPECT_EQ(test::ReadRows(rgb), rgbBefore);
}

// Without a source alpha plane the source counts as opaque: the destination alpha becomes the
// mask's values in the box, 0 where it selects nothing, and stays outside the box.
TEST(CopyAlphaThrough, SourceWithoutAlphaGivesTheMaskValues) {
  test::TempFolderScope temp;
  for (Storage storage : {Storage::MemoryBlock, Storage::File})
    for (int32_t bits : {1, 8}) {
      TPVMask mask;
      StarMask(mask, bits);
      auto source = PatternBitmap(storage, 30, 20, pv24RGB, 1);
      auto target = PatternBitmap(storage, 30, 20, pv24RGB, 2);
      const auto pixelsBefore = test::ReadRows(*target);
      mask.CopyThrough(*target, *source, false, false, true);
      ASSERT_TRUE(target->HasAlphaChannel());
      EXPECT_FALSE(target->AlphaBitmap->Opaque);
      EXPECT_FALSE(source->HasAlphaChannel()) << "the source is only read";
      for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 30; ++x) {
          const bool inBox = x >= mask.BoxLeft && x <= mask.BoxRight && y >= mask.BoxTop &&
                             y <= mask.BoxBottom;
          const int32_t m = bits == 1 ? (mask.GetPixel(x, y) ? 255 : 0) : mask.GetPixel(x, y);
          ASSERT_EQ(target->GetAlpha(x, y), inBox ? m : 255)
              << test::StorageName(storage) << " " << bits << " bits at " << x << "," << y;
        }
    }
}

TEST(CopyAlphaThrough, SourceAlphaIsLimitedByTheMaskByte) {
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(3, 1, 8));
  mask.SetPixel(0, 0, 200);
  mask.SetPixel(1, 0, 50);
  mask.SetPixel(2, 0, 1);  // the box takes the pixel in, then it is unselected again
  mask.SetPixel(2, 0, 0);
  TPVBitmap source(3, 1, pv8g), target(3, 1, pv8g);
  for (int32_t x = 0; x < 3; ++x) source.SetAlpha(x, 0, 120);
  mask.CopyAlphaThrough(target, source, false, false);
  EXPECT_EQ(target.GetAlpha(0, 0), 120);
  EXPECT_EQ(target.GetAlpha(1, 0), 50);
  EXPECT_EQ(target.GetAlpha(2, 0), 0);
}

// Planes and bitmaps smaller than the box, in every placement: only what both hold is written.
TEST(CopyAlphaThrough, BitmapsSmallerThanTheBoxAreNeitherReadNorWrittenOutside) {
  test::TempFolderScope temp;
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(50, 40, 8));
  mask.Fill(255);
  mask.RecomputeBox();
  for (bool targetAtBox : {false, true})
    for (bool sourceAtBox : {false, true}) {
      auto source = PatternBitmap(Storage::File, 7, 5, pv24RGB, 1);
      auto target = PatternBitmap(Storage::File, 4, 9, pv24RGB, 2);
      source->GetAlphaChannel()->Fill(77);
      mask.CopyThrough(*target, *source, targetAtBox, sourceAtBox, true);
      for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 4; ++x)
          ASSERT_EQ(target->GetAlpha(x, y), y < 5 ? 77 : 255) << x << "," << y;
    }
}

}  // namespace
}  // namespace calmora
