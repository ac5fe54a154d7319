// WriteTGAStream: every output depth, RLE on and off, read back by tgatoppm, ImageMagick, PIL
// and our reader; the footer's fields round trip; the run-length coder against its rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/params/io_params_fields.h"
#include "tests/imaging/codecs/pcx/pcx_test_support.h"
#include "tests/imaging/codecs/tga/tga_test_support.h"

namespace calmora {
namespace {

struct Output {
  const char* Name;
  int32_t BitsPerSample, SamplesPerPixel;
  bool Gray;
  int32_t Colors;     // of the source picture
  int32_t FileDepth;  // pixel depth in the file
};

const Output kOutputs[] = {
    {"1 bit", 1, 1, false, 2, 1},       {"4 bits", 4, 1, false, 16, 4},
    {"8-bit palette", 8, 1, false, 200, 8}, {"8-bit grey", 8, 1, true, 2, 8},
    {"24 bits", 8, 3, false, 200, 24},
};

TEST(WriteTGAStream, EveryOutputReadsBackInTheTools) {
  CALMORA_REQUIRE_TOOL("tgatoppm");
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  for (const Output& output : kOutputs) {
    for (const bool rle : {false, true}) {
      for (const bool inFile : {false, true}) {
        const auto scope = test::UseTgaStorage(inFile);
        const std::string what = std::string(output.Name) + (rle ? " RLE" : " raw") +
                                 (inFile ? " file" : " memory");
        test::ScratchFolder folder("calmora-tga");
        ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"),
                                         test::PicturePPM(37, 21, output.Colors)));
        TPVBitmap source;
        ASSERT_TRUE(test::LoadPNM(folder.File("in.ppm"), source));
        TIOParamsVals params(nullptr);
        params.BitsPerSample = output.BitsPerSample;
        params.SamplesPerPixel = output.SamplesPerPixel;
        params.TGA_GrayLevel = output.Gray;
        params.TGA_Compressed = rle;
        bool aborting = false;
        const std::string bytes = test::WriteTGABytes(source, params, nullptr, &aborting);
        ASSERT_FALSE(aborting) << what;
        ASSERT_GT(bytes.size(), 18u);
        EXPECT_EQ(bytes[16], output.FileDepth) << what;
        EXPECT_EQ(bytes[17], 0x20) << what;
        const bool rleWritten = rle && output.FileDepth != 1 && output.FileDepth != 4;
        EXPECT_EQ(bytes[2] >= 9, rleWritten) << what;
        EXPECT_EQ(params.TGA_Compressed, rleWritten || (rle && output.FileDepth == 8)) << what;
        TIOParamsVals readParams(nullptr);
        TPVBitmap ours;
        if (output.FileDepth == 4) {
          // 4-bit files have no decoding here (nor in the tools): refused.
          EXPECT_TRUE(test::ReadTGABytes(bytes, ours, readParams).Aborting);
          continue;
        }
        ASSERT_FALSE(test::ReadTGABytes(bytes, ours, readParams).Aborting) << what;
        test::ExpectSameTgaPixels(ours, source, what + " our reader");
        ASSERT_TRUE(test::WriteFileBytes(folder.File("out.tga"), bytes));
        TPVBitmap netpbm, magick;
        // Neither tgatoppm nor ImageMagick reads 1-bit files.
        if (output.FileDepth != 1) {
          ASSERT_TRUE(test::TgaReference("tgatoppm", folder.File("out.tga"), netpbm)) << what;
          test::ExpectSameTgaPixels(netpbm, source, what + " tgatoppm");
          ASSERT_TRUE(test::TgaReference("/usr/bin/convert", folder.File("out.tga"), magick,
                                         "tga:", " -auto-orient ppm:-"))
              << what;
          test::ExpectSameTgaPixels(magick, source, what + " ImageMagick");
        }
        const test::ToolResult pil = test::RunTool(
            "/usr/bin/python3 -c \"import sys; from PIL import Image; "
            "im = Image.open(sys.argv[1]).convert('RGB'); "
            "sys.stdout.buffer.write(b'P6 %d %d 255\\n' % im.size + im.tobytes())\" " +
                test::ShellQuoted(folder.File("out.tga")) + " > " +
                test::ShellQuoted(folder.File("pil.ppm")),
            false);
        ASSERT_EQ(pil.Status, 0) << what;
        TPVBitmap fromPil;
        ASSERT_TRUE(test::LoadPNM(folder.File("pil.ppm"), fromPil)) << what;
        test::ExpectSameTgaPixels(fromPil, source, what + " PIL");
      }
    }
  }
}

