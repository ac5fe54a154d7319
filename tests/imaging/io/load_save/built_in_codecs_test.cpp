// The codecs the I/O component reaches through the format descriptions, end to end: a file
// saved by extension loads back by content, its parameters read alone, a reference decoder
// reads it, and a damaged file ends as a failed load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/io_unit.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/params/io_params.h"
#include "tests/imaging/support/bitmap_patterns.h"
#include "tests/imaging/support/pnm.h"
#include "tests/support/outside_tool.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

struct CodecCase {
  const char* extension;
  TPVFileFormatId id;
  int tolerance;  // per channel: 0 for a lossless format
  bool decodedAlike;  // ImageMagick's decode equals ours exactly
};

const CodecCase kCases[] = {
    {"bmp", kFormatBMP, 0, true}, {"jpg", kFormatJPEG, 48, false}, {"png", kFormatPNG, 0, true},
    {"pcx", kFormatPCX, 0, true}, {"tga", kFormatTGA, 0, true},    {"gif", kFormatGIF, 48, true},
};

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

// A smooth picture, so that a lossy codec's error stays small everywhere.
void PaintGradient(TPVBitmap& bitmap, int32_t width, int32_t height) {
  ASSERT_TRUE(bitmap.Allocate(width, height, pv24RGB));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      TPVRGB pixel;
      pixel.r = static_cast<uint8_t>(x * 255 / (width - 1));
      pixel.g = static_cast<uint8_t>(y * 255 / (height - 1));
      pixel.b = static_cast<uint8_t>(128 + (x - y) / 4);
      bitmap.SetPixel24(x, y, pixel);
    }
  }
}

int LargestDifference(TPVBitmap& a, TPVBitmap& b) {
  int largest = 0;
  for (int32_t y = 0; y < a.GetHeight(); ++y) {
    for (int32_t x = 0; x < a.GetWidth(); ++x) {
      const TPVRGB p = a.GetPixel24(x, y), q = b.GetPixel24(x, y);
      largest = std::max({largest, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
    }
  }
  return largest;
}

// The I/O unit's set-up builds the registry and installs the LZW coders, as at start-up.
class BuiltInCodecs : public ::testing::TestWithParam<CodecCase> {
 protected:
  void SetUp() override { InitIOUnit(); }
  void TearDown() override { FinalizeIOUnit(); }
  ScratchFolder folder_{"calmora-codecs"};
};

TEST_P(BuiltInCodecs, SavedByExtensionLoadsBackByContentAndByParameters) {
  const CodecCase& c = GetParam();
  TPVBitmap original;
  PaintGradient(original, 61, 37);
  const std::string path = folder_.Path() + "/picture." + c.extension;
  {
    TPictavoIO io(nullptr);
    io.SetAttachedBitmap(&original);
    io.SaveToFile(Wide(path));
    ASSERT_FALSE(io.Aborting);
  }
  // A name that hides the format: the load must find it by content.
  const std::string hidden = folder_.Path() + "/picture.data";
  std::filesystem::copy_file(path, hidden);

  TPVBitmap loaded;
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&loaded);
  io.LoadFromFileAuto(Wide(hidden));
  ASSERT_FALSE(io.Aborting);
  EXPECT_EQ(io.Params->FileType, c.id);
  ASSERT_EQ(loaded.GetWidth(), 61);
  ASSERT_EQ(loaded.GetHeight(), 37);
  ASSERT_EQ(loaded.GetPixelFormat(), pv24RGB);
  EXPECT_LE(LargestDifference(original, loaded), c.tolerance);

  TPVBitmap untouched;
  TPictavoIO params(nullptr);
  params.SetAttachedBitmap(&untouched);
  params.ParamsFromFile(Wide(path));
  EXPECT_FALSE(params.Aborting);
  EXPECT_EQ(params.Params->FileType, c.id);
  EXPECT_EQ(params.Params->Width, 61);
  EXPECT_EQ(params.Params->Height, 37);
  EXPECT_TRUE(untouched.IsEmpty());
}

// ImageMagick reads what the component wrote as the picture it was given.
TEST_P(BuiltInCodecs, AReferenceDecoderReadsTheSavedFile) {
  const CodecCase& c = GetParam();
  CALMORA_REQUIRE_TOOL("convert");
  TPVBitmap original;
  PaintGradient(original, 40, 30);
  const std::string path = folder_.Path() + "/ours." + c.extension;
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&original);
  io.SaveToFile(Wide(path));
  ASSERT_FALSE(io.Aborting);
  const std::string ppm = folder_.Path() + "/reference.ppm";
  ASSERT_EQ(RunTool("/usr/bin/convert " + ShellQuoted(path) + " -depth 8 " + ShellQuoted(ppm)).Status,
            0);
  TPVBitmap reference;
  ASSERT_TRUE(LoadPNM(ppm, reference));
  ASSERT_EQ(reference.GetWidth(), 40);
  ASSERT_EQ(reference.GetHeight(), 30);
  EXPECT_LE(LargestDifference(original, reference), c.tolerance);
  if (!c.decodedAlike) return;
  TPVBitmap ours;
  TPictavoIO reader(nullptr);
  reader.SetAttachedBitmap(&ours);
  reader.LoadFromFile(Wide(path));
  ASSERT_FALSE(reader.Aborting);
  ASSERT_EQ(ours.GetPixelFormat(), pv24RGB);
  EXPECT_EQ(LargestDifference(ours, reference), 0);
}

// A file cut short ends as a failed load, announced by one finish event.
TEST_P(BuiltInCodecs, ADamagedFileEndsAsAFailedLoadWithOneFinish) {
  const CodecCase& c = GetParam();
  TPVBitmap original;
  PaintGradient(original, 50, 50);
  const std::string path = folder_.Path() + "/whole." + c.extension;
  {
    TPictavoIO io(nullptr);
    io.SetAttachedBitmap(&original);
    io.SaveToFile(Wide(path));
    ASSERT_FALSE(io.Aborting);
  }
  const std::string cut = folder_.Path() + "/cut." + c.extension;
  {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(40, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::ofstream(cut, std::ios::binary).write(bytes.data(), in.gcount());
  }
  TPVBitmap held;
  PaintGradient(held, 9, 7);
  TPictavoIO io(nullptr);
  io.SetAttachedBitmap(&held);
  int finishes = 0;
  io.OnFinishWork = [&finishes](TObject*) { ++finishes; };
  io.LoadFromFile(Wide(cut));
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(finishes, 1);
}

INSTANTIATE_TEST_SUITE_P(Formats, BuiltInCodecs, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CodecCase>& param) {
                           return std::string(param.param.extension);
                         });

}  // namespace
}  // namespace calmora::test
