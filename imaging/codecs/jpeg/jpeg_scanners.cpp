// Two scans over a JPEG datastream without decoding it: its length up to the end-of-image
// marker, and the ICC profile carried in APP2 chunks. Both read through a read-ahead buffer and
// a checked byte reader, and put the stream back where it was.
#include <cstring>
#include <string>
#include <vector>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr int32_t kScanBuffer = 8192;
constexpr uint8_t kEOI = 0xD9;
constexpr uint8_t kAPP2 = 0xE2;
constexpr char kICCIdentifier[] = "ICC_PROFILE";
constexpr int64_t kICCChunkHeader = 14;  // the identifier, its zero, sequence and count

// The next marker code: a byte FF then one that is not FF (fill bytes FF before a marker are
// allowed); -1 at the end of the data.
int32_t NextMarker(TPVByteReader& reader) {
  uint8_t byte = reader.ReadByte();
  while (!reader.Failed()) {
    if (byte != 0xFF) {
      byte = reader.ReadByte();
      continue;
    }
    uint8_t code = reader.ReadByte();
    while (code == 0xFF && !reader.Failed()) code = reader.ReadByte();
    if (reader.Failed()) return -1;
    return code;
  }
  return -1;
}

// Markers that carry a length field and a segment.
bool HasSegment(uint8_t code) { return (code >= 0xC0 && code <= 0xCF) || code >= 0xDA; }

bool IsStartOfFrame(uint8_t code) {
  return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

}  // namespace

int64_t GetJPEGStreamLength(TStream* Stream) {
  const int64_t start = Stream->GetPosition();
  int64_t length = 0;
  {
    TPVBufferedReadStream buffered(Stream, kScanBuffer, true);
    TPVByteReader reader(&buffered);
    const int64_t size = reader.Left();
    length = size;  // no end-of-image marker: everything to the end
    for (;;) {
      const int32_t code = NextMarker(reader);
      if (code < 0) break;
      if (code == kEOI) {
        length = reader.Position();
        break;
      }
      if (!HasSegment(static_cast<uint8_t>(code))) continue;
      const uint16_t segment = reader.ReadBE<uint16_t>();
      if (reader.Failed() || !reader.Skip(segment >= 2 ? segment - 2 : 0)) break;
    }
  }
  Stream->SetPosition(start);
  return length;
}

void ReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params) {
  const int64_t start = Stream->GetPosition();
  std::vector<std::vector<uint8_t>> slots;
  {
    TPVBufferedReadStream buffered(Stream, kScanBuffer, true);
    TPVByteReader reader(&buffered);
    int32_t chunksRead = 0;
    std::vector<uint8_t> segment;
    for (;;) {
      const int32_t marker = NextMarker(reader);
      if (marker < 0 || marker == kEOI) break;
      const auto code = static_cast<uint8_t>(marker);
      if (IsStartOfFrame(code)) break;
      if (!HasSegment(code)) continue;
      const uint16_t length = reader.ReadBE<uint16_t>();
      const int64_t payload = length >= 2 ? length - 2 : 0;
      if (code != kAPP2) {
        if (!reader.Skip(payload)) break;
        continue;
      }
      if (!reader.CheckCount(payload)) break;
      segment.resize(static_cast<size_t>(payload));
      if (!reader.Read(segment.data(), payload)) break;
      // Too short for the chunk header, or not an ICC chunk: passed over.
      if (payload < kICCChunkHeader ||
          std::memcmp(segment.data(), kICCIdentifier, sizeof kICCIdentifier) != 0) {
        continue;
      }
      const auto slot = static_cast<uint8_t>(segment[12] - 1);
      const uint8_t count = segment[13];
      if (slots.size() <= slot) slots.resize(size_t{slot} + 1);
      slots[slot].assign(segment.begin() + kICCChunkHeader, segment.end());
      if (++chunksRead == count) break;
    }
  }
  Stream->SetPosition(start);
  std::vector<uint8_t> profile;
  for (const auto& chunk : slots) profile.insert(profile.end(), chunk.begin(), chunk.end());
  if (!profile.empty()) {
    Params.GetInputICCProfile()->LoadFromBuffer(profile.data(),
                                                static_cast<int32_t>(profile.size()));
  }
}

}  // namespace calmora
