// WriteBMPStream read back by ImageMagick, bmptopnm and Pillow for every bit count, header
// version and compression: the references see our pixels (after our palette), identify finds
// nothing to warn about, the header fields hold what they should, and the caller's bitmap is
// left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/base/streams/streams.h"
#include "tests/imaging/codecs/bmp/bmp_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

struct WriteCase {
  int32_t BitCount;  // what the record asks for: 1, 4, 8, 24, or 32 (24 with an alpha channel)
  int32_t Version;
  int32_t Compression;
};

std::vector<WriteCase> AllWriteCases() {
  std::vector<WriteCase> cases;
  for (int32_t bits : {1, 4, 8, 24, 32})
    for (int32_t version : {1, 2, 3})
      for (int32_t compression : {0, 1}) cases.push_back({bits, version, compression});
  return cases;
}

std::string CaseName(const WriteCase& c) {
  return "bits" + std::to_string(c.BitCount) + "v" + std::to_string(c.Version) +
         (c.Compression != 0 ? "rle" : "plain");
}

uint32_t U32At(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
         static_cast<uint8_t>(bytes[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

std::unique_ptr<TPVBitmap> SourceFor(const WriteCase& c, TIOParamsVals& params) {
  params.BMP_Version = static_cast<uint8_t>(c.Version);
  params.BMP_Compression = static_cast<uint8_t>(c.Compression);
  params.SetDpiX(300);
  params.SetDpiY(150);
  params.BitsPerSample = c.BitCount <= 8 ? c.BitCount : 8;
  params.SamplesPerPixel = c.BitCount <= 8 ? 1 : 3;
  auto bitmap = MakePattern(37, 23, c.BitCount == 1 ? 2 : c.BitCount <= 8 ? 16 : 0);
  if (c.BitCount == 32) {
    TPVBitmap* alpha = bitmap->GetAlphaChannel();
    for (int32_t y = 0; y < bitmap->Height; ++y)
      for (int32_t x = 0; x < bitmap->Width; ++x) alpha->GetScanline(y)[x] = (x * 7 + y) % 256;
  }
  return bitmap;
}

std::string RawBytes(const TPVBitmap& bitmap) {
  TMemoryStream stream;
  EXPECT_TRUE(bitmap.SaveRawToStream(&stream));
  return std::string(static_cast<const char*>(stream.GetMemory()),
                     static_cast<size_t>(stream.GetSize()));
}

class BMPWriterTools : public testing::TestWithParam<WriteCase> {};

TEST_P(BMPWriterTools, ReferencesReadOurPixels) {
  const WriteCase c = GetParam();
  for (const char* tool : {"bmptopnm", "convert", "identify", "/usr/bin/python3"})
    CALMORA_REQUIRE_TOOL(tool);
  TIOParamsVals params(nullptr);
  const auto bitmap = SourceFor(c, params);
  const std::string before = RawBytes(*bitmap);
  bool aborting = false;
  const std::string bytes = WriteBMPBytes(*bitmap, params, true, &aborting);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(RawBytes(*bitmap), before) << "the caller's bitmap changed";

  const int32_t fileBits = c.BitCount;
  const bool core = c.Version == 2;
  const bool rle = c.Compression == 1 && !core && (fileBits == 4 || fileBits == 8);
  ASSERT_GE(bytes.size(), 26u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(U32At(bytes, 2), bytes.size());
  EXPECT_EQ(U32At(bytes, 14), core ? 12u : c.Version == 3 ? 64u : 40u);
  if (core) {
    EXPECT_EQ(static_cast<uint8_t>(bytes[24]), fileBits);
  } else {
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]), fileBits);
    EXPECT_EQ(U32At(bytes, 30), rle ? (fileBits == 4 ? 2u : 1u) : 0u);
    EXPECT_EQ(U32At(bytes, 34), bytes.size() - U32At(bytes, 10));
    EXPECT_EQ(U32At(bytes, 38), 11811u) << "300 dpi in pixels per metre";
    EXPECT_EQ(U32At(bytes, 42), 5906u) << "150 dpi in pixels per metre";
    EXPECT_EQ(U32At(bytes, 50), uint32_t{1} << (fileBits % 32)) << "important colours";
  }
  if (rle) {
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\0\0\0\1", 4));
  }
  if (fileBits <= 8) {
    ASSERT_EQ(params.ColorMapCount, 1 << fileBits);
  }

  // What the file shows: our pixels through our palette, which for these images is lossless.
  ScratchFolder folder("bmp-writer");
  const std::string file = folder.File("ours.bmp");
  ASSERT_TRUE(WriteFileBytes(file, bytes));
  const ToolResult warnings =
      RunTool("identify -regard-warnings " + ShellQuoted(file) + " 2>&1 >/dev/null", false);
  EXPECT_EQ(warnings.Status, 0);
  EXPECT_EQ(warnings.Output, "");

  TIOParamsVals readParams(nullptr);
  TPVBitmap ownRead;
  const ReadResult ownResult = ReadBMPBytes(bytes, ownRead, readParams);
  ASSERT_FALSE(ownResult.Aborting);
  ExpectSamePixels(ownRead, *bitmap, CaseName(c) + " read by ourselves");
  if (c.BitCount == 32) {
    ASSERT_NE(ownResult.Mask, nullptr);
    int32_t differences = 0;
    for (int32_t y = 0; y < bitmap->Height; ++y)
      for (int32_t x = 0; x < bitmap->Width; ++x)
        differences += ownResult.Mask->GetPixel(x, y) != bitmap->AlphaBitmap->GetScanline(y)[x];
    EXPECT_EQ(differences, 0);
  }

  struct Reference {
    const char* Name;
    std::string Command;
  };
  std::vector<Reference> references;
  // ImageMagick takes the colour table after a 64-byte header for 3-byte entries.
  if (c.Version != 3 || fileBits > 8)
    references.push_back({"ImageMagick", "convert " + ShellQuoted(file) +
                                             " -alpha off -depth 8 ppm:" +
                                             ShellQuoted(folder.File("magick.ppm"))});
  references.push_back(
      {"Pillow", "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                 "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2])\" " +
                     ShellQuoted(file) + " " + ShellQuoted(folder.File("pillow.ppm"))});
  // bmptopnm refuses run-length data, 64-byte headers and 32 bits after a 12-byte header.
  if (!rle && c.Version != 3 && !(core && fileBits == 32))
    references.push_back({"bmptopnm", "bmptopnm " + ShellQuoted(file) + " > " +
                                          ShellQuoted(folder.File("bmptopnm.ppm")) +
                                          " 2>/dev/null"});
  for (const Reference& reference : references) {
    const std::string output = folder.File(std::string(reference.Name) == "ImageMagick" ? "magick.ppm"
                                           : std::string(reference.Name) == "Pillow" ? "pillow.ppm"
                                                                                    : "bmptopnm.ppm");
    const ToolResult run = RunTool(reference.Command, false);
    ASSERT_EQ(run.Status, 0) << reference.Name << ": " << reference.Command;
    TPVBitmap decoded;
    std::string why;
    ASSERT_TRUE(LoadPNM(output, decoded, &why)) << reference.Name << ": " << why;
    ExpectSamePixels(*bitmap, decoded, CaseName(c) + " read by " + reference.Name);
  }
}

