// Damaged and lying PCX files: cut at every structure boundary, lying sizes and line lengths,
// layouts without a decoding, a failed allocation. None may crash or read out of bounds; the
// refusals come before anything is allocated.
#include <gtest/gtest.h>

#include <string>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"

namespace calmora {
namespace {

// A header of the given layout for an 8 x 4 picture, then Data.
std::string File(int bits, int planes, int bytesPerLine, int encoding, const std::string& data,
                 int width = 8, int height = 4) {
  std::string bytes(128, '\0');
  bytes[0] = 10;
  bytes[1] = 5;
  bytes[2] = static_cast<char>(encoding);
  bytes[3] = static_cast<char>(bits);
  bytes[8] = static_cast<char>((width - 1) & 0xFF);
  bytes[9] = static_cast<char>((width - 1) >> 8);
  bytes[10] = static_cast<char>((height - 1) & 0xFF);
  bytes[11] = static_cast<char>((height - 1) >> 8);
  bytes[65] = static_cast<char>(planes);
  bytes[66] = static_cast<char>(bytesPerLine & 0xFF);
  bytes[67] = static_cast<char>(bytesPerLine >> 8);
  return bytes + data;
}

std::string MadeByTool(const char* options, int colors) {
  test::ScratchFolder folder("calmora-pcx");
  test::WriteFileBytes(folder.File("in.ppm"), test::PicturePPM(21, 9, colors));
  test::RunTool("ppmtopcx " + std::string(options) + " " +
                    test::ShellQuoted(folder.File("in.ppm")) + " > " +
                    test::ShellQuoted(folder.File("out.pcx")) + " 2>/dev/null",
                false);
  return test::ReadFileBytes(folder.File("out.pcx"));
}

TEST(PcxHostile, CutAtEveryStructureBoundary) {
  CALMORA_REQUIRE_TOOL("ppmtopcx");
  for (const auto& [options, colors] :
       {std::pair{"-8bit", 200}, std::pair{"-24bit", 200}, std::pair{"", 16}, std::pair{"", 2}}) {
    const std::string whole = MadeByTool(options, colors);
    ASSERT_GT(whole.size(), 128u) << options;
    for (size_t cut = 0; cut < whole.size(); cut += (cut < 140 ? 1 : 7)) {
      const std::string bytes = whole.substr(0, cut);
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      const bool aborting = test::ReadPCXBytes(bytes, bitmap, params).Aborting;
      // Without the header there is nothing; a 256-colour file needs its trailing palette.
      if (cut < 128 || (std::string(options) == "-8bit" && cut < 128 + 768)) {
        EXPECT_TRUE(aborting) << options << " cut at " << cut;
        EXPECT_TRUE(bitmap.IsEmpty()) << options << " cut at " << cut;
      }
    }
  }
}

TEST(PcxHostile, LyingAndHugeHeadersAreRefusedBeforeAllocating) {
  struct Case {
    const char* Name;
    std::string Bytes;
    bool ParamsOnlyAborts;
  };
  const std::string rows(64, '\x11');
  const Case cases[] = {
      {"manufacturer 11", [&] { std::string b = File(1, 1, 2, 1, rows); b[0] = 11; return b; }(), true},
      {"16 bits per pixel", File(16, 1, 16, 1, rows), true},
      {"encoding 2", File(8, 3, 8, 2, rows), true},
      {"2 bits, 1 plane", File(2, 1, 2, 1, rows), true},
      {"1 bit, 2 planes", File(1, 2, 2, 1, rows), true},
      {"1 bit, 3 planes", File(1, 3, 2, 1, rows), true},
      {"8 bits, 2 planes", File(8, 2, 8, 1, rows), true},
      {"no planes", File(8, 0, 8, 1, rows), true},
      {"bytes per line 0", File(8, 3, 0, 1, rows), true},
      {"line shorter than the width", File(8, 3, 4, 1, rows), true},
      {"xmax before xmin", File(8, 3, 8, 1, rows, 0, 4), true},
      {"65535 x 65535, RLE", File(8, 3, 65535, 1, rows, 65535, 65535), false},
      {"65535 x 65535, raw", File(8, 3, 65535, 0, rows, 65535, 65535), false},
      {"raw rows beyond the data", File(8, 3, 8, 0, rows, 8, 40), false},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    EXPECT_TRUE(test::ReadPCXBytes(c.Bytes, bitmap, params).Aborting) << c.Name;
    EXPECT_TRUE(bitmap.IsEmpty()) << c.Name;
    TIOParamsVals only(nullptr);
    EXPECT_EQ(test::ReadPCXBytes(c.Bytes, bitmap, only, true).Aborting, c.ParamsOnlyAborts)
        << c.Name;
  }
}

TEST(PcxHostile, DataSizeBelowTheHeaderIsBadData) {
  const std::string bytes = File(1, 1, 2, 1, std::string(8, '\x01'));
  for (const int64_t size : {int64_t{0}, int64_t{-5}, int64_t{127}}) {
    TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ReadPCXStream(&stream, bitmap, params, size, progress, false);
    EXPECT_TRUE(aborting) << size;
  }
}

TEST(PcxHostile, ADataSizeBeyondTheStreamReadsWhatIsThere) {
  const std::string bytes = File(1, 1, 2, 1, std::string(8, '\x01'));
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ReadPCXStream(&stream, bitmap, params, 1 << 30, progress, false);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(bitmap.GetScanline(3)[0], 1);
}

TEST(PcxHostile, RLEDataEndingEarlyLeavesTheRestZero) {
  // Two rows' worth of runs for four rows of three planes.
  std::string data;
  for (int i = 0; i < 6; ++i) data += "\xC8\x7F";
  const std::string bytes = File(8, 3, 8, 1, data);
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadPCXBytes(bytes, bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetScanline(1)[0], 0x7F);
  EXPECT_EQ(bitmap.GetScanline(2)[0], 0);
  EXPECT_EQ(bitmap.GetScanline(3)[23], 0);
}

TEST(PcxHostile, RGBAFilesTakeColourFromTheFirstThreePlanes) {
  // One pixel per line: red 10, green 20, blue 30, alpha 40.
  const std::string bytes = File(8, 4, 2, 0, std::string("\x0A\x00\x14\x00\x1E\x00\x28\x00", 8), 1, 1);
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadPCXBytes(bytes, bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixelAsRGB(0, 0), (TPVRGB{30, 20, 10}));
  EXPECT_EQ(params.SamplesPerPixel, 4);
}

class UnallocatableBitmap : public TPVBitmap {
 public:
  bool Allocate(int32_t, int32_t, TPVPixelFormat) override { return false; }
};

TEST(PcxHostile, AFailedAllocationAborts) {
  const std::string bytes = File(1, 1, 2, 1, std::string(8, '\x01'));
  TIOParamsVals params(nullptr);
  UnallocatableBitmap bitmap;
  EXPECT_TRUE(test::ReadPCXBytes(bytes, bitmap, params).Aborting);
}

TEST(PcxHostile, GarbageAfterAHeaderNeverCrashes) {
  uint32_t seed = 5;
  for (int round = 0; round < 300; ++round) {
    std::string data;
    for (int i = 0; i < 300; ++i) {
      seed = seed * 1103515245u + 12345u;
      data.push_back(static_cast<char>(seed >> 16));
    }
    const int layouts[][2] = {{8, 1}, {4, 1}, {1, 1}, {8, 3}, {1, 4}, {8, 4}};
    const int* layout = layouts[round % 6];
    const std::string bytes = File(layout[0], layout[1], 18, round % 2, data, 17, 19);
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    test::ReadPCXBytes(bytes, bitmap, params);
  }
}

}  // namespace
}  // namespace calmora
