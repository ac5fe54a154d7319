// The marker preparation of JPEG saves: the Photoshop resolution resource and the IPTC, EXIF
// and XMP blocks, each checked against the payload it works in.
#include "imaging/io/load_save/load_save_jpeg_markers.h"

#include <cstring>
#include <vector>

#include "imaging/core/metadata/is_exif_block.h"
#include "imaging/core/metadata/marker_list.h"
#include "imaging/params/io_params.h"
#include "imaging/params/xmp_blocks.h"

namespace calmora {

TPVBuildExifBlockProc BuildExifBlockProc = nullptr;

namespace {

constexpr uint8_t kAPP1 = 0xE1;
constexpr uint8_t kAPP13 = 0xED;
constexpr uint8_t kResolutionResource[6] = {'8', 'B', 'I', 'M', 0x03, 0xED};
constexpr int64_t kResolutionInfoSize = 16;

void PutBigEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
}

uint32_t GetBigEndian(const uint8_t* at, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | at[i];
  return value;
}

// The first marker of a type whose payload passes a test; -1 when none.
template <typename Test>
int32_t FindMarker(const TPVMarkerList& Markers, uint8_t Type, Test test) {
  for (int32_t i = 0; i < Markers.GetCount(); ++i)
    if (Markers.GetMarkerType(i) == Type &&
        test(Markers.GetMarkerData(i), Markers.GetMarkerLength(i)))
      return i;
  return -1;
}

}  // namespace

bool UpdatePhotoshopResolution(TPVMarkerList& Markers, int32_t DpiX, int32_t DpiY) {
  const int32_t index = Markers.IndexOf(kAPP13);
  if (index < 0) return false;
  const uint8_t* data = Markers.GetMarkerData(index);
  const int64_t length = Markers.GetMarkerLength(index);
  if (data == nullptr || length < static_cast<int64_t>(sizeof kResolutionResource)) return false;
  const uint8_t* end = data + length;
  const uint8_t* found = nullptr;
  for (const uint8_t* at = data; end - at >= static_cast<int64_t>(sizeof kResolutionResource); ++at)
    if (std::memcmp(at, kResolutionResource, sizeof kResolutionResource) == 0) {
      found = at;
      break;
    }
  if (found == nullptr) return false;
  const uint8_t* at = found + sizeof kResolutionResource;
  if (end - at < 2) return false;
  const int64_t nameLength = GetBigEndian(at, 2);
  at += 2;
  if (end - at < nameLength) return false;
  at += nameLength;
  if (end - at < 4) return false;
  const int64_t resourceSize = GetBigEndian(at, 4);
  at += 4;
  if (resourceSize < kResolutionInfoSize || end - at < kResolutionInfoSize) return false;

  std::vector<uint8_t> payload(data, end);
  uint8_t* info = payload.data() + (at - data);
  PutBigEndian(info, static_cast<uint32_t>(DpiX) << 16, 4);
  PutBigEndian(info + 4, 1, 2);
  PutBigEndian(info + 6, 1, 2);
  PutBigEndian(info + 8, static_cast<uint32_t>(DpiY) << 16, 4);
  PutBigEndian(info + 12, 1, 2);
  PutBigEndian(info + 14, 1, 2);
  return Markers.SetMarker(index, kAPP13, payload.data(), length);
}

bool PrepareJPEGMarkers(TIOParamsVals& Params) {
  TPVMarkerList& markers = Params.JPEG_Markers;
  UpdatePhotoshopResolution(markers, Params.DpiX, Params.DpiY);

  TPVIPTCInfoList& iptc = Params.IPTC_Info;
  if (iptc.UserChanged || (iptc.GetCount() > 0 && markers.GetCount() == 0)) {
    UniqueMallocBlock<uint8_t> block;
    int64_t length = 0;
    iptc.SaveToBuffer(block, length, true);
    const int32_t index = markers.IndexOf(kAPP13);
    if (length > 0) {
      const bool stored = index >= 0 ? markers.SetMarker(index, kAPP13, block.get(), length)
                                     : markers.AddMarker(kAPP13, block.get(), length);
      if (!stored) return false;
    } else if (index >= 0) {
      markers.DeleteMarker(index);
    }
  }

  if (Params.EXIF_HasEXIFData) {
    UniqueMallocBlock<uint8_t> block;
    int64_t length = 0;
    if (BuildExifBlockProc == nullptr || !BuildExifBlockProc(Params, block, length)) return false;
    const int32_t old = FindMarker(markers, kAPP1, [](const uint8_t* payload, int64_t size) {
      return payload != nullptr && IsExifBlock(payload, size);
    });
    if (old >= 0) markers.DeleteMarker(old);
    if (!markers.AddMarker(kAPP1, block.get(), length)) return false;
  }

  if (!Params.XMP_Info.empty()) {
    UniqueMallocBlock<uint8_t> block;
    int64_t length = 0;
    if (!BuildXMPBlock(Params, block, length)) return false;
    const int32_t old = FindMarker(markers, kAPP1, [](const uint8_t* payload, int64_t size) {
      return payload != nullptr && FindXMPPacket(payload, size) != nullptr;
    });
    if (old >= 0) markers.DeleteMarker(old);
    if (!markers.AddMarker(kAPP1, block.get(), length)) return false;
  }
  return true;
}

}  // namespace calmora
