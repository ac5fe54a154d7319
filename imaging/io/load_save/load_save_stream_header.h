// The 12-byte header that marks JPEG, TIFF and PCX data inside a larger stream: a magic text,
// a zero byte, three reserved bytes and the little-endian int32 length of the data after it.
#pragma once

#include <cstdint>

namespace calmora {

class TStream;

inline constexpr int32_t kStreamHeaderSize = 12;

struct TPVStreamHeader {
  enum TKind : uint8_t { kNone, kFound, kBad } Kind = kNone;
  int64_t DataStart = 0;
  int64_t DataLength = 0;  // to the stream's end for the old PCX header
};

// Looks at the stream's position for a header of Magic (four letters). Found: the stream is
// left at the data. None: the stream is back where it was. Bad (a length below 0, data past
// the stream's end, a header cut short): where it stops matters no more. With AcceptOldPCX any
// other start "PCX" is the old 4-byte header ("PCX", 0), its data running to the stream's end.
TPVStreamHeader ReadStreamHeader(TStream& Stream, const char* Magic, bool AcceptOldPCX);

void WriteStreamHeader(TStream& Stream, const char* Magic, int32_t DataLength);

}  // namespace calmora
