// ZInflateStream: inflateInit on creation, inflateEnd once, however the stream's user ends.
#include "imaging/codecs/zlib/z_stream_owner.h"

#include "imaging/codecs/zlib/zlib_errors.h"

namespace calmora {

ZInflateStream::ZInflateStream() {
  CheckDecompressionResult(inflateInit(&Stream_));
  Open_ = true;
}

ZInflateStream::~ZInflateStream() {
  if (Open_) inflateEnd(&Stream_);
}

void ZInflateStream::End() {
  if (!Open_) return;
  Open_ = false;
  CheckDecompressionResult(inflateEnd(&Stream_));
}

}  // namespace calmora
