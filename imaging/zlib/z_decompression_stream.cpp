// TZDecompressionStream: inflates the source's zlib block as it is read, 64 KB of source at a
// time, leaving the source just after the block once its end is met; seeks only forward.
#include <algorithm>

#include "imaging/zlib/z_streams.h"

namespace calmora {

namespace {

constexpr const char* kInvalidOperation = "Invalid ZStream operation!";
// Forward seeks read and drop the bytes in blocks of this size.
constexpr int32_t kSkipBlock = 8192;

}  // namespace

TZDecompressionStream::TZDecompressionStream(TStream* Stream)
    : TCustomZStream(Stream), blockStart_(streamPosition_) {
  zStream_.next_in = buffer_;
  zStream_.avail_in = 0;
  CheckDecompressionResult(inflateInit(&zStream_));
}

TZDecompressionStream::~TZDecompressionStream() { inflateEnd(&zStream_); }

int32_t TZDecompressionStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  zStream_.next_out = static_cast<Bytef*>(Buffer);
  zStream_.avail_out = static_cast<uInt>(Count);
  int result = Z_OK;
  TakeStreamPosition();
  while (zStream_.avail_out > 0 && result != Z_STREAM_END) {
    if (zStream_.avail_in == 0) {
      const int32_t got = stream_->Read(buffer_, kZStreamBufferSize);
      if (got > 0) {
        zStream_.next_in = buffer_;
        zStream_.avail_in = static_cast<uInt>(got);
        RememberStreamPosition();
        Progress();
      }
    }
    // Even with the source used up, inflate may still hold decoded bytes that did not fit last
    // time; only when it can give nothing more has the source ended early (a short count).
    const int code = inflate(&zStream_, Z_NO_FLUSH);
    if (code == Z_BUF_ERROR && zStream_.avail_in == 0) break;
    result = CheckDecompressionResult(code);
    // Neither an error nor the end to zlib, but no dictionary can ever be given here: without
    // this the loop would ask again for ever.
    if (result == Z_NEED_DICT) throw EZDecompressionError(zError(Z_NEED_DICT));
  }
  if (result == Z_STREAM_END && zStream_.avail_in > 0) {
    // The source is left just after the block, for whatever follows it.
    stream_->Seek(-static_cast<int64_t>(zStream_.avail_in), soCurrent);
    RememberStreamPosition();
    zStream_.next_in = buffer_;
    zStream_.avail_in = 0;
  }
  return Count - static_cast<int32_t>(zStream_.avail_out);
}

int32_t TZDecompressionStream::Write(const void*, int32_t) {
  throw EZDecompressionError(kInvalidOperation);
}

void TZDecompressionStream::Skip(int64_t count) {
  uint8_t block[kSkipBlock];
  while (count > 0) {
    const auto size = static_cast<int32_t>(std::min<int64_t>(count, kSkipBlock));
    ReadBuffer(block, size);
    count -= size;
  }
}

int64_t TZDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const auto delivered = static_cast<int64_t>(zStream_.total_out);
  if (Offset == 0 && Origin == soBeginning) {
    // The block starts where the source stood at creation, not necessarily at its byte 0.
    CheckDecompressionResult(inflateReset(&zStream_));
    zStream_.next_in = buffer_;
    zStream_.avail_in = 0;
    stream_->SetPosition(blockStart_);
    RememberStreamPosition();
    return 0;
  }
  if ((Origin == soCurrent && Offset >= 0) || (Origin == soBeginning && Offset > delivered)) {
    Skip(Origin == soBeginning ? Offset - delivered : Offset);
  } else if (Origin == soEnd && Offset == 0) {
    uint8_t block[kSkipBlock];
    while (Read(block, kSkipBlock) > 0) {
    }
  } else {
    throw EZDecompressionError(kInvalidOperation);
  }
  return static_cast<int64_t>(zStream_.total_out);
}

int64_t TZDecompressionStream::GetSize() { throw EZDecompressionError(kInvalidOperation); }

}  // namespace calmora
