// ReadBMPStream on damaged and hostile files: cuts at every byte, lying sizes, sizes refused
// before any storage is asked for, commands cut short, indices past the table, odd masks and
// layouts that fill nothing; in memory and in temporary-file storage. Also the I/O adapters.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/imaging/codecs/bmp/bmp_test_files.h"

namespace calmora::test {
namespace {

std::vector<TPVRGB> Gray(int32_t n) {
  std::vector<TPVRGB> table;
  for (int32_t i = 0; i < n; ++i)
    table.push_back(TPVRGB{static_cast<uint8_t>(i * 17), static_cast<uint8_t>(i * 17),
                           static_cast<uint8_t>(i * 17)});
  return table;
}

HandMadeBMP EightBitFile() {
  HandMadeBMP f;
  f.Width = 5;
  f.Height = 3;
  f.BitCount = 8;
  f.Table = Gray(16);
  f.ColorsUsed = 16;
  f.Pixels = std::string("\x01\x02\x03\x04\x05\0\0\0\x06\x07\x08\x09\x0A\0\0\0\x0B\x0C\x0D\x0E\x0F\0\0\0", 24);
  return f;
}

HandMadeBMP ThirtyTwoBitFile(uint8_t alphaA, uint8_t alphaB) {
  HandMadeBMP f;
  f.Width = 2;
  f.Height = 2;
  f.BitCount = 32;
  f.Pixels = BMPBytes()
                 .U8(1).U8(2).U8(3).U8(alphaA).U8(4).U8(5).U8(6).U8(alphaB)
                 .U8(7).U8(8).U8(9).U8(alphaA).U8(10).U8(11).U8(12).U8(alphaA)
                 .Bytes();
  return f;
}

HandMadeBMP RunLengthFile(uint32_t bits, const std::string& data, int32_t width = 4,
                          int32_t height = 2) {
  HandMadeBMP f;
  f.Width = width;
  f.Height = height;
  f.BitCount = bits;
  f.Compression = bits == 8 ? 1 : 2;
  f.Table = Gray(16);
  f.ColorsUsed = 16;
  f.Pixels = data;
  return f;
}

TEST(BMPHostile, EveryCutEndsCleanlyAndKeepsWhatWasRead) {
  const std::string files[] = {BuildBMP(EightBitFile()), BuildBMP(ThirtyTwoBitFile(0, 128)),
                               BuildBMP(RunLengthFile(8, BMPBytes().U8(4).U8(3).U8(0).U8(0)
                                                                .U8(0).U8(4).U8(1).U8(2).U8(3).U8(4)
                                                                .U8(0).U8(1).Bytes()))};
  for (const int64_t threshold : {INT64_MAX, int64_t{0}}) {
    for (const std::string& whole : files) {
      const size_t pixelStart = static_cast<uint8_t>(whole[10]);
      for (size_t cut = 0; cut < whole.size(); ++cut) {
        TIOParamsVals params(nullptr);
        TPVBitmap bitmap;
        bitmap.FileThreshold = threshold;
        const ReadResult result = ReadBMPBytes(whole.substr(0, cut), bitmap, params);
        // Every cut before the last pixel byte loses something; a run-length file may lose only
        // its end-of-bitmap command.
        if (cut < whole.size() - 2) {
          EXPECT_TRUE(result.Aborting) << "cut at " << cut;
        }
        if (cut < pixelStart) {
          EXPECT_TRUE(bitmap.IsEmpty()) << "cut at " << cut;
        }
        if (cut >= pixelStart + 8) {
          EXPECT_FALSE(bitmap.IsEmpty()) << "rows read are kept, cut at " << cut;
          EXPECT_EQ(params.Width, bitmap.Width) << "parameters are kept, cut at " << cut;
        }
      }
    }
  }
}

TEST(BMPHostile, CutRowsKeepTheRowsRead) {
  HandMadeBMP f;
  f.Width = 2;
  f.Height = 3;
  f.Pixels = BMPBytes().U8(1).U8(2).U8(3).U8(4).U8(5).U8(6).U8(0).U8(0).U8(9).Bytes();
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  const ReadResult result = ReadBMPBytes(BuildBMP(f), bitmap, params);
  EXPECT_TRUE(result.Aborting);
  ASSERT_EQ(bitmap.Height, 3);
  EXPECT_EQ(bitmap.GetPixel24(0, 2), (TPVRGB{1, 2, 3}));  // the bottom row, read whole
  EXPECT_EQ(bitmap.GetPixel24(1, 2), (TPVRGB{4, 5, 6}));
  EXPECT_EQ(bitmap.GetPixel24(0, 1), (TPVRGB{9, 0, 0}));  // what there was of the next
  EXPECT_EQ(bitmap.GetPixel24(0, 0), (TPVRGB{0, 0, 0}));  // never reached: index 0, black
  EXPECT_EQ(params.Height, 3);
}

struct RefusalCase {
  const char* Name;
  HandMadeBMP File;
};

std::vector<RefusalCase> RefusalCases() {
  std::vector<RefusalCase> cases;
  auto add = [&](const char* name, auto change) {
    HandMadeBMP f = EightBitFile();
    change(f);
    cases.push_back({name, f});
  };
  add("hugeSidesTinyData", [](HandMadeBMP& f) {
    f.Width = 1000000;
    f.Height = 1000000;
  });
  add("rowLongerThanTheData", [](HandMadeBMP& f) { f.Width = 25; });
  add("negativeWidth", [](HandMadeBMP& f) { f.Width = -5; });
  add("mostNegativeHeight", [](HandMadeBMP& f) { f.Height = std::numeric_limits<int32_t>::min(); });
  add("twoBitsPerPixel", [](HandMadeBMP& f) { f.BitCount = 2; });
  add("sevenBitsPerPixel", [](HandMadeBMP& f) { f.BitCount = 7; });
  add("eightBitsAsRLE4", [](HandMadeBMP& f) { f.Compression = 2; });
  add("eightBitsAsBitFields", [](HandMadeBMP& f) { f.Compression = 3; f.Masks = {1, 2, 3}; });
  add("oneBitAsRLE8", [](HandMadeBMP& f) {
    f.BitCount = 1;
    f.Compression = 1;
    f.Table = Gray(2);
    f.ColorsUsed = 2;
  });
  add("pixelsPastTheEnd", [](HandMadeBMP& f) { f.OffsetField = 100000; });
  add("emptyRunLength", [](HandMadeBMP& f) {
    f.Compression = 1;
    f.Pixels.clear();
  });
  add("tableLongerThanTheFile", [](HandMadeBMP& f) {
    f.ColorsUsed = 256;
    f.Table.resize(20);
    f.Pixels.clear();
  });
  add("headerLongerThanTheFile", [](HandMadeBMP& f) { f.HeaderSizeField = 4000; });
  return cases;
}

// Refused before any storage is asked for: the bitmap stays empty.
TEST(BMPHostile, RefusalsComeBeforeAllocation) {
  for (const RefusalCase& c : RefusalCases()) {
    for (const int64_t threshold : {INT64_MAX, int64_t{0}}) {
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      bitmap.FileThreshold = threshold;
      const ReadResult result = ReadBMPBytes(BuildBMP(c.File), bitmap, params);
      EXPECT_TRUE(result.Aborting) << c.Name;
      EXPECT_TRUE(bitmap.IsEmpty()) << c.Name;
    }
  }
}

// Layouts that fill nothing still tell their parameters.
TEST(BMPHostile, LayoutsThatFillNothingKeepTheirParameters) {
  HandMadeBMP f = EightBitFile();
  f.BitCount = 2;
  f.PixelsPerMetre = 2835;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  EXPECT_TRUE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_EQ(params.Width, 5);
  EXPECT_EQ(params.Height, 3);
  EXPECT_EQ(params.DpiX, 72);
  EXPECT_EQ(params.ColorMapCount, 16);
}

TEST(BMPHostile, SignatureMissingChangesNothing) {
  std::string bytes = BuildBMP(EightBitFile());
  bytes[0] = 'X';
  TIOParamsVals params(nullptr);
  params.Width = 77;
  params.ColorMap = std::make_unique<TPVRGB[]>(1);
  params.ColorMapCount = 1;
  TPVBitmap bitmap;
  EXPECT_TRUE(ReadBMPBytes(bytes, bitmap, params).Aborting);
  EXPECT_EQ(params.Width, 77);
  EXPECT_EQ(params.ColorMapCount, 1);
  EXPECT_NE(params.ColorMap, nullptr);
}

TEST(BMPHostile, ZeroSidesFillOnlyTheParameters) {
  HandMadeBMP f = EightBitFile();
  f.Width = 0;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  EXPECT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(params.Height, 3);
  EXPECT_EQ(params.BitsPerSample, 8);
}

// An index past the file's table reads black, whatever memory lies beyond it.
TEST(BMPHostile, IndicesPastTheTableReadBlack) {
  HandMadeBMP f = EightBitFile();
  f.Table = {TPVRGB{10, 20, 30}, TPVRGB{40, 50, 60}};
  f.ColorsUsed = 2;
  f.Pixels[0] = '\xC8';
  f.Pixels[1] = '\x01';
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixel24(0, 2), (TPVRGB{0, 0, 0}));
  EXPECT_EQ(bitmap.GetPixel24(1, 2), (TPVRGB{40, 50, 60}));
}

// A run-length block is at most what the file holds, whatever the file size field claims; what
// is there is decoded, and the shortfall reported.
TEST(BMPHostile, RunLengthBlockIsBoundByTheBytesLeft) {
  HandMadeBMP f = RunLengthFile(8, BMPBytes().U8(4).U8(3).U8(0).U8(0).U8(2).U8(5).Bytes());
  f.FileSizeField = 0xFFFFFFFF;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  EXPECT_TRUE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixel24(3, 1), (TPVRGB{51, 51, 51}));
  EXPECT_EQ(bitmap.GetPixel24(1, 0), (TPVRGB{85, 85, 85}));
  EXPECT_EQ(bitmap.GetPixel24(2, 0), (TPVRGB{0, 0, 0}));
}

