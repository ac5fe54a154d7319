// The TIFF LZW coders: libtiff's strips (tiffcp, both fill orders) decode to tifftopnm's bytes,
// tifftopnm reads our strips back, our codes agree with a plain model of the format, and
// hand-made and damaged strips end as they should.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "tests/imaging/codecs/lzw/lzw_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::Bytes;

// Smooth ramps with bursts of noise: long strings for the table and codes of every width.
Bytes TestImage(uint32_t width, uint32_t height, uint32_t samples, unsigned seed) {
  std::mt19937 random(seed);
  Bytes pixels(size_t(width) * height * samples);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const size_t x = (i / samples) % width, y = i / samples / width;
    pixels[i] = uint8_t((x * 3 + y * 5 + i % samples * 60) / 4 + ((x + y) % 9 == 0 ? random() % 50 : 0));
  }
  return pixels;
}

Bytes Noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = uint8_t(random());
  return bytes;
}

// All rows our decoder gives for a strip, RowSize bytes each, until it gives null (at most
// Limit rows, so that a decoder that never stops fails instead of hanging).
std::vector<Bytes> DecodeRows(const Bytes& strip, int32_t rowSize, int32_t fillOrder,
                              int limit = 100000) {
  std::vector<Bytes> rows;
  void* state = nullptr;
  // The strip in a block of exactly its size, so a read past it is an AddressSanitizer report.
  std::vector<uint8_t> exact(strip);
  const uint8_t* data = exact.empty() ? reinterpret_cast<const uint8_t*>("") : exact.data();
  while (int(rows.size()) < limit) {
    const uint8_t* row = DecompressTIFFLZW(data, rowSize, state, fillOrder, int64_t(exact.size()));
    if (row == nullptr) break;
    rows.emplace_back(row, row + rowSize);
  }
  DecompressTIFFLZW(nullptr, rowSize, state, fillOrder, 0);
  EXPECT_EQ(state, nullptr);
  return rows;
}

Bytes Joined(const std::vector<Bytes>& rows) {
  Bytes all;
  for (const Bytes& row : rows) all.insert(all.end(), row.begin(), row.end());
  return all;
}

// Our encoder's strip for the bytes, fed in pieces of Piece bytes.
Bytes Encode(const Bytes& bytes, size_t piece) {
  TMemoryStream stream;
  void* state = nullptr;
  for (size_t at = 0; at < bytes.size(); at += piece)
    CompressTIFFLZW(bytes.data() + at, int32_t(std::min(piece, bytes.size() - at)), &stream, state);
  CompressTIFFLZW(nullptr, 0, &stream, state);
  EXPECT_EQ(state, nullptr);
  const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
  return Bytes(begin, begin + stream.GetSize());
}

// ---- libtiff's strips ----

struct ToolCase {
  uint32_t width, height, samples;
  const char* fillOrder;  // tiffcp's -f value
};

class TIFFLZWFromLibtiff : public testing::TestWithParam<ToolCase> {};

TEST_P(TIFFLZWFromLibtiff, StripsDecodeToTifftopnmsBytes) {
  CALMORA_REQUIRE_TOOL("tiffcp");
  CALMORA_REQUIRE_TOOL("tifftopnm");
  CALMORA_REQUIRE_TOOL("pnmtotiff");
  const ToolCase& c = GetParam();
  test::ScratchFolder folder;
  const Bytes pixels = TestImage(c.width, c.height, c.samples, c.width);
  const std::string header = std::string(c.samples == 3 ? "P6" : "P5") + "\n" +
                             std::to_string(c.width) + " " + std::to_string(c.height) + "\n255\n";
  ASSERT_TRUE(test::WriteFileBytes(folder.File("in.pnm"), header + test::ToText(pixels)));
  const std::string q = test::ShellQuoted(folder.Path());
  const test::ToolResult made = test::RunTool(
      "(cd " + q + " && pnmtotiff -truecolor in.pnm > plain.tif && tiffcp -c lzw -r " +
      std::to_string(c.height) + " -f " + c.fillOrder + " plain.tif lzw.tif && tifftopnm lzw.tif > out.pnm)");
  ASSERT_EQ(made.Status, 0) << made.Output;
  const Bytes reference = test::PNMBody(test::ReadFileBytes(folder.File("out.pnm")));
  ASSERT_EQ(reference, pixels);  // the tools agree with themselves: the fixture is sound

  test::TIFFStrip strip;
  ASSERT_TRUE(test::ParseTIFFStrip(test::ReadFileBytes(folder.File("lzw.tif")), strip));
  ASSERT_EQ(strip.compression, 5u);
  ASSERT_EQ(strip.samples, c.samples);
  ASSERT_EQ(strip.fillOrder, std::string(c.fillOrder) == "lsb2msb" ? 2u : 1u);
  const int32_t rowSize = int32_t(c.width * c.samples);
  const std::vector<Bytes> rows = DecodeRows(strip.data, rowSize, int32_t(strip.fillOrder));
  EXPECT_EQ(rows.size(), c.height);
  EXPECT_EQ(Joined(rows), reference);
}

