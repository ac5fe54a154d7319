// Damaged and lying Targa files: cut at every byte, huge sizes with little data, layouts
// without a decoding, lying map lengths and footer offsets, a failed allocation. None may crash
// or read out of bounds; refusals come before anything is allocated.
#include <gtest/gtest.h>

#include <string>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"
#include "tests/imaging/codecs/tga/tga_test_support.h"

namespace calmora {
namespace {

std::string Header(int mapType, int type, int first, int length, int entry, int width,
                   int height, int depth, int descriptor = 0x20) {
  std::string h;
  h.push_back(0);
  h.push_back(static_cast<char>(mapType));
  h.push_back(static_cast<char>(type));
  for (int v : {first, length}) {
    h.push_back(static_cast<char>(v & 0xFF));
    h.push_back(static_cast<char>(v >> 8));
  }
  h.push_back(static_cast<char>(entry));
  h += std::string(4, '\0');
  for (int v : {width, height}) {
    h.push_back(static_cast<char>(v & 0xFF));
    h.push_back(static_cast<char>(v >> 8));
  }
  h.push_back(static_cast<char>(depth));
  h.push_back(static_cast<char>(descriptor));
  return h;
}

std::string ToolFile(const char* command) {
  test::ScratchFolder folder("calmora-tga");
  test::WriteFileBytes(folder.File("in.ppm"), test::PicturePPM(19, 11, 16));
  test::RunTool("cd " + test::ShellQuoted(folder.Path()) + " && (" + command + ") 2>/dev/null",
                false);
  return test::ReadFileBytes(folder.File("out.tga"));
}

TEST(TgaHostile, CutAtEveryByte) {
  CALMORA_REQUIRE_TOOL("ppmtotga");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  for (const char* command :
       {"ppmtotga -rgb in.ppm > out.tga", "ppmtotga -cmap -norle in.ppm > out.tga",
        "/usr/bin/convert in.ppm -alpha set -channel A -evaluate set 40% +channel "
        "-compress RLE tga:out.tga"}) {
    const std::string whole = ToolFile(command);
    ASSERT_GT(whole.size(), 18u) << command;
    TIOParamsVals full(nullptr);
    TPVBitmap reference;
    ASSERT_FALSE(test::ReadTGABytes(whole, reference, full).Aborting) << command;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      const test::TgaRead read = test::ReadTGABytes(whole.substr(0, cut), bitmap, params);
      if (cut < 18) {
        EXPECT_TRUE(read.Aborting) << command << " cut at " << cut;
        EXPECT_TRUE(bitmap.IsEmpty()) << command << " cut at " << cut;
      }
      if (read.Aborting && !bitmap.IsEmpty() && cut > whole.size() / 2) {
        // A file cut in its rows keeps the rows decoded before the cut: past half the file,
        // the first file row (the bottom one, as these files run bottom up) is whole.
        const int32_t y = bitmap.GetHeight() - 1;
        EXPECT_EQ(bitmap.GetPixelAsRGB(0, y), reference.GetPixelAsRGB(0, y))
            << command << " cut at " << cut;
      }
    }
  }
}

TEST(TgaHostile, RefusedHeadersAndLayouts) {
  const std::string rows(600, '\x11');
  struct Case {
    const char* Name;
    std::string Bytes;
    bool ParamsOnlyAborts;
  };
  const Case cases[] = {
      {"4-bit pixels", Header(0, 3, 0, 0, 0, 8, 8, 4) + rows, true},
      {"1-bit RLE", Header(0, 11, 0, 0, 0, 8, 8, 1) + rows, true},
      {"map entry size 8", Header(1, 1, 0, 16, 8, 8, 8, 8) + rows, true},
      {"map entry size 0", Header(1, 1, 0, 16, 0, 8, 8, 8) + rows, true},
      {"image type 0", Header(0, 0, 0, 0, 0, 8, 8, 24) + rows, true},
      {"depth 7", Header(0, 2, 0, 0, 0, 8, 8, 7) + rows, true},
      {"width 0", Header(0, 2, 0, 0, 0, 0, 8, 24) + rows, true},
      {"map longer than the file", Header(1, 1, 0, 65535, 24, 8, 8, 8) + rows, true},
      {"65535 x 65535 raw", Header(0, 2, 0, 0, 0, 65535, 65535, 24) + rows, false},
      {"65535 x 65535 RLE", Header(0, 10, 0, 0, 0, 65535, 65535, 24) + rows, false},
      {"65535 x 65535 1-bit", Header(0, 3, 0, 0, 0, 65535, 65535, 1) + rows, false},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    const test::TgaRead read = test::ReadTGABytes(c.Bytes, bitmap, params);
    EXPECT_TRUE(read.Aborting) << c.Name;
    EXPECT_TRUE(bitmap.IsEmpty()) << c.Name;
    EXPECT_EQ(read.Mask, nullptr) << c.Name;
    TIOParamsVals only(nullptr);
    EXPECT_EQ(test::ReadTGABytes(c.Bytes, bitmap, only, true).Aborting, c.ParamsOnlyAborts)
        << c.Name;
  }
}

TEST(TgaHostile, MapEntriesPastTheLastIndexAreReadAndDropped) {
  // Entries 250 to 269: 250..255 kept, the rest read past; pixel indexes 250 and 255.
  std::string bytes = Header(1, 1, 250, 20, 24, 2, 1, 8);
  for (int i = 0; i < 20; ++i) bytes += std::string{char(i), char(i + 1), char(i + 2)};
  bytes += std::string{char(250), char(255)};
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadTGABytes(bytes, bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixelAsRGB(0, 0), (TPVRGB{0, 1, 2}));
  EXPECT_EQ(bitmap.GetPixelAsRGB(1, 0), (TPVRGB{5, 6, 7}));
  EXPECT_EQ(params.ColorMapCount, 20);
}

TEST(TgaHostile, LyingFooterOffsetsKeepTheDefaults) {
  std::string bytes = Header(0, 2, 0, 0, 0, 2, 1, 24) + std::string(6, '\x40');
  std::string footer(26, '\0');
  footer[0] = '\x7F';
  footer[3] = '\x7F';  // far beyond the end
  footer.replace(8, 17, "TRUEVISION-XFILE.");
  TIOParamsVals params(nullptr);
  params.TGA_Gamma = 9;
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadTGABytes(bytes + footer, bitmap, params).Aborting);
  EXPECT_EQ(params.TGA_Gamma, 2.2);
  EXPECT_EQ(bitmap.GetPixelAsRGB(1, 0), (TPVRGB{0x40, 0x40, 0x40}));
}