struct RunCase {
  const char* Name;
  uint32_t Bits;
  std::string Data;
  bool Aborting;
  std::vector<uint8_t> Indices;  // the image's rows top-down, width 4, height 2
};

std::vector<RunCase> RunCases() {
  return {
      {"rle8RunPastTheEndPilesOnTheLastPixel", 8,
       BMPBytes().U8(3).U8(1).U8(3).U8(2).U8(0).U8(1).Bytes(), false,
       {0, 0, 0, 0, 1, 1, 1, 2}},
      {"rle4RunPastTheEndIsDropped", 4, BMPBytes().U8(3).U8(0x11).U8(3).U8(0x23).U8(0).U8(1).Bytes(),
       false, {0, 0, 0, 0, 1, 1, 1, 2}},
      {"rle8LiteralPastTheEndPiles", 8,
       BMPBytes().U8(0).U8(5).U8(1).U8(2).U8(3).U8(4).U8(5).U8(0).Bytes(), false,
       {0, 0, 0, 0, 1, 2, 3, 5}},
      {"rle4OddLiteralKeepsItsLastPixel", 4, BMPBytes().U8(0).U8(3).U8(0x12).U8(0x30).Bytes(), false,
       {0, 0, 0, 0, 1, 2, 3, 0}},
      {"deltaIntoTheNextRow", 8, BMPBytes().U8(0).U8(2).U8(1).U8(1).U8(2).U8(7).Bytes(), false,
       {0, 7, 7, 0, 0, 0, 0, 0}},
      {"deltaPastTheTopEnds", 8, BMPBytes().U8(0).U8(2).U8(0).U8(5).U8(2).U8(7).Bytes(), false,
       {0, 0, 0, 0, 0, 0, 0, 0}},
      {"literalCutShort", 8, BMPBytes().U8(1).U8(9).U8(0).U8(4).U8(1).U8(2).Bytes(), true,
       {0, 0, 0, 0, 9, 0, 0, 0}},
      {"deltaCutShort", 8, BMPBytes().U8(1).U8(9).U8(0).U8(2).U8(1).Bytes(), true,
       {0, 0, 0, 0, 9, 0, 0, 0}},
      {"halfACommand", 8, BMPBytes().U8(1).U8(9).U8(4).Bytes(), true, {0, 0, 0, 0, 9, 0, 0, 0}},
      {"noEndOfBitmap", 8, BMPBytes().U8(4).U8(6).U8(0).U8(0).U8(4).U8(8).Bytes(), false,
       {8, 8, 8, 8, 6, 6, 6, 6}},
  };
}

