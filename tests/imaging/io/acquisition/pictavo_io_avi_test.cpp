// AVI frames through the I/O component against ffmpeg's decode of the same files: what the
// component adds to the platform's frames (counts, delays, the record's depth fields, the
// picture in the working bitmap in both row orders) and what a load that loads nothing leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/core/dpi_globals.h"
#include "imaging/io/acquisition/avi_frames.h"
#include "imaging/io/pictavo_io.h"
#include "tests/platform/avi_test_files.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

constexpr int32_t kWidth = 50;  // rows of every depth need padding to 4 bytes
constexpr int32_t kHeight = 30;

struct FrameCase {
  const char* Name;
  const char* Encoding;  // ffmpeg's output options; empty: a 1- or 4-bit file written here
  int32_t BitCount;      // of the stored or decoded frames
  int32_t Frames;
  const char* Rate;  // ffmpeg's frame rate
  int32_t Delay;     // milliseconds
  int32_t Tolerance;
  int32_t SignificantBits;  // compared per channel
  int32_t BitsPerSample;
  int32_t SamplesPerPixel;
};

// Ten seconds at 25 frames once; the other files are short, as the platform's tests already
// read long files of every kind.
const FrameCase kCases[] = {
    {"bgr24", "-c:v rawvideo -pix_fmt bgr24", 24, 250, "25", 40, 0, 8, 8, 3},
    {"pal8", "-c:v rawvideo -pix_fmt pal8", 8, 12, "25", 40, 0, 8, 8, 1},
    {"rgb555", "-c:v rawvideo -pix_fmt rgb555le", 16, 12, "25", 40, 0, 5, 8, 3},
    {"bgra", "-c:v rawvideo -pix_fmt bgra", 32, 12, "25", 40, 0, 8, 8, 3},
    {"mjpeg", "-c:v mjpeg -q:v 3", 24, 30, "25", 40, 2, 8, 8, 3},
    {"bits4", "", 4, 6, "25", 40, 0, 8, 4, 1},
    // Dark and light entries: the 1-bit picture is black and white.
    {"bits1", "", 1, 6, "25", 40, 0, 8, 1, 1},
};
const FrameCase kNtsc = {"ntsc", "-c:v rawvideo -pix_fmt bgr24", 24, 12, "30000/1001", 33, 0, 8,
                         8, 3};

bool IsStored(const FrameCase& c) {
  return *c.Encoding == '\0' || std::string(c.Encoding).find("rawvideo") != std::string::npos;
}

// The frames (top-down rows of blue, green, red) upside down: what a stored stream shows when
// its height's sign is flipped, as the platform's tests check against ffmpeg for every depth.
std::string UpsideDown(const std::string& frames) {
  const size_t row = size_t(kWidth) * 3, frame = row * kHeight;
  std::string mirrored(frames.size(), '\0');
  for (size_t at = 0; at + frame <= frames.size(); at += frame)
    for (size_t y = 0; y < size_t(kHeight); ++y)
      mirrored.replace(at + y * row, row, frames, at + (kHeight - 1 - y) * row, row);
  return mirrored;
}

// Scratch paths are plain ASCII.
std::u16string Wide(const std::string& path) { return {path.begin(), path.end()}; }

