// ReadBMPStream against reference decoders: files made by netpbm, ImageMagick, Pillow and by
// hand load to the pixels bmptopnm gives (ImageMagick's for run-length data, which bmptopnm
// refuses), with ImageMagick's alpha and the parameters each file states, in memory and in
// temporary-file storage.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/imaging/codecs/bmp/bmp_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

struct ToolCase {
  const char* Name;
  const char* Source;     // c16, bw, rgb or alpha: the image the tool is given
  const char* Make;       // IN and OUT stand for the files
  const char* Reference;  // the decoder whose pixels ours must equal
  int Version;
  int Compression;
  int BitsPerSample;
  int Samples;
  int Dpi;  // -1: not stated by the file
  // Channel bits the reference's pixels are compared in (16-bit files keep only these).
  uint8_t RedMask = 0xFF, GreenMask = 0xFF, BlueMask = 0xFF;
};

constexpr const char* kBmptopnm = "bmptopnm OUT > REF 2>/dev/null";
// Palette files come out of ImageMagick at their own depth unless told otherwise.
constexpr const char* kMagick = "convert OUT -alpha off -depth 8 ppm:REF";
constexpr const char* kPillow = "/usr/bin/python3 -c \"import sys; from PIL import Image; ";

const ToolCase kToolCases[] = {
    {"ppm1", "bw", "ppmtobmp -bpp 1 -windows IN > OUT", kBmptopnm, 1, 0, 1, 1, -1},
    {"ppm1os2", "bw", "ppmtobmp -bpp 1 -os2 IN > OUT", kBmptopnm, 2, 0, 1, 1, -1},
    {"ppm4", "c16", "ppmtobmp -bpp 4 -windows IN > OUT", kBmptopnm, 1, 0, 4, 1, -1},
    {"ppm4os2", "c16", "ppmtobmp -bpp 4 -os2 IN > OUT", kBmptopnm, 2, 0, 4, 1, -1},
    {"ppm8", "c16", "ppmtobmp -bpp 8 -windows IN > OUT", kBmptopnm, 1, 0, 8, 1, -1},
    {"ppm8os2", "c16", "ppmtobmp -bpp 8 -os2 IN > OUT", kBmptopnm, 2, 0, 8, 1, -1},
    {"ppm24", "rgb", "ppmtobmp -bpp 24 -windows IN > OUT", kBmptopnm, 1, 0, 8, 3, -1},
    {"ppm24os2", "rgb", "ppmtobmp -bpp 24 -os2 IN > OUT", kBmptopnm, 2, 0, 8, 3, -1},
    {"magickBmp3Rgb", "rgb", "convert IN BMP3:OUT", kBmptopnm, 1, 0, 8, 3, -1},
    {"magickBmp3Palette", "c16", "convert IN -type Palette BMP3:OUT", kBmptopnm, 1, 0, 4, 1, -1},
    {"magickBmp3Rle8", "c16even", "convert IN -type Palette -compress RLE BMP3:OUT", kMagick, 1, 1, 8,
     1, -1},
    {"magickBmp2Rgb", "rgb", "convert IN BMP2:OUT", kBmptopnm, 2, 0, 8, 3, 300},
    {"magickBmp2Palette", "c16", "convert IN -type Palette BMP2:OUT", kBmptopnm, 2, 0, 4, 1, 300},
    {"magickBmp5Palette", "c16", "convert IN -type Palette BMP:OUT", kBmptopnm, 0, 0, 4, 1, -1},
    {"magickBmp5Rgb565", "rgb", "convert IN -define bmp:subtype=RGB565 BMP:OUT", kBmptopnm, 0, 0,
     5, 3, -1, 0xF8, 0xFC, 0xF8},
    {"magickBmp5Rgb555", "rgb", "convert IN -define bmp:subtype=RGB555 BMP:OUT", kBmptopnm, 0, 0,
     5, 3, -1, 0xF8, 0xF8, 0xF8},
    {"magick72Dpi", "rgb", "convert IN -density 72 -units PixelsPerInch BMP3:OUT", kBmptopnm, 1,
     0, 8, 3, 72},
    {"magickAlpha", "alpha", "convert IN BMP:OUT", kBmptopnm, 0, 0, 8, 4, -1},
    {"pillowRgb", "rgb", "Image.open(sys.argv[1]).save(sys.argv[2], 'BMP')\" IN OUT", kBmptopnm, 1,
     0, 8, 3, -1},
    {"pillowPalette", "c16",
     "Image.open(sys.argv[1]).convert('P').save(sys.argv[2], 'BMP')\" IN OUT", kBmptopnm, 1, 0, 8,
     1, -1},
    {"pillowOneBit", "bw", "Image.open(sys.argv[1]).convert('1').save(sys.argv[2], 'BMP')\" IN OUT",
     kBmptopnm, 1, 0, 1, 1, -1},
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class BMPReaderTools : public testing::TestWithParam<ToolCase> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new ScratchFolder("bmp-reader");
    const auto c16 = MakePattern(37, 23, 16);
    const auto bw = MakePattern(37, 23, 2);
    const auto rgb = MakePattern(37, 23, 0);
    ASSERT_TRUE(SavePNM(*c16, folder_->File("c16.ppm")));
    // Run-length rows of an even width: encoders that pad a row with one more pixel make odd
    // widths pile up on the last column here.
    ASSERT_TRUE(SavePNM(*MakePattern(36, 23, 16), folder_->File("c16even.ppm")));
    ASSERT_TRUE(SavePNM(*bw, folder_->File("bw.ppm")));
    ASSERT_TRUE(SavePNM(*rgb, folder_->File("rgb.ppm")));
    TPVBitmap* alpha = rgb->GetAlphaChannel();
    for (int32_t y = 0; y < rgb->Height; ++y)
      for (int32_t x = 0; x < rgb->Width; ++x) alpha->GetScanline(y)[x] = (x * 9 + y * 5) % 256;
    ASSERT_TRUE(SavePNM(*rgb, folder_->File("alpha.pam")));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static ScratchFolder* folder_;
};