INSTANTIATE_TEST_SUITE_P(
    OneStripFiles, TIFFLZWFromLibtiff,
    testing::Values(ToolCase{1, 1, 1, "msb2lsb"}, ToolCase{37, 23, 1, "msb2lsb"},
                    ToolCase{37, 23, 1, "lsb2msb"}, ToolCase{300, 200, 3, "msb2lsb"},
                    ToolCase{300, 200, 3, "lsb2msb"}, ToolCase{1024, 300, 1, "msb2lsb"}),
    [](const testing::TestParamInfo<ToolCase>& row) {
      return std::to_string(row.param.width) + "x" + std::to_string(row.param.height) + "x" +
             std::to_string(row.param.samples) + "_" + row.param.fillOrder;
    });

// ---- Ours read by libtiff ----

struct OursCase {
  const char* name;
  uint32_t width, height, samples;
  bool noise;
  size_t piece;  // bytes per encoder call
};

class TIFFLZWToLibtiff : public testing::TestWithParam<OursCase> {};

TEST_P(TIFFLZWToLibtiff, TifftopnmReadsOurStripBack) {
  CALMORA_REQUIRE_TOOL("tifftopnm");
  const OursCase& c = GetParam();
  const Bytes pixels = c.noise ? Noise(size_t(c.width) * c.height * c.samples, 5)
                               : TestImage(c.width, c.height, c.samples, 9);
  const Bytes strip = Encode(pixels, c.piece);
  const test::ModelDecode model = test::DecodeTIFFModel(strip);
  EXPECT_TRUE(model.ended);
  EXPECT_EQ(model.bytes, pixels);
  if (c.noise) {
    EXPECT_GT(model.clearsAt.size(), 2u);  // noise fills the table again and again
  }

  test::ScratchFolder folder;
  ASSERT_TRUE(test::WriteFileBytes(folder.File("ours.tif"),
                                   test::ToText(test::MinimalLZWTIFF(c.width, c.height, c.samples, strip))));
  const test::ToolResult read = test::RunTool("(tifftopnm " + test::ShellQuoted(folder.File("ours.tif")) +
                                              " > " + test::ShellQuoted(folder.File("out.pnm")) + ")");
  ASSERT_EQ(read.Status, 0) << read.Output;
  EXPECT_EQ(read.Output.find("arning"), std::string::npos) << read.Output;
  EXPECT_EQ(test::PNMBody(test::ReadFileBytes(folder.File("out.pnm"))), pixels);
  EXPECT_EQ(Joined(DecodeRows(strip, int32_t(c.width * c.samples), 1)), pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Strips, TIFFLZWToLibtiff,
    testing::Values(OursCase{"OnePixel", 1, 1, 1, false, 1},
                    OursCase{"RampsRowByRow", 300, 200, 3, false, 900},
                    OursCase{"RampsInOddPieces", 300, 200, 3, false, 7},
                    OursCase{"NoiseForcesClears", 400, 300, 1, true, 400},
                    OursCase{"NoiseInOneCall", 256, 256, 3, true, 256 * 256 * 3}),
    [](const testing::TestParamInfo<OursCase>& row) { return std::string(row.param.name); });

// ---- The rules of the code stream ----

TEST(TIFFLZW, EveryStripOpensWithAClearAndEveryRowIsWholeUntilTheEnd) {
  const Bytes bytes = TestImage(50, 40, 1, 2);
  const Bytes strip = Encode(bytes, 50);
  ASSERT_GE(strip.size(), 2u);
  EXPECT_EQ(strip[0], 0x80);  // 256 in 9 bits: 1000 0000 0...
  EXPECT_EQ(strip[1] & 0x80, 0);
  const std::vector<Bytes> rows = DecodeRows(strip, 50, 1);
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(Joined(rows), bytes);
}

TEST(TIFFLZW, RepeatedBytesNeedNoClearAndNoiseClearsAt4094) {
  const test::ModelDecode same = test::DecodeTIFFModel(Encode(Bytes(5000, 0x41), 5000));
  EXPECT_EQ(same.clearsAt, std::vector<int>{258});  // only the opening one
  EXPECT_EQ(same.bytes, Bytes(5000, 0x41));

  const Bytes noise = Noise(200000, 3);
  const test::ModelDecode model = test::DecodeTIFFModel(Encode(noise, 1000));
  EXPECT_EQ(model.bytes, noise);
  ASSERT_GT(model.clearsAt.size(), 10u);
  EXPECT_EQ(model.clearsAt[0], 258);
  // Codes up to 4093 are handed out: the reader's table holds 4094 entries at each clear.
  for (size_t i = 1; i < model.clearsAt.size(); ++i) EXPECT_EQ(model.clearsAt[i], 4094) << i;
}

TEST(TIFFLZW, FillOrderTwoIsFillOrderOneWithEachByteReversed) {
  const Bytes bytes = TestImage(120, 80, 3, 4);
  Bytes strip = Encode(bytes, 360);
  for (uint8_t& b : strip) ReverseByteBits(b);
  EXPECT_EQ(Joined(DecodeRows(strip, 360, 2)), bytes);
}

Bytes HandMade(const std::vector<int>& codes) {
  test::TIFFCodeStream stream;
  for (int code : codes) stream.Put(code);
  return stream.Data();
}

struct StripCase {
  const char* name;
  std::vector<int> codes;
  int32_t rowSize;
  std::vector<std::string> rows;  // what each call gives until null ("\0" for zero bytes)
};

class TIFFLZWStrips : public testing::TestWithParam<StripCase> {};

TEST_P(TIFFLZWStrips, GiveTheirRowsThenNull) {
  const StripCase& c = GetParam();
  const std::vector<Bytes> rows = DecodeRows(HandMade(c.codes), c.rowSize, 1, 20);
  std::vector<std::string> got;
  for (const Bytes& row : rows) got.push_back(test::ToText(row));
  EXPECT_EQ(got, c.rows);
}

const StripCase kStrips[] = {
    {"EndCodeEndsTheStrip", {256, 'a', 'b', 'c', 'd', 257}, 2, {"ab", "cd"}},
    {"KwKwK", {256, 'a', 258, 257}, 3, {"aaa"}},
    {"StringsOfEarlierEntries", {256, 'a', 'b', 258, 260, 257}, 7, {"abababa"}},
    {"NoOpeningClear", {'x', 'y', 257}, 1, {"x", "y"}},
    {"RepeatedClears", {256, 256, 256, 'q', 257}, 1, {"q"}},
    // A strip without an end code ends with its data: the row cut short is zero-filled.
    {"NoEndCodeZeroFillsTheLastRow", {256, 'a', 'b', 'c'}, 2, {"ab", std::string("c\0", 2)}},
    {"NoEndCodeAfterAWholeRow", {256, 'a', 'b'}, 2, {"ab"}},
    {"EndRightAfterAClear", {256, 'a', 256, 257}, 2, {std::string("a\0", 2)}},
    // Bad codes: nothing more, not even the bytes already decoded for the row.
    {"CodePastTheNextFree", {256, 'a', 'b', 300, 'c', 257}, 1, {"a", "b"}},
    {"TableCodeRightAfterAClear", {256, 258, 257}, 1, {}},
    {"TableCodeRightAfterAMidStripClear", {256, 'a', 'b', 256, 259, 257}, 1, {"a", "b"}},
    {"TableCodeFirstOfAll", {300, 257}, 1, {}},
};

INSTANTIATE_TEST_SUITE_P(HandMadeCodes, TIFFLZWStrips, testing::ValuesIn(kStrips),
                         [](const testing::TestParamInfo<StripCase>& row) {
                           return std::string(row.param.name);
                         });

TEST(TIFFLZW, CutAndGarbledStripsNeverReadPastTheirEnd) {
  const Bytes bytes = TestImage(64, 64, 1, 6);
  const Bytes strip = Encode(bytes, 64);
  for (size_t cut = 0; cut <= strip.size(); ++cut) {
    const Bytes part(strip.begin(), strip.begin() + std::ptrdiff_t(cut));
    const std::vector<Bytes> rows = DecodeRows(part, 64, 1);
    ASSERT_LE(rows.size(), 64u) << cut;
    // What comes back is the start of the image (the last row zero-filled where it was cut).
    for (size_t r = 0; r + 1 < rows.size(); ++r)
      ASSERT_EQ(rows[r], Bytes(bytes.begin() + std::ptrdiff_t(r * 64), bytes.begin() + std::ptrdiff_t(r * 64 + 64)))
          << cut << " " << r;
  }
  std::mt19937 random(8);
  for (int round = 0; round < 300; ++round) {
    Bytes garbled = strip;
    for (int k = 0; k < 1 + round % 5; ++k) garbled[random() % garbled.size()] = uint8_t(random());
    EXPECT_LE(DecodeRows(garbled, 64, 1 + round % 2).size(), 64u + 4096u);
    EXPECT_LE(DecodeRows(Noise(size_t(round) * 7, unsigned(round)), 1 + round % 50, 1).size(), 20000u);
  }
}

TEST(TIFFLZW, RowSizesBelowOneGiveNull) {
  const Bytes strip = HandMade({256, 'a', 257});
  void* state = nullptr;
  EXPECT_EQ(DecompressTIFFLZW(strip.data(), 0, state, 1, int64_t(strip.size())), nullptr);
  EXPECT_EQ(state, nullptr);
  EXPECT_EQ(DecompressTIFFLZW(strip.data(), -5, state, 1, int64_t(strip.size())), nullptr);
  EXPECT_EQ(state, nullptr);
}

}  // namespace
}  // namespace calmora