class PictavoIOAvi : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL("ffmpeg");
    io_.OnFinishWork = [this](TObject*) { ++finishes_; };
  }

  std::string Make(const FrameCase& c) {
    const std::string path = folder_.File(std::string(c.Name) + ".avi");
    if (*c.Encoding == '\0') {
      const std::string table =
          c.BitCount == 1 ? std::string("\x10\x20\x30\0\xF0\xE0\xD0\0", 8) : UnevenColorTable(4);
      EXPECT_TRUE(
          WriteFileBytes(path, WriteSmallDepthAvi(kWidth, kHeight, c.BitCount, c.Frames, table)));
    } else {
      const ToolResult made = MakeFfmpegAvi(path, kWidth, kHeight, c.Rate, c.Frames, c.Encoding);
      EXPECT_EQ(made.Status, 0) << made.Output;
    }
    return path;
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    const std::string path = folder_.File(name);
    EXPECT_TRUE(WriteFileBytes(path, bytes));
    return path;
  }
  // A 7 x 5 picture and stale reports of an earlier load, which a frame load must clear.
  void LoadEarlierPicture() {
    ASSERT_TRUE(io_.GetWorkBitmap()->Allocate(7, 5, pv24RGB));
    io_.GetWorkBitmap()->Fill(0x123456);
    io_.Params->EXIF_HasEXIFData = true;
    io_.Params->XMP_Info = "<x:xmpmeta/>";
  }
  void ExpectEarlierPictureKept() {
    EXPECT_EQ(io_.GetWorkBitmap()->GetWidth(), 7);
    EXPECT_EQ(io_.GetWorkBitmap()->GetHeight(), 5);
    EXPECT_EQ(io_.GetWorkBitmap()->GetPixel24(6, 4), (TPVRGB{0x12, 0x34, 0x56}));
    EXPECT_FALSE(io_.Params->EXIF_HasEXIFData);
    EXPECT_TRUE(io_.Params->XMP_Info.empty());
  }
  // Loads frame index and compares the working bitmap with ffmpeg's decode of it.
  void ExpectFrameMatches(uint32_t index, const std::string& decoded, const FrameCase& c) {
    finishes_ = 0;
    io_.LoadFromAVI(index);
    EXPECT_FALSE(io_.Aborting) << index;
    EXPECT_EQ(finishes_, 1);
    const TPVBitmap& image = *io_.GetWorkBitmap();
    ASSERT_EQ(image.GetWidth(), kWidth);
    ASSERT_EQ(image.GetHeight(), kHeight);
    ASSERT_EQ(image.GetPixelFormat(), c.BitCount == 1 ? pv1g : pv24RGB);
    const size_t frameSize = size_t(kWidth) * kHeight * 3;
    ASSERT_GE(decoded.size(), frameSize * (index + 1));
    const auto* frame = reinterpret_cast<const uint8_t*>(decoded.data()) + frameSize * index;
    const int shift = 8 - c.SignificantBits;
    int32_t worst = 0;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        const uint8_t* want = frame + (size_t(y) * kWidth + x) * 3;
        if (c.BitCount == 1) {
          const bool white = (image.GetScanline(y)[x / 8] >> (7 - x % 8) & 1) != 0;
          ASSERT_EQ(white, want[0] + want[1] + want[2] > 382) << x << "," << y;
          continue;
        }
        const TPVRGB got = image.GetPixel24(x, y);
        for (const auto& [ours, theirs] : {std::pair{got.b, want[0]}, std::pair{got.g, want[1]},
                                          std::pair{got.r, want[2]}})
          worst = std::max(worst, std::abs((ours >> shift) - (theirs >> shift)));
      }
    EXPECT_LE(worst, c.Tolerance) << "frame " << index;
  }

  ScratchFolder folder_{"calmora-io-avi"};
  TPictavoIO io_{nullptr};
  int finishes_ = 0;
};

TEST_F(PictavoIOAvi, FramesEqualFfmpegsDecodeWithTheirCountDelayAndDepth) {
  for (const FrameCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    const std::string made = Make(c);
    const std::string decodedMade = FfmpegFrames(made);
    std::vector<std::pair<std::string, std::string>> files = {{made, decodedMade}};
    if (IsStored(c))
      files.emplace_back(
          Put(std::string(c.Name) + "-flipped.avi", FlipHeightSign(ReadFileBytes(made))),
          UpsideDown(decodedMade));
    for (const auto& [path, decoded] : files) {
      SCOPED_TRACE(path);
      EXPECT_EQ(io_.OpenAVIFile(Wide(path)), c.Frames);
      EXPECT_FALSE(io_.Aborting);
      EXPECT_TRUE(AVIFileInitialised);
      EXPECT_EQ(io_.Params->AVI_FrameCount, c.Frames);
      EXPECT_EQ(io_.Params->AVI_FrameDelayTime, 0);  // known once a frame is read
      EXPECT_EQ(io_.Params->FileName, Wide(path));
      const uint32_t last = uint32_t(c.Frames) - 1;
      for (uint32_t index : {last, 0u, last / 2}) ExpectFrameMatches(index, decoded, c);
      EXPECT_EQ(io_.Params->AVI_FrameCount, c.Frames);
      EXPECT_EQ(io_.Params->AVI_FrameDelayTime, c.Delay);
      EXPECT_EQ(io_.Params->BitsPerSample, c.BitsPerSample);
      EXPECT_EQ(io_.Params->SamplesPerPixel, c.SamplesPerPixel);
      EXPECT_EQ(io_.Params->Width, kWidth);
      EXPECT_EQ(io_.Params->Height, kHeight);
      EXPECT_EQ(io_.Params->OriginalWidth, kWidth);
      EXPECT_EQ(io_.Params->OriginalHeight, kHeight);
      EXPECT_EQ(io_.Params->DpiX, DefaultDpiX);
      EXPECT_EQ(io_.Params->DpiY, DefaultDpiY);
      EXPECT_EQ(io_.Params->ColorMap, nullptr);
      EXPECT_EQ(io_.Params->ColorMapCount, 0);
      io_.CloseAVIFile();
    }
  }
}

