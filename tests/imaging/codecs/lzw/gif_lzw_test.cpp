// The GIF LZW coders: frames of ppmtogif and ImageMagick decode to giftopnm's pixels, giftopnm
// and Pillow read our frames back, hand-made code streams (KwKwK, a clear deferred past a full
// table) decode as Pillow decodes them, and cut or garbled data ends quietly.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "tests/imaging/codecs/lzw/lzw_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::Bytes;

Bytes RandomIndices(size_t count, int bits, unsigned seed, bool runs = false) {
  std::mt19937 random(seed);
  Bytes indices(count);
  for (size_t i = 0; i < count; ++i)
    indices[i] = uint8_t(runs && i > 0 && random() % 4 != 0 ? indices[i - 1] : random() % (1u << bits));
  return indices;
}

Bytes EncodeGIF(const Bytes& indices, int32_t width, int32_t height, bool interlaced, int32_t bits) {
  TMemoryStream stream;
  CompressGIFLZW(&stream, height, width, interlaced, indices.data(), bits);
  const auto* begin = static_cast<const uint8_t*>(stream.GetMemory());
  return Bytes(begin, begin + stream.GetSize());
}

// Our decoder over Data from byte Start on, into a buffer of exactly Width x Height bytes
// (filled with Fill first); Position gets where the stream was left.
Bytes DecodeGIF(const Bytes& data, size_t start, int32_t width, int32_t height, bool interlaced,
                int64_t& position, uint8_t fill = 0xEE) {
  TPVMemStream stream(data.data(), int64_t(data.size()));
  stream.SetPosition(int64_t(start));
  Bytes indices(size_t(width) * size_t(height), fill);
  DecompressGIFLZW(&stream, height, width, interlaced, indices.data());
  position = stream.GetPosition();
  return indices;
}

// The indices Pillow reads from a GIF file.
Bytes PillowIndices(const test::ScratchFolder& folder, const Bytes& file) {
  EXPECT_TRUE(test::WriteFileBytes(folder.File("pillow.gif"), test::ToText(file)));
  const test::ToolResult run = test::RunTool(
      "/usr/bin/python3 -c 'import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
      "assert im.mode == \"P\", im.mode; sys.stdout.buffer.write(im.tobytes())' " +
          test::ShellQuoted(folder.File("pillow.gif")),
      false);
  EXPECT_EQ(run.Status, 0);
  return test::ToBytes(run.Output);
}

// giftopnm's RGB pixels of a GIF file.
Bytes GiftopnmPixels(const test::ScratchFolder& folder, const Bytes& file) {
  EXPECT_TRUE(test::WriteFileBytes(folder.File("netpbm.gif"), test::ToText(file)));
  const test::ToolResult run = test::RunTool("(giftopnm " + test::ShellQuoted(folder.File("netpbm.gif")) +
                                             " > " + test::ShellQuoted(folder.File("netpbm.ppm")) + ")");
  EXPECT_EQ(run.Status, 0) << run.Output;
  return test::PNMBody(test::ReadFileBytes(folder.File("netpbm.ppm")));
}

// ---- Frames of the reference encoders ----

struct ToolCase {
  const char* name;
  const char* command;  // from in.ppm to out.gif
  uint32_t width, height;
  int colours;
};

class GIFLZWFromTools : public testing::TestWithParam<ToolCase> {};

