// TPVMarkerList: payload copies and the segment size limit, the write order (ICC chunks by
// sequence, the EXIF APP1 first among the APP1 markers) against the chunks exiftool writes for
// a profile over 64 KiB, and deep copies.
#include "imaging/core/metadata/marker_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/zlib/zlib_codec.h"
#include "imaging/base/malloc_block.h"
#include "imaging/core/data/cmyk_profile_data.h"
#include "tests/imaging/core/metadata/jpeg_segments.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kApp0 = 0xE0, kApp1 = 0xE1, kApp2 = 0xE2, kCom = 0xFE;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool StartsWith(const Bytes& bytes, const std::string& text) {
  return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
}

// An ICC chunk: "ICC_PROFILE", its zero, the sequence number and the chunk count, then data.
Bytes IccChunk(uint8_t sequence, uint8_t count, const std::string& data) {
  Bytes chunk = Text("ICC_PROFILE");
  chunk.push_back(0);
  chunk.push_back(sequence);
  chunk.push_back(count);
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

Bytes ExifPayload() {
  Bytes exif = Text("Exif");
  exif.insert(exif.end(), {0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0});
  return exif;
}

Bytes XmpPayload() {
  Bytes xmp = Text("http://ns.adobe.com/xap/1.0/");
  xmp.push_back(0);
  const Bytes packet = Text("<x:xmpmeta/>");
  xmp.insert(xmp.end(), packet.begin(), packet.end());
  return xmp;
}

void Add(TPVMarkerList& list, uint8_t type, const Bytes& payload) {
  ASSERT_TRUE(list.AddMarker(type, payload.data(), int64_t(payload.size())));
}

Bytes Payload(const TPVMarkerList& list, int32_t i) {
  const uint8_t* data = list.GetMarkerData(i);
  return data ? Bytes(data, data + list.GetMarkerLength(i)) : Bytes();
}

TEST(MarkerList, KeepsCopiesOfWhatIsAdded) {
  TPVMarkerList list;
  Bytes payload = Text("comment");
  Add(list, kCom, payload);
  Add(list, kApp0, Text("JFIF"));
  payload[0] = 'X';  // the list holds its own bytes
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(Payload(list, 0), Text("comment"));
  EXPECT_EQ(list.GetMarkerType(1), kApp0);
  EXPECT_EQ(list.GetMarkerLength(1), 4);
  EXPECT_EQ(list.IndexOf(kApp0), 1);
  EXPECT_EQ(list.IndexOf(kApp1), -1);

  ASSERT_TRUE(list.SetMarker(0, kApp1, payload.data(), 3));
  EXPECT_EQ(list.GetMarkerType(0), kApp1);
  EXPECT_EQ(Payload(list, 0), Text("Xom"));
  ASSERT_TRUE(list.AddMarker(kCom, nullptr, 0));  // an empty comment is a segment too
  EXPECT_EQ(list.GetMarkerLength(2), 0);
  list.DeleteMarker(0);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetMarkerType(0), kApp0);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(MarkerList, RefusesWhatNoJpegSegmentCanCarry) {
  const Bytes big(70000, 0x5A);
  TPVMarkerList list;
  EXPECT_TRUE(list.AddMarker(kApp1, big.data(), 65533));
  EXPECT_EQ(list.GetMarkerLength(0), 65533);
  // A 16-bit length would have kept 65,534 - 65,536 = -2 or the low bits of larger sizes.
  for (const int64_t length : {int64_t{65534}, int64_t{65536}, int64_t{65536 + 10}, int64_t{-1}}) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(list.AddMarker(kApp1, big.data(), length));
    EXPECT_FALSE(list.SetMarker(0, kApp2, big.data(), length));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetMarkerType(0), kApp1);
    EXPECT_EQ(list.GetMarkerLength(0), 65533);
  }
  EXPECT_FALSE(list.AddMarker(kApp1, nullptr, 5));
  EXPECT_EQ(list.GetCount(), 1);
}

TEST(MarkerList, ComparesIccChunksBySequenceAndOthersByType) {
  Bytes cutChunk = IccChunk(7, 9, "");
  cutChunk.pop_back();  // 13 bytes: no room for the chunk count
  TPVMarkerList list;
  Add(list, kApp2, IccChunk(2, 3, "a"));        // 0
  Add(list, kApp2, IccChunk(9, 9, "b"));        // 1
  Add(list, kApp2, IccChunk(5, 9, ""));         // 2: 14 bytes, still a chunk
  Add(list, kApp2, cutChunk);                   // 3
  Add(list, kApp1, IccChunk(1, 3, "c"));        // 4: not APP2
  Add(list, kApp2, Text("ICC_PROFILEX\x04\x04"));  // 5: no zero after the name
  EXPECT_EQ(list.CompareMarkers(0, 1), 2 - 9);
  EXPECT_EQ(list.CompareMarkers(1, 2), 9 - 5);
  EXPECT_EQ(list.CompareMarkers(0, 3), 0);  // too short: by type
  EXPECT_EQ(list.CompareMarkers(0, 4), kApp2 - kApp1);
  EXPECT_EQ(list.CompareMarkers(5, 0), 0);
  EXPECT_EQ(list.CompareMarkers(4, 0), kApp1 - kApp2);
}

