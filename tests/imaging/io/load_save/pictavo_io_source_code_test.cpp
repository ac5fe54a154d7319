// SaveAsSourceCode: the Pascal and C-style texts against literal expectations, base64 against
// the system's base64 tool, the character picture, and failed encodings that leave no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/core/bitmap/bitmap_pixels.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {
namespace {

std::vector<uint8_t> Encoded;  // what the fake BMP writer writes

void FakeBMPWriter(TStream& Stream, TPVBitmap&, TIOParamsVals&, TPVProgressRecord&,
                   const TPVMask*) {
  if (!Encoded.empty()) Stream.WriteBuffer(Encoded.data(), static_cast<int32_t>(Encoded.size()));
}

std::string FileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SourceCode : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(io_.GetWorkBitmap()->Allocate(2, 1, pv24RGB));
    std::filesystem::current_path(folder_.Path());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  std::filesystem::path previous_ = std::filesystem::current_path();
  ScratchFolder folder_{"calmora-source"};
  ScopedOverride<TPVCodecEntry> codec_{CodecTable[kFormatBMP], {nullptr, FakeBMPWriter}};
  TPictavoIO io_{nullptr};
};

TEST_F(SourceCode, PascalAndCStyleTextsForThreeBytes) {
  Encoded = {0x01, 0xAB, 0xFF};
  io_.SaveAsSourceCode(u"pic.bin", kFormatBMP, 0);
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(FileText("pic.bin"),
            "const\n"
            "  pic_bin_Size = 3;\n"
            "  pic_bin : array [0..pic_bin_Size-1] of byte = (\n"
            "    $01,$AB,$FF);\n");
  EXPECT_EQ(io_.Params->FileName, u"pic.bin");
  io_.SaveAsSourceCode(u"pic.h", kFormatBMP, 1);
  EXPECT_EQ(FileText("pic.h"), "\\\\ Size=3\n0x01,0xAB,0xFF\n");
}

TEST_F(SourceCode, LongEncodingsBreakLinesPastSeventyCharacters) {
  Encoded.assign(20, 0x5A);
  io_.SaveAsSourceCode(u"a.b.c", kFormatBMP, 0);
  std::string first, last;
  for (int i = 0; i < 18; ++i) first += "$5A,";  // 72 characters: past 70
  last = "$5A,$5A);";
  EXPECT_EQ(FileText("a.b.c"),
            "const\n  a_b.c_Size = 20;\n  a_b.c : array [0..a_b.c_Size-1] of "
            "byte = (\n    " +
                first + "\n    " + last + "\n");
  io_.SaveAsSourceCode(u"list.txt", kFormatBMP, 1);
  std::string items;
  for (int i = 0; i < 15; ++i) items += "0x5A,";  // 75 characters
  EXPECT_EQ(FileText("list.txt"), "\\\\ Size=20\n" + items + "\n0x5A,0x5A,0x5A,0x5A,0x5A\n");
}

TEST_F(SourceCode, Base64IsWhatTheSystemToolWrites) {
  CALMORA_REQUIRE_TOOL("base64");
  for (size_t size : {1u, 2u, 3u, 56u, 57u, 58u, 1000u}) {
    Encoded.resize(size);
    for (size_t i = 0; i < size; ++i) Encoded[i] = static_cast<uint8_t>(i * 37 + 11);
    std::ofstream("raw.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(Encoded.data()), static_cast<std::streamsize>(size));
    io_.SaveAsSourceCode(u"b64.txt", kFormatBMP, 2);
    const ToolResult tool = RunTool("base64 -w 76 raw.bin", false);
    EXPECT_EQ(FileText("b64.txt"), tool.Output) << size;
  }
}

TEST_F(SourceCode, TheCharacterPictureGoesFromDarkToLight) {
  TPVBitmap& image = *io_.GetWorkBitmap();
  image.SetPixel24(0, 0, TPVRGB{255, 255, 255});
  image.SetPixel24(1, 0, TPVRGB{0, 0, 0});
  io_.SaveAsSourceCode(u"art.txt", kFormatBMP, 3);
  EXPECT_FALSE(io_.Aborting);
  EXPECT_EQ(FileText("art.txt"), " W\n");
  // Only a pv24RGB picture can be drawn.
  ASSERT_TRUE(image.Allocate(2, 1, pv8g));
  io_.SaveAsSourceCode(u"grey.txt", kFormatBMP, 3);
  EXPECT_TRUE(io_.Aborting);
  EXPECT_FALSE(std::filesystem::exists("grey.txt"));
}

TEST_F(SourceCode, FailedOrEmptyEncodingsWriteNoFile) {
  Encoded.clear();
  io_.SaveAsSourceCode(u"empty.txt", kFormatBMP, 0);
  EXPECT_TRUE(io_.Aborting);
  EXPECT_FALSE(std::filesystem::exists("empty.txt"));
  Encoded = {1, 2, 3};
  io_.SaveAsSourceCode(u"nowriter.txt", kFormatCUR, 1);
  EXPECT_TRUE(io_.Aborting);
  EXPECT_FALSE(std::filesystem::exists("nowriter.txt"));
  io_.SaveAsSourceCode(u"kind.txt", kFormatBMP, 4);
  EXPECT_TRUE(io_.Aborting);
  EXPECT_FALSE(std::filesystem::exists("kind.txt"));
}

}  // namespace
}  // namespace calmora::test
