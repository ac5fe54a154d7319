// The run-length row encoders byte for byte, and every encoded row decoding back to its
// indices through the decoders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/imaging/codecs/bmp/bmp_test_files.h"

namespace calmora::test {
namespace {

struct EncodeCase {
  const char* Name;
  bool FourBit;
  std::vector<uint8_t> Row;
  std::vector<uint8_t> Encoded;
};

std::vector<EncodeCase> EncodeCases() {
  return {
      {"rle8Run", false, {5, 5, 5, 5}, {4, 5, 0, 0}},
      {"rle8Single", false, {7}, {1, 7, 0, 0}},
      {"rle8TwoLiteralsAreTwoRuns", false, {1, 2}, {1, 1, 1, 2, 0, 0}},
      {"rle8OddLiteralIsPadded", false, {1, 2, 3}, {0, 3, 1, 2, 3, 0, 0, 0}},
      {"rle8EvenLiteral", false, {1, 2, 3, 4}, {0, 4, 1, 2, 3, 4, 0, 0}},
      {"rle8LiteralThenRun", false, {1, 2, 3, 9, 9}, {0, 3, 1, 2, 3, 0, 2, 9, 0, 0}},
      {"rle4Run", true, {3, 3, 3}, {3, 0x33, 0, 0}},
      {"rle4Single", true, {6}, {1, 0x60, 0, 0}},
      {"rle4TwoLiteralsAreOneRun", true, {1, 2}, {2, 0x12, 0, 0}},
      {"rle4OddLiteralKeepsItsLastPixel", true, {1, 2, 3}, {0, 3, 0x12, 0x30, 0, 0}},
      {"rle4FiveLiteralsPadded", true, {1, 2, 3, 4, 5}, {0, 5, 0x12, 0x34, 0x50, 0, 0, 0}},
      {"rle4HighNibblesIgnored", true, {0x21, 0x31}, {2, 0x11, 0, 0}},
  };
}

TEST(BMPRunLength, EncodersWriteTheExpectedBytes) {
  for (const EncodeCase& c : EncodeCases()) {
    std::vector<uint8_t> out(MaxEncodedRLERowBytes(static_cast<int32_t>(c.Row.size())));
    const auto count = static_cast<int32_t>(c.Row.size());
    const int32_t used = c.FourBit ? EncodeRLE4Row(c.Row.data(), count, out.data())
                                   : EncodeRLE8Row(c.Row.data(), count, out.data());
    out.resize(static_cast<size_t>(used));
    EXPECT_EQ(out, c.Encoded) << c.Name;
  }
}

// Long rows, runs over 255 and literal stretches over 255, decode to what was encoded, and
// never need more than the bound.
TEST(BMPRunLength, LongRowsRoundTrip) {
  for (const bool fourBit : {false, true}) {
    std::vector<uint8_t> row;
    for (int32_t i = 0; i < 600; ++i) row.push_back(static_cast<uint8_t>((i * 37 + i / 5) % 16));
    row.insert(row.end(), 700, 9);
    for (int32_t i = 0; i < 301; ++i) row.push_back(static_cast<uint8_t>(i % 2 == 0 ? 3 : 4));
    const auto width = static_cast<int32_t>(row.size());
    std::vector<uint8_t> encoded(MaxEncodedRLERowBytes(width));
    const int32_t used = fourBit ? EncodeRLE4Row(row.data(), width, encoded.data())
                                 : EncodeRLE8Row(row.data(), width, encoded.data());
    ASSERT_LE(used, static_cast<int32_t>(encoded.size()));
    TPVBitmap bitmap(width, 1, pv8p);
    TPVProgressRecord progress;
    bool aborting = false;
    progress.Aborting = &aborting;
    if (fourBit)
      DecodeRLE4ToIndex(bitmap, encoded.data(), used, false, progress);
    else
      DecodeRLE8ToIndex(bitmap, encoded.data(), used, false, progress);
    EXPECT_FALSE(aborting);
    EXPECT_EQ(std::vector<uint8_t>(bitmap.GetScanline(0), bitmap.GetScanline(0) + width), row)
        << (fourBit ? "RLE4" : "RLE8");
  }
}

// The decoders write only bitmaps of their own format.
TEST(BMPRunLength, DecodersLeaveOtherFormatsAlone) {
  TPVBitmap grey(2, 1, pv8g);
  grey.GetScanline(0)[0] = 42;
  const uint8_t data[] = {2, 7, 0, 1};
  TPVProgressRecord progress;
  DecodeRLE8ToIndex(grey, data, 4, false, progress);
  TBMPColorTable table{};
  DecodeRLE8ToRGB(grey, data, 4, false, progress, table);
  EXPECT_EQ(grey.GetScanline(0)[0], 42);
}

}  // namespace
}  // namespace calmora::test