TEST(TgaHostile, AStreamShorterThanAFooterIsReadFromItsPosition) {
  // 10 bytes of something else, then a 2 x 1 image of 24 bytes: no footer is looked for before
  // the image's start.
  const std::string image = Header(0, 2, 0, 0, 0, 2, 1, 24) + std::string(6, '\x22');
  const std::string bytes = std::string(10, '\x55') + image;
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(10);
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  std::unique_ptr<TPVMask> mask;
  ReadTGAStream(&stream, bitmap, params, progress, false, mask, false);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(bitmap.GetPixelAsRGB(0, 0), (TPVRGB{0x22, 0x22, 0x22}));
}

class UnallocatableBitmap : public TPVBitmap {
 public:
  bool Allocate(int32_t, int32_t, TPVPixelFormat) override { return false; }
};

TEST(TgaHostile, AFailedAllocationAborts) {
  const std::string bytes = Header(0, 2, 0, 0, 0, 2, 1, 24) + std::string(6, '\x22');
  TIOParamsVals params(nullptr);
  UnallocatableBitmap bitmap;
  EXPECT_TRUE(test::ReadTGABytes(bytes, bitmap, params).Aborting);
}

TEST(TgaHostile, GarbageAfterAHeaderNeverCrashes) {
  uint32_t seed = 11;
  const int layouts[][4] = {{0, 10, 0, 24}, {0, 10, 0, 32}, {1, 9, 24, 8}, {1, 9, 32, 8},
                            {0, 11, 0, 8},  {0, 10, 0, 16}, {0, 2, 0, 32}, {0, 3, 0, 1}};
  for (int round = 0; round < 400; ++round) {
    const int* l = layouts[round % 8];
    std::string bytes = Header(l[0], l[1], 0, l[0] ? 256 : 0, l[2], 23, 17, l[3],
                               (round * 16) & 0x30);
    for (int i = 0; i < 900; ++i) {
      seed = seed * 1103515245u + 12345u;
      bytes.push_back(static_cast<char>(seed >> 16));
    }
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    test::ReadTGABytes(bytes, bitmap, params);
  }
}

}  // namespace
}  // namespace calmora
