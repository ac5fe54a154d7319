// Frames of AVI files as DIBs against ffmpeg's decode of the same files: every stored depth in
// both row orders, a compressed stream, frame counts and delays, and files that cannot be read.
#include "platform/avi_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/platform/avi_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::platform {
namespace {

constexpr int32_t kWidth = 50;  // rows of every depth need padding to 4 bytes
constexpr int32_t kHeight = 30;

struct FrameCase {
  const char* Name;
  const char* Encoding;  // ffmpeg's output options; empty: written by WriteSmallDepthAvi
  int32_t BitCount;      // of the DIBs
  int32_t Frames;
  const char* Rate;         // ffmpeg's frame rate
  uint64_t Delay;           // milliseconds
  int32_t Tolerance;        // per channel against ffmpeg's decode
  int32_t SignificantBits;  // compared per channel
};

const FrameCase kCases[] = {
    {"bgr24", "-c:v rawvideo -pix_fmt bgr24", 24, 250, "25", 40, 0, 8},
    {"pal8", "-c:v rawvideo -pix_fmt pal8", 8, 250, "25", 40, 0, 8},
    {"rgb555", "-c:v rawvideo -pix_fmt rgb555le", 16, 250, "25", 40, 0, 5},
    {"bgra", "-c:v rawvideo -pix_fmt bgra", 32, 250, "25", 40, 0, 8},
    {"mjpeg", "-c:v mjpeg -q:v 3", 24, 250, "25", 40, 2, 8},
    {"ntsc", "-c:v rawvideo -pix_fmt bgr24", 24, 40, "30000/1001", 33, 0, 8},
    {"bits1", "", 1, 6, "25", 40, 0, 8},
    {"bits4", "", 4, 6, "25", 40, 0, 8},
};

class AviFramesTest : public ::testing::Test {
 protected:
  void SetUp() override { CALMORA_REQUIRE_TOOL("ffmpeg"); }

  std::string Make(const FrameCase& c) {
    const std::string path = folder_.File(std::string(c.Name) + ".avi");
    if (*c.Encoding == '\0') {
      EXPECT_TRUE(test::WriteFileBytes(
          path, test::WriteSmallDepthAvi(kWidth, kHeight, c.BitCount, c.Frames,
                                         test::UnevenColorTable(c.BitCount))));
    } else {
      const test::ToolResult made =
          test::MakeFfmpegAvi(path, kWidth, kHeight, c.Rate, c.Frames, c.Encoding);
      EXPECT_EQ(made.Status, 0) << made.Output;
    }
    return path;
  }
  // A file of the scratch folder with the bytes.
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string copy = folder_.File(name);
    EXPECT_TRUE(test::WriteFileBytes(copy, bytes));
    return copy;
  }

  test::ScratchFolder folder_{"calmora-avi"};
};

// Frame index of the file equals ffmpeg's decode within the case's tolerance.
void ExpectFrameMatches(AviFrameReader& reader, uint32_t index, const std::string& decoded,
                        const FrameCase& c) {
  std::vector<uint8_t> dib;
  std::string reason;
  ASSERT_TRUE(reader.ReadFrame(index, dib, reason)) << index << ": " << reason;
  ASSERT_GE(dib.size(), 40u);
  const std::string header(dib.begin(), dib.begin() + 40);
  EXPECT_EQ(test::ReadLe32(header, 0), 40u);
  EXPECT_EQ(test::ReadLe32(header, 4), uint32_t(kWidth));
  EXPECT_EQ(test::ReadLe32(header, 8), uint32_t(kHeight));
  EXPECT_EQ(test::ReadLe32(header, 12), 1u | uint32_t(c.BitCount) << 16);
  EXPECT_EQ(test::ReadLe32(header, 16), 0u);
  const uint32_t colors = c.BitCount <= 8 ? 1u << c.BitCount : 0;
  const size_t stride = (size_t(kWidth) * c.BitCount + 31) / 32 * 4;
  EXPECT_EQ(test::ReadLe32(header, 32), colors);
  EXPECT_EQ(test::ReadLe32(header, 20), stride * kHeight);
  ASSERT_EQ(dib.size(), 40 + 4 * colors + stride * kHeight);

  const size_t frameSize = size_t(kWidth) * kHeight * 3;
  ASSERT_GE(decoded.size(), frameSize * (index + 1));
  const std::string ours = test::DIBToBGR(dib);
  const int shift = 8 - c.SignificantBits;
  int32_t worst = 0;
  for (size_t i = 0; i < frameSize; ++i) {
    const int a = static_cast<uint8_t>(ours[i]) >> shift;
    const int b = static_cast<uint8_t>(decoded[frameSize * index + i]) >> shift;
    worst = std::max(worst, std::abs(a - b));
  }
  EXPECT_LE(worst, c.Tolerance) << "frame " << index;
}

