// The seeds of the BMP fuzz target: small files made by netpbm and ImageMagick in every layout
// they write, and hand-made run-length files with deltas. Each loads cleanly, and
// fuzz/corpus/bmp holds exactly these bytes (CALMORA_WRITE_FUZZ_SEEDS=1 writes them anew).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/imaging/codecs/bmp/bmp_test_files.h"
#include "tests/support/fuzz_seed_corpus.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

struct SeedTool {
  const char* Name;
  const char* Source;   // c16, bw, rgb or alpha
  const char* Command;  // IN and OUT stand for the files
};

const SeedTool kSeedTools[] = {
    {"ppm_1bit", "bw", "ppmtobmp -bpp 1 -windows IN > OUT"},
    {"ppm_4bit_os2", "c16", "ppmtobmp -bpp 4 -os2 IN > OUT"},
    {"ppm_8bit", "c16", "ppmtobmp -bpp 8 -windows IN > OUT"},
    {"ppm_24bit_os2", "rgb", "ppmtobmp -bpp 24 -os2 IN > OUT"},
    {"magick_bmp3_rgb", "rgb", "convert IN BMP3:OUT"},
    {"magick_bmp3_rle8", "c16", "convert IN -type Palette -compress RLE BMP3:OUT"},
    {"magick_bmp2_palette", "c16", "convert IN -type Palette BMP2:OUT"},
    {"magick_bmp5_palette", "c16", "convert IN -type Palette BMP:OUT"},
    {"magick_bmp5_rgb565", "rgb", "convert IN -define bmp:subtype=RGB565 BMP:OUT"},
    {"magick_bmp5_alpha", "alpha", "convert IN BMP:OUT"},
};

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(BMPFuzzSeeds, CorpusHoldsTheReferenceFiles) {
  CALMORA_REQUIRE_TOOL("ppmtobmp");
  CALMORA_REQUIRE_TOOL("convert");
  ScratchFolder folder("bmp-seeds");
  const auto c16 = MakePattern(12, 7, 16);
  const auto bw = MakePattern(13, 7, 2);
  const auto rgb = MakePattern(11, 6, 0);
  ASSERT_TRUE(SavePNM(*c16, folder.File("c16.ppm")));
  ASSERT_TRUE(SavePNM(*bw, folder.File("bw.ppm")));
  ASSERT_TRUE(SavePNM(*rgb, folder.File("rgb.ppm")));
  TPVBitmap* alpha = rgb->GetAlphaChannel();
  for (int32_t y = 0; y < rgb->Height; ++y)
    for (int32_t x = 0; x < rgb->Width; ++x) alpha->GetScanline(y)[x] = (x * 23 + y * 7) % 256;
  ASSERT_TRUE(SavePNM(*rgb, folder.File("alpha.pam")));

  SeedFiles seeds;
  for (const SeedTool& tool : kSeedTools) {
    const std::string source = folder.File(std::string(tool.Source) +
                                           (std::string(tool.Source) == "alpha" ? ".pam" : ".ppm"));
    const std::string out = folder.File(std::string(tool.Name) + ".bmp");
    std::string command = tool.Command;
    command.replace(command.find("IN"), 2, ShellQuoted(source));
    command.replace(command.find("OUT"), 3, ShellQuoted(out));
    ASSERT_EQ(RunTool(command, false).Status, 0) << command;
    seeds.emplace_back(std::string(tool.Name) + ".bmp", Bytes(ReadFileBytes(out)));
  }
  HandMadeBMP rle4;
  rle4.Width = 7;
  rle4.Height = 3;
  rle4.BitCount = 4;
  rle4.Compression = 2;
  rle4.ColorsUsed = 16;
  for (int32_t i = 0; i < 16; ++i) rle4.Table.push_back(PatternColor(i));
  rle4.Pixels = BMPBytes().U8(4).U8(0x12).U8(0).U8(3).U8(0x34).U8(0x50).U8(0).U8(0)
                    .U8(0).U8(2).U8(3).U8(0).U8(3).U8(0x9A).U8(0).U8(0).U8(7).U8(0xEF)
                    .U8(0).U8(1).Bytes();
  seeds.emplace_back("hand_rle4_delta.bmp", Bytes(BuildBMP(rle4)));
  HandMadeBMP rle8 = rle4;
  rle8.BitCount = 8;
  rle8.Compression = 1;
  rle8.Pixels = BMPBytes().U8(3).U8(1).U8(0).U8(3).U8(2).U8(3).U8(4).U8(0).U8(0).U8(0)
                    .U8(0).U8(2).U8(2).U8(1).U8(9).U8(5).U8(0).U8(1).Bytes();
  seeds.emplace_back("hand_rle8_delta.bmp", Bytes(BuildBMP(rle8)));

  for (const auto& [name, bytes] : seeds) {
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    EXPECT_FALSE(ReadBMPBytes(BytesOf(bytes), bitmap, params).Aborting) << name;
    EXPECT_FALSE(bitmap.IsEmpty()) << name;
  }
  ExpectSeedCorpus("bmp", seeds);
}

}  // namespace
}  // namespace calmora::test
