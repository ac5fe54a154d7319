// Reading and writing the stream header of JPEG, TIFF and PCX data, checked against the stream.
#include "imaging/io/load_save/load_save_stream_header.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr int32_t kOldPCXHeaderSize = 4;

}  // namespace

TPVStreamHeader ReadStreamHeader(TStream& Stream, const char* Magic, bool AcceptOldPCX) {
  TPVStreamHeader header;
  const int64_t start = Stream.GetPosition();
  const int64_t available = Stream.GetSize() - start;
  uint8_t bytes[kStreamHeaderSize] = {};
  const int32_t got = available <= 0 ? 0
                                     : Stream.Read(bytes, static_cast<int32_t>(std::min<int64_t>(
                                                              available, kStreamHeaderSize)));
  // The text up to the first zero among the first five bytes must be the magic exactly.
  const void* zero = got >= 5 ? std::memchr(bytes, 0, 5) : nullptr;
  const size_t textLength =
      zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : 0;
  const bool isMagic = zero != nullptr && textLength == std::strlen(Magic) &&
                       std::memcmp(bytes, Magic, textLength) == 0;
  if (isMagic) {
    if (got < kStreamHeaderSize) {
      header.Kind = TPVStreamHeader::kBad;
      return header;
    }
    int32_t length = 0;
    for (int i = 3; i >= 0; --i)
      length = static_cast<int32_t>((static_cast<uint32_t>(length) << 8) | bytes[8 + i]);
    header.DataStart = start + kStreamHeaderSize;
    header.DataLength = length;
    if (length < 0 || header.DataLength > Stream.GetSize() - header.DataStart) {
      header.Kind = TPVStreamHeader::kBad;
      return header;
    }
    header.Kind = TPVStreamHeader::kFound;
    Stream.SetPosition(header.DataStart);
    return header;
  }
  const bool isOldPCX =
      AcceptOldPCX && got >= kOldPCXHeaderSize && std::memcmp(bytes, "PCX", 3) == 0;
  if (isOldPCX) {
    header.Kind = TPVStreamHeader::kFound;
    header.DataStart = start + kOldPCXHeaderSize;
    header.DataLength = Stream.GetSize() - header.DataStart;
    Stream.SetPosition(header.DataStart);
    return header;
  }
  Stream.SetPosition(start);
  return header;
}

void WriteStreamHeader(TStream& Stream, const char* Magic, int32_t DataLength) {
  uint8_t bytes[kStreamHeaderSize] = {};
  std::memcpy(bytes, Magic, std::strlen(Magic));
  const auto length = static_cast<uint32_t>(DataLength);
  for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<uint8_t>(length >> (8 * i));
  Stream.WriteBuffer(bytes, kStreamHeaderSize);
}

}  // namespace calmora
