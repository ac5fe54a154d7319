// ZInflateStream: inflateInit on creation, inflateEnd once, however the stream's user ends.
#include "imaging/zlib/z_stream_owner.h"

#include "imaging/zlib/zlib_errors.h"

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
