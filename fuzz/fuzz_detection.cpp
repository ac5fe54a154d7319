// libFuzzer target of content detection: FindStreamFormat on any bytes, read from the start and
// from a position inside them, must answer a format id or 0, never read past the end, and leave
// the position where it was.
// Fuzz budget in CI: 30 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/base/streams/streams.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/formats/format_detection.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsKnownAnswer(calmora::TPVFileFormatId format) {
  return format == calmora::kFormatUnknown || calmora::FindFileFormatInfo(format) != nullptr ||
         format == calmora::kFormatAVI;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registryBuilt = [] {
    calmora::BuildFileFormatRegistry();
    return true;
  }();
  (void)registryBuilt;
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  // The first byte also picks a starting position, as a stream save leaves data behind others.
  const int64_t start = size > 0 ? data[0] % (size + 1) : 0;
  for (int64_t position : {int64_t{0}, start}) {
    stream.SetPosition(position);
    const calmora::TPVFileFormatId format = calmora::FindStreamFormat(&stream);
    Check(stream.GetPosition() == position);
    Check(IsKnownAnswer(format));
  }
  return 0;
}