TEST_F(AviFramesTest, FramesEqualFfmpegsDecodeInBothRowOrders) {
  for (const FrameCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    const std::string made = Make(c);
    const std::string flipped =
        Put(std::string(c.Name) + "-flipped.avi", test::FlipHeightSign(test::ReadFileBytes(made)));
    for (const std::string& path : {made, flipped}) {
      SCOPED_TRACE(path);
      const std::string decoded = test::FfmpegFrames(path);
      std::string reason;
      const auto reader = AviFrameReader::Open(path, reason);
      ASSERT_TRUE(reader) << reason;
      EXPECT_EQ(reader->FrameCount(), uint32_t(c.Frames));
      EXPECT_EQ(reader->FrameDelay(), c.Delay);
      // In order, then jumping back and forth.
      const uint32_t last = uint32_t(c.Frames) - 1;
      for (uint32_t index : {0u, 1u, 2u, last, 0u, last / 2, last / 2 + 1, 3u, last - 1})
        ExpectFrameMatches(*reader, index, decoded, c);
    }
  }
}

TEST_F(AviFramesTest, EveryFrameInOrderOfAStoredAndADecodedStream) {
  for (const FrameCase& c : {kCases[1], kCases[4]}) {
    SCOPED_TRACE(c.Name);
    const std::string path = Make(c);
    const std::string decoded = test::FfmpegFrames(path);
    std::string reason;
    const auto reader = AviFrameReader::Open(path, reason);
    ASSERT_TRUE(reader) << reason;
    for (uint32_t index = 0; index < reader->FrameCount(); ++index)
      ExpectFrameMatches(*reader, index, decoded, c);
  }
}

