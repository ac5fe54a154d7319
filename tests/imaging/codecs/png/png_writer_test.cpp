// The PNG writer: depths, sample counts, alpha, filters and interlacing over several source
// formats, checked by pngcheck for what the file is and by pngtopnm for the pixels it holds;
// resolution, background and text; filter bytes as Python's zlib inflates them; the caller's
// bitmap untouched.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "imaging/base/color_helpers.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/png/png_test_support.h"

namespace calmora {
namespace {

using test::Storage;

constexpr int32_t kWidth = 29;
constexpr int32_t kHeight = 19;

struct Output {
  const char* Name;
  int32_t Bits;
  int32_t Samples;
};

const Output kOutputs[] = {{"bits1", 1, 1}, {"bits8", 8, 1}, {"bits16", 16, 1}, {"rgb", 8, 3}};

const TPVPixelFormat kSources[] = {pv24RGB, pv8p, pv8g, pvRGB48, pv1g};

// A source picture: black and white for one-bit output, grey for pv8g, otherwise 40 colours.
std::unique_ptr<TPVBitmap> Source(TPVPixelFormat format, bool twoColours) {
  auto bitmap = std::make_unique<TPVBitmap>(kWidth, kHeight, pv24RGB);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const int32_t k = (x / 2 + y * 3) % 40;
      TPVRGB c = MakeRGB(static_cast<uint8_t>(k * 6), static_cast<uint8_t>(255 - k * 5),
                         static_cast<uint8_t>((k * 37) % 256));
      if (format == pv8g || format == pv1g) c = MakeRGB(c.r, c.r, c.r);
      if (twoColours || format == pv1g) {
        c = (x + y) % 3 ? MakeRGB(255, 255, 255) : MakeRGB(0, 0, 0);
      }
      bitmap->SetPixel24(x, y, c);
    }
  }
  if (format == pv8p) bitmap->PaletteColorsUsed = 256;
  EXPECT_TRUE(bitmap->SetPixelFormat(format));
  return bitmap;
}

std::unique_ptr<TPVMask> AlphaMask() {
  auto mask = std::make_unique<TPVMask>();
  mask->Allocate(kWidth, kHeight, 8);
  mask->Fill(255);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      if ((x + 2 * y) % 7 == 0) mask->SetPixel(x, y, 0);
      if ((x + 2 * y) % 7 == 3) mask->SetPixel(x, y, 128);
    }
  }
  mask->CheckAllSet();
  return mask;
}

class PngWriteTable
    : public ::testing::TestWithParam<std::tuple<Output, TPVPixelFormat, bool, bool, Storage>> {};

TEST_P(PngWriteTable, PngcheckPassesAndPngtopnmReadsOurPixels) {
  CALMORA_REQUIRE_TOOL("pngcheck");
  CALMORA_REQUIRE_TOOL("pngtopnm");
  const auto& [output, format, withAlpha, interlaced, storage] = GetParam();
  const auto scope = test::UseStorage(storage);
  test::ScratchFolder folder;
  auto bitmap = Source(format, output.Bits == 1);
  const std::vector<uint8_t> before = test::BitmapRGB(*bitmap);
  // The colours the file should hold: the source as 24 bits.
  TPVBitmap expected;
  ASSERT_TRUE(expected.Assign(bitmap.get()));
  ASSERT_TRUE(expected.SetPixelFormat(pv24RGB));
  const std::unique_ptr<TPVMask> mask = withAlpha ? AlphaMask() : nullptr;

  TIOParamsVals params(nullptr);
  params.BitsPerSample = output.Bits;
  params.SamplesPerPixel = output.Samples;
  params.PNG_Interlaced = interlaced;
  params.PNG_Filter = static_cast<uint8_t>((output.Bits + format) % 4);
  params.PNG_Background = MakeRGB(10, 20, 30);
  const std::string png = test::WritePng(*bitmap, params, mask.get());
  ASSERT_FALSE(png.empty());
  EXPECT_EQ(bitmap->GetPixelFormat(), format);
  EXPECT_EQ(test::BitmapRGB(*bitmap), before);

  test::WriteFileBytes(folder.File("w.png"), png);
  const test::ToolResult check = test::RunTool("pngcheck " + test::ShellQuoted(folder.File("w.png")));
  ASSERT_EQ(check.Status, 0) << check.Output;
  const bool greySource = format == pv8g || format == pv1g;
  std::string kind;
  if (output.Bits == 1) {
    kind = "1-bit grayscale";
  } else if (output.Samples == 3) {
    kind = withAlpha ? "32-bit RGB+alpha" : "24-bit RGB";
  } else if (withAlpha || !greySource) {
    kind = "8-bit palette";
  } else {
    kind = output.Bits == 16 ? "16-bit grayscale" : "8-bit grayscale";
  }
  EXPECT_NE(check.Output.find(kind), std::string::npos) << check.Output;
  EXPECT_NE(check.Output.find(interlaced ? ", interlaced" : "non-interlaced"), std::string::npos);

  const test::PnmPixels pixels = test::PngToPnm(folder, png);
  ASSERT_EQ(pixels.Width, kWidth);
  const std::vector<uint8_t> got = test::PnmRGB(pixels);
  const test::PnmPixels alpha =
      withAlpha && output.Bits != 1 ? test::PngToPnm(folder, png, "-alpha") : test::PnmPixels{};
  const bool paletteAlpha = withAlpha && output.Bits != 1 && output.Samples == 1;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const size_t at = size_t(y) * kWidth + x;
      TPVRGB want = expected.GetPixel24(x, y);
      const int32_t m = mask ? mask->GetPixel(x, y) : 255;
      if (paletteAlpha && m != 255) want = params.PNG_Background;
      // A grey image with alpha has 255 palette places for 256 levels: the quantiser's ramp
      // is one level off at most.
      const int32_t slack = paletteAlpha && greySource && m == 255 ? 1 : 0;
      ASSERT_NEAR(got[at * 3], want.r, slack) << x << "," << y;
      ASSERT_NEAR(got[at * 3 + 1], want.g, slack) << x << "," << y;
      ASSERT_NEAR(got[at * 3 + 2], want.b, slack) << x << "," << y;
      if (withAlpha && output.Bits != 1) {
        ASSERT_EQ(alpha.Samples[at], paletteAlpha ? (m == 255 ? 255 : 0) : m) << x << "," << y;
      }
    }
  }
}

