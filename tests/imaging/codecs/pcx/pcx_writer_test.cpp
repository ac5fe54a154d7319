// WritePCXStream: every depth, raw and RLE, read back by pcxtoppm, ImageMagick and our reader
// with the source's pixels; the header's fields; the caller's bitmap left alone.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "tests/imaging/codecs/pcx/pcx_test_support.h"

namespace calmora {
namespace {

using test::PcxStorage;

struct Depth {
  int32_t BitsPerSample, SamplesPerPixel, Colors, FileBits, FilePlanes;
};

const Depth kDepths[] = {{1, 1, 2, 1, 1}, {4, 1, 16, 4, 1}, {8, 1, 200, 8, 1}, {8, 3, 200, 8, 3},
                         // After an RGBA load: written as 24 bits.
                         {8, 4, 200, 8, 3}};

TEST(WritePCXStream, EveryDepthReadsBackInTheReferenceTools) {
  CALMORA_REQUIRE_TOOL("pcxtoppm");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  for (const Depth& depth : kDepths) {
    for (const int compression : {0, 1}) {
      for (PcxStorage storage : {PcxStorage::Memory, PcxStorage::TemporaryFile}) {
        const auto scope = test::UsePcxStorage(storage);
        const std::string what = std::to_string(depth.BitsPerSample) + " x " +
                                 std::to_string(depth.SamplesPerPixel) + " compression " +
                                 std::to_string(compression) +
                                 (storage == PcxStorage::Memory ? " memory" : " file");
        test::ScratchFolder folder("calmora-pcx");
        ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"),
                                         test::PicturePPM(37, 21, depth.Colors)));
        TPVBitmap source;
        ASSERT_TRUE(test::LoadPNM(folder.File("in.ppm"), source));
        TIOParamsVals params(nullptr);
        params.BitsPerSample = depth.BitsPerSample;
        params.SamplesPerPixel = depth.SamplesPerPixel;
        params.PCX_Compression = static_cast<uint8_t>(compression);
        const std::string bytes = test::WritePCXBytes(source, params);
        ASSERT_GT(bytes.size(), 128u) << what;
        EXPECT_EQ(bytes[2], compression) << what;
        EXPECT_EQ(bytes[3], depth.FileBits) << what;
        EXPECT_EQ(bytes[65], depth.FilePlanes) << what;
        ASSERT_TRUE(test::WriteFileBytes(folder.File("out.pcx"), bytes));
        // pcxtoppm knows RLE files only ("unknown encoding scheme: 0").
        if (compression == 1) {
          TPVBitmap back;
          ASSERT_TRUE(test::ReferenceDecode("pcxtoppm", folder.File("out.pcx"), back)) << what;
          test::ExpectSamePixels(back, source, what + " pcxtoppm");
        }
        // ImageMagick reads 1 and 4-bit files with colours of its own (ppmtopcx's as well), so
        // it checks 8 and 24 bits only.
        if (depth.FileBits == 8) {
          TPVBitmap magick;
          ASSERT_TRUE(test::ReferenceDecode("/usr/bin/convert", folder.File("out.pcx"), magick,
                                            "pcx:", " ppm:-"))
              << what;
          test::ExpectSamePixels(magick, source, what + " ImageMagick");
        }
        TIOParamsVals readParams(nullptr);
        TPVBitmap ours;
        ASSERT_FALSE(test::ReadPCXBytes(bytes, ours, readParams).Aborting) << what;
        test::ExpectSamePixels(ours, source, what + " our reader");
      }
    }
  }
}

TEST(WritePCXStream, WritesTheHeaderFields) {
  TPVBitmap source;
  source.Allocate(5, 3, pv24RGB);
  source.Fill(0);
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 4;
  params.SamplesPerPixel = 1;
  params.PCX_Version = 3;
  params.SetDpiX(150);
  params.SetDpiY(72);
  const std::string bytes = test::WritePCXBytes(source, params);
  ASSERT_GE(bytes.size(), 128u);
  auto le16 = [&](size_t at) {
    return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
  };
  EXPECT_EQ(bytes[0], 10);
  EXPECT_EQ(bytes[1], 3);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(le16(4), 0);
  EXPECT_EQ(le16(8), 4);
  EXPECT_EQ(le16(10), 2);
  EXPECT_EQ(le16(12), 150);
  EXPECT_EQ(le16(14), 72);
  // Width 5 at 4 bits: 3 data bytes, padded to an even 4.
  EXPECT_EQ(le16(66), 4);
  EXPECT_EQ(le16(68), 1);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  params.PCX_Compression = 0;
  const std::string rgb = test::WritePCXBytes(source, params);
  ASSERT_EQ(rgb.size(), 128u + 3 * 3 * 6);
  EXPECT_EQ(rgb[68], 0);
}

TEST(WritePCXStream, AByteFromC0UpIsAlwaysARun) {
  TPVBitmap source;
  source.Allocate(4, 1, pv24RGB);
  uint8_t* row = source.GetScanline(0);
  const uint8_t pixels[12] = {0xC0, 1, 0xFF, 2, 0xC1, 3, 0xD0, 0xD0, 0xD0, 4, 4, 0xC5};
  std::copy(pixels, pixels + 12, row);
  TIOParamsVals params(nullptr);
  const std::string bytes = test::WritePCXBytes(source, params);
  TIOParamsVals readParams(nullptr);
  TPVBitmap back;
  ASSERT_FALSE(test::ReadPCXBytes(bytes, back, readParams).Aborting);
  test::ExpectSamePixels(back, source, "high bytes");
  // Red line FF 03 D0 C5: every byte from C0 up as a run of one, 03 as itself.
  EXPECT_EQ(bytes.substr(128, 7), std::string("\xC1\xFF\x03\xC1\xD0\xC1\xC5", 7));
}

TEST(WritePCXStream, LeavesTheCallersBitmapAlone) {
  for (const int32_t bits : {1, 4, 8}) {
    TPVBitmap source;
    source.Allocate(9, 4, pv24RGB);
    for (int32_t y = 0; y < 4; ++y)
      for (int32_t x = 0; x < 9; ++x) source.SetPixel24(x, y, TPVRGB{uint8_t(x * 20), uint8_t(y * 50), 7});
    source.GetAlphaChannel()->Fill(128);
    TPVBitmap before;
    before.Assign(&source);
    TIOParamsVals params(nullptr);
    params.BitsPerSample = bits;
    params.SamplesPerPixel = 1;
    EXPECT_FALSE(test::WritePCXBytes(source, params).empty()) << bits;
    EXPECT_EQ(source.GetPixelFormat(), pv24RGB);
    EXPECT_TRUE(source.HasAlphaChannel()) << bits;
    test::ExpectSamePixels(source, before, "source after " + std::to_string(bits));
  }
}

TEST(WritePCXStream, AnEmptyBitmapAborts) {
  TPVBitmap empty;
  TIOParamsVals params(nullptr);
  EXPECT_TRUE(test::WritePCXBytes(empty, params).empty());
}

}  // namespace
}  // namespace calmora
