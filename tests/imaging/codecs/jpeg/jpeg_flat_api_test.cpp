// The flat decompression API decodes as djpeg does, and a corrupt header reaches the caller
// as EPVJpegException with the message table's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_glue.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"

namespace calmora {
namespace {

// Every row through the flat API; the pixels in the decoder's default output order.
std::vector<uint8_t> FlatDecode(const std::string& jpeg, int32_t& width, int32_t& height) {
  TPVMemStream stream(jpeg.data(), static_cast<int64_t>(jpeg.size()));
  jpeg_decompress_struct* info = JPEGAllocDecompress();
  JPEGErrorManager* errors = JPEGCreateErrorManager(info);
  std::vector<uint8_t> pixels;
  try {
    JPEGCreateDecompress(info);
    JPEGSetStreamSource(info, &stream);
    EXPECT_EQ(JPEGReadHeader(info, true), JPEG_HEADER_OK);
    EXPECT_TRUE(JPEGStartDecompress(info));
    width = JPEGGetOutputWidth(info);
    height = JPEGGetOutputHeight(info);
    const int32_t components = JPEGGetOutputComponents(info);
    uint8_t** row = JPEGAllocSampleArray(info, JPOOL_IMAGE, width * components, 1);
    while (JPEGGetOutputScanline(info) < height) {
      if (JPEGReadScanlines(info, row, 1) != 1) break;
      pixels.insert(pixels.end(), row[0], row[0] + width * components);
    }
    JPEGFinishDecompress(info);
  } catch (...) {
    JPEGDestroyDecompress(info);
    JPEGFreeDecompress(info);
    JPEGFreeErrorManager(errors);
    throw;
  }
  JPEGDestroyDecompress(info);
  JPEGFreeDecompress(info);
  JPEGFreeErrorManager(errors);
  return pixels;
}

TEST(JpegFlatApi, DecodesAsDjpeg) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("djpeg");
  test::ScratchFolder folder;
  for (const char* options : {"", "-progressive", "-grayscale"}) {
    const std::string jpeg = test::Cjpeg(folder, test::TestPicture(37, 21), options);
    int32_t width = 0;
    int32_t height = 0;
    const std::vector<uint8_t> pixels = FlatDecode(jpeg, width, height);
    const test::PnmPixels expected = test::Djpeg(folder, jpeg, "");
    EXPECT_EQ(width, expected.Width);
    EXPECT_EQ(height, expected.Height);
    EXPECT_TRUE(pixels == expected.Samples) << options;
  }
}

TEST(JpegFlatApi, ACorruptHeaderRaisesTheTablesText) {
  struct Case {
    std::string Bytes;
    std::string Text;
  };
  for (const Case& c : {Case{"not a jpeg", JPEGMessageText(JERR_NO_SOI)},
                        Case{std::string("\xFF\xD8\xFF\xC0\x00\x0B\x08\x00\x00\x00\x10\x01\x01\x11\x00",
                                         15) + "\xFF\xD9",
                             JPEGMessageText(JERR_EMPTY_IMAGE)}}) {
    int32_t width = 0;
    int32_t height = 0;
    try {
      FlatDecode(c.Bytes, width, height);
      ADD_FAILURE() << "no exception";
    } catch (const EPVJpegException& e) {
      EXPECT_EQ(std::string(e.what()), c.Text);
    }
  }
  EXPECT_EQ(JPEGMessageText(JERR_NO_SOI), "Not a JPEG file: starts with 0x? 0x?");
}

}  // namespace
}  // namespace calmora
