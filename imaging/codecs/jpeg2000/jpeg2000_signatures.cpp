// The JPEG 2000 content tests: the file format's 12-byte signature box, and the code stream's
// first two markers.
#include <array>
#include <cstddef>
#include <cstdint>

#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/base/streams/stream_peek.h"

namespace calmora {

namespace {

template <size_t N>
bool StartsWith(TStream* stream, const std::array<uint8_t, N>& expected) {
  std::array<uint8_t, N> head;
  return PeekStreamBytes(stream, head.data(), N) == static_cast<int32_t>(N) && head == expected;
}

}  // namespace

bool IsJP2Stream(TStream* Stream) {
  // Box length 12, box type "jP  ", content CR LF 0x87 LF.
  constexpr std::array<uint8_t, 12> kSignatureBox = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                                     0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
  return StartsWith(Stream, kSignatureBox);
}

bool IsJ2KStream(TStream* Stream) {
  constexpr std::array<uint8_t, 4> kStartAndSize = {0xFF, 0x4F, 0xFF, 0x51};
  return StartsWith(Stream, kStartAndSize);
}

}  // namespace calmora