ScratchFolder* BMPReaderTools::folder_ = nullptr;

TEST_P(BMPReaderTools, PixelsAlphaAndParamsEqualTheReference) {
  const ToolCase& c = GetParam();
  for (const char* tool : {"ppmtobmp", "bmptopnm", "convert", "/usr/bin/python3"})
    CALMORA_REQUIRE_TOOL(tool);
  const std::string source = std::string(c.Source) + (std::string(c.Source) == "alpha" ? ".pam" : ".ppm");
  const std::string out = folder_->File(std::string(c.Name) + ".bmp");
  const std::string ref = folder_->File(std::string(c.Name) + ".ref.ppm");
  std::string make = Replace(c.Make, "IN", ShellQuoted(folder_->File(source)));
  make = Replace(make, "OUT", ShellQuoted(out));
  if (std::string(c.Make).find("Image.") == 0) make = std::string(kPillow) + make;
  ASSERT_EQ(RunTool(make, false).Status, 0) << make;
  const std::string decode =
      Replace(Replace(c.Reference, "OUT", ShellQuoted(out)), "REF", ShellQuoted(ref));
  const ToolResult decoded = RunTool(decode, false);
  ASSERT_EQ(decoded.Status, 0) << decode << "\n" << decoded.Output;
  TPVBitmap reference;
  std::string why;
  ASSERT_TRUE(LoadPNM(ref, reference, &why)) << why;
  for (int32_t y = 0; y < reference.Height; ++y) {
    auto* row = reinterpret_cast<TPVRGB*>(reference.GetScanline(y));
    if (reference.Format != pv24RGB) break;
    for (int32_t x = 0; x < reference.Width; ++x) {
      row[x].r &= c.RedMask;
      row[x].g &= c.GreenMask;
      row[x].b &= c.BlueMask;
    }
  }
  const std::string bytes = ReadFileBytes(out);

  for (const bool native : {false, true}) {
    for (const int64_t threshold : {INT64_MAX, int64_t{0}}) {
      const std::string what = std::string(c.Name) + (native ? " native" : "") +
                               (threshold == 0 ? " in a temporary file" : " in memory");
      TIOParamsVals params(nullptr);
      params.NativePixelFormat = native;
      TPVBitmap bitmap;
      bitmap.FileThreshold = threshold;
      const ReadResult result = ReadBMPBytes(bytes, bitmap, params);
      EXPECT_FALSE(result.Aborting) << what;
      EXPECT_EQ(bitmap.Location, threshold == 0 ? pvFile : pvMemory) << what;
      const bool indexed = c.BitsPerSample == 4 || (c.BitsPerSample == 8 && c.Samples == 1);
      EXPECT_EQ(bitmap.Format, c.BitsPerSample == 1 ? pv1g : native && indexed ? pv8p : pv24RGB)
          << what;
      ExpectSamePixels(bitmap, reference, what);
      EXPECT_EQ(params.BMP_Version, c.Version) << what;
      EXPECT_EQ(params.BMP_Compression, c.Compression) << what;
      EXPECT_EQ(params.BitsPerSample, c.BitsPerSample) << what;
      EXPECT_EQ(params.SamplesPerPixel, c.Samples) << what;
      EXPECT_EQ(params.Width, reference.Width) << what;
      EXPECT_EQ(params.Height, 23) << what;
      EXPECT_EQ(params.OriginalWidth, reference.Width) << what;
      if (c.Dpi > 0) {
        EXPECT_EQ(params.DpiX, c.Dpi) << what;
        EXPECT_EQ(params.DpiY, c.Dpi) << what;
      }
      if (std::string(c.Source) != "alpha") {
        EXPECT_EQ(result.Mask, nullptr) << what;
        continue;
      }
      ASSERT_NE(result.Mask, nullptr) << what;
      const std::string alphaFile = folder_->File(std::string(c.Name) + ".alpha.pgm");
      ASSERT_EQ(RunTool("convert " + ShellQuoted(out) + " -alpha extract pgm:" +
                        ShellQuoted(alphaFile))
                    .Status,
                0);
      TPVBitmap alpha;
      ASSERT_TRUE(LoadPNM(alphaFile, alpha));
      int32_t differences = 0;
      for (int32_t y = 0; y < alpha.Height; ++y)
        for (int32_t x = 0; x < alpha.Width; ++x)
          differences += result.Mask->GetPixel(x, y) != alpha.GetScanline(y)[x];
      EXPECT_EQ(differences, 0) << what;
    }
  }
  // Parameters alone: the same record, the bitmap untouched.
  TIOParamsVals params(nullptr);
  TPVBitmap untouched;
  ReadOptions options;
  options.ParamsOnly = true;
  EXPECT_FALSE(ReadBMPBytes(bytes, untouched, params, options).Aborting);
  EXPECT_TRUE(untouched.IsEmpty());
  EXPECT_EQ(params.Width, reference.Width);
  EXPECT_EQ(params.BitsPerSample, c.BitsPerSample);
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, BMPReaderTools, testing::ValuesIn(kToolCases),
                         [](const testing::TestParamInfo<ToolCase>& param) {
                           return std::string(param.param.Name);
                         });