TEST(BMPHostile, RunLengthCommands) {
  for (const RunCase& c : RunCases()) {
    for (const bool native : {false, true}) {
      TIOParamsVals params(nullptr);
      params.NativePixelFormat = native;
      TPVBitmap bitmap;
      const ReadResult result = ReadBMPBytes(BuildBMP(RunLengthFile(c.Bits, c.Data)), bitmap, params);
      EXPECT_EQ(result.Aborting, c.Aborting) << c.Name;
      ASSERT_EQ(bitmap.Width, 4) << c.Name;
      for (int32_t i = 0; i < 8; ++i) {
        const uint8_t grey = static_cast<uint8_t>(c.Indices[i] * 17);
        EXPECT_EQ(bitmap.GetPixelAsRGB(i % 4, i / 4), (TPVRGB{grey, grey, grey}))
            << c.Name << (native ? " native" : "") << " pixel " << i;
      }
    }
  }
}

struct MaskCase {
  const char* Name;
  uint32_t Masks[3];
  uint16_t Word;
  TPVRGB Expected;
};

// Channels as the masks' bit widths place them; a negative shift moves bits up.
TEST(BMPHostile, SixteenBitMasks) {
  const MaskCase cases[] = {
      {"fiveFiveFive", {0x7C00, 0x03E0, 0x001F}, 0x7FFF, TPVRGB{248, 248, 248}},
      {"fiveSixFive", {0xF800, 0x07E0, 0x001F}, 0x07E0, TPVRGB{0, 252, 0}},
      {"narrowRedShiftsLeft", {0x0003, 0, 0}, 0x0003, TPVRGB{0, 0, 0xC0}},
      {"wideBlueShiftsRight", {0, 0, 0x03FF}, 0x00FF, TPVRGB{0x3F, 0, 0}},
      {"noMasks", {0, 0, 0}, 0xFFFF, TPVRGB{0, 0, 0}},
  };
  for (const MaskCase& c : cases) {
    HandMadeBMP f;
    f.Width = 1;
    f.Height = 1;
    f.BitCount = 16;
    f.Compression = 3;
    f.Masks = {c.Masks[0], c.Masks[1], c.Masks[2]};
    f.Pixels = BMPBytes().U16(c.Word).U16(0).Bytes();
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ASSERT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting) << c.Name;
    EXPECT_EQ(bitmap.GetPixel24(0, 0), c.Expected) << c.Name;
  }
}

