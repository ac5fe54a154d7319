// The bounded RIFF walk of avi_stream_header.h.
#include "platform/avi_stream_header.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace calmora::platform {
namespace {

uint32_t ReadLE32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

bool IsTag(const uint8_t* at, const char* tag) { return std::memcmp(at, tag, 4) == 0; }

// Offsets in a stream header ("strh") of the fields we need.
constexpr size_t kStreamTypeOffset = 0;
constexpr size_t kScaleOffset = 20;
constexpr size_t kRateOffset = 24;

// Searches the chunks in [begin, end) for the first video stream header; lists named "hdrl"
// and "strl" are entered, others skipped. Depth is bounded by the two list levels.
std::optional<AviRateAndScale> SearchChunks(const uint8_t* begin, const uint8_t* end, int depth) {
  const uint8_t* at = begin;
  while (end - at >= 8) {
    const uint32_t size = ReadLE32(at + 4);
    const uint8_t* body = at + 8;
    if (size > static_cast<size_t>(end - body)) return std::nullopt;
    if (IsTag(at, "LIST") && size >= 4 && depth < 2 &&
        (IsTag(body, "hdrl") || IsTag(body, "strl"))) {
      if (auto found = SearchChunks(body + 4, body + size, depth + 1)) return found;
    } else if (IsTag(at, "strh") && size >= kRateOffset + 4 &&
               IsTag(body + kStreamTypeOffset, "vids")) {
      return AviRateAndScale{ReadLE32(body + kRateOffset), ReadLE32(body + kScaleOffset)};
    }
    // Chunks are padded to an even size.
    const size_t step = size + (size & 1);
    if (step >= static_cast<size_t>(end - body)) break;
    at = body + step;
  }
  return std::nullopt;
}

}  // namespace

std::optional<AviRateAndScale> FindVideoRateAndScale(const uint8_t* data, size_t size) {
  if (size < 12 || !IsTag(data, "RIFF") || !IsTag(data + 8, "AVI ")) return std::nullopt;
  return SearchChunks(data + 12, data + size, 0);
}

std::optional<AviRateAndScale> ReadVideoRateAndScale(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> head(kAviHeaderReadLimit);
  file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  return FindVideoRateAndScale(head.data(), static_cast<size_t>(file.gcount()));
}

uint64_t AviFrameDelay(uint32_t rate, uint32_t scale) {
  if (rate == 0 || scale == 0) return 0;
  return uint64_t{scale} * 1000 / rate;
}

}  // namespace calmora::platform
