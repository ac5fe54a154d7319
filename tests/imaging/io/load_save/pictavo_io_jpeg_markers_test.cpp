// The marker preparation of JPEG saves: the resolution written into the Photoshop resource,
// payloads cut short or lying left alone, and when IPTC, EXIF and XMP blocks replace markers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/metadata/marker_list.h"
#include "imaging/io/load_save/load_save_jpeg_markers.h"
#include "imaging/params/io_params.h"
#include "tests/support/scoped_override.h"

namespace calmora::test {
namespace {

using Bytes = std::vector<uint8_t>;

// "Photoshop 3.0", 0, then the resolution resource with a name of NameLength bytes and the
// given size field, 16 bytes of 0xAA and a tail.
Bytes ResolutionPayload(uint16_t NameLength, uint32_t Size) {
  Bytes payload;
  const std::string lead("Photoshop 3.0\0", 14);
  payload.insert(payload.end(), lead.begin(), lead.end());
  payload.insert(payload.end(), {'8', 'B', 'I', 'M', 0x03, 0xED});
  payload.push_back(static_cast<uint8_t>(NameLength >> 8));
  payload.push_back(static_cast<uint8_t>(NameLength));
  payload.insert(payload.end(), NameLength, 'n');
  for (int shift = 24; shift >= 0; shift -= 8)
    payload.push_back(static_cast<uint8_t>(Size >> shift));
  payload.insert(payload.end(), 16, 0xAA);
  payload.insert(payload.end(), {'t', 'a', 'i', 'l'});
  return payload;
}

Bytes MarkerBytes(const TPVMarkerList& markers, int32_t i) {
  const uint8_t* data = markers.GetMarkerData(i);
  return data == nullptr ? Bytes() : Bytes(data, data + markers.GetMarkerLength(i));
}

TEST(JPEGMarkers, TheResolutionResourceGetsExactlyItsSixteenBytes) {
  for (uint16_t nameLength : {0, 2, 5}) {
    SCOPED_TRACE(nameLength);
    TPVMarkerList markers;
    const Bytes original = ResolutionPayload(nameLength, 16);
    ASSERT_TRUE(markers.AddMarker(0xE1, "exif", 4));
    ASSERT_TRUE(markers.AddMarker(0xED, original.data(), static_cast<int64_t>(original.size())));
    ASSERT_TRUE(markers.AddMarker(0xED, original.data(), static_cast<int64_t>(original.size())));
    EXPECT_TRUE(UpdatePhotoshopResolution(markers, 300, 72));
    Bytes expected = original;
    const size_t info = 14 + 6 + 2 + nameLength + 4;
    const uint8_t fields[16] = {0x01, 0x2C, 0, 0, 0, 1, 0, 1, 0x00, 0x48, 0, 0, 0, 1, 0, 1};
    std::memcpy(expected.data() + info, fields, 16);
    EXPECT_EQ(MarkerBytes(markers, 1), expected);
    EXPECT_EQ(MarkerBytes(markers, 2), original);  // only the first APP13
    EXPECT_EQ(MarkerBytes(markers, 0), Bytes({'e', 'x', 'i', 'f'}));
  }
}

TEST(JPEGMarkers, ShortOrLyingResourcesLeaveTheMarkerAsItWas) {
  const Bytes whole = ResolutionPayload(3, 16);
  // Every cut that loses part of the name, the size or the 16 bytes.
  const size_t needed = 14 + 6 + 2 + 3 + 4 + 16;
  for (size_t cut = 0; cut < needed; ++cut) {
    TPVMarkerList markers;
    ASSERT_TRUE(markers.AddMarker(0xED, whole.data(), static_cast<int64_t>(cut)));
    EXPECT_FALSE(UpdatePhotoshopResolution(markers, 300, 300)) << cut;
    EXPECT_EQ(MarkerBytes(markers, 0),
              Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
  }
  struct Case {
    const char* name;
    Bytes payload;
  };
  for (const Case& c :
       {Case{"size below 16", ResolutionPayload(0, 15)}, Case{"no resource", Bytes(40, '8')}}) {
    SCOPED_TRACE(c.name);
    TPVMarkerList markers;
    ASSERT_TRUE(markers.AddMarker(0xED, c.payload.data(), static_cast<int64_t>(c.payload.size())));
    EXPECT_FALSE(UpdatePhotoshopResolution(markers, 300, 300));
    EXPECT_EQ(MarkerBytes(markers, 0), c.payload);
  }
  // A name length that claims more than the payload holds.
  Bytes lying = ResolutionPayload(0, 16);
  lying[14 + 6] = 0x7F;
  TPVMarkerList markers;
  ASSERT_TRUE(markers.AddMarker(0xED, lying.data(), static_cast<int64_t>(lying.size())));
  EXPECT_FALSE(UpdatePhotoshopResolution(markers, 300, 300));
  EXPECT_EQ(MarkerBytes(markers, 0), lying);
  TPVMarkerList none;
  EXPECT_FALSE(UpdatePhotoshopResolution(none, 300, 300));
}

bool FakeExifBuilder(const TIOParamsVals&, UniqueMallocBlock<uint8_t>& Buffer, int64_t& Length) {
  static const char kBlock[] = "Exif\0\0NEW";
  Buffer.reset(static_cast<uint8_t*>(std::malloc(sizeof kBlock)));
  std::memcpy(Buffer.get(), kBlock, sizeof kBlock);
  Length = sizeof kBlock;
  return true;
}

TEST(JPEGMarkers, IPTCExifAndXMPReplaceTheirMarkersWhenAskedFor) {
  ScopedOverride<TPVBuildExifBlockProc> builder(BuildExifBlockProc, FakeExifBuilder);
  struct Case {
    const char* name;
    bool startWithMarkers;  // an APP13 and an EXIF APP1 already there
    bool iptcDatasets;
    bool iptcChanged;
    bool exif;
    bool xmp;
    const char* expectedTypes;  // marker types after, as text: D = APP13, 1 = APP1
  };
  for (const Case& c : {
           Case{"nothing asked", true, false, false, false, false, "D1"},
           Case{"changed IPTC replaces APP13", true, true, true, false, false, "D1"},
           Case{"unchanged IPTC over markers stays", true, true, false, false, false, "D1"},
           Case{"IPTC into no markers is appended", false, true, false, false, false, "D"},
           Case{"emptied IPTC deletes APP13", true, false, true, false, false, "1"},
           Case{"EXIF replaces the EXIF APP1", true, false, false, true, false, "D1"},
           Case{"XMP is appended", true, false, false, false, true, "D11"},
           Case{"EXIF and XMP into nothing", false, false, false, true, true, "11"},
       }) {
    SCOPED_TRACE(c.name);
    TIOParamsVals params(nullptr);
    TPVMarkerList& markers = params.JPEG_Markers;
    if (c.startWithMarkers) {
      ASSERT_TRUE(markers.AddMarker(0xED, "old13", 5));
      const char exif[] = "Exif\0\0OLD";
      ASSERT_TRUE(markers.AddMarker(0xE1, exif, sizeof exif));
    }
    if (c.iptcDatasets) params.IPTC_Info.AddItem(2, 5, 3, "abc");
    params.IPTC_Info.UserChanged = c.iptcChanged;
    params.EXIF_HasEXIFData = c.exif;
    if (c.xmp) params.XMP_Info = "<x:xmpmeta/>";
    ASSERT_TRUE(PrepareJPEGMarkers(params));
    std::string types;
    for (int32_t i = 0; i < markers.GetCount(); ++i)
      types += markers.GetMarkerType(i) == 0xED ? 'D' : '1';
    EXPECT_EQ(types, c.expectedTypes);
    const int32_t app13 = markers.IndexOf(0xED);
    if (app13 >= 0) {
      const bool rewritten = c.iptcDatasets && (c.iptcChanged || !c.startWithMarkers);
      EXPECT_EQ(MarkerBytes(markers, app13) == Bytes({'o', 'l', 'd', '1', '3'}), !rewritten);
    }
    if (c.exif) {
      const Bytes last =
          MarkerBytes(markers, c.xmp ? markers.GetCount() - 2 : markers.GetCount() - 1);
      EXPECT_EQ(std::string(last.begin() + 6, last.begin() + 9), "NEW");
    }
  }
  // Without a builder, EXIF data cannot be written: the preparation fails.
  ScopedOverride<TPVBuildExifBlockProc> none(BuildExifBlockProc, nullptr);
  TIOParamsVals params(nullptr);
  params.EXIF_HasEXIFData = true;
  EXPECT_FALSE(PrepareJPEGMarkers(params));
}

}  // namespace
}  // namespace calmora::test
