// ZInflateStream: inflateInit on creation, inflateEnd once, however the stream's user ends.
#include "imaging/codecs/zlib/z_stream_owner.h"

#include "imaging/codecs/zlib/zlib_errors.h"

namespace calmora {

ZInflateStream::ZInflateStream() {
  CheckDecompressionResult(inflateInit(&stream_));
  open_ = true;
}

ZInflateStream::~ZInflateStream() {
  if (open_) inflateEnd(&stream_);
}

void ZInflateStream::End() {
  if (!open_) return;
  open_ = false;
  CheckDecompressionResult(inflateEnd(&stream_));
}

}  // namespace calmora