std::string WriteName(
    const ::testing::TestParamInfo<std::tuple<Output, TPVPixelFormat, bool, bool, Storage>>& i) {
  return std::string(std::get<0>(i.param).Name) + "_format" +
         std::to_string(static_cast<int>(std::get<1>(i.param))) +
         (std::get<2>(i.param) ? "_alpha" : "") + (std::get<3>(i.param) ? "_adam7" : "") +
         (std::get<4>(i.param) == Storage::Memory ? "_memory" : "_file");
}

INSTANTIATE_TEST_SUITE_P(DepthsAlphaInterlaceSources, PngWriteTable,
                         ::testing::Combine(::testing::ValuesIn(kOutputs),
                                            ::testing::ValuesIn(kSources), ::testing::Bool(),
                                            ::testing::Bool(),
                                            ::testing::Values(Storage::Memory,
                                                              Storage::TemporaryFile)),
                         WriteName);

TEST(PngWriteParams, ResolutionBackgroundAndTextInOrder) {
  CALMORA_REQUIRE_TOOL("pngcheck");
  test::ScratchFolder folder;
  auto bitmap = Source(pv24RGB, false);
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 3;
  params.BitsPerSample = 8;
  params.SetDpiX(300);
  params.SetDpiY(300);
  params.PNG_Background = MakeRGB(0x12, 0x34, 0x56);
  params.PNG_TextKeys = {"Zeta", "Alpha", "Middle", "NoValue"};
  params.PNG_TextValues = {"one", "two", "three"};
  const std::string png = test::WritePng(*bitmap, params);
  test::WriteFileBytes(folder.File("p.png"), png);
  const std::string out =
      test::RunTool("pngcheck -v -t " + test::ShellQuoted(folder.File("p.png"))).Output;
  EXPECT_NE(out.find("11811x11811 pixels/meter"), std::string::npos) << out;
  EXPECT_NE(out.find("red = 0x0012, green = 0x0034, blue = 0x0056"), std::string::npos) << out;
  const size_t zeta = out.find("Zeta");
  const size_t alpha = out.find("Alpha");
  const size_t middle = out.find("Middle");
  ASSERT_NE(zeta, std::string::npos) << out;
  EXPECT_LT(zeta, alpha);
  EXPECT_LT(alpha, middle);
  EXPECT_EQ(out.find("NoValue"), std::string::npos);

  TPVBitmap back;
  TIOParamsVals read(nullptr);
  ASSERT_FALSE(test::ReadPng(png, back, read));
  EXPECT_EQ(read.DpiX, 300);
  EXPECT_EQ(read.PNG_Background, params.PNG_Background);
  EXPECT_EQ(read.PNG_TextKeys, (TStringList{"Zeta", "Alpha", "Middle"}));
  EXPECT_EQ(read.PNG_TextValues, (TStringList{"one", "two", "three"}));
}

TEST(PngWriteParams, PaletteAndGreyBackgroundsComeBack) {
  for (TPVPixelFormat format : {pv8p, pv8g}) {
    auto bitmap = Source(format, false);
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = 1;
    params.BitsPerSample = format == pv8g ? 16 : 8;
    params.PNG_Background = format == pv8g ? MakeRGB(90, 90, 90) : bitmap->GetPixel24(0, 0);
    if (format == pv8p) params.PNG_Background = bitmap->GetPaletteColor(bitmap->GetPixel8(3, 2));
    const std::string png = test::WritePng(*bitmap, params);
    TPVBitmap back;
    TIOParamsVals read(nullptr);
    ASSERT_FALSE(test::ReadPng(png, back, read));
    EXPECT_EQ(read.PNG_Background, params.PNG_Background) << format;
  }
}

