// The icon and cursor content tests: the 6-byte header and the 16-byte entries that follow it.
// The whole directory must be there before an entry is looked at, so a count of 65,535 in a
// short file answers false instead of reading on.
#include <cstdint>
#include <vector>

#include "imaging/codecs/ico/ico_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr int64_t kHeaderBytes = 6;
constexpr int64_t kEntryBytes = 16;
constexpr int64_t kSmallestFile = 23;  // a header, one entry and one byte of image

bool IsIconDirectory(TStream* stream, uint16_t wantedType) {
  TStreamPositionKeeper keeper(stream);
  TPVByteReader reader(stream);
  if (reader.Left() < kSmallestFile) return false;
  const uint16_t reserved = reader.ReadLE<uint16_t>();
  const uint16_t type = reader.ReadLE<uint16_t>();
  const uint16_t count = reader.ReadLE<uint16_t>();
  if (reserved != 0 || type != wantedType || count == 0) return false;
  if (!reader.CheckCount(count, kEntryBytes)) return false;
  for (int64_t i = 0; i < count; ++i) {
    reader.Skip(3);  // width, height, colour count
    const uint8_t entryReserved = reader.ReadByte();
    reader.Skip(4);  // planes and bit count (hot spot of a cursor)
    const uint32_t byteCount = reader.ReadLE<uint32_t>();
    const uint32_t imageOffset = reader.ReadLE<uint32_t>();
    // The image must lie after its own directory entry, counted in the stream's positions.
    const int64_t afterEntry = keeper.Start() + kHeaderBytes + (i + 1) * kEntryBytes;
    if (reader.Failed() || entryReserved != 0 || byteCount == 0 || imageOffset < afterEntry)
      return false;
  }
  return true;
}

}  // namespace

bool IsICOStream(TStream* Stream) { return IsIconDirectory(Stream, 1); }

bool IsCURStream(TStream* Stream) { return IsIconDirectory(Stream, 2); }

}  // namespace calmora
