// TZCompressionStream: deflates what is written into the target stream, 64 KB at a time, and
// completes the block once, in Finish() or else in the destructor.
#include <cstddef>

#include "imaging/zlib/z_streams.h"

namespace calmora {

namespace {

// The stream's levels 0..3 as zlib's: stored, fastest, zlib's default, best.
constexpr int kZlibLevels[] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION,
                               Z_BEST_COMPRESSION};

constexpr const char* kInvalidOperation = "Invalid ZStream operation!";

}  // namespace

TZCompressionStream::TZCompressionStream(TStream* Stream, uint8_t Level) : TCustomZStream(Stream) {
  // A level past the table would pick whatever lies behind it.
  if (Level >= std::size(kZlibLevels)) throw EZCompressionError(zError(Z_STREAM_ERROR));
  zStream_.next_out = buffer_;
  zStream_.avail_out = kZStreamBufferSize;
  CheckCompressionResult(deflateInit(&zStream_, kZlibLevels[Level]));
}

TZCompressionStream::~TZCompressionStream() {
  if (finished_) return;
  // Nothing can be reported from here; a caller who cares calls Finish() first.
  try {
    Finish();
  } catch (...) {
  }
}

int32_t TZCompressionStream::Read(void*, int32_t) { throw EZCompressionError(kInvalidOperation); }

int32_t TZCompressionStream::Write(const void* Buffer, int32_t Count) {
  if (finished_) throw EZCompressionError(kInvalidOperation);
  if (Count <= 0) return 0;
  zStream_.next_in = static_cast<Bytef*>(const_cast<void*>(Buffer));
  zStream_.avail_in = static_cast<uInt>(Count);
  TakeStreamPosition();
  while (zStream_.avail_in > 0) {
    CheckCompressionResult(deflate(&zStream_, Z_NO_FLUSH));
    // Emptied as soon as it is full, so a later deflate never meets a buffer without room.
    if (zStream_.avail_out == 0) {
      stream_->WriteBuffer(buffer_, kZStreamBufferSize);
      zStream_.next_out = buffer_;
      zStream_.avail_out = kZStreamBufferSize;
      RememberStreamPosition();
      Progress();
    }
  }
  return Count;
}

int64_t TZCompressionStream::Seek(int64_t, TSeekOrigin) {
  return static_cast<int64_t>(zStream_.total_in);
}

void TZCompressionStream::FlushBuffer() {
  const int32_t used = kZStreamBufferSize - static_cast<int32_t>(zStream_.avail_out);
  if (used > 0) stream_->WriteBuffer(buffer_, used);
  zStream_.next_out = buffer_;
  zStream_.avail_out = kZStreamBufferSize;
  RememberStreamPosition();
}

void TZCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  // deflateEnd on every way out; its result says nothing the caller could act on.
  struct EndDeflate {
    z_stream& stream;
    ~EndDeflate() { deflateEnd(&stream); }
  } endDeflate{zStream_};
  zStream_.next_in = nullptr;
  zStream_.avail_in = 0;
  TakeStreamPosition();
  while (CheckCompressionResult(deflate(&zStream_, Z_FINISH)) != Z_STREAM_END) FlushBuffer();
  FlushBuffer();
}

}  // namespace calmora
