// The JPEG signature search: a start-of-image marker followed by the first byte of another
// marker, allowed a little way in because some writers put padding ahead of it.
#include <array>

#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {
constexpr int32_t kSearchedStarts = 150;
}  // namespace

int64_t FindJPEGStart(TStream* Stream) {
  std::array<uint8_t, kSearchedStarts + 2> head;
  const int64_t start = Stream->GetPosition();
  const int32_t got = PeekStreamBytes(Stream, head.data(), static_cast<int32_t>(head.size()));
  for (int32_t i = 0; i + 2 < got; ++i) {
    if (head[i] == 0xFF && head[i + 1] == 0xD8 && head[i + 2] == 0xFF) return start + i;
  }
  return -1;
}

}  // namespace calmora
