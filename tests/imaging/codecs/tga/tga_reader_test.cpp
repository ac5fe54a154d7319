// ReadTGAStream against tgatoppm and ImageMagick: files that ppmtotga, ImageMagick and PIL
// write, and files of our own builder in the layouts they do not write (15, 16 and 32-bit
// maps, 16-bit pixels, both row orders, right to left, packets spanning rows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/imaging/codecs/pcx/pcx_test_support.h"
#include "imaging/params/io_params_fields.h"
#include "tests/imaging/codecs/tga/tga_test_support.h"

namespace calmora {
namespace {

struct ToolFixture {
  const char* Name;
  const char* Command;  // makes out.tga from in.ppm (16 colours, 37 x 23) in the folder
};

const ToolFixture kToolFixtures[] = {
    {"ppmtotga colour map RLE", "ppmtotga -cmap in.ppm > out.tga"},
    {"ppmtotga colour map raw", "ppmtotga -cmap -norle in.ppm > out.tga"},
    {"ppmtotga true colour RLE", "ppmtotga -rgb in.ppm > out.tga"},
    {"ppmtotga true colour raw", "ppmtotga -rgb -norle in.ppm > out.tga"},
    {"ppmtotga grey RLE", "ppmtopgm in.ppm | ppmtotga -mono > out.tga"},
    {"ppmtotga grey raw", "ppmtopgm in.ppm | ppmtotga -mono -norle > out.tga"},
    {"ImageMagick true colour", "/usr/bin/convert in.ppm tga:out.tga"},
    {"ImageMagick RLE", "/usr/bin/convert in.ppm -compress RLE tga:out.tga"},
    {"ImageMagick palette", "/usr/bin/convert in.ppm -type palette tga:out.tga"},
    {"ImageMagick palette RLE", "/usr/bin/convert in.ppm -type palette -compress RLE tga:out.tga"},
    {"ImageMagick grey", "/usr/bin/convert in.ppm -type grayscale tga:out.tga"},
    {"PIL top-down RLE",
     "/usr/bin/python3 -c \"from PIL import Image; Image.open('in.ppm').save('out.tga', "
     "compression='tga_rle', orientation=1)\""},
    {"PIL palette",
     "/usr/bin/python3 -c \"from PIL import Image; "
     "Image.open('in.ppm').convert('P').save('out.tga')\""},
};

// ImageMagick here keeps a bottom-up file's rows as stored and names the orientation only;
// -auto-orient applies it.
TEST(ReadTGAStream, DecodesToolFilesAsTgatoppmAndImageMagickDo) {
  CALMORA_REQUIRE_TOOL("ppmtotga");
  CALMORA_REQUIRE_TOOL("tgatoppm");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  for (const ToolFixture& fixture : kToolFixtures) {
    test::ScratchFolder folder("calmora-tga");
    ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"), test::PicturePPM(37, 23, 16)));
    ASSERT_EQ(test::RunTool("cd " + test::ShellQuoted(folder.Path()) + " && (" +
                                fixture.Command + ") 2>/dev/null",
                            false)
                  .Status,
              0)
        << fixture.Name;
    const std::string bytes = test::ReadFileBytes(folder.File("out.tga"));
    TPVBitmap netpbm, magick;
    ASSERT_TRUE(test::TgaReference("tgatoppm", folder.File("out.tga"), netpbm)) << fixture.Name;
    ASSERT_TRUE(test::TgaReference("/usr/bin/convert", folder.File("out.tga"), magick, "tga:",
                                   " -auto-orient ppm:-"))
        << fixture.Name;
    for (const bool inFile : {false, true}) {
      const auto scope = test::UseTgaStorage(inFile);
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      ASSERT_FALSE(test::ReadTGABytes(bytes, bitmap, params).Aborting) << fixture.Name;
      test::ExpectSameTgaPixels(bitmap, netpbm, std::string(fixture.Name) + " tgatoppm");
      test::ExpectSameTgaPixels(bitmap, magick, std::string(fixture.Name) + " ImageMagick");
      EXPECT_EQ(params.Width, 37);
      EXPECT_EQ(params.TGA_Compressed, bytes[2] >= 9) << fixture.Name;
    }
  }
}

// A small file of a layout given field by field. Pixels are indexes into kColors, laid out by
// Pick; colours are multiples of 8, so 5-bit fields hold them exactly.
const uint8_t kColors[6][4] = {{8, 16, 248, 255},   {200, 8, 40, 0},   {0, 0, 0, 128},
                               {248, 248, 248, 10}, {96, 160, 32, 255}, {16, 240, 128, 77}};

int Pick(int x, int y) { return (x < 3 ? y % 2 : (x * 5 + y * 3) % 6); }

struct Layout {
  const char* Name;
  int Type;          // image type
  int EntrySize;     // colour-map entry size, 0 for no map
  int Depth;         // pixel depth
  int Descriptor;    // bits 4 and 5 as given; alpha bits
  bool FiveBits;     // colours pass through 5-bit fields
};

void Put16(std::string& out, int value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

void PutColor(std::string& out, const uint8_t* c, int bits) {
  if (bits == 15 || bits == 16) {
    Put16(out, (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3));
  } else if (bits == 8) {
    out.push_back(static_cast<char>(c[0]));  // grey: the red value
  } else {
    out += std::string{char(c[2]), char(c[1]), char(c[0])};
    if (bits == 32) out.push_back(static_cast<char>(c[3]));
  }
}

std::string Build(const Layout& l, int width, int height) {
  std::string out;
  out.push_back(3);  // ID length
  out.push_back(l.EntrySize ? 1 : 0);
  out.push_back(static_cast<char>(l.Type));
  Put16(out, 0);
  Put16(out, l.EntrySize ? 6 : 0);
  out.push_back(static_cast<char>(l.EntrySize));
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, width);
  Put16(out, height);
  out.push_back(static_cast<char>(l.Depth));
  out.push_back(static_cast<char>(l.Descriptor));
  out += "ab";
  out.push_back(0);
  for (int i = 0; i < 6 && l.EntrySize; ++i) PutColor(out, kColors[i], l.EntrySize);
  // The units in file order.
  std::vector<std::string> units;
  for (int row = 0; row < height; ++row) {
    const int y = (l.Descriptor & 0x20) ? row : height - 1 - row;
    for (int column = 0; column < width; ++column) {
      const int x = (l.Descriptor & 0x10) ? width - 1 - column : column;
      std::string unit;
      if (l.EntrySize) {
        unit.push_back(static_cast<char>(Pick(x, y)));
      } else {
        PutColor(unit, kColors[Pick(x, y)], l.Depth);
      }
      units.push_back(unit);
    }
  }
  if (l.Type < 9) {
    for (const std::string& unit : units) out += unit;
    return out;
  }
  // RLE over the whole image: packets run on from one row into the next.
  for (size_t i = 0; i < units.size();) {
    size_t run = 1;
    while (i + run < units.size() && run < 128 && units[i + run] == units[i]) ++run;
    if (run > 1) {
      out.push_back(static_cast<char>(0x80 | (run - 1)));
      out += units[i];
      i += run;
    } else {
      size_t n = 1;
      while (i + n < units.size() && n < 128 && units[i + n] != units[i + n - 1] &&
             (i + n + 1 >= units.size() || units[i + n] != units[i + n + 1])) {
        ++n;
      }
      out.push_back(static_cast<char>(n - 1));
      for (size_t k = 0; k < n; ++k) out += units[i + k];
      i += n;
    }
  }
  return out;
}

const Layout kLayouts[] = {
    {"map 24, bottom-up", 1, 24, 8, 0x00, false},
    {"map 24, top-down", 1, 24, 8, 0x20, false},
    {"map 15", 1, 15, 8, 0x20, true},
    {"map 16", 1, 16, 8, 0x00, true},
    {"map 32", 1, 32, 8, 0x28, false},
    {"map 24 RLE spanning rows", 9, 24, 8, 0x00, false},
    {"16-bit pixels", 2, 0, 16, 0x20, true},
    {"16-bit RLE", 10, 0, 16, 0x00, true},
    {"24-bit", 2, 0, 24, 0x00, false},
    {"24-bit RLE spanning rows", 10, 0, 24, 0x20, false},
    {"32-bit", 2, 0, 32, 0x28, false},
    {"32-bit RLE", 10, 0, 32, 0x08, false},
    {"grey", 3, 0, 8, 0x20, false},
    {"grey RLE spanning rows", 11, 0, 8, 0x00, false},
    {"24-bit right to left", 2, 0, 24, 0x30, false},
    {"24-bit RLE right to left, bottom-up", 10, 0, 24, 0x10, false},
};

TEST(ReadTGAStream, DecodesEveryLayoutAsTheToolsDo) {
  CALMORA_REQUIRE_TOOL("tgatoppm");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  for (const Layout& layout : kLayouts) {
    for (const int width : {7, 130}) {
      const std::string what = std::string(layout.Name) + " width " + std::to_string(width);
      const std::string bytes = Build(layout, width, 5);
      test::ScratchFolder folder("calmora-tga");
      ASSERT_TRUE(test::WriteFileBytes(folder.File("in.tga"), bytes));
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      ASSERT_FALSE(test::ReadTGABytes(bytes, bitmap, params).Aborting) << what;
      EXPECT_EQ(params.TGA_Descriptor, "ab") << what;
      // The model: every pixel its colour.
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < width; ++x) {
          const uint8_t* c = kColors[Pick(x, y)];
          const TPVRGB want = layout.Type % 8 == 3 ? TPVRGB{c[0], c[0], c[0]}
                                                   : TPVRGB{c[2], c[1], c[0]};
          ASSERT_EQ(bitmap.GetPixelAsRGB(x, y), want) << what << " at " << x << "," << y;
        }
      }
      // ImageMagick widens 5-bit fields by a rule of its own (1 does not become 8), so 15 and
      // 16-bit layouts are compared with tgatoppm alone.
      if (!layout.FiveBits) {
        TPVBitmap magick;
        ASSERT_TRUE(test::TgaReference("/usr/bin/convert", folder.File("in.tga"), magick, "tga:",
                                       " -auto-orient -alpha off ppm:-"))
            << what;
        test::ExpectSameTgaPixels(bitmap, magick, what + " ImageMagick");
      }
      // tgatoppm takes no notice of the right-to-left bit.
      if (!(layout.Descriptor & 0x10)) {
        TPVBitmap netpbm;
        ASSERT_TRUE(test::TgaReference("tgatoppm", folder.File("in.tga"), netpbm)) << what;
        test::ExpectSameTgaPixels(bitmap, netpbm, what + " tgatoppm", layout.FiveBits);
      }
    }
  }
}