// Masks inside a header of 52 bytes or more are the ones used; 32-bit pixels ignore masks.
TEST(BMPHostile, MasksInsideLongHeaders) {
  HandMadeBMP f;
  f.HeaderSize = 56;
  f.Width = 1;
  f.Height = 1;
  f.BitCount = 16;
  f.Compression = 3;
  f.Masks = {0xF800, 0x07E0, 0x001F};
  f.Pixels = BMPBytes().U16(0xF800).U16(0).Bytes();
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ASSERT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixel24(0, 0), (TPVRGB{0, 0, 248}));

  f.BitCount = 32;
  f.Pixels = BMPBytes().U8(1).U8(2).U8(3).U8(4).Bytes();
  ASSERT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
  EXPECT_EQ(bitmap.GetPixel24(0, 0), (TPVRGB{1, 2, 3}));
}

TEST(BMPHostile, OneBitTablesLoadBlackAndWhite) {
  struct TableCase {
    TPVRGB First, Second;
    bool Inverted;
  };
  const TableCase cases[] = {
      {{255, 255, 255}, {0, 0, 0}, true},
      {{0, 0, 0}, {255, 255, 255}, false},
      {{0, 0, 255}, {255, 0, 0}, false},
  };
  for (const int64_t threshold : {INT64_MAX, int64_t{0}}) {
    for (const TableCase& c : cases) {
      HandMadeBMP f;
      f.Width = 8;
      f.Height = 2;
      f.BitCount = 1;
      f.Table = {c.First, c.Second};
      f.Pixels = std::string("\xA5\0\0\0\x0F\0\0\0", 8);
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      bitmap.FileThreshold = threshold;
      ASSERT_FALSE(ReadBMPBytes(BuildBMP(f), bitmap, params).Aborting);
      ASSERT_EQ(bitmap.Format, pv1g);
      EXPECT_EQ(bitmap.Location, threshold == 0 ? pvFile : pvMemory);
      EXPECT_EQ(bitmap.GetScanline(1)[0], c.Inverted ? 0x5A : 0xA5);
      EXPECT_EQ(bitmap.GetScanline(0)[0], c.Inverted ? 0xF0 : 0x0F);
      ASSERT_EQ(params.ColorMapCount, 2);
      EXPECT_EQ(params.ColorMap[0], c.First);
      EXPECT_EQ(params.ColorMap[1], c.Second);
    }
  }
}

