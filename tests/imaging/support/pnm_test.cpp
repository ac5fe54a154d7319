// The tests' PNM/PAM support agrees with netpbm and ImageMagick, so comparisons through it
// cannot hide a fault of the library behind a fault of the support.
#include "tests/imaging/support/pnm.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

// Random bytes in every pixel byte (the row padding left as allocated).
void FillRandom(TPVBitmap& bitmap, unsigned seed) {
  std::mt19937 random(seed);
  const int32_t bytes = static_cast<int32_t>((int64_t{bitmap.GetWidth()} * bitmap.GetBitCount() + 7) / 8);
  for (int32_t y = 0; y < bitmap.GetHeight(); ++y) {
    uint8_t* row = bitmap.GetScanline(y);
    for (int32_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(random());
    if (bitmap.GetPixelFormat() == pv1g && bitmap.GetWidth() % 8)
      row[bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - bitmap.GetWidth() % 8));
  }
}

bool SamePixels(TPVBitmap& a, TPVBitmap& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
      a.GetPixelFormat() != b.GetPixelFormat())
    return false;
  const size_t bytes = static_cast<size_t>((int64_t{a.GetWidth()} * a.GetBitCount() + 7) / 8);
  for (int32_t y = 0; y < a.GetHeight(); ++y)
    if (std::memcmp(a.GetScanline(y), b.GetScanline(y), bytes) != 0) return false;
  return true;
}

struct FormatCase {
  TPVPixelFormat format;
  bool alpha;
  const char* netpbmType;  // what pnmfile calls the written file
};

class PNMRoundTrip : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PNMRoundTrip, SavesWhatNetpbmReadsAndLoadsItBack) {
  CALMORA_REQUIRE_TOOL("pamfile");
  const FormatCase c = GetParam();
  ScratchFolder folder;
  TPVBitmap bitmap(13, 5, c.format);
  FillRandom(bitmap, 3);
  if (c.alpha) FillRandom(*bitmap.GetAlphaChannel(), 4);
  const std::string path = folder.File("x.pnm");
  ASSERT_TRUE(SavePNM(bitmap, path));
  const ToolResult described = RunTool("pamfile " + ShellQuoted(path));
  EXPECT_EQ(described.Status, 0) << described.Output;
  EXPECT_NE(described.Output.find(c.netpbmType), std::string::npos) << described.Output;
  EXPECT_NE(described.Output.find("13 by 5"), std::string::npos) << described.Output;
  TPVBitmap loaded;
  std::string error;
  ASSERT_TRUE(LoadPNM(path, loaded, &error)) << error;
  EXPECT_TRUE(SamePixels(bitmap, loaded));
  EXPECT_EQ(loaded.HasAlphaChannel(), c.alpha);
  if (c.alpha) {
    EXPECT_TRUE(SamePixels(*bitmap.GetAlphaChannel(), *loaded.GetAlphaChannel()));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PNMRoundTrip,
                         ::testing::Values(FormatCase{pv1g, false, "PBM raw"},
                                           FormatCase{pv8g, false, "PGM raw"},
                                           FormatCase{pv16g, false, "PGM raw"},
                                           FormatCase{pv24RGB, false, "PPM raw"},
                                           FormatCase{pvRGB48, false, "PPM raw"},
                                           FormatCase{pv8g, true, "GRAYSCALE_ALPHA"},
                                           FormatCase{pv24RGB, true, "RGB_ALPHA"},
                                           FormatCase{pvRGB48, true, "RGB_ALPHA"}));

// Pixel values as ImageMagick reads them: a known picture, checked sample by sample.
TEST(PNM, ImageMagickReadsTheSamplesWritten) {
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder;
  TPVBitmap bitmap(2, 1, pv24RGB);
  uint8_t* row = bitmap.GetScanline(0);
  const uint8_t bgr[6] = {1, 2, 3, 250, 128, 0};
  std::memcpy(row, bgr, 6);
  ASSERT_TRUE(SavePNM(bitmap, folder.File("x.ppm")));
  const ToolResult text = RunTool("convert " + ShellQuoted(folder.File("x.ppm")) + " txt:-");
  EXPECT_NE(text.Output.find("0,0: (3,2,1)"), std::string::npos) << text.Output;
  EXPECT_NE(text.Output.find("1,0: (0,128,250)"), std::string::npos) << text.Output;
}

TEST(PNM, LoadsWhatImageMagickWritesInEveryForm) {
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder;
  // A 7 x 3 gradient: every form must give the same grey bitmap.
  const std::string source = folder.File("g.pgm");
  ASSERT_EQ(RunTool("convert -size 7x3 gradient:black-white -depth 8 " + ShellQuoted(source)).Status, 0);
  TPVBitmap reference;
  ASSERT_TRUE(LoadPNM(source, reference));
  ASSERT_EQ(reference.GetPixelFormat(), pv8g);
  for (const char* form : {"pgm:", "-compress none pgm:", "pam:"}) {
    const std::string path = folder.File("out");
    ASSERT_EQ(RunTool("convert " + ShellQuoted(source) + " " + form + ShellQuoted(path)).Status, 0);
    TPVBitmap loaded;
    std::string error;
    ASSERT_TRUE(LoadPNM(path, loaded, &error)) << form << ": " << error;
    EXPECT_TRUE(SamePixels(reference, loaded)) << form;
  }
}

TEST(PNM, RefusesDamagedFiles) {
  ScratchFolder folder;
  for (const std::string& bytes : {std::string("P6\n2 2\n255\nabc"), std::string("P5\n0 1\n255\n"),
                                   std::string("P7\nWIDTH 1\nHEIGHT 1\n"), std::string("XX")}) {
    ASSERT_TRUE(WriteFileBytes(folder.File("bad"), bytes));
    TPVBitmap bitmap;
    EXPECT_FALSE(LoadPNM(folder.File("bad"), bitmap)) << bytes;
  }
}

}  // namespace
}  // namespace calmora::test