TEST(PngWriteFilter, SubOnlyGivesFilterByteOneOnEveryRow) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  test::ScratchFolder folder;
  for (int filter : {0, 1, 2}) {
    auto bitmap = Source(pv24RGB, false);
    TIOParamsVals params(nullptr);
    params.SamplesPerPixel = 3;
    params.PNG_Filter = static_cast<uint8_t>(filter);
    test::WriteFileBytes(folder.File("f.png"), test::WritePng(*bitmap, params));
    const std::string script =
        "import struct,sys,zlib\n"
        "d=open(sys.argv[1],'rb').read()[8:]\n"
        "z=b''\n"
        "while d:\n"
        " n,t=struct.unpack('>I4s',d[:8]); z+=d[8:8+n] if t==b'IDAT' else b''; d=d[12+n:]\n"
        "r=zlib.decompress(z)\n"
        "print(sorted(set(r[i] for i in range(0,len(r)," +
        std::to_string(kWidth * 3 + 1) + "))))\n";
    test::WriteFileBytes(folder.File("f.py"), script);
    const test::ToolResult r = test::RunTool("/usr/bin/python3 " +
                                             test::ShellQuoted(folder.File("f.py")) + " " +
                                             test::ShellQuoted(folder.File("f.png")));
    const std::string want[] = {"[0]\n", "[1]\n", "[4]\n"};
    EXPECT_EQ(r.Output, want[filter]);
  }
}

TEST(PngWriteAlpha, RgbaRoundTripGivesTypeSixAndTheMask) {
  auto bitmap = Source(pv24RGB, false);
  const std::unique_ptr<TPVMask> mask = AlphaMask();
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 3;
  const std::string png = test::WritePng(*bitmap, params, mask.get());
  ASSERT_GT(png.size(), 26u);
  EXPECT_EQ(png[25], 6);  // colour type in IHDR
  TPVBitmap back;
  TIOParamsVals read(nullptr);
  ASSERT_FALSE(test::ReadPng(png, back, read));
  ASSERT_TRUE(back.HasAlphaChannel());
  EXPECT_EQ(test::BitmapRGB(back), test::BitmapRGB(*bitmap));
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(back.GetAlpha(x, y), mask->GetPixel(x, y));
  }
}

TEST(PngWriteAdapter, PaletteWithAlphaThroughTheAdapters) {
  auto bitmap = Source(pv8p, false);
  const std::unique_ptr<TPVMask> mask = AlphaMask();
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;
  params.BitsPerSample = 8;
  TMemoryStream stream;
  TPVProgressRecord progress;
  WritePNGForIO(stream, *bitmap, params, progress, mask.get());
  stream.SetPosition(0);
  TPVBitmap back;
  TIOParamsVals read(nullptr);
  std::unique_ptr<TPVMask> none;
  ASSERT_EQ(ReadPNGForIO(stream, back, read, false, progress, none), 1);
  EXPECT_EQ(none, nullptr);
  ASSERT_TRUE(back.HasAlphaChannel());
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      const bool opaque = mask->GetPixel(x, y) == 255;
      ASSERT_EQ(back.GetAlpha(x, y), opaque ? 255 : 0);
      if (opaque) {
        const TPVRGB want = bitmap->GetPaletteColor(bitmap->GetPixel8(x, y));
        ASSERT_EQ(back.GetPixel24(x, y), want) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace calmora

namespace calmora {
namespace {

TEST(PngWriteGrey16, SixteenBitSamplesGoOutWhole) {
  TPVBitmap bitmap(kWidth, kHeight, pv16g);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      bitmap.SetPixel16(x, y, static_cast<uint16_t>(x * 2011 + y * 97));
    }
  }
  TIOParamsVals params(nullptr);
  params.SamplesPerPixel = 1;
  params.BitsPerSample = 16;
  const std::string png = test::WritePng(bitmap, params);
  ASSERT_GT(png.size(), 26u);
  EXPECT_EQ(png[24], 16);  // depth
  EXPECT_EQ(png[25], 0);   // grey
  TPVBitmap back;
  TIOParamsVals read(nullptr);
  read.NativePixelFormat = true;
  ASSERT_FALSE(test::ReadPng(png, back, read));
  ASSERT_EQ(back.GetPixelFormat(), pv16g);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) ASSERT_EQ(back.GetPixel16(x, y), bitmap.GetPixel16(x, y));
  }
  // A colour image asked for 16 bits gets an 8-bit palette.
  auto colour = Source(pv24RGB, false);
  const std::string palette = test::WritePng(*colour, params);
  ASSERT_GT(palette.size(), 26u);
  EXPECT_EQ(palette[24], 8);
  EXPECT_EQ(palette[25], 3);
}

}  // namespace
}  // namespace calmora