TEST_F(AviFramesTest, AnIndexPastTheEndLoadsNothingAndTheReaderGoesOn) {
  const std::string path = Make(kCases[0]);
  const std::string decoded = test::FfmpegFrames(path);
  std::string reason;
  const auto reader = AviFrameReader::Open(path, reason);
  ASSERT_TRUE(reader) << reason;
  std::vector<uint8_t> dib;
  for (uint32_t index : {250u, 251u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(reader->ReadFrame(index, dib, reason));
    EXPECT_NE(reason.find("past the last"), std::string::npos) << reason;
  }
  ExpectFrameMatches(*reader, 249, decoded, kCases[0]);
}

TEST(AviFrameDelayTest, ScaleTimesAThousandDivRateIn64Bits) {
  EXPECT_EQ(AviFrameDelay(25, 1), 40u);
  EXPECT_EQ(AviFrameDelay(30000, 1001), 33u);
  EXPECT_EQ(AviFrameDelay(0, 1), 0u);
  EXPECT_EQ(AviFrameDelay(25, 0), 0u);
  EXPECT_EQ(AviFrameDelay(1, 0xFFFFFFFFu), 4294967295000u);
  for (uint32_t rate = 1; rate < 3000; rate += 7)
    for (uint32_t scale = 1; scale < 3000; scale += 11)
      ASSERT_EQ(AviFrameDelay(rate, scale),
                static_cast<uint64_t>(static_cast<double>(scale) * 1000 / rate + 1e-9))
          << rate << " " << scale;
}

TEST_F(AviFramesTest, TheStreamHeadersRateAndScaleAsStored) {
  const std::string made = test::ReadFileBytes(Make(kCases[0]));
  struct HeaderCase {
    uint32_t Rate, Scale;
    uint64_t Delay;
  };
  for (const HeaderCase& h :
       {HeaderCase{0, 1, 0}, HeaderCase{25, 0, 0}, HeaderCase{50, 2, 40}, HeaderCase{7, 3, 428}}) {
    const std::string path =
        Put("rate.avi",
            test::SetStreamHeaderField(test::SetStreamHeaderField(made, 24, h.Rate), 20, h.Scale));
    std::string reason;
    const auto reader = AviFrameReader::Open(path, reason);
    ASSERT_TRUE(reader) << reason;
    EXPECT_EQ(reader->RateAndScale().Rate, h.Rate);
    EXPECT_EQ(reader->RateAndScale().Scale, h.Scale);
    EXPECT_EQ(reader->FrameDelay(), h.Delay) << h.Rate << " " << h.Scale;
    std::vector<uint8_t> dib;
    EXPECT_TRUE(reader->ReadFrame(0, dib, reason)) << reason;
  }
}

TEST_F(AviFramesTest, MissingForeignAndCutFilesFailClearly) {
  const std::string made = test::ReadFileBytes(Make(kCases[0]));
  std::string reason;
  EXPECT_FALSE(AviFrameReader::Open(folder_.File("absent.avi"), reason));
  EXPECT_FALSE(reason.empty());
  for (const std::string& bytes : {std::string(), std::string("RIFF"), made.substr(0, 200),
                                   std::string(5000, 'x'), test::ReadFileBytes("/bin/sh")}) {
    reason.clear();
    EXPECT_FALSE(AviFrameReader::Open(Put("foreign.avi", bytes), reason)) << bytes.size();
    EXPECT_FALSE(reason.empty());
  }
  // Cut in the middle: the frames before the cut still read, those after fail.
  const auto reader = AviFrameReader::Open(Put("cut.avi", made.substr(0, made.size() / 2)), reason);
  ASSERT_TRUE(reader) << reason;
  std::vector<uint8_t> dib;
  EXPECT_TRUE(reader->ReadFrame(0, dib, reason)) << reason;
  EXPECT_FALSE(reader->ReadFrame(reader->FrameCount() - 1, dib, reason));
  EXPECT_FALSE(reason.empty());
}

TEST_F(AviFramesTest, AShortFrameFailsAloneAndEmptyOrHugeStreamsDoNotOpen) {
  const size_t stride = (size_t(kWidth) * 8 + 31) / 32 * 4;
  const std::string table(4 * 256, '\x40');
  const std::string whole(stride * kHeight, '\x01');
  const std::string path = Put(
      "short.avi",
      test::WriteAvi(kWidth, kHeight, 8, table, {whole, whole.substr(0, whole.size() - 1), whole}));
  std::string reason;
  const auto reader = AviFrameReader::Open(path, reason);
  ASSERT_TRUE(reader) << reason;
  std::vector<uint8_t> dib;
  EXPECT_TRUE(reader->ReadFrame(0, dib, reason)) << reason;
  EXPECT_FALSE(reader->ReadFrame(1, dib, reason));
  EXPECT_NE(reason.find("holds " + std::to_string(whole.size() - 1) + " of"), std::string::npos)
      << reason;
  EXPECT_TRUE(reader->ReadFrame(2, dib, reason)) << reason;

  reason.clear();
  EXPECT_FALSE(AviFrameReader::Open(Put("empty.avi", test::WriteAvi(kWidth, kHeight, 8, table, {})),
                                    reason));
  EXPECT_FALSE(reason.empty());

  for (const FrameCase& c : {kCases[0], kCases[4]}) {
    const std::string made = Make(c);
    test::ScopedOverride<int64_t> smaller(AviMaxFramePixels, int64_t{kWidth} * kHeight - 1);
    reason.clear();
    EXPECT_FALSE(AviFrameReader::Open(made, reason)) << c.Name;
    EXPECT_NE(reason.find("frame size"), std::string::npos) << reason;
  }
}

// Frame counts in the headers are claims: the reader reports no more frames than the file's
// index lists or, without an index, than the file's size can hold (a chunk header and, for
// stored frames, their rows per frame).
TEST_F(AviFramesTest, FrameCountsBeyondWhatTheFileHoldsAreCapped) {
  constexpr uint32_t kFrames = 3;
  const size_t stride = (size_t(kWidth) * 8 + 31) / 32 * 4;
  const std::string frame(stride * kHeight, '\x11');
  const std::string stored =
      test::WriteAvi(kWidth, kHeight, 8, std::string(4 * 256, '\x40'), {frame, frame, frame});
  const std::string coded = test::ReadFileBytes(Make(kCases[4]));  // 250 MJPEG frames
  const auto storedBound = [&](const std::string& avi) {
    return uint32_t(avi.size() / (8 + frame.size()));
  };
  const auto codedBound = [&](const std::string& avi) { return uint32_t(avi.size() / 8); };
  struct CountCase {
    const char* Name;
    std::string Avi;
    uint32_t Expected;
    uint32_t Held;  // frames the file really holds
  };
  const auto lengths = [](std::string avi, uint32_t length) {
    return test::SetMainHeaderFrames(test::SetStreamHeaderField(avi, 32, length), length);
  };
  std::vector<CountCase> cases = {
      {"as stated", stored, kFrames, kFrames},
      {"4,294,967,295 with an index", lengths(stored, 0xFFFFFFFFu), kFrames, kFrames},
      {"2,147,483,648 with an index", lengths(stored, 0x80000000u), kFrames, kFrames},
      {"fewer than the index lists", lengths(stored, 2), 2, 2},
      {"only the stream header claims", test::SetStreamHeaderField(stored, 32, 0xFFFFFFFFu),
       kFrames, kFrames},
      {"4,294,967,295 coded frames with an index", lengths(coded, 0xFFFFFFFFu), 250, 250},
  };
  for (const uint32_t length : {0xFFFFFFFFu, 1000u, 4u}) {
    const std::string avi = test::WithoutIndex(lengths(stored, length));
    cases.push_back(
        {"stored frames without an index", avi, std::min(length, storedBound(avi)), kFrames});
  }
  const std::string codedAlone = test::WithoutIndex(lengths(coded, 0xFFFFFFFFu));
  cases.push_back({"coded frames without an index", codedAlone, codedBound(codedAlone), 250});
  cases.push_back({"as stated without an index", test::WithoutIndex(stored), kFrames, kFrames});

  for (const CountCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string reason;
    const auto reader = AviFrameReader::Open(Put("count.avi", c.Avi), reason);
    ASSERT_TRUE(reader) << reason;
    EXPECT_EQ(reader->FrameCount(), c.Expected);
    std::vector<uint8_t> dib;
    EXPECT_TRUE(reader->ReadFrame(0, dib, reason)) << reason;
    EXPECT_TRUE(reader->ReadFrame(std::min(c.Expected, c.Held) - 1, dib, reason)) << reason;
    // Past the last frame held nothing reads, whatever count the file allows.
    if (c.Expected > c.Held) {
      EXPECT_FALSE(reader->ReadFrame(c.Expected - 1, dib, reason));
    }
  }
}

TEST_F(AviFramesTest, AFileTooSmallForOneFrameDoesNotOpen) {
  const size_t stride = (size_t(kWidth) * 24 + 31) / 32 * 4;
  const std::string frame(stride * kHeight, '\x22');
  std::string avi = test::WithoutIndex(test::WriteAvi(kWidth, kHeight, 24, "", {frame}));
  // The one frame's chunk cut to a few bytes: the file cannot hold a frame of these rows.
  const size_t movi = avi.find("00db");
  ASSERT_NE(movi, std::string::npos);
  avi = avi.substr(0, movi + 8 + 16);
  std::string reason;
  EXPECT_FALSE(AviFrameReader::Open(Put("tiny.avi", avi), reason));
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace calmora::platform
