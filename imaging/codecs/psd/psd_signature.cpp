// The Photoshop document content test over the 26-byte file header (big-endian fields).
#include <array>
#include <cstdint>
#include <cstring>

#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"

namespace calmora {

bool IsPSDStream(TStream* Stream) {
  constexpr int32_t kHeaderBytes = 26;
  std::array<uint8_t, kHeaderBytes> header;
  if (PeekStreamBytes(Stream, header.data(), kHeaderBytes) < kHeaderBytes) return false;
  if (std::memcmp(header.data(), "8BPS", 4) != 0) return false;
  TPVByteReader reader(header.data(), kHeaderBytes);
  reader.Skip(4);
  const uint16_t version = reader.ReadBE<uint16_t>();
  reader.Skip(6);  // reserved
  const uint16_t channels = reader.ReadBE<uint16_t>();
  reader.Skip(8);  // height and width
  const uint16_t depth = reader.ReadBE<uint16_t>();
  const uint16_t colorMode = reader.ReadBE<uint16_t>();
  return version == 1 && channels >= 1 && channels <= 24 && depth >= 1 && depth <= 16 &&
         colorMode <= 9;
}

}  // namespace calmora
