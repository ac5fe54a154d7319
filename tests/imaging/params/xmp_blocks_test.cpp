// XMP APP1 payloads: read from a JPEG exiftool wrote, built and read back by exiftool, and the
// edge lengths around the 29-byte identifier.
#include "imaging/params/xmp_blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/imaging/params/params_test_support.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kIdentifier("http://ns.adobe.com/xap/1.0/\0", 29);

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Built(const TIOParamsVals& params) {
  UniqueMallocBlock<uint8_t> block;
  int64_t length = -1;
  EXPECT_TRUE(BuildXMPBlock(params, block, length));
  return block ? Bytes(block.get(), block.get() + length) : Bytes();
}

// What exiftool reports of a file's XMP, one "group:tag: value" line each, the file name left
// out.
std::string ExiftoolXMP(const std::string& path) {
  return test::RunTool("exiftool -G1 -s -XMP:all " + test::ShellQuoted(path), false).Output;
}

TEST(XMPBlockTest, ReadsThePacketExiftoolWrote) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  CALMORA_REQUIRE_TOOL("xmllint");
  const test::ScratchFolder folder("calmora-xmp");
  const std::string jpeg = test::JpegWithTags(
      folder, "tagged.jpg", "'-XMP-dc:Title=Harbour at dawn' '-XMP-dc:Creator=Ann Lee'");
  const Bytes payload = test::App1Starting(jpeg, kIdentifier);
  ASSERT_FALSE(payload.empty());

  TIOParamsVals params(nullptr);
  ASSERT_TRUE(ReadXMPBlock(payload.data(), int64_t(payload.size()), params));
  const std::string packet =
      test::RunTool("exiftool -b -XMP " + test::ShellQuoted(folder.File("tagged.jpg")), false)
          .Output;
  ASSERT_FALSE(packet.empty());
  EXPECT_EQ(params.XMP_Info, packet);
  const std::string packetPath = folder.File("packet.xml");
  ASSERT_TRUE(test::WriteFileBytes(packetPath, params.XMP_Info));
  EXPECT_EQ(test::RunTool("xmllint --noout " + test::ShellQuoted(packetPath)).Status, 0);
}

TEST(XMPBlockTest, ABuiltBlockReadsBackInExiftool) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  const test::ScratchFolder folder("calmora-xmp");
  const std::string tagged = test::JpegWithTags(
      folder, "tagged.jpg",
      "'-XMP-dc:Title=Harbour at dawn' '-XMP-dc:Subject=boats' '-XMP-xmp:Rating=4'");
  TIOParamsVals params(nullptr);
  const Bytes payload = test::App1Starting(tagged, kIdentifier);
  ASSERT_TRUE(ReadXMPBlock(payload.data(), int64_t(payload.size()), params));

  const std::string plainPath = folder.File("plain.jpg");
  ASSERT_EQ(test::RunTool("convert -size 16x8 xc:gray " + test::ShellQuoted(plainPath)).Status, 0);
  const Bytes block = Built(params);
  EXPECT_EQ(block.size(), 29 + params.XMP_Info.size());
  const std::string splicedPath = folder.File("spliced.jpg");
  ASSERT_TRUE(test::WriteFileBytes(splicedPath,
                                   test::WithSegment(test::ReadFileBytes(plainPath), 0xE1, block)));

  const std::string expected = ExiftoolXMP(folder.File("tagged.jpg"));
  EXPECT_NE(expected.find("Harbour at dawn"), std::string::npos);
  EXPECT_EQ(ExiftoolXMP(splicedPath), expected);
}

TEST(XMPBlockTest, LengthsAroundTheIdentifier) {
  TIOParamsVals params(nullptr);
  const Bytes empty = Built(params);
  EXPECT_EQ(empty, BytesOf(kIdentifier));

  // 29 bytes hold the identifier and no packet: refused, the record untouched.
  params.XMP_Info = "kept";
  EXPECT_FALSE(ReadXMPBlock(empty.data(), int64_t(empty.size()), params));
  EXPECT_EQ(params.XMP_Info, "kept");
  EXPECT_EQ(FindXMPPacket(empty.data(), int64_t(empty.size())), nullptr);

  const Bytes one = BytesOf(kIdentifier + "x");
  EXPECT_EQ(FindXMPPacket(one.data(), int64_t(one.size())), one.data() + 29);
  EXPECT_TRUE(ReadXMPBlock(one.data(), int64_t(one.size()), params));
  EXPECT_EQ(params.XMP_Info, "x");

  params.XMP_Info = "<x/>";
  const Bytes built = Built(params);
  EXPECT_EQ(built, BytesOf(kIdentifier + "<x/>"));
}

TEST(XMPBlockTest, PayloadsThatAreNoXMPGiveNoPacket) {
  struct Case {
    const char* name;
    std::string payload;
    const char* packet;  // null when none is found
  };
  const std::vector<Case> cases = {
      {"another APP1", std::string("Exif\0\0", 6) + std::string(40, 'a'), nullptr},
      {"the first 24 bytes differ", "http://ns.adobe.com/xmp/1.0/" + std::string(10, 'b'), nullptr},
      // The identifier's zero byte may be missing: the search stays within the payload.
      {"no zero byte at all", "http://ns.adobe.com/xap/1.0/ABCDEFG", nullptr},
      {"a later zero", "http://ns.adobe.com/xap/1.0/+ext" + std::string(1, '\0') + "<p/>", "<p/>"},
      {"zero as last byte", "http://ns.adobe.com/xap/1.0/-------" + std::string(1, '\0'), ""},
  };
  for (const Case& c : cases) {
    // A copy on the heap of exactly the payload's size, so a read past it is caught.
    Bytes payload = BytesOf(c.payload);
    const uint8_t* packet = FindXMPPacket(payload.data(), int64_t(payload.size()));
    TIOParamsVals params(nullptr);
    params.XMP_Info = "kept";
    const bool read = ReadXMPBlock(payload.data(), int64_t(payload.size()), params);
    if (c.packet == nullptr) {
      EXPECT_EQ(packet, nullptr) << c.name;
      EXPECT_FALSE(read) << c.name;
      EXPECT_EQ(params.XMP_Info, "kept") << c.name;
    } else {
      EXPECT_TRUE(read) << c.name;
      EXPECT_EQ(params.XMP_Info, c.packet) << c.name;
    }
  }
  EXPECT_EQ(FindXMPPacket(nullptr, 100), nullptr);
}

}  // namespace
}  // namespace calmora
