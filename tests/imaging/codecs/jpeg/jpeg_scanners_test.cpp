// The two stream scanners: the length of a datastream up to its end-of-image marker (an EXIF
// thumbnail's EOI inside APP1 does not count), and the ICC profile joined from APP2 chunks in
// any order, short and mislabelled chunks passed over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/params/io_params.h"
#include "tests/imaging/codecs/jpeg/jpeg_test_support.h"

namespace calmora {
namespace {

std::string Segment(uint8_t type, const std::string& payload) {
  const size_t length = payload.size() + 2;
  return std::string("\xFF") + static_cast<char>(type) + static_cast<char>(length >> 8) +
         static_cast<char>(length & 0xFF) + payload;
}

std::string IccChunk(uint8_t sequence, uint8_t count, const std::string& data) {
  return Segment(0xE2, std::string("ICC_PROFILE\0", 12) + static_cast<char>(sequence) +
                           static_cast<char>(count) + data);
}

int64_t LengthFrom(const std::string& bytes, int64_t start) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(start);
  const int64_t length = GetJPEGStreamLength(&stream);
  EXPECT_EQ(stream.GetPosition(), start);
  return length;
}

TEST(GetJPEGStreamLength, SkipsSegmentsAndStopsAfterTheFirstEOI) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  const std::string thumb = test::Cjpeg(folder, test::TestPicture(8, 8), "");
  test::WriteFileBytes(folder.File("thumb.jpg"), thumb);
  const std::string path = folder.File("main.jpg");
  test::WriteFileBytes(path, test::Cjpeg(folder, test::TestPicture(64, 48), "-progressive"));
  ASSERT_EQ(test::RunTool("exiftool -q -overwrite_original '-ThumbnailImage<=" +
                          folder.File("thumb.jpg") + "' " + test::ShellQuoted(path))
                .Status,
            0);
  const std::string jpeg = test::ReadFileBytes(path);
  ASSERT_NE(jpeg.find(thumb.substr(0, 100)), std::string::npos);  // the thumbnail is in APP1
  const int64_t size = static_cast<int64_t>(jpeg.size());
  EXPECT_EQ(LengthFrom(jpeg + "junk\xFF\xD9 more", 0), size);
  EXPECT_EQ(LengthFrom("prefix" + jpeg + "junk", 6), size);
  // No EOI: everything to the end; a lying length past the end: the same.
  EXPECT_EQ(LengthFrom(jpeg.substr(0, jpeg.size() - 2), 0), size - 2);
  EXPECT_EQ(LengthFrom("\xFF\xD8\xFF\xE1\xFF\xFFshort", 0), 11);
  EXPECT_EQ(LengthFrom("", 0), 0);
  // Fill bytes before a marker, and stand-alone markers, are passed over.
  EXPECT_EQ(LengthFrom(std::string("\xFF\xD8\xFF\xD0\x00\xFF\xFF\xD9tail", 10), 0), 8);
}

std::string LoadedProfile(const std::string& bytes) {
  TPVMemStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIOParamsVals params(nullptr);
  ReadJPEGICCProfile(&stream, params);
  EXPECT_EQ(stream.GetPosition(), 0);
  if (!params.InputICCProfile || !params.InputICCProfile->RawProfile) return {};
  return std::string(reinterpret_cast<const char*>(params.InputICCProfile->RawProfile.get()),
                     static_cast<size_t>(params.InputICCProfile->RawSize));
}

TEST(ReadJPEGICCProfile, JoinsChunksBySequence) {
  const std::string soi = "\xFF\xD8";
  const std::string frame = Segment(0xC0, std::string(15, '\1'));
  struct Case {
    std::string Name;
    std::string Segments;
    std::string Profile;
  };
  const std::vector<Case> cases = {
      {"in order", IccChunk(1, 3, "AAA") + IccChunk(2, 3, "BB") + IccChunk(3, 3, "C"), "AAABBC"},
      {"shuffled", IccChunk(3, 3, "C") + IccChunk(1, 3, "AAA") + IccChunk(2, 3, "BB"), "AAABBC"},
      {"sequence 0 last", IccChunk(0, 2, "Z") + IccChunk(1, 2, "A"), "AZ"},
      {"short chunk passed over",
       Segment(0xE2, std::string("ICC_PROFILE\0\1", 13)) + IccChunk(1, 1, "ok"), "ok"},
      {"no zero byte", Segment(0xE2, "ICC_PROFILE_x\1\1data") + IccChunk(1, 1, "ok"), "ok"},
      {"other APP2", Segment(0xE2, std::string("FPXR\0\1\1xx", 9)) + IccChunk(1, 1, "ok"), "ok"},
      {"empty chunk", IccChunk(1, 1, ""), ""},
      {"a missing chunk leaves a gap", IccChunk(1, 3, "A") + IccChunk(3, 3, "C"), "AC"},
      {"other segments between", IccChunk(1, 2, "A") + Segment(0xE1, "Exif") +
                                     Segment(0xFE, "c") + IccChunk(2, 2, "B"), "AB"},
      {"stops at the frame", IccChunk(1, 2, "A") + frame + IccChunk(2, 2, "B"), "A"},
      {"stops at the count", IccChunk(1, 1, "A") + IccChunk(2, 2, "B"), "A"},
      {"cut inside a chunk", IccChunk(1, 2, "A") + IccChunk(2, 2, "BBBB").substr(0, 10), "A"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadedProfile(soi + c.Segments), c.Profile) << c.Name;
}

TEST(ReadJPEGICCProfile, ReadsTheProfileExiftoolEmbeds) {
  CALMORA_REQUIRE_TOOL("cjpeg");
  CALMORA_REQUIRE_TOOL("exiftool");
  test::ScratchFolder folder;
  // A profile of 100 KB spans two chunks.
  // A real profile grown to 100 KB (its size field says so), so it spans two chunks.
  std::string profile = test::ReadFileBytes("/usr/share/color/icc/ghostscript/srgb.icc");
  ASSERT_FALSE(profile.empty());
  profile.resize(100000, '\0');
  profile[0] = 0;
  profile[1] = 0x01;
  profile[2] = static_cast<char>(0x86);
  profile[3] = static_cast<char>(0xA0);
  test::WriteFileBytes(folder.File("big.icc"), profile);
  const std::string path = folder.File("icc.jpg");
  test::WriteFileBytes(path, test::Cjpeg(folder, test::TestPicture(16, 16), ""));
  ASSERT_EQ(test::RunTool("exiftool -q -overwrite_original '-ICC_Profile<=" +
                          folder.File("big.icc") + "' " + test::ShellQuoted(path))
                .Status,
            0);
  const std::string jpeg = test::ReadFileBytes(path);
  const std::string expected =
      test::RunTool("exiftool -b -ICC_Profile " + test::ShellQuoted(path), false).Output;
  ASSERT_EQ(expected.size(), profile.size());
  EXPECT_TRUE(LoadedProfile(jpeg) == expected);
}

}  // namespace
}  // namespace calmora