TEST_F(PictavoIOAvi, LoadsThatLoadNothingKeepThePictureAndClearStaleReports) {
  const std::string made = ReadFileBytes(Make(kCases[0]));
  const std::string whole = Put("whole.avi", made);
  const std::string cut = Put("cut.avi", made.substr(0, made.size() / 2));
  // Cut, the file has lost its index: its count is what its size holds of 24-bit frames and
  // their chunk headers.
  const size_t frameBytes = size_t(kWidth * 3 + 3) / 4 * 4 * kHeight + 8;
  const int32_t cutCount = int32_t(made.size() / 2 / frameBytes);
  struct FailureCase {
    const char* Name;
    std::string Path;  // empty: no file opened
    uint32_t Index;
    int32_t Count;  // what the open answers
  };
  const FailureCase cases[] = {
      {"index 250 of 250", whole, 250, 250},
      {"largest index", whole, 0xFFFFFFFFu, 250},
      {"missing file", folder_.File("absent.avi"), 0, 0},
      {"not an AVI file", Put("text.avi", std::string(3000, 'x')), 0, 0},
      {"frame past the cut", cut, 249, cutCount},
      {"no file open", "", 0, 0},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.Name);
    LoadEarlierPicture();
    if (!c.Path.empty()) {
      EXPECT_EQ(io_.OpenAVIFile(Wide(c.Path)), c.Count);
      EXPECT_EQ(io_.Aborting, c.Count == 0);
      EXPECT_EQ(io_.Params->AVI_FrameCount, c.Count);
    }
    finishes_ = 0;
    io_.LoadFromAVI(c.Index);
    EXPECT_TRUE(io_.Aborting);
    EXPECT_EQ(finishes_, 1);
    ExpectEarlierPictureKept();
    io_.CloseAVIFile();
  }
}

TEST_F(PictavoIOAvi, TheDelayFollowsTheStreamHeadersRateAndScale) {
  const std::string made = ReadFileBytes(Make(kNtsc));
  struct DelayCase {
    uint32_t Rate, Scale;
    int32_t Delay;
  };
  const DelayCase cases[] = {
      {30000, 1001, 33},  // as ffmpeg wrote it
      {0, 1, 0},
      {25, 0, 0},
      {50, 2, 40},
      {7, 3, 428},
      // Past what the record holds: the longest delay it can say.
      {1, 0xFFFFFFFFu, std::numeric_limits<int32_t>::max()},
  };
  for (const DelayCase& d : cases) {
    SCOPED_TRACE(std::to_string(d.Rate) + " / " + std::to_string(d.Scale));
    const std::string path = Put(
        "rate.avi", SetStreamHeaderField(SetStreamHeaderField(made, 24, d.Rate), 20, d.Scale));
    ASSERT_EQ(io_.OpenAVIFile(Wide(path)), 12);
    io_.LoadFromAVI(1);
    EXPECT_FALSE(io_.Aborting);
    EXPECT_EQ(io_.Params->AVI_FrameDelayTime, d.Delay);
  }
}

TEST_F(PictavoIOAvi, AFileLoadOfAnAviNameReadsFrameImageIndexAndCloses) {
  const FrameCase& c = kNtsc;
  const std::string path = Make(c);
  const std::string decoded = FfmpegFrames(path);
  io_.Params->SetImageIndex(7);
  io_.Params->EXIF_HasEXIFData = true;
  io_.LoadFromFile(Wide(path));
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(finishes_, 1);
  EXPECT_EQ(io_.AVIReader, nullptr);
  EXPECT_EQ(io_.Params->FileType, kFormatAVI);
  EXPECT_EQ(io_.Params->FileName, Wide(path));
  EXPECT_FALSE(io_.Params->EXIF_HasEXIFData);
  EXPECT_EQ(io_.Params->AVI_FrameCount, 12);
  EXPECT_EQ(io_.Params->AVI_FrameDelayTime, 33);
  // The same frame again, straight from the file, gives the same picture.
  ASSERT_EQ(io_.OpenAVIFile(Wide(path)), 12);
  ExpectFrameMatches(7, decoded, c);
}

TEST_F(PictavoIOAvi, OpeningAnotherFileClosesTheFirst) {
  const std::string first = Make(kCases[5]);
  const std::string second = Make(kNtsc);
  ASSERT_EQ(io_.OpenAVIFile(Wide(first)), 6);
  ASSERT_EQ(io_.OpenAVIFile(Wide(second)), 12);
  ExpectFrameMatches(8, FfmpegFrames(second), kNtsc);
  // A failed open leaves no file open.
  EXPECT_EQ(io_.OpenAVIFile(Wide(folder_.File("absent.avi"))), 0);
  EXPECT_EQ(io_.AVIReader, nullptr);
}

TEST(AVIFrameSampleLayout, EachDepthsBitsAndSamples) {
  struct LayoutCase {
    int32_t BitCount, BitsPerSample, SamplesPerPixel;
  };
  for (const LayoutCase& c : {LayoutCase{1, 1, 1}, LayoutCase{4, 4, 1}, LayoutCase{8, 8, 1},
                              LayoutCase{15, 5, 3}, LayoutCase{16, 8, 3}, LayoutCase{24, 8, 3},
                              LayoutCase{32, 8, 3}}) {
    const auto layout = AVIFrameSampleLayout(c.BitCount);
    ASSERT_TRUE(layout) << c.BitCount;
    EXPECT_EQ(layout->BitsPerSample, c.BitsPerSample) << c.BitCount;
    EXPECT_EQ(layout->SamplesPerPixel, c.SamplesPerPixel) << c.BitCount;
  }
  for (int32_t other : {0, 2, 12, 48}) EXPECT_FALSE(AVIFrameSampleLayout(other)) << other;
}

}  // namespace
}  // namespace calmora::test