INSTANTIATE_TEST_SUITE_P(BitCountVersionCompression, BMPWriterTools,
                         testing::ValuesIn(AllWriteCases()),
                         [](const testing::TestParamInfo<WriteCase>& param) {
                           return CaseName(param.param);
                         });

// A many-coloured image written with 8 bits: the file's pixels are the palette's colours of
// our indices, so every reference and our own reader agree, and each pixel is a palette entry.
TEST(BMPWriter, QuantisedImageReadsAsItsPalette) {
  CALMORA_REQUIRE_TOOL("bmptopnm");
  TIOParamsVals params(nullptr);
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  auto bitmap = MakePattern(61, 40, 0);
  const std::string bytes = WriteBMPBytes(*bitmap, params, false);
  ScratchFolder folder("bmp-writer-quantised");
  ASSERT_TRUE(WriteFileBytes(folder.File("q.bmp"), bytes));
  ASSERT_EQ(RunTool("bmptopnm " + ShellQuoted(folder.File("q.bmp")) + " > " +
                        ShellQuoted(folder.File("q.ppm")) + " 2>/dev/null",
                    false)
                .Status,
            0);
  TPVBitmap decoded;
  ASSERT_TRUE(LoadPNM(folder.File("q.ppm"), decoded));
  TIOParamsVals readParams(nullptr);
  TPVBitmap ours;
  ASSERT_FALSE(ReadBMPBytes(bytes, ours, readParams).Aborting);
  ExpectSamePixels(ours, decoded, "quantised");
  ASSERT_EQ(params.ColorMapCount, 256);
  for (int32_t y = 0; y < ours.Height; ++y)
    for (int32_t x = 0; x < ours.Width; ++x) {
      const TPVRGB pixel = ours.GetPixel24(x, y);
      EXPECT_TRUE(std::find(params.ColorMap.get(), params.ColorMap.get() + 256, pixel) !=
                  params.ColorMap.get() + 256);
    }
}

