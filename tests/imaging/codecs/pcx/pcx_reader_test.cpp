// ReadPCXStream against pcxtoppm: files that ppmtopcx and ImageMagick write in every layout
// they have (1, 4, 8, 24-bit, planar, packed, RGBA), in memory and in temporary-file storage.
#include <gtest/gtest.h>

#include <string>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"

namespace calmora {
namespace {

using test::PcxStorage;

struct Fixture {
  const char* Name;
  int32_t Colors;       // colours of the source picture
  const char* Command;  // makes out.pcx from in.ppm in the folder
  int32_t Bits;         // the layout the file must have: bits per pixel and planes
  int32_t Planes;
  // pcxtoppm weighs colour by the alpha plane; RGBA files are compared with their source.
  bool AgainstSource = false;
};

const Fixture kFixtures[] = {
    {"ppmtopcx 8-bit", 200, "ppmtopcx -8bit in.ppm > out.pcx", 8, 1},
    {"ppmtopcx 24-bit", 200, "ppmtopcx -24bit in.ppm > out.pcx", 8, 3},
    {"ppmtopcx planar 16 colours", 16, "ppmtopcx in.ppm > out.pcx", 1, 4},
    {"ppmtopcx packed 16 colours", 16, "ppmtopcx -packed in.ppm > out.pcx", 4, 1},
    {"ppmtopcx 1-bit", 2, "ppmtopcx in.ppm > out.pcx", 1, 1},
    {"ppmtopcx packed 1-bit", 2, "ppmtopcx -packed in.ppm > out.pcx", 1, 1},
    {"ImageMagick true colour", 200, "/usr/bin/convert in.ppm -type truecolor pcx:out.pcx", 8, 3},
    {"ImageMagick 16 colours", 16, "/usr/bin/convert in.ppm pcx:out.pcx", 8, 3},
    {"ImageMagick RGBA", 200,
     "/usr/bin/convert in.ppm -alpha set -channel A -evaluate set 50% +channel pcx:out.pcx", 8, 4,
     true},
};

TEST(ReadPCXStream, DecodesAsPcxtoppmDoes) {
  CALMORA_REQUIRE_TOOL("ppmtopcx");
  CALMORA_REQUIRE_TOOL("pcxtoppm");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  for (const Fixture& fixture : kFixtures) {
    for (const int32_t width : {37, 40}) {
      test::ScratchFolder folder("calmora-pcx");
      ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"),
                                       test::PicturePPM(width, 23, fixture.Colors)));
      ASSERT_EQ(test::RunTool("cd " + test::ShellQuoted(folder.Path()) + " && " +
                                  fixture.Command + " 2>/dev/null",
                              false)
                    .Status,
                0)
          << fixture.Name;
      const std::string bytes = test::ReadFileBytes(folder.File("out.pcx"));
      ASSERT_GT(bytes.size(), 128u) << fixture.Name;
      ASSERT_EQ(bytes[3], fixture.Bits) << fixture.Name;
      ASSERT_EQ(bytes[65], fixture.Planes) << fixture.Name;
      TPVBitmap expected;
      if (fixture.AgainstSource) {
        ASSERT_TRUE(test::LoadPNM(folder.File("in.ppm"), expected));
      } else {
        ASSERT_TRUE(test::ReferenceDecode("pcxtoppm", folder.File("out.pcx"), expected))
            << fixture.Name;
      }
      for (PcxStorage storage : {PcxStorage::Memory, PcxStorage::TemporaryFile}) {
        const auto scope = test::UsePcxStorage(storage);
        const std::string what = std::string(fixture.Name) + " width " + std::to_string(width) +
                                 (storage == PcxStorage::Memory ? " memory" : " file");
        TIOParamsVals params(nullptr);
        TPVBitmap bitmap;
        ASSERT_FALSE(test::ReadPCXBytes(bytes, bitmap, params).Aborting) << what;
        EXPECT_EQ(bitmap.GetPixelFormat(),
                  fixture.Bits == 1 && fixture.Planes == 1 ? pv1g : pv24RGB)
            << what;
        EXPECT_EQ(params.Width, width);
        EXPECT_EQ(params.Height, 23);
        test::ExpectSamePixels(bitmap, expected, what);
      }
    }
  }
}

