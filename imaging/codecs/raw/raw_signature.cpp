// The camera raw content test: LibRaw's identification run over the stream through the
// adapter. One decoder per thread is kept for it, because making one costs far more than
// the identification of a small unknown file.
//
// The identification runs in a child process: LibRaw's parsers can be driven out of bounds by
// hostile files (seen with damaged TIFF directories), and content detection is exactly where
// unknown bytes meet them. A child that crashes or hangs means "not a camera's file".
#include <libraw/libraw.h>

#include <memory>

#include "imaging/codecs/raw/raw_codec.h"
#include "imaging/codecs/raw/raw_data_stream.h"
#include "imaging/base/streams/stream_peek.h"
#include "platform/isolated_call.h"

namespace calmora {

namespace {

// Far beyond what reading a camera file's headers takes, even on a loaded machine.
constexpr int32_t kIdentificationTimeoutMs = 20000;

// No camera writes a raw file this small (headers and a thumbnail alone take more), so below
// it the identification is not worth a process: most unknown content is small.
constexpr int64_t kSmallestCameraFile = 4096;

}  // namespace

bool IsCameraRawStream(TStream* Stream) {
  thread_local std::unique_ptr<LibRaw> decoder;
  if (!decoder) decoder = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  TStreamPositionKeeper keeper(Stream);
  try {
    if (Stream->GetSize() - keeper.Start() < kSmallestCameraFile) return false;
  } catch (...) {
    return false;  // a stream that cannot even be measured holds no camera's file
  }
  LibRaw& identifier = *decoder;
  // The child works on its own copy of the decoder and the stream; the caller's stay as
  // they were, and the keeper puts the position back all the same.
  return platform::AskIsolated(
             [&identifier, Stream] {
               TPVRawDataStream input(Stream);
               return identifier.open_datastream(&input) == LIBRAW_SUCCESS;
             },
             kIdentificationTimeoutMs)
      .value_or(false);
}

}  // namespace calmora