TEST(ReadTGAStream, AlphaAsImageMagickExtractsIt) {
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  for (const Layout& layout : kLayouts) {
    const bool hasAlpha = layout.Depth == 32 || layout.EntrySize == 32;
    const std::string bytes = Build(layout, 9, 5);
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    test::TgaRead read = test::ReadTGABytes(bytes, bitmap, params);
    ASSERT_FALSE(read.Aborting) << layout.Name;
    ASSERT_EQ(read.Mask != nullptr, hasAlpha) << layout.Name;
    if (!hasAlpha) continue;
    test::ScratchFolder folder("calmora-tga");
    ASSERT_TRUE(test::WriteFileBytes(folder.File("in.tga"), bytes));
    TPVBitmap alpha;
    ASSERT_TRUE(test::TgaReference("/usr/bin/convert", folder.File("in.tga"), alpha, "tga:",
                                   " -auto-orient -alpha extract pgm:-"))
        << layout.Name;
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 9; ++x) {
        ASSERT_EQ(read.Mask->GetPixel(x, y), alpha.GetPixelAsRGB(x, y).r)
            << layout.Name << " at " << x << "," << y;
      }
    }
    // Parameter queries and loads that ignore alpha make no mask.
    TPVBitmap again;
    EXPECT_EQ(test::ReadTGABytes(bytes, again, params, false, true).Mask, nullptr);
  }
}