// The core header's 16-bit sizes cannot hold the image: nothing is written.
TEST(BMPWriter, CoreHeaderRefusesSidesAboveItsFields) {
  TIOParamsVals params(nullptr);
  params.BMP_Version = 2;
  TPVBitmap wide(65536, 1, pv24RGB);
  bool aborting = false;
  EXPECT_EQ(WriteBMPBytes(wide, params, false, &aborting), "");
  EXPECT_TRUE(aborting);
  TPVBitmap fits(65535, 1, pv24RGB);
  EXPECT_NE(WriteBMPBytes(fits, params, false, &aborting), "");
  EXPECT_FALSE(aborting);
}

// Other formats are written from a private pv24RGB copy; the caller's stays as it was.
TEST(BMPWriter, OtherFormatsWriteThroughAPrivateCopy) {
  TIOParamsVals params(nullptr);
  TPVBitmap grey(5, 3, pv8g);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) grey.GetScanline(y)[x] = static_cast<uint8_t>(x * 50 + y);
  const std::string before = RawBytes(grey);
  bool aborting = false;
  const std::string bytes = WriteBMPBytes(grey, params, false, &aborting);
  ASSERT_FALSE(aborting);
  EXPECT_EQ(RawBytes(grey), before);
  EXPECT_EQ(grey.Format, pv8g);
  TIOParamsVals readParams(nullptr);
  TPVBitmap back;
  ASSERT_FALSE(ReadBMPBytes(bytes, back, readParams).Aborting);
  ExpectSamePixels(back, grey, "grey");
}

// Padding bytes at the end of rows are zero in every layout.
TEST(BMPWriter, RowPaddingIsZero) {
  for (int32_t bits : {4, 8, 24}) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = bits <= 8 ? bits : 8;
    params.SamplesPerPixel = bits <= 8 ? 1 : 3;
    auto bitmap = MakePattern(5, 2, 16);
    // Poison the bitmap's own row padding: it must not reach the file.
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t i = 15; i < bitmap->RowBytes; ++i) bitmap->GetScanline(y)[i] = 0xAB;
    const std::string bytes = WriteBMPBytes(*bitmap, params, false);
    const uint32_t offset = U32At(bytes, 10);
    const int64_t rowLength = CalcRowLength(5, bits, 32);
    const int64_t used = (5 * bits + 7) / 8;
    for (int32_t row = 0; row < 2; ++row)
      for (int64_t i = used; i < rowLength; ++i)
        EXPECT_EQ(bytes[offset + row * rowLength + i], '\0') << bits << " bits";
  }
}

}  // namespace
}  // namespace calmora::test
