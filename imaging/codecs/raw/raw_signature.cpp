// The camera raw content test: LibRaw's identification run over the stream through the
// adapter. One decoder per thread is kept for it, because making one costs far more than
// the identification of a small unknown file.
#include <libraw/libraw.h>

#include <memory>

#include "imaging/codecs/raw/raw_codec.h"
#include "imaging/codecs/raw/raw_data_stream.h"
#include "imaging/core/base/stream_peek.h"

namespace calmora {

bool IsCameraRawStream(TStream* Stream) {
  thread_local std::unique_ptr<LibRaw> decoder;
  if (!decoder) decoder = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
  TStreamPositionKeeper keeper(Stream);
  try {
    TPVRawDataStream input(Stream);
    const int result = decoder->open_datastream(&input);
    // The decoder must not keep a pointer to the adapter, which goes at the end of this call.
    decoder->recycle();
    return result == LIBRAW_SUCCESS;
  } catch (...) {
    return false;  // a stream that cannot even be looked at holds no camera's file
  }
}

}  // namespace calmora