// ---- Hand-made files, each compared with a reference decoder ----

struct HandCase {
  const char* Name;
  HandMadeBMP File;
  const char* Reference;
  uint8_t RedMask = 0xFF, GreenMask = 0xFF, BlueMask = 0xFF;
};

std::string Words(const std::vector<uint16_t>& words) {
  BMPBytes out;
  for (uint16_t w : words) out.U16(w);
  return out.Bytes();
}

// 4 x 3 pixels of 16 bits, rows padded to 8 bytes.
std::string SixteenBitRows() {
  return Words({0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x4210, 0x1234, 0x0421, 0x5555, 0xF800, 0x07E0,
                0xFFFF, 0x8421});
}

std::vector<TPVRGB> SixteenColors() {
  std::vector<TPVRGB> table;
  for (int32_t i = 0; i < 16; ++i) table.push_back(PatternColor(i));
  return table;
}

std::vector<HandCase> HandCases() {
  std::vector<HandCase> cases;
  {
    HandCase c{"fiveFiveFive", {}, kBmptopnm, 0xF8, 0xF8, 0xF8};
    c.File.BitCount = 16;
    c.File.Pixels = SixteenBitRows();
    cases.push_back(c);
  }
  {
    // bmptopnm reads the masks only after longer headers.
    HandCase c{"fiveSixFive", {}, kMagick, 0xF8, 0xFC, 0xF8};
    c.File.BitCount = 16;
    c.File.Compression = 3;
    c.File.Masks = {0xF800, 0x07E0, 0x001F};
    c.File.Pixels = SixteenBitRows();
    cases.push_back(c);
  }
  {
    HandCase c{"header124Palette", {}, kBmptopnm};
    c.File.HeaderSize = 124;
    c.File.BitCount = 8;
    c.File.Table = SixteenColors();
    c.File.ColorsUsed = 16;
    c.File.Pixels = std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C", 12);
    cases.push_back(c);
  }
  {
    HandCase c{"topDown", {}, kBmptopnm};
    c.File.Height = -3;
    for (int i = 0; i < 3; ++i) c.File.Pixels += std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0", 12).substr(0, 12);
    c.File.Pixels[0] = '\xFF';
    c.File.Pixels[15] = '\x01';
    cases.push_back(c);
  }
  {
    // Runs, a literal with its pad byte, a delta over a pixel and a row, an end of line.
    HandCase c{"rle8Delta", {}, kMagick};
    c.File.Width = 6;
    c.File.Height = 4;
    c.File.BitCount = 8;
    c.File.Compression = 1;
    c.File.Table = SixteenColors();
    c.File.ColorsUsed = 16;
    c.File.Pixels = BMPBytes()
                        .U8(3).U8(1).U8(0).U8(3).U8(2).U8(3).U8(4).U8(0)  // run, literal + pad
                        .U8(0).U8(0)                                      // end of line
                        .U8(0).U8(2).U8(2).U8(1)                          // delta (2, 1)
                        .U8(2).U8(5).U8(0).U8(0)                          // run, end of line
                        .U8(6).U8(7).U8(0).U8(1)                          // full row, end
                        .Bytes();
    cases.push_back(c);
  }
  {
    HandCase c{"rle4Delta", {}, kMagick};
    c.File.Width = 7;
    c.File.Height = 3;
    c.File.BitCount = 4;
    c.File.Compression = 2;
    c.File.Table = SixteenColors();
    c.File.ColorsUsed = 16;
    c.File.Pixels = BMPBytes()
                        .U8(4).U8(0x12).U8(0).U8(3).U8(0x34).U8(0x50)  // run, odd literal
                        .U8(0).U8(0)
                        .U8(0).U8(2).U8(3).U8(0)                       // delta (3, 0)
                        .U8(3).U8(0x9A).U8(0).U8(0)
                        .U8(7).U8(0xEF).U8(0).U8(1)
                        .Bytes();
    cases.push_back(c);
  }
  return cases;
}