TEST_P(GIFLZWFromTools, FramesDecodeToGiftopnmsPixels) {
  CALMORA_REQUIRE_TOOL("giftopnm");
  CALMORA_REQUIRE_TOOL("ppmtogif");
  CALMORA_REQUIRE_TOOL("convert");
  const ToolCase& c = GetParam();
  test::ScratchFolder folder;
  // A picture of at most Colours distinct colours, in runs and noise.
  const Bytes indices = RandomIndices(size_t(c.width) * c.height, 8, c.width, true);
  Bytes rgb;
  for (uint8_t index : indices) {
    const int k = index % c.colours;
    rgb.push_back(uint8_t(k * 53));
    rgb.push_back(uint8_t(k * 29 + 7));
    rgb.push_back(uint8_t(255 - k));
  }
  const std::string header = "P6\n" + std::to_string(c.width) + " " + std::to_string(c.height) + "\n255\n";
  ASSERT_TRUE(test::WriteFileBytes(folder.File("in.ppm"), header + test::ToText(rgb)));
  const test::ToolResult made =
      test::RunTool("(cd " + test::ShellQuoted(folder.Path()) + " && " + c.command + ")");
  ASSERT_EQ(made.Status, 0) << made.Output;
  const Bytes file = test::ToBytes(test::ReadFileBytes(folder.File("out.gif")));
  test::GIFFrame frame;
  ASSERT_TRUE(test::ParseGIFFrame(test::ToText(file), frame));
  ASSERT_EQ(frame.width, c.width);
  ASSERT_EQ(frame.height, c.height);

  int64_t position = 0;
  const Bytes ours = DecodeGIF(file, frame.dataStart, int32_t(c.width), int32_t(c.height),
                               frame.interlaced, position);
  EXPECT_EQ(test::ThroughPalette(ours, frame.palette), GiftopnmPixels(folder, file));
  EXPECT_EQ(test::ThroughPalette(ours, frame.palette), rgb);
  // The stream stands on the trailer, just after the frame's terminator.
  EXPECT_EQ(position, int64_t(file.size()) - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, GIFLZWFromTools,
    testing::Values(
        ToolCase{"PpmtogifTwoColours", "ppmtogif in.ppm > out.gif", 61, 17, 2},
        ToolCase{"PpmtogifSixteen", "ppmtogif in.ppm > out.gif", 200, 100, 16},
        ToolCase{"PpmtogifFull", "ppmtogif in.ppm > out.gif", 300, 300, 256},
        ToolCase{"PpmtogifInterlaced", "ppmtogif -interlace in.ppm > out.gif", 123, 45, 200},
        ToolCase{"ImageMagickFull", "convert in.ppm out.gif", 320, 240, 256},
        ToolCase{"ImageMagickInterlaced", "convert in.ppm -interlace GIF out.gif", 99, 77, 64},
        ToolCase{"ImageMagickOnePixel", "convert in.ppm out.gif", 1, 1, 2}),
    [](const testing::TestParamInfo<ToolCase>& row) { return std::string(row.param.name); });

// ---- Ours read by giftopnm and Pillow ----

struct OursCase {
  uint32_t width, height;
  int bits;
  bool interlaced;
  bool runs;
};

class GIFLZWToTools : public testing::TestWithParam<OursCase> {};

TEST_P(GIFLZWToTools, GiftopnmAndPillowReadOurFrames) {
  CALMORA_REQUIRE_TOOL("giftopnm");
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const OursCase& c = GetParam();
  const Bytes indices = RandomIndices(size_t(c.width) * c.height, c.bits, c.height, c.runs);
  const Bytes data = EncodeGIF(indices, int32_t(c.width), int32_t(c.height), c.interlaced, c.bits);
  ASSERT_FALSE(data.empty());
  EXPECT_EQ(data[0], std::max(2, c.bits));
  const int paletteBits = std::max(1, c.bits);
  const Bytes file = test::MinimalGIF(c.width, c.height, paletteBits, c.interlaced, data);
  test::ScratchFolder folder;
  test::GIFFrame frame;
  ASSERT_TRUE(test::ParseGIFFrame(test::ToText(file), frame));
  EXPECT_EQ(GiftopnmPixels(folder, file), test::ThroughPalette(indices, frame.palette));
  EXPECT_EQ(PillowIndices(folder, file), indices);
  int64_t position = 0;
  EXPECT_EQ(DecodeGIF(data, 0, int32_t(c.width), int32_t(c.height), c.interlaced, position), indices);
  EXPECT_EQ(position, int64_t(data.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, GIFLZWToTools,
    testing::Values(OursCase{1, 1, 1, false, false}, OursCase{1, 10, 2, true, false},
                    OursCase{40, 30, 1, false, false}, OursCase{40, 30, 2, true, true},
                    OursCase{100, 70, 4, false, true}, OursCase{257, 129, 8, true, false},
                    OursCase{400, 300, 8, false, false}, OursCase{400, 300, 8, false, true},
                    OursCase{999, 3, 3, true, true}),
    [](const testing::TestParamInfo<OursCase>& row) {
      return std::to_string(row.param.width) + "x" + std::to_string(row.param.height) + "_" +
             std::to_string(row.param.bits) + "bit" + (row.param.interlaced ? "_interlaced" : "") +
             (row.param.runs ? "_runs" : "_noise");
    });

// ---- Hand-made code streams ----

// Packs codes least significant bit first at the widths a reader uses (growing as its table
// reaches a power of two, no entries past a full table), then frames them as sub-blocks.
class GIFCodeStream {
 public:
  explicit GIFCodeStream(int codeSize) : codeSize_(codeSize) { Restart(); }

  void Put(int code) {
    for (int bit = 0; bit < width_; ++bit, ++count_) {
      if (count_ % 8 == 0) bits_.push_back(0);
      if ((code >> bit) & 1) bits_.back() |= uint8_t(1 << (count_ % 8));
    }
    if (code == (1 << codeSize_)) {
      Restart();
      return;
    }
    if (!fresh_ && !full_ && ++slot_ == top_) {
      if (width_ < 12) {
        ++width_;
        top_ <<= 1;
      } else {
        full_ = true;
      }
    }
    fresh_ = false;
  }

  Bytes Data() const {
    Bytes data{uint8_t(codeSize_)};
    for (size_t at = 0; at < bits_.size(); at += 255) {
      const size_t size = std::min<size_t>(255, bits_.size() - at);
      data.push_back(uint8_t(size));
      data.insert(data.end(), bits_.begin() + std::ptrdiff_t(at), bits_.begin() + std::ptrdiff_t(at + size));
    }
    data.push_back(0);
    return data;
  }

 private:
  void Restart() {
    width_ = codeSize_ + 1;
    slot_ = (1 << codeSize_) + 2;
    top_ = 1 << width_;
    fresh_ = true;
    full_ = false;
  }

  int codeSize_;
  int width_ = 0, slot_ = 0, top_ = 0;
  bool fresh_ = true, full_ = false;
  Bytes bits_;
  int64_t count_ = 0;
};

struct HandCase {
  const char* name;
  int codeSize;
  std::vector<int> codes;
  int32_t pixels;  // a frame of Pixels x 1
};

// Every entry of that table is two pixels long (a pixel and the next one's), so the frame holds
// 3,839 pixels, 13 single ones and 7 + 1 entries of two, then 5 pixels and one entry of two.
constexpr int32_t kDeferredClearPixels = 3839 + 13 + 2 * 8 + 5 + 2;

std::vector<int> DeferredClearCodes() {
  std::vector<int> codes{256};
  // 3,839 single pixels fill the table (each code after the first adds an entry) ...
  for (int i = 0; i < 3839; ++i) codes.push_back(i * 7 % 256);
  // ... then pixels and strings go on at 12 bits without new entries until the clear.
  for (int i = 0; i < 20; ++i) codes.push_back(i % 3 == 0 ? 300 + i : i);
  codes.push_back(4095);
  codes.push_back(256);
  for (int i = 0; i < 5; ++i) codes.push_back(200 + i);
  codes.push_back(258);
  codes.push_back(257);
  return codes;
}

class GIFLZWHandMade : public testing::TestWithParam<HandCase> {};

TEST_P(GIFLZWHandMade, DecodeAsPillowDoes) {
  CALMORA_REQUIRE_TOOL("/usr/bin/python3");
  const HandCase& c = GetParam();
  GIFCodeStream stream(c.codeSize);
  for (int code : c.codes) stream.Put(code);
  const Bytes data = stream.Data();
  test::ScratchFolder folder;
  const Bytes truth = PillowIndices(folder, test::MinimalGIF(uint32_t(c.pixels), 1, std::min(c.codeSize, 8), false, data));
  ASSERT_EQ(truth.size(), size_t(c.pixels));
  int64_t position = 0;
  EXPECT_EQ(DecodeGIF(data, 0, c.pixels, 1, false, position), truth);
  EXPECT_EQ(position, int64_t(data.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Codes, GIFLZWHandMade,
    testing::Values(HandCase{"KwKwK", 2, {4, 1, 6, 7, 0, 8, 5}, 11},
                    HandCase{"CodeSizeTwo", 2, {4, 3, 2, 6, 1, 0, 4, 1, 1, 5}, 8},
                    HandCase{"DeferredClear", 8, DeferredClearCodes(), kDeferredClearPixels},
                    HandCase{"RepeatedClears", 3, {8, 8, 8, 1, 2, 8, 3, 9}, 3}),
    [](const testing::TestParamInfo<HandCase>& row) { return std::string(row.param.name); });

TEST(GIFLZW, InterlacedRowsComeInTheirPassOrder) {
  // Pixels 0..9 coded one row each: an interlaced 1 x 10 frame stores them in rows 0, 8, 4, 2,
  // 6, 1, 3, 5, 7, 9.
  GIFCodeStream stream(4);
  stream.Put(16);
  for (int i = 0; i < 10; ++i) stream.Put(i);
  stream.Put(17);
  int64_t position = 0;
  const Bytes rows = DecodeGIF(stream.Data(), 0, 1, 10, true, position);
  EXPECT_EQ(rows, (Bytes{0, 5, 3, 6, 2, 7, 4, 8, 1, 9}));
  // And our encoder takes them in the same order.
  const Bytes image{10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
  const Bytes data = EncodeGIF(image, 1, 10, true, 5);
  EXPECT_EQ(DecodeGIF(data, 0, 1, 10, false, position), (Bytes{10, 18, 14, 12, 16, 11, 13, 15, 17, 19}));
}

TEST(GIFLZW, CodeSizeIsKeptWithinTwoAndEight) {
  const Bytes one{0, 0, 0, 0};
  for (const auto& [bits, size] : std::vector<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}, {5, 5}, {8, 8}, {9, 8}, {12, 8}}) {
    const Bytes data = EncodeGIF(one, 2, 2, false, bits);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data[0], size) << bits;
  }
  // An index too large for the code size is taken modulo it rather than written as a code.
  int64_t position = 0;
  EXPECT_EQ(DecodeGIF(EncodeGIF({5, 6, 7, 255}, 4, 1, false, 2), 0, 4, 1, false, position),
            (Bytes{1, 2, 3, 3}));
}

TEST(GIFLZW, SubBlocksHold254BytesButTheLast) {
  // Noise at 8 bits packs codes that finish two bytes at once, also at a packet's edge.
  for (int bits : {2, 5, 8}) {
    const Bytes data = EncodeGIF(RandomIndices(300 * 200, bits, unsigned(bits)), 300, 200, false, bits);
    size_t at = 1;
    std::vector<int> sizes;
    while (at < data.size() && data[at] != 0) {
      sizes.push_back(data[at]);
      at += data[at] + 1u;
    }
    ASSERT_EQ(at, data.size() - 1) << bits;
    ASSERT_GT(sizes.size(), 2u);
    for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 254) << bits << " " << i;
    EXPECT_LE(sizes.back(), 254);
  }
}

TEST(GIFLZW, BadCodeSizesAndBadCodesMoveTheStreamBack) {
  int64_t position = 0;
  for (uint8_t size : {0, 1, 10, 200}) {
    const Bytes data{size, 2, 0x44, 0x01, 0};
    const Bytes out = DecodeGIF(data, 0, 2, 1, false, position);
    EXPECT_EQ(position, 0) << int(size);
    EXPECT_EQ(out, (Bytes{0xEE, 0xEE}));
  }
  // A code past the next free one stops after the pixels before it.
  GIFCodeStream stream(2);
  for (int code : {4, 1, 7, 0, 5}) stream.Put(code);
  const Bytes out = DecodeGIF(stream.Data(), 0, 4, 1, false, position);
  EXPECT_EQ(position, 0);
  EXPECT_EQ(out, (Bytes{1, 0xEE, 0xEE, 0xEE}));
  // An end right after a clear with data behind it is bad too; at the data's end it is not.
  GIFCodeStream early(2);
  for (int code : {4, 1, 4, 5, 1, 1, 1, 1, 1, 1, 1, 1}) early.Put(code);
  DecodeGIF(early.Data(), 0, 4, 1, false, position);
  EXPECT_EQ(position, 0);
}

TEST(GIFLZW, CutAndGarbledDataEndQuietly) {
  const Bytes image = RandomIndices(64 * 64, 8, 4, true);
  const Bytes data = EncodeGIF(image, 64, 64, false, 8);
  int64_t position = 0;
  for (size_t cut = 0; cut <= data.size(); ++cut) {
    const Bytes part(data.begin(), data.begin() + std::ptrdiff_t(cut));
    const Bytes out = DecodeGIF(part, 0, 64, 64, false, position);
    ASSERT_TRUE(position == 0 || position == int64_t(cut)) << cut;
    // Whatever was decoded is the image's start.
    size_t same = 0;
    while (same < out.size() && out[same] == image[same]) ++same;
    for (size_t i = same; i < out.size(); ++i)
      if (out[i] != 0xEE) {
        // Codes cut in the middle read zero bits; at most the one string they make differs.
        ASSERT_LT(i - same, 4096u) << cut;
      }
  }
  std::mt19937 random(2);
  for (int round = 0; round < 500; ++round) {
    Bytes garbled = data;
    for (int k = 0; k < 1 + round % 6; ++k) garbled[1 + random() % (garbled.size() - 1)] = uint8_t(random());
    DecodeGIF(garbled, 0, 64, 64, round % 2 == 1, position);
    Bytes noise(size_t(round) * 3 + 1);
    for (auto& b : noise) b = uint8_t(random());
    DecodeGIF(noise, 0, 1 + round % 13, 1 + round % 7, round % 3 == 0, position);
  }
}

}  // namespace
}  // namespace calmora
