// The seeds of the two LZW fuzz targets, made by the reference encoders: frames of ppmtogif and
// ImageMagick behind the GIF target's three choice bytes, and tiffcp's strips (both fill
// orders) behind the TIFF target's. Each seed must decode to the tools' pixels, and
// fuzz/corpus/gif_lzw and fuzz/corpus/tiff_lzw must hold exactly these bytes
// (CALMORA_WRITE_FUZZ_SEEDS=1 writes them there first).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "tests/imaging/codecs/lzw/lzw_test_files.h"
#include "tests/support/fuzz_seed_corpus.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::Bytes;

// A small picture: a few colours in diagonal bands, rows RGB.
Bytes Bands(uint32_t width, uint32_t height, int colours) {
  Bytes rgb;
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const int k = int((x + 2 * y) / 3 % uint32_t(colours));
      rgb.push_back(uint8_t(k * 60));
      rgb.push_back(uint8_t(200 - k * 30));
      rgb.push_back(uint8_t(k * 17 + 5));
    }
  return rgb;
}

std::string PPM(uint32_t width, uint32_t height, const Bytes& rgb) {
  return "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + test::ToText(rgb);
}

struct GIFSeed {
  const char* name;
  const char* command;  // from in.ppm to out.gif
  uint32_t width, height;
  int colours;
};

TEST(LZWFuzzSeeds, GIFFramesOfTheReferenceEncoders) {
  CALMORA_REQUIRE_TOOL("ppmtogif");
  CALMORA_REQUIRE_TOOL("convert");
  const GIFSeed seeds[] = {
      {"ppmtogif_8x6.bin", "ppmtogif in.ppm > out.gif", 8, 6, 4},
      {"ppmtogif_interlaced_20x12.bin", "ppmtogif -interlace in.ppm > out.gif", 20, 12, 40},
      {"imagemagick_17x9.bin", "convert in.ppm out.gif", 17, 9, 7},
      {"imagemagick_interlaced_30x30.bin", "convert in.ppm -interlace GIF out.gif", 30, 30, 120},
  };
  test::SeedFiles files;
  for (const GIFSeed& seed : seeds) {
    test::ScratchFolder folder;
    const Bytes rgb = Bands(seed.width, seed.height, seed.colours);
    ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"), PPM(seed.width, seed.height, rgb)));
    const test::ToolResult made =
        test::RunTool("(cd " + test::ShellQuoted(folder.Path()) + " && " + seed.command + ")");
    ASSERT_EQ(made.Status, 0) << made.Output;
    const std::string file = test::ReadFileBytes(folder.File("out.gif"));
    test::GIFFrame frame;
    ASSERT_TRUE(test::ParseGIFFrame(file, frame)) << seed.name;
    // The target's choice bytes: width - 1, height - 1, interlace; then the frame's data
    // without the file's trailer.
    Bytes bytes{uint8_t(seed.width - 1), uint8_t(seed.height - 1), uint8_t(frame.interlaced)};
    bytes.insert(bytes.end(), file.begin() + std::ptrdiff_t(frame.dataStart), file.end() - 1);

    TPVMemStream stream(bytes.data() + 3, int64_t(bytes.size() - 3));
    Bytes indices(size_t(seed.width) * seed.height);
    DecompressGIFLZW(&stream, int32_t(seed.height), int32_t(seed.width), frame.interlaced, indices.data());
    EXPECT_EQ(test::ThroughPalette(indices, frame.palette), rgb) << seed.name;
    files.emplace_back(seed.name, bytes);
  }
  test::ExpectSeedCorpus("gif_lzw", files);
}

struct TIFFSeed {
  const char* name;
  uint32_t width, height, samples;
  const char* fillOrder;
};

TEST(LZWFuzzSeeds, TIFFStripsOfTiffcp) {
  CALMORA_REQUIRE_TOOL("tiffcp");
  CALMORA_REQUIRE_TOOL("pnmtotiff");
  const TIFFSeed seeds[] = {
      {"tiffcp_grey_16x8.bin", 16, 8, 1, "msb2lsb"},
      {"tiffcp_grey_16x8_lsb2msb.bin", 16, 8, 1, "lsb2msb"},
      {"tiffcp_rgb_10x6.bin", 10, 6, 3, "msb2lsb"},
      {"tiffcp_rgb_40x20.bin", 40, 20, 3, "msb2lsb"},
  };
  test::SeedFiles files;
  for (const TIFFSeed& seed : seeds) {
    test::ScratchFolder folder;
    const Bytes rgb = Bands(seed.width, seed.height, 9);
    Bytes pixels;
    for (size_t i = 0; i < rgb.size(); i += 3) {
      pixels.push_back(rgb[i]);
      if (seed.samples == 3) {
        pixels.push_back(rgb[i + 1]);
        pixels.push_back(rgb[i + 2]);
      }
    }
    const std::string header = std::string(seed.samples == 3 ? "P6" : "P5") + "\n" +
                               std::to_string(seed.width) + " " + std::to_string(seed.height) + "\n255\n";
    ASSERT_TRUE(test::WriteFileBytes(folder.File("in.pnm"), header + test::ToText(pixels)));
    const test::ToolResult made = test::RunTool(
        "(cd " + test::ShellQuoted(folder.Path()) + " && pnmtotiff -truecolor in.pnm > plain.tif && tiffcp -c lzw -r " +
        std::to_string(seed.height) + " -f " + seed.fillOrder + " plain.tif lzw.tif)");
    ASSERT_EQ(made.Status, 0) << made.Output;
    test::TIFFStrip strip;
    ASSERT_TRUE(test::ParseTIFFStrip(test::ReadFileBytes(folder.File("lzw.tif")), strip));
    ASSERT_EQ(strip.samples, seed.samples) << seed.name;
    // The target's choice bytes: row size - 1 in two bytes, then the fill order's bit.
    const uint32_t rowSize = seed.width * seed.samples;
    Bytes bytes{uint8_t((rowSize - 1) & 0xFF), uint8_t((rowSize - 1) >> 8), uint8_t(strip.fillOrder == 2)};
    bytes.insert(bytes.end(), strip.data.begin(), strip.data.end());

    Bytes decoded;
    void* state = nullptr;
    for (uint32_t row = 0; row < seed.height; ++row) {
      const uint8_t* got = DecompressTIFFLZW(strip.data.data(), int32_t(rowSize), state,
                                             int32_t(strip.fillOrder), int64_t(strip.data.size()));
      if (got == nullptr) {
        ADD_FAILURE() << seed.name << ": no row " << row;
        break;
      }
      decoded.insert(decoded.end(), got, got + rowSize);
    }
    DecompressTIFFLZW(nullptr, 0, state, 1, 0);
    EXPECT_EQ(decoded, pixels) << seed.name;
    files.emplace_back(seed.name, bytes);
  }
  test::ExpectSeedCorpus("tiff_lzw", files);
}

}  // namespace
}  // namespace calmora