TEST(BMPReaderHandMade, PixelsEqualTheReference) {
  CALMORA_REQUIRE_TOOL("bmptopnm");
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder("bmp-hand");
  for (const HandCase& c : HandCases()) {
    const std::string out = folder.File(std::string(c.Name) + ".bmp");
    const std::string ref = folder.File(std::string(c.Name) + ".ppm");
    const std::string bytes = BuildBMP(c.File);
    ASSERT_TRUE(WriteFileBytes(out, bytes));
    const std::string decode =
        Replace(Replace(c.Reference, "OUT", ShellQuoted(out)), "REF", ShellQuoted(ref));
    ASSERT_EQ(RunTool(decode, false).Status, 0) << c.Name;
    TPVBitmap reference;
    ASSERT_TRUE(LoadPNM(ref, reference)) << c.Name;
    for (int32_t y = 0; y < reference.Height; ++y) {
      auto* row = reinterpret_cast<TPVRGB*>(reference.GetScanline(y));
      for (int32_t x = 0; x < reference.Width; ++x) {
        row[x].r &= c.RedMask;
        row[x].g &= c.GreenMask;
        row[x].b &= c.BlueMask;
      }
    }
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    const ReadResult result = ReadBMPBytes(bytes, bitmap, params);
    EXPECT_FALSE(result.Aborting) << c.Name;
    ExpectSamePixels(bitmap, reference, c.Name);
  }
}

// The top-down file's alpha lines up with its pixels: row k of the file is row k of the image.
TEST(BMPReaderHandMade, TopDownAlphaFollowsItsRows) {
  HandMadeBMP f;
  f.Width = 2;
  f.Height = -2;
  f.BitCount = 32;
  f.Pixels = BMPBytes().U32(0x10203040).U32(0x20304050).U32(0xFF000001).U32(0x80000002).Bytes();
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  const ReadResult result = ReadBMPBytes(BuildBMP(f), bitmap, params);
  ASSERT_FALSE(result.Aborting);
  ASSERT_NE(result.Mask, nullptr);
  EXPECT_EQ(result.Mask->GetPixel(0, 0), 0x10);
  EXPECT_EQ(result.Mask->GetPixel(1, 0), 0x20);
  EXPECT_EQ(result.Mask->GetPixel(0, 1), 0xFF);
  EXPECT_EQ(result.Mask->GetPixel(1, 1), 0x80);
  EXPECT_EQ(bitmap.GetPixel24(0, 1), (TPVRGB{0x01, 0x00, 0x00}));
}

}  // namespace
}  // namespace calmora::test