TEST(MarkerList, SortsIccChunksInSequenceAndPutsExifFirstAmongApp1) {
  TPVMarkerList list;
  Add(list, kCom, Text("note"));
  Add(list, kApp2, IccChunk(3, 3, "third"));
  Add(list, kApp1, XmpPayload());
  Add(list, kApp2, IccChunk(1, 3, "first"));
  Add(list, kApp0, Text("JFIF"));
  Add(list, kApp1, ExifPayload());
  Add(list, kApp2, IccChunk(2, 3, "second"));
  list.SortMarkers();

  const std::vector<uint8_t> types = {kApp0, kApp1, kApp1, kApp2, kApp2, kApp2, kCom};
  EXPECT_EQ(list.Types, types);
  EXPECT_EQ(Payload(list, 1), ExifPayload());
  EXPECT_EQ(Payload(list, 2), XmpPayload());
  EXPECT_EQ(Payload(list, 3), IccChunk(1, 3, "first"));
  EXPECT_EQ(Payload(list, 4), IccChunk(2, 3, "second"));
  EXPECT_EQ(Payload(list, 5), IccChunk(3, 3, "third"));
}

TEST(MarkerList, AssignCopiesEveryMarkerDeeply) {
  TPVMarkerList copy;
  Add(copy, kCom, Text("replaced"));
  {
    auto source = std::make_unique<TPVMarkerList>();
    Add(*source, kApp1, ExifPayload());
    Add(*source, kCom, Text("kept"));
    copy.Assign(source.get());
  }  // the copy outlives its source
  ASSERT_EQ(copy.GetCount(), 2);
  EXPECT_EQ(Payload(copy, 0), ExifPayload());
  EXPECT_EQ(Payload(copy, 1), Text("kept"));
  copy.Assign(nullptr);
  copy.Assign(&copy);
  EXPECT_EQ(copy.GetCount(), 2);
}

Bytes InflatedCmykProfile() {
  void* block = nullptr;
  int32_t size = 0;
  DecompressBuffer(BuiltInCMYKProfileData, BuiltInCMYKProfileDataSize, block, size,
                   BuiltInCMYKProfileSize);
  const UniqueMallocBlock<uint8_t> owner(static_cast<uint8_t*>(block));
  return Bytes(owner.get(), owner.get() + size);
}

TEST(MarkerList, SortedExiftoolChunksOfALargeProfileJoinToTheProfile) {
  CALMORA_REQUIRE_TOOL("exiftool");
  CALMORA_REQUIRE_TOOL("convert");
  test::ScratchFolder folder("calmora-markers");
  const Bytes profile = InflatedCmykProfile();
  ASSERT_GT(profile.size(), 65536u);
  ASSERT_TRUE(test::WriteFileBytes(folder.File("p.icc"), std::string(profile.begin(), profile.end())));
  const std::string jpeg = folder.File("a.jpg");
  ASSERT_EQ(test::RunTool("convert -size 16x16 xc:gray " + test::ShellQuoted(jpeg)).Status, 0);
  const test::ToolResult written =
      test::RunTool("exiftool -q -overwrite_original -Make=Calmora -XMP-dc:Title=Dawn " +
                    test::ShellQuoted("-ICC_Profile<=" + folder.File("p.icc")) + " " +
                    test::ShellQuoted(jpeg));
  ASSERT_EQ(written.Status, 0) << written.Output;
  const auto segments = test::ReadJpegSegments(test::ReadFileBytes(jpeg));
  const auto chunks = test::PayloadsOfType(segments, kApp2);
  ASSERT_GE(chunks.size(), 2u);
  const auto app1 = test::PayloadsOfType(segments, kApp1);
  ASSERT_EQ(app1.size(), 2u);

  // Every marker of the file in several shuffled orders, the XMP APP1 always ahead of the
  // EXIF one.
  std::vector<test::JpegSegment> markers;
  for (const auto& segment : segments)
    if (segment.Type >= kApp0 && segment.Type <= kCom) markers.push_back(segment);
  const auto isExif = [](const test::JpegSegment& s) {
    return s.Type == kApp1 && StartsWith(s.Payload, "Exif");
  };
  const auto isXmp = [](const test::JpegSegment& s) {
    return s.Type == kApp1 && StartsWith(s.Payload, "http://ns.adobe.com/xap/1.0/");
  };
  std::mt19937 random(17);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::shuffle(markers.begin(), markers.end(), random);
    const auto exif = std::find_if(markers.begin(), markers.end(), isExif);
    const auto xmp = std::find_if(markers.begin(), markers.end(), isXmp);
    ASSERT_TRUE(exif != markers.end() && xmp != markers.end());
    if (exif < xmp) std::iter_swap(exif, xmp);
    TPVMarkerList list;
    for (const auto& marker : markers) Add(list, marker.Type, marker.Payload);
    list.SortMarkers();

    Bytes joined;
    int32_t app1Seen = 0;
    for (int32_t i = 0; i < list.GetCount(); ++i) {
      if (i > 0) {
        EXPECT_LE(list.GetMarkerType(i - 1), list.GetMarkerType(i));
      }
      if (list.GetMarkerType(i) == kApp1 && app1Seen++ == 0) {
        EXPECT_TRUE(StartsWith(Payload(list, i), "Exif"));
      }
      if (list.GetMarkerType(i) != kApp2) continue;
      const Bytes chunk = Payload(list, i);
      joined.insert(joined.end(), chunk.begin() + 14, chunk.end());
    }
    EXPECT_EQ(app1Seen, 2);
    EXPECT_TRUE(joined == profile);
  }
}

}  // namespace
}  // namespace calmora
