// The PNG content test. Only the first four signature bytes are compared: the last four (CR LF
// SUB LF) are what transfer damage changes, and a damaged file should still reach the reader
// that can say what is wrong with it.
#include <png.h>

#include <array>

#include "imaging/codecs/png/png_codec.h"
#include "imaging/base/streams/stream_peek.h"

namespace calmora {

bool IsPNGStream(TStream* Stream) {
  constexpr int32_t kComparedBytes = 4;
  std::array<png_byte, 8> signature;
  const int32_t got = PeekStreamBytes(Stream, signature.data(), signature.size());
  return got >= kComparedBytes && png_sig_cmp(signature.data(), 0, kComparedBytes) == 0;
}

}  // namespace calmora
