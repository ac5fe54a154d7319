// ResampleNearest: every format against a model of the column and row maps, netpbm's
// pamenlarge for whole enlargements through ResampleBitmap, the palette and the progress, in
// memory and in the temporary file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/proc/resample/resample_kernels.h"
#include "tests/imaging/proc/resample/resample_test_support.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

constexpr TPVPixelFormat kAllFormats[] = {pv1g,  pv8p,   pv8g,    pv16g,    pv24RGB,
                                          pv32f, pvCMYK, pvRGB48, pvCIELab, pv32RGB};

// Pixel bytes of a row (a pv1g pixel as a byte of 0 or 1), whatever the format.
std::vector<std::vector<uint8_t>> PixelsOf(const TPVBitmap& bitmap) {
  const TPVPixelFormat format = bitmap.GetPixelFormat();
  std::vector<std::vector<uint8_t>> rows;
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    const uint8_t* row = bitmap.GetScanline(y);
    std::vector<uint8_t> pixels;
    if (format == pv1g) {
      for (int32_t x = 0; x < bitmap.GetWidth(); ++x)
        pixels.push_back((row[x >> 3] >> (7 - (x & 7))) & 1);
    } else {
      pixels.assign(row, row + PixelBytes(bitmap.GetWidth(), format));
    }
    rows.push_back(pixels);
  }
  return rows;
}

// Destination pixel (i, j) is source pixel (Trunc(i x sw / dw), Trunc(j x sh / dh)).
std::vector<std::vector<uint8_t>> ModelNearest(const std::vector<std::vector<uint8_t>>& source,
                                               int32_t sw, int32_t dw, int32_t dh,
                                               int32_t pixelBytes) {
  const auto sh = static_cast<int32_t>(source.size());
  std::vector<std::vector<uint8_t>> out;
  for (int32_t j = 0; j < dh; ++j) {
    const auto& row = source[static_cast<size_t>(j * (static_cast<double>(sh) / dh))];
    std::vector<uint8_t> pixels;
    for (int32_t i = 0; i < dw; ++i) {
      const auto x = static_cast<int32_t>(i * (static_cast<double>(sw) / dw));
      pixels.insert(pixels.end(), row.begin() + x * pixelBytes, row.begin() + (x + 1) * pixelBytes);
    }
    out.push_back(pixels);
  }
  return out;
}

class Nearest : public ::testing::TestWithParam<Storage> {
 protected:
  void MakeRandom(TPVBitmap& bitmap, std::mt19937& random, int32_t w, int32_t h,
                  TPVPixelFormat format) {
    MakeBitmap(bitmap, GetParam(), w, h, format);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = bitmap.GetScanline(y);
      for (int32_t i = 0; i < bitmap.RowBytes; ++i) row[i] = static_cast<uint8_t>(byte(random));
    }
  }
  TempFolderScope temp_;
};

TEST_P(Nearest, EveryFormatFollowsTheColumnAndRowMaps) {
  std::mt19937 random(2100);
  std::uniform_int_distribution<int32_t> size(1, 23);
  for (const TPVPixelFormat format : kAllFormats)
    for (int trial = 0; trial < 12; ++trial) {
      const int32_t sw = size(random), sh = size(random), dw = size(random), dh = size(random);
      TPVBitmap from, to;
      MakeRandom(from, random, sw, sh, format);
      MakeBitmap(to, GetParam(), dw, dh, format);
      ASSERT_EQ(ResampleNearest(from, to, nullptr, nullptr), &to);
      const int32_t pixelBytes = format == pv1g ? 1 : PixelFormatBits[format] / 8;
      ASSERT_EQ(PixelsOf(to), ModelNearest(PixelsOf(from), sw, dw, dh, pixelBytes))
          << "format " << int{format} << " " << sw << "x" << sh << " to " << dw << "x" << dh;
    }
}

// Whole bytes of a pv1g row are written and the bits after its last pixel are 0, in either
// storage.
TEST_P(Nearest, BitRowsEndInClearBits) {
  std::mt19937 random(2101);
  TPVBitmap from, to;
  MakeRandom(from, random, 9, 4, pv1g);
  MakeBitmap(to, GetParam(), 13, 5, pv1g);
  WritePattern(to, 3);
  ASSERT_NE(ResampleNearest(from, to, nullptr, nullptr), nullptr);
  for (int32_t y = 0; y < 5; ++y) EXPECT_EQ(to.GetScanline(y)[1] & 0x07, 0) << y;
}

TEST_P(Nearest, APaletteGoesWithItsIndexes) {
  std::mt19937 random(2102);
  TPVBitmap from, to;
  MakeRandom(from, random, 7, 5, pv8p);
  for (int32_t i = 0; i < 256; ++i)
    from.SetPaletteColor(i, TPVRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9});
  MakeBitmap(to, GetParam(), 3, 9, pv8p);
  ASSERT_NE(ResampleNearest(from, to, nullptr, nullptr), nullptr);
  for (int32_t i = 0; i < 256; ++i) EXPECT_EQ(to.GetPaletteColor(i), from.GetPaletteColor(i)) << i;
}

// rfNone doubles and quadruples exactly as pamenlarge does, for P4 (an odd width of bits),
// P5 and P6.
TEST_P(Nearest, WholeEnlargementsEqualPamenlarge) {
  CALMORA_REQUIRE_TOOL("pamenlarge");
  std::mt19937 random(2103);
  ScratchFolder folder;
  for (const TPVPixelFormat format : {pv1g, pv8g, pv24RGB})
    for (const int32_t factor : {2, 4}) {
      TPVBitmap from, to;
      MakeRandom(from, random, 13, 6, format);
      MakeBitmap(to, GetParam(), 13 * factor, 6 * factor, format);
      const std::string in = folder.File("in.pnm"), out = folder.File("out.pnm");
      ASSERT_TRUE(SavePNM(from, in));
      const ToolResult enlarged = RunTool("pamenlarge " + std::to_string(factor) + " " +
                                          ShellQuoted(in) + " > " + ShellQuoted(out));
      ASSERT_EQ(enlarged.Status, 0) << enlarged.Output;
      TPVBitmap expected;
      std::string error;
      ASSERT_TRUE(LoadPNM(out, expected, &error)) << error;
      ASSERT_TRUE(ResampleBitmap(from, to, rfNone, nullptr, nullptr));
      EXPECT_EQ(to.GetPixelFormat(), format);
      EXPECT_EQ(ReadPlane(to), ReadPlane(expected)) << "format " << int{format} << " x" << factor;
    }
}

INSTANTIATE_TEST_SUITE_P(Storages, Nearest, ::testing::ValuesIn(kStorages), StorageCaseName);

// Trunc(j x 100 / (dh + 0.5)) after destination row j from 0, reported when it changes.
TEST(NearestProgress, ReportsEachNewPercentOnce) {
  TPVBitmap from(5, 5, pv8g), to(5, 250, pv8g);
  ProgressLog log;
  TObject sender;
  ASSERT_NE(ResampleNearest(from, to, &sender, log.Event()), nullptr);
  std::vector<int> expected;
  for (int j = 0; j < 250; ++j) {
    const int percent = static_cast<int>(j * (100 / 250.5));
    if (expected.empty() || expected.back() != percent) expected.push_back(percent);
  }
  EXPECT_EQ(log.percents, expected);
  EXPECT_EQ(log.percents.front(), 0);
  EXPECT_EQ(log.percents.back(), 99);
  EXPECT_EQ(log.sender, &sender);
}

}  // namespace
}  // namespace calmora::test
