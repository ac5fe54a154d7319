// The JPEG reader on hostile and unusual input: files cut at every structure boundary, segment
// lengths that lie, sizes far beyond the data, component counts no bitmap takes, and tables
// that travel apart from the image. Nothing crashes; a refused file sets the abort flag.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/jpeg/jpeg_libjpeg_fixtures.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"

namespace calmora {
namespace {

using test::ReadBytes;
using test::Storage;

// The offsets of every marker from SOI to the first scan's data, and the EOI.
std::vector<size_t> MarkerOffsets(const std::string& jpeg) {
  std::vector<size_t> offsets;
  size_t at = 2;
  offsets.push_back(0);
  while (at + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[at]) == 0xFF) {
    offsets.push_back(at);
    const size_t length = size_t(static_cast<uint8_t>(jpeg[at + 2])) << 8 |
                          static_cast<uint8_t>(jpeg[at + 3]);
    if (static_cast<uint8_t>(jpeg[at + 1]) == 0xDA) {
      offsets.push_back(at + 2 + length);
      break;
    }
    at += 2 + length;
  }
  offsets.push_back(jpeg.size() - 2);
  return offsets;
}

// Reads the bytes in full and parameters-only; a read that is not refused gives the image its
// header declares.
void ExpectSafeRead(const std::string& bytes, const std::string& label) {
  for (Storage storage : {Storage::Memory, Storage::TemporaryFile}) {
    const auto scope = test::UseStorage(storage);
    TIOParamsVals params(nullptr);
    TPVBitmap bitmap;
    const test::ReadOutcome outcome = ReadBytes(bytes, bitmap, params);
    if (!outcome.Aborting) {
      EXPECT_EQ(outcome.Rows, params.Height) << label;
      EXPECT_EQ(bitmap.GetHeight(), params.Height) << label;
    }
    TIOParamsVals only(nullptr);
    TPVBitmap untouched;
    ReadBytes(bytes, untouched, only, true);
    EXPECT_TRUE(untouched.IsEmpty()) << label;
  }
}

std::string Base(const std::string& options) {
  test::ScratchFolder folder;
  const std::string jpeg = test::Cjpeg(folder, test::TestPicture(40, 24), options);
  // Some kept markers, so APPn and COM segments take part too.
  return jpeg.substr(0, 2) + std::string("\xFF\xFE\x00\x07hello", 9) +
         std::string("\xFF\xE2\x00\x12ICC_PROFILE\x00\x01\x01\x00\x00", 20) + jpeg.substr(2);
}

TEST(JpegHostile, CutAtEveryStructureBoundary) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  for (const char* options : {"", "-progressive", "-restart 1 -optimize"}) {
    const std::string jpeg = Base(options);
    for (size_t offset : MarkerOffsets(jpeg)) {
      for (size_t cut : {offset, offset + 1, offset + 2, offset + 3, offset + 5}) {
        if (cut > jpeg.size()) continue;
        ExpectSafeRead(jpeg.substr(0, cut), std::string(options) + " cut " + std::to_string(cut));
      }
    }
  }
}

TEST(JpegHostile, LyingSegmentLengths) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  for (const char* options : {"", "-progressive"}) {
    const std::string jpeg = Base(options);
    const std::vector<size_t> offsets = MarkerOffsets(jpeg);
    for (size_t i = 1; i + 2 < offsets.size(); ++i) {
      const size_t at = offsets[i];
      const int length = static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]);
      for (int lie : {0, 1, 2, 3, length - 1, length + 1, length + 100, 0xFFFF}) {
        std::string bytes = jpeg;
        bytes[at + 2] = static_cast<char>((lie >> 8) & 0xFF);
        bytes[at + 3] = static_cast<char>(lie & 0xFF);
        ExpectSafeRead(bytes, std::string(options) + " marker at " + std::to_string(at) +
                                  " length " + std::to_string(lie));
      }
    }
  }
}

// The SOF segment's offset in a cjpeg file.
size_t FrameOffset(const std::string& jpeg) {
  for (size_t at : MarkerOffsets(jpeg)) {
    const auto code = static_cast<uint8_t>(jpeg[at + 1]);
    if (at > 0 && (code == 0xC0 || code == 0xC1 || code == 0xC2)) return at;
  }
  return 0;
}