TEST(ReadPCXStream, FillsTheParameters) {
  CALMORA_REQUIRE_TOOL("ppmtopcx");
  struct Case {
    const char* Options;
    int32_t Colors, BitsPerSample, SamplesPerPixel, MapCount;
  };
  const Case cases[] = {{"-8bit", 200, 8, 1, 256},
                        {"-24bit", 200, 8, 3, 256},
                        {"", 16, 4, 1, 16},  // planar EGA reads as 4 bits, 1 sample
                        {"-packed", 16, 4, 1, 16},
                        {"", 2, 1, 1, 2}};
  for (const Case& c : cases) {
    test::ScratchFolder folder("calmora-pcx");
    ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"), test::PicturePPM(20, 10, c.Colors)));
    ASSERT_EQ(test::RunTool("ppmtopcx " + std::string(c.Options) + " -xpos 3 -ypos 4 " +
                            test::ShellQuoted(folder.File("in.ppm")) + " > " +
                            test::ShellQuoted(folder.File("out.pcx")) + " 2>/dev/null",
                            false)
                  .Status,
              0);
    const std::string bytes = test::ReadFileBytes(folder.File("out.pcx"));
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadPCXBytes(bytes, bitmap, params, true).Aborting) << c.Options;
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(params.Width, 20) << c.Options;
    EXPECT_EQ(params.Height, 10) << c.Options;
    EXPECT_EQ(params.OriginalWidth, 20) << c.Options;
    EXPECT_EQ(params.BitsPerSample, c.BitsPerSample) << c.Options;
    EXPECT_EQ(params.SamplesPerPixel, c.SamplesPerPixel) << c.Options;
    EXPECT_EQ(params.ColorMapCount, c.MapCount) << c.Options;
    EXPECT_EQ(params.PCX_Version, static_cast<uint8_t>(bytes[1])) << c.Options;
  }
}

TEST(ReadPCXStream, TakesTheDpiOrTheDefaultsWhenEitherIsZero) {
  std::string bytes(128, '\0');
  bytes[0] = 10;
  bytes[1] = 5;
  bytes[3] = 1;
  bytes[8] = 7;  // 8 x 1
  bytes[65] = 1;
  bytes[66] = 2;
  bytes += std::string(2, '\xAA');
  struct Case {
    int DpiX, DpiY, WantX, WantY;
  };
  for (const Case& c : {Case{150, 75, 150, 75}, Case{0, 75, 300, 300}, Case{150, 0, 300, 300}}) {
    std::string file = bytes;
    file[12] = static_cast<char>(c.DpiX);
    file[14] = static_cast<char>(c.DpiY);
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadPCXBytes(file, bitmap, params).Aborting);
    EXPECT_EQ(params.DpiX, c.WantX);
    EXPECT_EQ(params.DpiY, c.WantY);
  }
}

TEST(ReadPCXStream, ReportsProgressBeforeEveryRow) {
  std::string bytes(128, '\0');
  bytes[0] = 10;
  bytes[3] = 1;
  bytes[8] = 7;
  bytes[10] = 3;  // 8 x 4
  bytes[65] = 1;
  bytes[66] = 2;
  bytes += std::string(8, '\x55');
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  std::vector<int32_t> seen;
  progress.OnProgress = [&](TObject*, int32_t percent) { seen.push_back(percent); };
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ReadPCXStream(&stream, bitmap, params, static_cast<int64_t>(bytes.size()), progress, false);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 25, 50, 75}));
  EXPECT_EQ(bitmap.GetScanline(3)[0], 0x55);
}

}  // namespace
}  // namespace calmora
