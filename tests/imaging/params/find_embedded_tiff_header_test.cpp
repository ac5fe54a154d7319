// FindEmbeddedTIFFHeader: an ImageMagick TIFF behind random bytes, headers that point past the
// end, exiftool's EXIF payload, and the stream position kept on every path.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/params/exif_blocks.h"
#include "tests/imaging/params/params_test_support.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

// Searches Bytes from Start; the stream must be where it was afterwards.
int64_t FindFrom(const Bytes& bytes, int64_t start) {
  TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
  stream.SetPosition(start);
  const int64_t found = FindEmbeddedTIFFHeader(&stream);
  EXPECT_EQ(stream.GetPosition(), start);
  return found;
}

// Random bytes that hold no "II" or "MM", so no header is found among them by chance.
Bytes RandomBytes(size_t count) {
  std::mt19937 random(7);
  Bytes bytes(count);
  for (uint8_t& byte : bytes) {
    do byte = uint8_t(random());
    while (byte == 'I' || byte == 'M');
  }
  return bytes;
}

TEST(FindEmbeddedTIFFHeaderTest, FindsAnImageMagickTIFFBehindRandomBytes) {
  CALMORA_REQUIRE_TOOL("convert");
  const test::ScratchFolder folder("calmora-tiff-header");
  const std::string path = folder.File("picture.tif");
  ASSERT_EQ(test::RunTool("convert -size 5x4 gradient:red-blue " + test::ShellQuoted(path)).Status,
            0);
  const std::string tiff = test::ReadFileBytes(path);
  ASSERT_GT(tiff.size(), 8u);
  Bytes bytes = RandomBytes(1000);
  bytes.insert(bytes.end(), tiff.begin(), tiff.end());
  EXPECT_EQ(FindFrom(bytes, 0), 1000);
  EXPECT_EQ(FindFrom(bytes, 400), 600);  // counted from the position
  EXPECT_EQ(FindFrom(bytes, 1001), -1);
}

TEST(FindEmbeddedTIFFHeaderTest, FindsTheTIFFInsideExiftoolsExifPayload) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  const test::ScratchFolder folder("calmora-tiff-header");
  const std::string jpeg = test::JpegWithTags(folder, "exif.jpg", "-EXIF:Artist=Someone");
  const Bytes payload = test::App1Starting(jpeg, std::string("Exif\0\0", 6));
  ASSERT_FALSE(payload.empty());
  EXPECT_EQ(FindFrom(payload, 0), 6);
}

TEST(FindEmbeddedTIFFHeaderTest, HeadersTable) {
  const auto withPrefix = [](const std::string& prefix, Bytes header, size_t padding) {
    Bytes bytes(prefix.begin(), prefix.end());
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.resize(bytes.size() + padding, 0);
    return bytes;
  };
  struct Case {
    const char* name;
    Bytes bytes;
    int64_t found;
  };
  const std::vector<Case> cases = {
      {"little-endian", withPrefix("ab", {'I', 'I', 42, 0, 8, 0, 0, 0}, 10), 2},
      {"big-endian", withPrefix("", {'M', 'M', 0, 42, 0, 0, 0, 8}, 10), 0},
      {"raw variant RO", withPrefix("x", {'I', 'I', 'R', 'O', 8, 0, 0, 0}, 0), 1},
      {"raw variant RS", withPrefix("x", {'I', 'I', 'R', 'S', 8, 0, 0, 0}, 0), 1},
      // The directory must lie inside the stream: one pointing past its end is skipped.
      {"MM pointing past the end, then II",
       withPrefix("", {'M', 'M', 0, 42, 0, 0, 0x10, 0, 'I', 'I', 42, 0, 4, 0, 0, 0}, 0), 8},
      {"directory at the stream's size", withPrefix("", {'I', 'I', 42, 0, 8, 0, 0, 0}, 0), -1},
      {"negative directory offset", withPrefix("", {'M', 'M', 0, 42, 0x80, 0, 0, 0}, 20), -1},
      {"wrong magic", withPrefix("", {'I', 'I', 43, 0, 8, 0, 0, 0}, 20), -1},
      {"mixed letters", withPrefix("", {'I', 'M', 42, 0, 8, 0, 0, 0}, 20), -1},
      {"a header cut short", withPrefix("", {'I', 'I', 42, 0, 1, 0, 0}, 0), -1},
      {"empty", {}, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindFrom(c.bytes, 0), c.found) << c.name;
}

TEST(FindEmbeddedTIFFHeaderTest, LooksOnlyThrough128KiB) {
  Bytes bytes = RandomBytes(0x20000 - 8);
  const Bytes header = {'I', 'I', 42, 0, 8, 0, 0, 0};
  bytes.insert(bytes.end(), header.begin(), header.end());
  bytes.resize(bytes.size() + 16, 0);
  EXPECT_EQ(FindFrom(bytes, 0), 0x20000 - 8);
  EXPECT_EQ(FindFrom(bytes, 1), 0x20000 - 9);
  Bytes later = RandomBytes(0x20000 - 7);
  later.insert(later.end(), header.begin(), header.end());
  later.resize(later.size() + 16, 0);
  EXPECT_EQ(FindFrom(later, 0), -1);
  EXPECT_EQ(FindEmbeddedTIFFHeader(nullptr), -1);
}

}  // namespace
}  // namespace calmora
