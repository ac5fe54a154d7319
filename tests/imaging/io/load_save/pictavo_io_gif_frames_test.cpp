// The GIF load's frame composition with a fake reader serving three frames: the canvas after
// frame 1 as a literal picture, the counts and params it reports, and a single frame left as is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

struct FakeFrame {
  int32_t x, y, width, height;
  TPVRGB color;
  uint8_t disposal;
};
// On a 4 x 3 screen over a red background: frame 0 fills it blue and asks to be restored to
// the background, frame 1 is a green 2 x 1 at (1, 1), frame 2 a white pixel at (0, 0).
std::vector<FakeFrame> Frames = {
    {0, 0, 4, 3, {255, 0, 0}, 2}, {1, 1, 2, 1, {0, 255, 0}, 1}, {0, 0, 1, 1, {255, 255, 255}, 1}};
std::vector<int32_t> FramesRead;
int32_t ScreenWidth = 4;

int32_t FakeGIFReader(TStream&, TPVBitmap& Bitmap, TIOParamsVals& Params, bool, TPVProgressRecord&,
                      std::unique_ptr<TPVMask>&) {
  const int32_t index = Params.GIF_ImageIndex;
  FramesRead.push_back(index);
  const FakeFrame& frame = Frames[static_cast<size_t>(index)];
  EXPECT_TRUE(Bitmap.Allocate(frame.width, frame.height, pv24RGB));
  Bitmap.Fill(static_cast<double>(frame.color.r | frame.color.g << 8 | frame.color.b << 16));
  Params.GIF_XPos = frame.x;
  Params.GIF_YPos = frame.y;
  Params.GIF_Disposal = frame.disposal;
  Params.GIF_ScreenWidth = ScreenWidth;
  Params.GIF_ScreenHeight = 3;
  Params.GIF_Background = TPVRGB{0, 0, 255};
  return static_cast<int32_t>(Frames.size());
}

class GIFFrames : public ::testing::Test {
 protected:
  void SetUp() override { FramesRead.clear(); }
  ScopedOverride<TPVCodecEntry> codec_{CodecTable[kFormatGIF], {FakeGIFReader, nullptr}};
  TMemoryStream stream_;
};

TEST_F(GIFFrames, FrameOneIsComposedOverFrameZerosRestoredArea) {
  TPictavoIO io(nullptr);
  io.Params->GIF_ImageIndex = 1;
  EXPECT_EQ(io.LoadFromStreamGIF(&stream_), 3);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(FramesRead, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(io.Params->GIF_ImageIndex, 1);
  EXPECT_EQ(io.Params->GIF_Disposal, 2);
  EXPECT_EQ(io.Params->GIF_XPos, 0);
  EXPECT_EQ(io.Params->FileType, kFormatGIF);
  EXPECT_EQ(io.GetBackground(), 0x0000FFu);  // red, as a colour value
  const TPVBitmap& image = *io.GetWorkBitmap();
  ASSERT_EQ(image.GetWidth(), 4);
  ASSERT_EQ(image.GetHeight(), 3);
  // R red and clear, G green and opaque.
  const char* picture[] = {"RRRR", "RGGR", "RRRR"};
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const bool green = picture[y][x] == 'G';
      EXPECT_EQ(image.GetPixel24(x, y), (green ? TPVRGB{0, 255, 0} : TPVRGB{0, 0, 255})) << x << y;
      EXPECT_EQ(io.GetWorkBitmap()->GetAlphaChannel()->GetPixel8(x, y), green ? 255 : 0) << x << y;
    }
}

TEST_F(GIFFrames, AnIndexPastTheLastComposesEveryFrame) {
  TPictavoIO io(nullptr);
  io.Params->GIF_ImageIndex = 9;
  EXPECT_EQ(io.LoadFromStreamGIF(&stream_), 3);
  EXPECT_EQ(FramesRead, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(io.GetWorkBitmap()->GetPixel24(0, 0), (TPVRGB{255, 255, 255}));
  EXPECT_EQ(io.GetWorkBitmap()->GetPixel24(1, 1), (TPVRGB{0, 255, 0}));
}

TEST_F(GIFFrames, ASingleFrameIsNotComposed) {
  const std::vector<FakeFrame> all = Frames;
  Frames = {{2, 1, 2, 2, {9, 9, 9}, 1}};
  TPictavoIO io(nullptr);
  EXPECT_EQ(io.LoadFromStreamGIF(&stream_), 1);
  EXPECT_EQ(io.GetWorkBitmap()->GetWidth(), 2);
  EXPECT_EQ(io.Params->GIF_XPos, 2);
  EXPECT_EQ(io.Params->GIF_YPos, 1);
  EXPECT_FALSE(io.GetWorkBitmap()->HasAlphaChannel());
  Frames = all;
}

TEST_F(GIFFrames, AnUnallocatableCanvasIsBadData) {
  ScopedOverride<int32_t> huge(ScreenWidth, 2000000000);
  TPictavoIO io(nullptr);
  io.Params->GIF_ImageIndex = 1;
  io.LoadFromStreamGIF(&stream_);
  EXPECT_TRUE(io.Aborting);
}

}  // namespace
}  // namespace calmora::test
