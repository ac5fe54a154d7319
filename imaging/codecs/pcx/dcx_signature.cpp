// The DCX content test: the magic number, then 32-bit page offsets up to a zero entry. A table
// that runs off the end of the stream is refused; at most 1,024 entries are looked at.
#include <cstdint>

#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {
constexpr uint32_t kDCXMagic = 987654321;
constexpr int32_t kMostDCXPages = 1024;
}  // namespace

bool IsDCXStream(TStream* Stream) {
  TStreamPositionKeeper keeper(Stream);
  const int64_t size = Stream->GetSize();
  TPVByteReader reader(Stream);
  if (reader.ReadLE<uint32_t>() != kDCXMagic || reader.Failed()) return false;
  for (int32_t page = 0; page < kMostDCXPages; ++page) {
    const uint32_t offset = reader.ReadLE<uint32_t>();
    if (reader.Failed()) return false;
    if (offset == 0) return true;
    if (offset >= size) return false;
  }
  return true;  // a full table: the reader, too, stops at the last page a DCX can have
}

}  // namespace calmora
