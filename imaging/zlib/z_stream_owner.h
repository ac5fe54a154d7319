// ZInflateStream: a zlib inflate stream that ends itself, so no path out of a decoder (an
// exception included) leaves zlib's internal state allocated.
#pragma once

#include <zlib.h>

namespace calmora {

class ZInflateStream {
 public:
  // inflateInit; a negative result raises EZDecompressionError with zlib's text.
  ZInflateStream();
  ~ZInflateStream();
  ZInflateStream(const ZInflateStream&) = delete;
  ZInflateStream& operator=(const ZInflateStream&) = delete;

  z_stream& Stream() { return stream_; }
  // inflateEnd now, with its result checked (EZDecompressionError); the destructor then has
  // nothing left to do.
  void End();

 private:
  z_stream stream_{};
  bool open_ = false;
};

}  // namespace calmora
