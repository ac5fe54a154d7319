// The GIF reader against giftopnm on files ImageMagick, ppmtogif and gifsicle make at test
// time, frame by frame with transparency, in memory and in temporary files; the parameters of
// a chosen frame; hand-made structures for the edge cases; the writer against gifsicle,
// giftext and giftopnm; hostile input.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "imaging/base/color_helpers.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/gif/gif_test_support.h"
#include "tests/imaging/codecs/png/png_fixtures.h"

namespace calmora {
namespace {

using test::Storage;

struct GifFixture {
  const char* Name;
  const char* Command;  // run in the folder, the file to standard output
  int32_t Frames;
};

const GifFixture kFixtures[] = {
    {"imagemagick_animated",
     "/usr/bin/convert -delay 20 -dispose Background c16.ppm -delay 35 -dispose Previous "
     "c200.ppm four.ppm gif:-",
     3},
    {"imagemagick_interlaced", "/usr/bin/convert c200.ppm -interlace GIF gif:-", 1},
    {"imagemagick_transparent", "/usr/bin/convert c200.ppm -transparent black gif:-", 1},
    {"ppmtogif", "ppmtogif c200.ppm", 1},
    {"ppmtogif_interlaced", "ppmtogif -interlace c16.ppm", 1},
    {"ppmtogif_transparent", "ppmtogif -transparent=black c200.ppm", 1},
    {"ppmtogif_two_colours", "pgmtoppm white g2.pgm | ppmtogif", 1},
    {"gifsicle_optimised",
     "/usr/bin/convert -delay 10 c16.ppm c200.ppm c16.ppm gif:- | gifsicle -O2", 3},
};

class GifReadTable : public ::testing::TestWithParam<std::tuple<GifFixture, Storage>> {};

TEST_P(GifReadTable, EveryFrameEqualsGiftopnm) {
  CALMORA_REQUIRE_TOOL("giftopnm");
  CALMORA_REQUIRE_TOOL("ppmtogif");
  CALMORA_REQUIRE_TOOL("gifsicle");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  const auto& [fixture, storage] = GetParam();
  const auto scope = test::UseStorage(storage);
  test::GifCoders coders;
  test::ScratchFolder folder;
  test::WriteFixtureInputs(folder);
  ASSERT_EQ(test::RunTool("cd " + test::ShellQuoted(folder.Path()) + " && (" + fixture.Command +
                              ") > in.gif",
                          false)
                .Status,
            0);
  const std::string gif = test::ReadFileBytes(folder.File("in.gif"));
  for (int32_t frame = 0; frame < fixture.Frames; ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.GIF_ImageIndex = frame;
    test::GifRead read = test::ReadGif(gif, bitmap, params);
    ASSERT_FALSE(read.Aborting);
    EXPECT_EQ(read.Frames, fixture.Frames);
    const test::PnmPixels expected = test::GifToPnm(folder, gif, frame);
    ASSERT_EQ(bitmap.GetWidth(), expected.Width);
    ASSERT_EQ(bitmap.GetHeight(), expected.Height);
    EXPECT_EQ(test::BitmapRGB(bitmap), test::PnmRGB(expected));
    const test::PnmPixels alpha = test::GifToPnm(folder, gif, frame, true);
    bool anyTransparent = false;
    for (uint8_t a : alpha.Samples) anyTransparent |= a == 0;
    ASSERT_EQ(read.Mask != nullptr, anyTransparent);
    if (read.Mask) {
      for (int32_t y = 0; y < expected.Height; ++y) {
        for (int32_t x = 0; x < expected.Width; ++x) {
          ASSERT_EQ(read.Mask->GetPixel(x, y), alpha.Samples[size_t(y) * expected.Width + x]);
        }
      }
    }
    // Native: the palette's colours through the indices.
    TPVBitmap native;
    TIOParamsVals nativeParams(nullptr);
    nativeParams.GIF_ImageIndex = frame;
    nativeParams.NativePixelFormat = true;
    ASSERT_FALSE(test::ReadGif(gif, native, nativeParams, false, true).Aborting);
    if (native.GetPixelFormat() == pv8p) {
      EXPECT_EQ(test::BitmapRGB(native), test::PnmRGB(expected));
    }
  }
}

std::string GifName(const ::testing::TestParamInfo<std::tuple<GifFixture, Storage>>& i) {
  return std::string(std::get<0>(i.param).Name) +
         (std::get<1>(i.param) == Storage::Memory ? "_memory" : "_file");
}

INSTANTIATE_TEST_SUITE_P(Tools, GifReadTable,
                         ::testing::Combine(::testing::ValuesIn(kFixtures),
                                            ::testing::Values(Storage::Memory,
                                                              Storage::TemporaryFile)),
                         GifName);

TEST(GifReadParams, SecondOfThreeFrames) {
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  test::GifCoders coders;
  test::ScratchFolder folder;
  test::WriteFixtureInputs(folder);
  ASSERT_EQ(test::RunTool("cd " + test::ShellQuoted(folder.Path()) +
                              " && /usr/bin/convert -delay 20 -dispose Background c16.ppm "
                              "-delay 35 -dispose Previous -page 40x30+3+2 four.ppm -delay 5 "
                              "-page +0+0 c16.ppm a.gif",
                          false)
                .Status,
            0);
  const std::string gif = test::ReadFileBytes(folder.File("a.gif"));
  for (bool paramsOnly : {true, false}) {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    params.GIF_ImageIndex = 1;
    const test::GifRead read = test::ReadGif(gif, bitmap, params, paramsOnly);
    ASSERT_FALSE(read.Aborting);
    EXPECT_EQ(read.Frames, 3);
    EXPECT_EQ(params.GIF_DelayTime, 35);
    EXPECT_EQ(params.GIF_Disposal, 3);
    EXPECT_EQ(params.GIF_XPos, 3);
    EXPECT_EQ(params.GIF_YPos, 2);
    EXPECT_EQ(params.GIF_Version, "GIF89a");
    EXPECT_EQ(bitmap.IsEmpty(), paramsOnly);
  }
}

// A GIF put together field by field around image data from the library's coder.
std::string HandGif(int32_t width, int32_t height, const std::vector<TPVRGB>& table,
                    const std::vector<uint8_t>& indices, const std::string& extensions,
                    int32_t bits, int32_t codeBits = 0) {
  std::string gif = "GIF89a";
  auto put16 = [&](int32_t v) {
    gif += static_cast<char>(v & 0xFF);
    gif += static_cast<char>(v >> 8);
  };
  put16(width);
  put16(height);
  gif += static_cast<char>(0x80 | (bits - 1));
  gif += '\0';
  gif += '\0';
  for (int32_t i = 0; i < (1 << bits); ++i) {
    const TPVRGB c = i < static_cast<int32_t>(table.size()) ? table[i] : TPVRGB{0, 0, 0};
    gif += static_cast<char>(c.r);
    gif += static_cast<char>(c.g);
    gif += static_cast<char>(c.b);
  }
  gif += extensions;
  gif += ',';
  put16(0);
  put16(0);
  put16(width);
  put16(height);
  gif += '\0';
  TMemoryStream data;
  CompressGIFLZW(&data, height, width, false, indices.data(),
                 codeBits ? codeBits : std::max(bits, 2));
  gif.append(static_cast<const char*>(data.GetMemory()), static_cast<size_t>(data.GetSize()));
  gif += ';';
  return gif;
}

TEST(GifReadEdges, PalettesOneBitNinthPixelAndShortControlBlocks) {
  test::GifCoders coders;
  const TPVRGB black = MakeRGB(0, 0, 0);
  const TPVRGB white = MakeRGB(255, 255, 255);
  std::vector<uint8_t> indices(9 * 2, 0);
  indices[8] = 1;
  indices[9] = 1;
  {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_FALSE(test::ReadGif(HandGif(9, 2, {black, white}, indices, "", 1), bitmap, params)
                     .Aborting);
    ASSERT_EQ(bitmap.GetPixelFormat(), pv1g);
    EXPECT_EQ(bitmap.GetPixelAsRGB(8, 0), white);
    EXPECT_EQ(bitmap.GetPixelAsRGB(0, 1), white);
    EXPECT_EQ(bitmap.GetPixelAsRGB(7, 0), black);
  }
  {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_FALSE(test::ReadGif(HandGif(9, 2, {white, black}, indices, "", 1), bitmap, params)
                     .Aborting);
    ASSERT_EQ(bitmap.GetPixelFormat(), pv24RGB);
    EXPECT_EQ(bitmap.GetPixelAsRGB(8, 0), black);
  }
  {
    // A graphic control block whose sub-block is 2 bytes, an unknown extension and a comment
    // of two sub-blocks: the frame after them still reads, transparency flag from the 2 bytes.
    const std::string extensions = std::string("\x21\xF9\x02\x05\x07\x00", 6) +
                                   std::string("\x21\x99\x03xyz\x01q\x00", 10) +
                                   std::string("\x21\xFE\x02hi\x03you\x00", 10);
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    const test::GifRead read =
        test::ReadGif(HandGif(9, 2, {black, white}, indices, extensions, 1), bitmap, params);
    ASSERT_FALSE(read.Aborting);
    EXPECT_EQ(read.Frames, 1);
    EXPECT_TRUE(params.GIF_Transparent);
    EXPECT_EQ(params.GIF_Disposal, 1);
    EXPECT_EQ(params.GIF_DelayTime, 7);
    EXPECT_EQ(params.GIF_Comments, (TStringList{"hi", "you"}));
    ASSERT_NE(read.Mask, nullptr);  // index 0 transparent
    EXPECT_EQ(read.Mask->GetPixel(0, 0), 0);
    EXPECT_EQ(read.Mask->GetPixel(8, 0), 255);
  }
  {
    // Indices past a four-entry table read as black, inside the 256-entry palette.
    std::vector<uint8_t> wide(16);
    for (int32_t i = 0; i < 16; ++i) wide[i] = static_cast<uint8_t>(i);
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    ASSERT_FALSE(test::ReadGif(HandGif(16, 1, {white, white, white, white}, wide, "", 2, 4), bitmap,
                               params)
                     .Aborting);
    EXPECT_EQ(bitmap.GetPixelAsRGB(3, 0), white);
    EXPECT_EQ(bitmap.GetPixelAsRGB(15, 0), black);
    EXPECT_EQ(params.ColorMapCount, 4);
  }
}

TEST(GifHostile, CutsHugeFramesAndNoSignature) {
  test::GifCoders coders;
  std::vector<uint8_t> indices(30 * 20);
  for (size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<uint8_t>(i % 7);
  std::vector<TPVRGB> table;
  for (int32_t i = 0; i < 8; ++i) table.push_back(MakeRGB(static_cast<uint8_t>(i * 30), 0, 0));
  const std::string gif = HandGif(30, 20, table, indices, "", 3);
  for (size_t cut = 0; cut < gif.size(); ++cut) {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    test::ReadGif(gif.substr(0, cut), bitmap, params);  // no crash, no over-read
  }
  for (size_t cut : {size_t{0}, size_t{5}, size_t{12}, size_t{13}, size_t{20}}) {
    TPVBitmap bitmap;
    TIOParamsVals params(nullptr);
    EXPECT_TRUE(test::ReadGif(gif.substr(0, cut), bitmap, params).Aborting) << cut;
  }
  // 65535 x 65535 pixels in a few bytes: refused before allocating.
  std::string huge = gif;
  const size_t descriptor = gif.find(',', 13 + 24);
  ASSERT_NE(descriptor, std::string::npos);
  for (size_t i : {5, 6, 7, 8}) huge[descriptor + i] = '\xFF';
  TPVBitmap bitmap;
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(test::ReadGif(huge, bitmap, params).Aborting);
  EXPECT_TRUE(bitmap.IsEmpty());
  TIOParamsVals header(nullptr);
  EXPECT_FALSE(test::ReadGif(huge, bitmap, header, true).Aborting);
  EXPECT_EQ(header.Width, 65535);
  EXPECT_TRUE(test::ReadGif("PNG not a gif at all", bitmap, params).Aborting);
}

struct WriteCase {
  int32_t Bits;
  bool Alpha;
  bool Interlaced;
  size_t CommentLength;
};

class GifWriteTable : public ::testing::TestWithParam<WriteCase> {};

TEST_P(GifWriteTable, ToolsReadOurFile) {
  CALMORA_REQUIRE_TOOL("gifsicle");
  CALMORA_REQUIRE_TOOL("giftext");
  CALMORA_REQUIRE_TOOL("giftopnm");
  const WriteCase c = GetParam();
  test::GifCoders coders;
  test::ScratchFolder folder;
  TPVBitmap bitmap(31, 17, pv24RGB);
  for (int32_t y = 0; y < 17; ++y) {
    for (int32_t x = 0; x < 31; ++x) {
      const int32_t room = c.Bits == 1 ? 2 : (1 << std::min(c.Bits, 8)) - (c.Alpha ? 1 : 0);
      const int32_t k = (x / 3 + y) % std::min(6, room);
      bitmap.SetPixel24(x, y,
                        c.Bits == 1 ? (k % 2 ? MakeRGB(255, 255, 255) : MakeRGB(0, 0, 0))
                                    : MakeRGB(static_cast<uint8_t>(k * 40), 90,
                                              static_cast<uint8_t>(255 - k * 30)));
      if (c.Alpha) bitmap.SetAlpha(x, y, (x + y) % 5 == 0 ? 0 : 255);
    }
  }
  const std::vector<uint8_t> before = test::BitmapRGB(bitmap);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = c.Bits;
  params.GIF_Interlaced = c.Interlaced;
  params.GIF_Comments = {std::string(c.CommentLength, 'c'), "second"};
  if (c.CommentLength == 0) params.GIF_Comments.clear();
  std::vector<int32_t> percents;
  const std::string gif = test::WriteGif(bitmap, params, &percents);
  ASSERT_FALSE(gif.empty());
  EXPECT_EQ(percents, (std::vector<int32_t>{0, 30, 70, 100}));
  EXPECT_EQ(test::BitmapRGB(bitmap), before);
  test::WriteFileBytes(folder.File("w.gif"), gif);
  const test::ToolResult info =
      test::RunTool("gifsicle --info " + test::ShellQuoted(folder.File("w.gif")));
  ASSERT_EQ(info.Status, 0) << info.Output;
  const test::ToolResult text =
      test::RunTool("giftext " + test::ShellQuoted(folder.File("w.gif")));
  EXPECT_NE(text.Output.find("comment (Ext Code = 254"), std::string::npos) << text.Output;
  // giflib cannot read an extension without sub-blocks, which the always-written comment
  // extension is when there are no comments.
  if (c.CommentLength != 0) {
    ASSERT_EQ(text.Status, 0) << text.Output;
  }
  const test::PnmPixels pixels = test::GifToPnm(folder, gif, 0);
  ASSERT_EQ(pixels.Width, 31);
  const test::PnmPixels alpha = test::GifToPnm(folder, gif, 0, true);
  const std::vector<uint8_t> got = test::PnmRGB(pixels);
  for (int32_t y = 0; y < 17; ++y) {
    for (int32_t x = 0; x < 31; ++x) {
      const size_t at = size_t(y) * 31 + x;
      const bool transparent = c.Alpha && bitmap.GetAlpha(x, y) != 255;
      if (c.Alpha) {
        ASSERT_EQ(alpha.Samples[at], transparent ? 0 : 255);
      }
      if (transparent) continue;
      const TPVRGB want = bitmap.GetPixel24(x, y);
      ASSERT_EQ(got[at * 3], want.r) << x << "," << y;
      ASSERT_EQ(got[at * 3 + 1], want.g) << x << "," << y;
      ASSERT_EQ(got[at * 3 + 2], want.b) << x << "," << y;
    }
  }
  // Our reader gives the comments back whole.
  TPVBitmap back;
  TIOParamsVals read(nullptr);
  ASSERT_FALSE(test::ReadGif(gif, back, read).Aborting);
  // Each sub-block of at most 255 bytes comes back as a comment of its own.
  std::string written;
  size_t blocks = 0;
  for (const std::string& comment : params.GIF_Comments) {
    written += comment;
    blocks += (comment.size() + 254) / 255;
  }
  std::string readBack;
  for (const std::string& comment : read.GIF_Comments) readBack += comment;
  EXPECT_EQ(readBack, written);
  EXPECT_EQ(read.GIF_Comments.size(), blocks);
  if (c.Bits >= 8 && c.Alpha) {
    // 255 colours, index 255 transparent in the graphic control block.
    const size_t control = gif.find("\x21\xF9\x04", 0, 3);
    ASSERT_NE(control, std::string::npos);
    EXPECT_EQ(static_cast<uint8_t>(gif[control + 6]), 255);
    EXPECT_EQ(static_cast<uint8_t>(gif[control + 3]) & 1, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    DepthsAlphaInterlaceComments, GifWriteTable,
    ::testing::Values(WriteCase{1, false, false, 0}, WriteCase{1, true, false, 255},
                      WriteCase{2, false, true, 256}, WriteCase{3, true, false, 300},
                      WriteCase{4, false, false, 255}, WriteCase{5, true, true, 0},
                      WriteCase{6, false, false, 300}, WriteCase{7, true, false, 256},
                      WriteCase{8, false, true, 255}, WriteCase{8, true, false, 300},
                      WriteCase{16, false, false, 256}, WriteCase{16, true, true, 300}));

TEST(GifWrite, OddVersionsSizesAndMissingCoder) {
  test::GifCoders coders;
  TPVBitmap bitmap(5, 5, pv24RGB);
  TIOParamsVals params(nullptr);
  params.GIF_Version = "GIF";
  EXPECT_EQ(test::WriteGif(bitmap, params).substr(0, 6), "GIF89a");
  params.GIF_Version = "GIF87a";
  EXPECT_EQ(test::WriteGif(bitmap, params).substr(0, 6), "GIF87a");
  TPVBitmap wide(65536, 1, pv1g);
  EXPECT_TRUE(test::WriteGif(wide, params).empty());
  test::ScopedOverride<TGIFLZWCompressProc> none(DefaultGIFLZWCompress, nullptr);
  params.GIF_LZWCompress = nullptr;
  EXPECT_TRUE(test::WriteGif(bitmap, params).empty());
}

}  // namespace
}  // namespace calmora

namespace calmora {
namespace {

TEST(GifWrite, AbsentBackgroundTakesTheNearestEntryAndOtherFormatsGoThroughACopy) {
  test::GifCoders coders;
  TPVBitmap bitmap(12, 4, pv24RGB);
  const TPVRGB colours[] = {MakeRGB(250, 0, 0), MakeRGB(0, 200, 0), MakeRGB(0, 0, 90),
                            MakeRGB(40, 40, 40), MakeRGB(255, 255, 0)};
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 12; ++x) bitmap.SetPixel24(x, y, colours[(x + y) % 5]);
  }
  ASSERT_TRUE(bitmap.SetPixelFormat(pvRGB48));
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 3;
  params.GIF_Background = MakeRGB(245, 10, 5);
  params.GIF_TransparentColor = MakeRGB(1, 190, 3);
  const std::string gif = test::WriteGif(bitmap, params);
  ASSERT_GT(gif.size(), 13u + 24u);
  EXPECT_EQ(bitmap.GetPixelFormat(), pvRGB48);
  const uint8_t background = static_cast<uint8_t>(gif[11]);
  ASSERT_LT(background, 8);
  EXPECT_EQ(static_cast<uint8_t>(gif[13 + 3 * background]), 250);
  const size_t control = gif.find("\x21\xF9\x04", 0, 3);
  ASSERT_NE(control, std::string::npos);
  const uint8_t transparent = static_cast<uint8_t>(gif[control + 6]);
  ASSERT_LT(transparent, 8);
  EXPECT_EQ(static_cast<uint8_t>(gif[13 + 3 * transparent + 1]), 200);
  TPVBitmap back;
  TIOParamsVals read(nullptr);
  ASSERT_FALSE(test::ReadGif(gif, back, read).Aborting);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 12; ++x) ASSERT_EQ(back.GetPixel24(x, y), colours[(x + y) % 5]);
  }
}

}  // namespace
}  // namespace calmora
