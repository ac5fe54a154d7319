// The processing component's geometric operations against reference tools on generated
// images: crops against pamcut, canvas resizes against ImageMagick's extent, right-angle
// rotations (both paths, alpha alike) against pamflip; in memory and in the temporary file.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "imaging/proc/component/pictavo_proc.h"
#include "tests/imaging/proc/component/pictavo_proc_test_support.h"

namespace calmora::test {
namespace {

class PictavoProcReference : public ::testing::TestWithParam<Storage> {
 protected:
  TempFolderScope temp_;
  ScratchFolder folder_;
  std::mt19937 random_{1609};
};

// The reference tool's result for the bitmap: command with {in} and {out} as the last words.
void RunReference(const std::string& command, TPVBitmap& input, TPVBitmap& output,
                  const ScratchFolder& folder, bool withAlpha = true) {
  const std::string in = folder.File("in.pam"), out = folder.File("out.pam");
  ASSERT_TRUE(SavePNM(input, in, withAlpha));
  const ToolResult result = RunTool(command + " " + ShellQuoted(in) + " > " + ShellQuoted(out));
  ASSERT_EQ(result.Status, 0) << command << ": " << result.Output;
  std::string error;
  ASSERT_TRUE(LoadPNM(out, output, &error)) << error;
}

TEST_P(PictavoProcReference, CropAgreesWithPamcut) {
  CALMORA_REQUIRE_TOOL("pamcut");
  const struct {
    int32_t x1, y1, x2, y2;            // as given to Crop, inclusive
    int32_t left, top, width, height;  // the part of the image that is kept
  } cases[] = {
      {1, 2, 9, 7, 1, 2, 9, 6},   {0, 0, 16, 0, 0, 0, 17, 1},     {5, 3, 40, 40, 5, 3, 12, 8},
      {-3, -2, 4, 4, 0, 0, 5, 5}, {16, 10, 16, 10, 16, 10, 1, 1}, {-9, 4, 99, 4, 0, 4, 17, 1},
  };
  for (const TPVPixelFormat format : {pv24RGB, pv8g, pv1g}) {
    const Picture source = RandomPicture(random_, 17, 11, format);
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(format) + ": " + std::to_string(c.x1) + "," +
                   std::to_string(c.y1) + "," + std::to_string(c.x2) + "," + std::to_string(c.y2));
      TPVBitmap image, expected;
      PutPicture(image, GetParam(), source, format);
      if (format == pv24RGB) PutRandomAlpha(image, random_);
      RunReference("pamcut -left " + std::to_string(c.left) + " -top " + std::to_string(c.top) +
                       " -width " + std::to_string(c.width) + " -height " +
                       std::to_string(c.height),
                   image, expected, folder_);
      TPictavoProc proc(nullptr);
      proc.AttachBitmap(&image);
      proc.Crop(c.x1, c.y1, c.x2, c.y2);
      ASSERT_EQ(image.GetPixelFormat(), format);
      EXPECT_EQ(ReadPicture(image), ReadPicture(expected))
          << FirstDifference(ReadPicture(image), ReadPicture(expected));
      EXPECT_EQ(ReadAlphaPicture(image), ReadAlphaPicture(expected));
    }
  }
}

TEST_P(PictavoProcReference, ImageResizeAgreesWithImageMagickExtent) {
  CALMORA_REQUIRE_TOOL("convert");
  const char* gravities[3][3] = {{"NorthWest", "North", "NorthEast"},
                                 {"West", "Center", "East"},
                                 {"SouthWest", "South", "SouthEast"}};
  const Picture source = RandomPicture(random_, 12, 9, pv24RGB);
  // Even differences, so a centred image has one place only.
  const struct { int32_t width, height; } sizes[] = {{18, 15}, {8, 13}, {16, 5}};
  for (uint8_t vertical = 0; vertical < 3; ++vertical) {
    for (uint8_t horizontal = 0; horizontal < 3; ++horizontal) {
      for (const auto& size : sizes) {
        SCOPED_TRACE(std::string(gravities[vertical][horizontal]) + " " +
                     std::to_string(size.width) + "x" + std::to_string(size.height));
        TPVBitmap image, expected;
        PutPicture(image, GetParam(), source, pv24RGB);
        const std::string extent = std::to_string(size.width) + "x" + std::to_string(size.height);
        RunReference(std::string("sh -c 'convert \"$0\" -background \"rgb(200,40,7)\" -gravity ") +
                         gravities[vertical][horizontal] + " -extent " + extent + " ppm:-'",
                     image, expected, folder_, false);
        TPictavoProc proc(nullptr);
        proc.AttachBitmap(&image);
        proc.SetBackground(200 | 40 << 8 | 7 << 16);
        proc.ImageResize(size.width, size.height, horizontal, vertical, 255);
        EXPECT_EQ(ReadPicture(image), ReadPicture(expected))
            << FirstDifference(ReadPicture(image), ReadPicture(expected));
      }
    }
  }
}

TEST_P(PictavoProcReference, RightAngleRotationsAgreeWithPamflipOnBothPaths) {
  CALMORA_REQUIRE_TOOL("pamflip");
  const struct {
    double angle;
    const char* pamflip;  // -ccw turns counter-clockwise, as our positive angles do
  } turns[] = {{90, "-ccw"}, {180, "-r180"}, {270, "-cw"}, {-90, "-cw"}};
  const struct {
    bool antiAlias;
    uint8_t mode;
  } paths[] = {{false, 0}, {true, 0}, {true, 1}};  // bounding box; shears; shears (whole angle)
  for (const TPVPixelFormat format : {pv24RGB, pv1g, pv8g}) {
    const Picture source = RandomPicture(random_, 13, 6, format);
    for (const auto& turn : turns) {
      for (const auto& path : paths) {
        SCOPED_TRACE(std::to_string(format) + " " + std::to_string(turn.angle) + " path " +
                     std::to_string(path.antiAlias) + std::to_string(path.mode));
        TPVBitmap image, expected;
        PutPicture(image, GetParam(), source, format);
        if (format != pv1g) PutRandomAlpha(image, random_);
        RunReference(std::string("pamflip ") + turn.pamflip, image, expected, folder_);
        TPictavoProc proc(nullptr);
        proc.AttachBitmap(&image);
        proc.Rotate(turn.angle, path.antiAlias, path.mode, 0x808080);
        EXPECT_EQ(ReadPicture(image), ReadPicture(expected))
            << FirstDifference(ReadPicture(image), ReadPicture(expected));
        EXPECT_EQ(ReadAlphaPicture(image), ReadAlphaPicture(expected));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Storages, PictavoProcReference, ::testing::ValuesIn(kStorages),
                         StorageCaseName);

}  // namespace
}  // namespace calmora::test
