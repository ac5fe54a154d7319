// The Windows metafile and enhanced metafile content tests, over their fixed headers
// (little-endian fields).
#include <array>
#include <cstdint>

#include "imaging/codecs/pnm/pnm_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"

namespace calmora {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int32_t kPlaceableHeaderBytes = 22;
constexpr int32_t kStandardHeaderBytes = 18;
constexpr uint32_t kEMFSignature = 0x464D4520;  // " EMF"

}  // namespace

bool IsWMFStream(TStream* Stream) {
  std::array<uint8_t, kPlaceableHeaderBytes + kStandardHeaderBytes> head;
  const int32_t got = PeekStreamBytes(Stream, head.data(), head.size());
  TPVByteReader reader(head.data(), got);
  if (reader.ReadLE<uint32_t>() == kPlaceableKey) reader.SeekTo(kPlaceableHeaderBytes);
  else reader.SeekTo(0);
  const uint16_t fileType = reader.ReadLE<uint16_t>();
  const uint16_t headerWords = reader.ReadLE<uint16_t>();
  reader.Skip(12);  // version, file size, object count, largest record
  const uint16_t parameterCount = reader.ReadLE<uint16_t>();
  return !reader.Failed() && fileType == 1 && headerWords == 9 && parameterCount == 0;
}

bool IsEMFStream(TStream* Stream) {
  constexpr int32_t kLookedAtBytes = 100;
  std::array<uint8_t, kLookedAtBytes> head;
  if (PeekStreamBytes(Stream, head.data(), kLookedAtBytes) < kLookedAtBytes) return false;
  TPVByteReader reader(head.data(), kLookedAtBytes);
  const uint32_t recordType = reader.ReadLE<uint32_t>();
  reader.SeekTo(40);
  return recordType == 1 && reader.ReadLE<uint32_t>() == kEMFSignature;
}

}  // namespace calmora
