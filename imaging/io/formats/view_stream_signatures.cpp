// The content tests of the layers, PVV and combined streams, over their fixed headers.
#include "imaging/io/formats/view_stream_signatures.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr char kLayersSignature[] = "PICTAVOLAYERS";
constexpr int32_t kLayersSignatureBytes = 13;
constexpr int32_t kLayersHeaderBytes = 25;

bool IsPVVHeader(const uint8_t* head, int32_t got) {
  return got == 4 && std::memcmp(head, "PVV", 3) == 0 && head[3] >= '1' && head[3] <= 'Q';
}

}  // namespace

bool IsLayersStream(TStream* Stream) {
  std::array<uint8_t, kLayersHeaderBytes> header;
  if (PeekStreamBytes(Stream, header.data(), kLayersHeaderBytes) < kLayersHeaderBytes) return false;
  if (std::memcmp(header.data(), kLayersSignature, kLayersSignatureBytes) != 0) return false;
  TPVByteReader reader(header.data() + kLayersSignatureBytes, 4);
  return reader.ReadLE<int32_t>() > 0;
}

bool IsPVVStream(TStream* Stream) {
  std::array<uint8_t, 4> head;
  return IsPVVHeader(head.data(), PeekStreamBytes(Stream, head.data(), head.size()));
}

bool IsAllStream(TStream* Stream) {
  TStreamPositionKeeper keeper(Stream);
  std::array<uint8_t, 4> word;
  if (PeekStreamBytes(Stream, word.data(), word.size()) < 4) return false;
  TPVByteReader reader(word.data(), word.size());
  const int32_t pvvStart = reader.ReadLE<int32_t>();
  if (pvvStart < 0 || pvvStart > Stream->GetSize()) return false;
  Stream->Seek(keeper.Start() + 4, soBeginning);
  if (!IsLayersStream(Stream)) return false;
  std::array<uint8_t, 4> head;
  return IsPVVHeader(head.data(), PeekStreamBytesAt(Stream, pvvStart, head.data(), head.size()));
}

}  // namespace calmora