TEST(BMPHostile, AlphaAllAlikeGivesNoMask) {
  struct AlphaCase {
    uint8_t A, B;
    bool IgnoreAlpha;
    bool Mask;
  };
  const AlphaCase cases[] = {
      {0, 0, false, false}, {255, 255, false, false}, {0, 128, false, true},
      {0, 128, true, false}, {255, 0, false, true},
  };
  for (const AlphaCase& c : cases) {
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    ReadOptions options;
    options.IgnoreAlpha = c.IgnoreAlpha;
    const ReadResult result =
        ReadBMPBytes(BuildBMP(ThirtyTwoBitFile(c.A, c.B)), bitmap, params, options);
    ASSERT_FALSE(result.Aborting);
    EXPECT_EQ(result.Mask != nullptr, c.Mask) << int(c.A) << " " << int(c.B);
    if (result.Mask != nullptr) {
      EXPECT_EQ(result.Mask->GetPixel(1, 1), c.B);
      EXPECT_EQ(result.Mask->GetPixel(0, 0), c.A);
    }
  }
}

// The stream starts at the information header.
TEST(BMPHostile, NoFileHeader) {
  const std::string whole = BuildBMP(EightBitFile());
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  ReadOptions options;
  options.NoFileHeader = true;
  ASSERT_FALSE(ReadBMPBytes(whole.substr(14), bitmap, params, options).Aborting);
  EXPECT_EQ(bitmap.GetPixel24(0, 2), (TPVRGB{17, 17, 17}));
}

// ---- The I/O component's entries ----

TEST(BMPAdapters, LoadParamsOnlyAndSave) {
  const std::string bytes = BuildBMP(ThirtyTwoBitFile(0, 128));
  for (const bool alphaWanted : {false, true}) {
    TIOParamsVals params(nullptr);
    params.BMP_AlphaChannel = alphaWanted;
    TPVBitmap bitmap;
    TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
    bool aborting = false;
    TPVProgressRecord progress;
    progress.Aborting = &aborting;
    std::unique_ptr<TPVMask> mask;
    EXPECT_EQ(ReadBMPForIO(stream, bitmap, params, false, progress, mask), 1);
    EXPECT_FALSE(aborting);
    EXPECT_EQ(mask != nullptr, alphaWanted);
    EXPECT_EQ(bitmap.Width, 2);

    TIOParamsVals paramsOnly(nullptr);
    TPVBitmap untouched;
    stream.SetPosition(0);
    std::unique_ptr<TPVMask> noMask;
    EXPECT_EQ(ReadBMPForIO(stream, untouched, paramsOnly, true, progress, noMask), 1);
    EXPECT_TRUE(untouched.IsEmpty());
    EXPECT_EQ(noMask, nullptr);
    EXPECT_EQ(paramsOnly.SamplesPerPixel, 4);
  }
  const std::string bad = "BX" + bytes.substr(2);
  TPVMemStream badStream(bad.data(), static_cast<int64_t>(bad.size()));
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  TPVProgressRecord progress;
  std::unique_ptr<TPVMask> mask;
  EXPECT_EQ(ReadBMPForIO(badStream, bitmap, params, false, progress, mask), 0);

  // A save writes the alpha channel only when the record asks for it.
  for (const bool alphaWanted : {false, true}) {
    TPVBitmap picture(1, 1, pv24RGB);
    picture.GetAlphaChannel()->GetScanline(0)[0] = 77;
    TIOParamsVals saveParams(nullptr);
    saveParams.BMP_AlphaChannel = alphaWanted;
    TMemoryStream out;
    bool failed = false;
    TPVProgressRecord saveProgress;
    saveProgress.Aborting = &failed;
    WriteBMPForIO(out, picture, saveParams, saveProgress, nullptr);
    ASSERT_FALSE(failed);
    const auto* written = static_cast<const uint8_t*>(out.GetMemory());
    const uint32_t offset = written[10];
    EXPECT_EQ(written[28], 32);
    EXPECT_EQ(written[offset + 3], alphaWanted ? 77 : 255);
  }
}

}  // namespace
}  // namespace calmora::test