TEST(JpegHostile, HugeSizesWithLittleDataAreRefusedBeforeAllocating) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  for (const char* options : {"", "-progressive"}) {
    const std::string jpeg = Base(options);
    const size_t frame = FrameOffset(jpeg);
    ASSERT_GT(frame, 0u);
    struct Size {
      int Width, Height;
    };
    for (const Size& size : {Size{65000, 65000}, Size{65535, 65535}, Size{65535, 200},
                             Size{200, 65535}}) {
      std::string bytes = jpeg;
      // SOF: length (2), precision (1), height (2), width (2).
      bytes[frame + 5] = static_cast<char>(size.Height >> 8);
      bytes[frame + 6] = static_cast<char>(size.Height & 0xFF);
      bytes[frame + 7] = static_cast<char>(size.Width >> 8);
      bytes[frame + 8] = static_cast<char>(size.Width & 0xFF);
      TIOParamsVals params(nullptr);
      TPVBitmap bitmap;
      const test::ReadOutcome outcome = ReadBytes(bytes, bitmap, params);
      EXPECT_TRUE(outcome.Aborting) << options << " " << size.Width << " x " << size.Height;
      EXPECT_TRUE(bitmap.IsEmpty());
      // The parameters alone are still there to read, up to the codec's largest dimension.
      TIOParamsVals only(nullptr);
      const bool beyondCodec = size.Width > JPEG_MAX_DIMENSION || size.Height > JPEG_MAX_DIMENSION;
      EXPECT_EQ(ReadBytes(bytes, bitmap, only, true).Aborting, beyondCodec);
      if (!beyondCodec) {
        EXPECT_EQ(only.Width, size.Width);
        EXPECT_EQ(only.Height, size.Height);
      }
    }
  }
}

TEST(JpegHostile, TwoComponentsAbortBeforeAnyRow) {
  for (int components : {2}) {
    const test::LibjpegOutput file = test::EncodeWithLibjpeg(16, 8, components, JCS_UNKNOWN, false);
    for (bool native : {false, true}) {
      TIOParamsVals params(nullptr);
      params.NativePixelFormat = native;
      TPVBitmap bitmap;
      const test::ReadOutcome outcome = ReadBytes(file.Image, bitmap, params);
      EXPECT_TRUE(outcome.Aborting) << components;
      EXPECT_EQ(outcome.Rows, 0);
    }
  }
}

TEST(JpegHostile, TablesApartDecodeAsTheCompleteFile) {
  const test::LibjpegOutput apart = test::EncodeWithLibjpeg(33, 17, 3, JCS_RGB, true);
  const test::LibjpegOutput whole = test::EncodeWithLibjpeg(33, 17, 3, JCS_RGB, false);
  ASSERT_FALSE(apart.Tables.empty());
  TIOParamsVals wholeParams(nullptr);
  TPVBitmap expected;
  ASSERT_FALSE(ReadBytes(whole.Image, expected, wholeParams).Aborting);

  TPVMemStream image(apart.Image.data(), static_cast<int64_t>(apart.Image.size()));
  TPVMemStream tables(apart.Tables.data(), static_cast<int64_t>(apart.Tables.size()));
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  TIOParamsVals params(nullptr);
  TPVBitmap bitmap;
  EXPECT_EQ(ReadJPEGStream(&image, &tables, bitmap, params, progress, false, false, false, true,
                           false, false, -1, false),
            17);
  EXPECT_FALSE(aborting);
  EXPECT_TRUE(test::BitmapPixels(bitmap).Samples == test::BitmapPixels(expected).Samples);

  // Without its tables the abbreviated image is refused; broken tables are too.
  TIOParamsVals alone(nullptr);
  TPVBitmap nothing;
  EXPECT_TRUE(ReadBytes(apart.Image, nothing, alone).Aborting);
  const std::string broken = "\x12\x34" + apart.Tables;  // not a datastream's start
  TPVMemStream brokenTables(broken.data(), static_cast<int64_t>(broken.size()));
  image.SetPosition(0);
  aborting = false;
  ReadJPEGStream(&image, &brokenTables, bitmap, params, progress, false, false, false, true,
                 false, false, -1, false);
  EXPECT_TRUE(aborting);
}

// A bitmap whose pixels cannot be had.
class UnallocatableBitmap : public TPVBitmap {
 public:
  bool Allocate(int32_t, int32_t, TPVPixelFormat) override { return false; }
};

TEST(JpegHostile, AFailedAllocationAborts) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  const std::string jpeg = Base("");
  TIOParamsVals params(nullptr);
  UnallocatableBitmap bitmap;
  const test::ReadOutcome outcome = ReadBytes(jpeg, bitmap, params);
  EXPECT_TRUE(outcome.Aborting);
  EXPECT_EQ(outcome.Rows, 0);
}

TEST(JpegHostile, GarbageAfterTheStartNeverCrashes) {
  uint32_t seed = 7;
  for (int round = 0; round < 200; ++round) {
    std::string bytes = "\xFF\xD8\xFF";
    const int length = 1 + round * 3;
    for (int i = 0; i < length; ++i) {
      seed = seed * 1664525u + 1013904223u;
      bytes += static_cast<char>(seed >> 24);
    }
    ExpectSafeRead(bytes, "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace calmora