TEST(WriteTGAStream, AMaskWithUnsetPixelsMakesA32BitFile) {
  CALMORA_REQUIRE_TOOL("/usr/bin/convert");
  TPVBitmap source;
  source.Allocate(11, 6, pv24RGB);
  source.Fill(0);
  for (int32_t y = 0; y < 6; ++y) source.GetScanline(y)[3 * y] = 200;
  TPVMask mask;
  ASSERT_TRUE(mask.Allocate(11, 6, 8));
  mask.Fill(255);
  for (int32_t y = 0; y < 6; ++y) mask.GetRow(y)[y + 1] = static_cast<uint8_t>(40 * y);
  mask.AllSet = false;
  TIOParamsVals params(nullptr);
  params.TGA_Compressed = true;
  const std::string bytes = test::WriteTGABytes(source, params, &mask);
  EXPECT_EQ(bytes[16], 32);
  EXPECT_EQ(bytes[17], 0x28);
  EXPECT_EQ(bytes[2], 2);
  EXPECT_FALSE(params.TGA_Compressed);
  test::ScratchFolder folder("calmora-tga");
  ASSERT_TRUE(test::WriteFileBytes(folder.File("out.tga"), bytes));
  TPVBitmap alpha;
  ASSERT_TRUE(test::TgaReference("/usr/bin/convert", folder.File("out.tga"), alpha, "tga:",
                                 " -auto-orient -alpha extract pgm:-"));
  TIOParamsVals readParams(nullptr);
  TPVBitmap back;
  const test::TgaRead read = test::ReadTGABytes(bytes, back, readParams);
  ASSERT_NE(read.Mask, nullptr);
  for (int32_t y = 0; y < 6; ++y) {
    for (int32_t x = 0; x < 11; ++x) {
      EXPECT_EQ(alpha.GetPixelAsRGB(x, y).r, mask.GetRow(y)[x]) << x << "," << y;
      EXPECT_EQ(read.Mask->GetPixel(x, y), mask.GetRow(y)[x]) << x << "," << y;
    }
  }
  test::ExpectSameTgaPixels(back, source, "32-bit colour");
}

TEST(WriteTGAStream, AOneBitSourceIsBlackAndWhiteInEveryOutput) {
  TPVBitmap source;
  source.Allocate(10, 3, pv1g);
  for (int32_t y = 0; y < 3; ++y) source.GetScanline(y)[0] = 0xA5;
  for (const auto& [bits, samples] : {std::pair{1, 1}, std::pair{8, 1}, std::pair{8, 3}}) {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = bits;
    params.SamplesPerPixel = samples;
    bool aborting = false;
    const std::string bytes = test::WriteTGABytes(source, params, nullptr, &aborting);
    ASSERT_FALSE(aborting);
    TIOParamsVals readParams(nullptr);
    TPVBitmap back;
    ASSERT_FALSE(test::ReadTGABytes(bytes, back, readParams).Aborting) << bits << samples;
    test::ExpectSameTgaPixels(back, source, "from pv1g " + std::to_string(bits * samples));
  }
}

TEST(WriteTGAStream, OtherPixelFormatsAbort) {
  TPVBitmap source;
  source.Allocate(4, 4, pv8g);
  TIOParamsVals params(nullptr);
  bool aborting = false;
  const std::string bytes = test::WriteTGABytes(source, params, nullptr, &aborting);
  EXPECT_TRUE(aborting);
  EXPECT_TRUE(bytes.empty());
}

TEST(WriteTGAStream, TheFooterRoundTrips) {
  TPVBitmap source;
  source.Allocate(3, 2, pv24RGB);
  source.Fill(0);
  struct Case {
    std::string Author, Job, Descriptor;
    double Aspect, Gamma;
    std::string WantAuthor, WantJob, WantDescriptor;
    double WantAspect, WantGamma;
  };
  const std::string longText(300, 'x');
  const Case cases[] = {
      {"Ada", "job 7", "id", 1.25, 1.8, "Ada", "job 7", "id", 1.25, 1.8},
      {longText, longText, longText, 0.33339, 2.71828, std::string(40, 'x'),
       std::string(40, 'x'), std::string(254, 'x'), 0.3333, 2.7182},
      // 6.5536 and more: numerator and denominator divided by 10 until the numerator fits.
      {"", "", "", 7.12345, 100.5, "", "", "", 7.123, 100.5},
  };
  for (const Case& c : cases) {
    TIOParamsVals params(nullptr);
    params.TGA_Author = c.Author;
    params.TGA_ImageName = c.Job;
    params.TGA_Descriptor = c.Descriptor;
    params.TGA_AspectRatio = c.Aspect;
    params.TGA_Gamma = c.Gamma;
    params.TGA_Background = TPVRGB{30, 20, 10};
    TTGADateParts parts{2023, 2, 28, 23, 59, 58};
    ASSERT_TRUE(TGAPartsToDateTime(parts, params.TGA_Date));
    params.TGA_Date += 0.4 / 86400;  // milliseconds are dropped
    params.TGA_XPos = 12;
    params.TGA_YPos = 34;
    const std::string bytes = test::WriteTGABytes(source, params);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), c.WantDescriptor.size() + 1);
    TIOParamsVals back(nullptr);
    TPVBitmap bitmap;
    ASSERT_FALSE(test::ReadTGABytes(bytes, bitmap, back).Aborting);
    EXPECT_EQ(back.TGA_Author, c.WantAuthor);
    EXPECT_EQ(back.TGA_ImageName, c.WantJob);
    EXPECT_EQ(back.TGA_Descriptor, c.WantDescriptor);
    EXPECT_NEAR(back.TGA_AspectRatio, c.WantAspect, 1e-9);
    EXPECT_NEAR(back.TGA_Gamma, c.WantGamma, 1e-9);
    EXPECT_EQ(back.TGA_Background, (TPVRGB{30, 20, 10}));
    EXPECT_EQ(back.TGA_XPos, 12);
    EXPECT_EQ(back.TGA_YPos, 34);
    const TTGADateParts got = TGADateTimeToParts(back.TGA_Date);
    EXPECT_EQ(std::vector<int32_t>({got.Year, got.Month, got.Day, got.Hour, got.Minute,
                                    got.Second}),
              std::vector<int32_t>({2023, 2, 28, 23, 59, 58}));
  }
}