TEST(ReadTGAStream, AllZeroAlphaGivesNoMask) {
  Layout layout{"32-bit", 2, 0, 32, 0x28, false};
  std::string bytes = Build(layout, 4, 2);
  // Every fourth pixel byte (alpha) set to zero.
  for (size_t at = 18 + 3 + 3; at < bytes.size(); at += 4) bytes[at] = 0;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  const test::TgaRead read = test::ReadTGABytes(bytes, bitmap, params);
  EXPECT_FALSE(read.Aborting);
  EXPECT_EQ(read.Mask, nullptr);
}

TEST(ReadTGAStream, FillsTheParametersWithoutAFooter) {
  const std::string bytes = Build(kLayouts[0], 7, 5);
  TIOParamsVals params(nullptr);
  params.TGA_Author = "old";
  params.TGA_AspectRatio = 3;
  TPVBitmap bitmap;
  ASSERT_FALSE(test::ReadTGABytes(bytes, bitmap, params, true).Aborting);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(params.Width, 7);
  EXPECT_EQ(params.Height, 5);
  EXPECT_EQ(params.BitsPerSample, 8);
  EXPECT_EQ(params.SamplesPerPixel, 1);
  EXPECT_EQ(params.ColorMapCount, 6);
  EXPECT_EQ(params.ColorMap[1], (TPVRGB{40, 8, 200}));
  EXPECT_EQ(params.TGA_Author, "");
  EXPECT_EQ(params.TGA_Date, TodayAsDateTime());
  EXPECT_EQ(params.TGA_AspectRatio, 1.0);
  EXPECT_EQ(params.TGA_Gamma, 2.2);
  EXPECT_EQ(params.TGA_Background, (TPVRGB{0, 0, 0}));
  EXPECT_FALSE(params.TGA_GrayLevel);
}

}  // namespace
}  // namespace calmora
