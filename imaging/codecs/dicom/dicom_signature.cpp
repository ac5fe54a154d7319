// The DICOM content test: a file in the DICOM file format starts with a free 128-byte
// preamble and then the letters "DICM". Bare data sets have no such mark and are not detected.
#include <array>
#include <cstdint>
#include <cstring>

#include "imaging/codecs/dicom/dicom_codec.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

bool IsDICOMStream(TStream* Stream) {
  constexpr int64_t kPreambleBytes = 128;
  std::array<char, 4> mark;
  const int32_t got =
      PeekStreamBytesAt(Stream, Stream->GetPosition() + kPreambleBytes, mark.data(), mark.size());
  return got == 4 && std::memcmp(mark.data(), "DICM", 4) == 0;
}

}  // namespace calmora