TEST(TGAPartsToDateTime, KeepsTheValueForDatesThatDoNotExist) {
  double value = 7;
  EXPECT_FALSE(TGAPartsToDateTime({2023, 2, 29, 0, 0, 0}, value));
  EXPECT_FALSE(TGAPartsToDateTime({2023, 4, 31, 0, 0, 0}, value));
  EXPECT_FALSE(TGAPartsToDateTime({2023, 4, 1, 24, 0, 0}, value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(TGAPartsToDateTime({1899, 12, 30, 12, 0, 0}, value));
  EXPECT_EQ(value, 0.5);
  EXPECT_TRUE(TGAPartsToDateTime({2024, 2, 29, 0, 0, 0}, value));
  EXPECT_EQ(value, 45351);
}

// The literal rule, plainly: runs of two or more equal pixels (up to 128) are run packets;
// otherwise a literal takes pixels while the next is not the row's last and differs from the
// one after it, up to 127, and the row's last pixel joins a literal that reaches it.
std::vector<uint8_t> ModelRLE(const std::vector<uint32_t>& row, int32_t bytes) {
  std::vector<uint8_t> out;
  auto put = [&](uint32_t v) {
    for (int32_t k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  const int32_t n = static_cast<int32_t>(row.size());
  int32_t p = 0;
  while (p < n) {
    int32_t run = 1;
    while (p + run < n && run < 128 && row[p + run] == row[p]) ++run;
    if (run > 1) {
      out.push_back(static_cast<uint8_t>(0x80 + run - 1));
      put(row[p]);
      p += run;
      continue;
    }
    int32_t end = p + 1;  // one past the literal
    while (end < n - 1 && row[end] != row[end + 1] && end - p < 127) ++end;
    if (end == n - 1) ++end;
    out.push_back(static_cast<uint8_t>(end - p - 1));
    for (int32_t i = p; i < end; ++i) put(row[i]);
    p = end;
  }
  return out;
}

TEST(EncodeTGARLERow, FollowsTheLiteralRule) {
  std::vector<std::vector<uint32_t>> rows = {
      {1}, {1, 1}, {1, 2}, {1, 2, 2}, {1, 2, 3}, {5, 5, 5, 6, 7, 7, 8},
      std::vector<uint32_t>(300, 9),
  };
  std::vector<uint32_t> counting;
  for (uint32_t i = 0; i < 400; ++i) counting.push_back(i % 251);
  rows.push_back(counting);
  uint32_t noise = 3;
  std::vector<uint32_t> mixed;
  for (int i = 0; i < 700; ++i) {
    noise = noise * 1103515245u + 12345u;
    mixed.push_back((noise >> 16) % 3);
  }
  rows.push_back(mixed);
  for (const int32_t bytes : {1, 3}) {
    for (const std::vector<uint32_t>& row : rows) {
      std::vector<uint8_t> packed;
      for (uint32_t v : row)
        for (int32_t k = 0; k < bytes; ++k) packed.push_back(static_cast<uint8_t>(v >> (8 * k)));
      std::vector<uint8_t> out;
      EncodeTGARLERow(packed.data(), static_cast<int32_t>(row.size()), bytes, out);
      EXPECT_EQ(out, ModelRLE(row, bytes)) << row.size() << " " << bytes;
    }
  }
}

}  // namespace
}  // namespace calmora
