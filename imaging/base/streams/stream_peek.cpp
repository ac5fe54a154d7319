// Looking at a stream's next bytes without moving it.
#include "imaging/base/streams/stream_peek.h"

#include <cstring>
#include <exception>

#include "imaging/base/streams/streams.h"

namespace calmora {

TStreamPositionKeeper::TStreamPositionKeeper(TStream* stream)
    : stream_(stream), start_(stream->GetPosition()) {}

TStreamPositionKeeper::~TStreamPositionKeeper() {
  try {
    stream_->SetPosition(start_);
  } catch (...) {
    // Nothing sensible is left to do with a stream that cannot seek; the caller learns of it
    // from its own next read.
  }
}

int32_t PeekStreamBytes(TStream* stream, void* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count > 0 ? count : 0));
  if (count <= 0) return 0;
  TStreamPositionKeeper keeper(stream);
  int32_t total = 0;
  // A stream may deliver less than asked while more is there (pipes, buffered views).
  while (total < count) {
    const int32_t got = stream->Read(static_cast<uint8_t*>(buffer) + total, count - total);
    if (got <= 0) break;
    total += got;
  }
  return total;
}

int32_t PeekStreamBytesAt(TStream* stream, int64_t position, void* buffer, int32_t count) {
  std::memset(buffer, 0, static_cast<size_t>(count > 0 ? count : 0));
  if (count <= 0 || position < 0 || position >= stream->GetSize()) return 0;
  TStreamPositionKeeper keeper(stream);
  if (stream->Seek(position, soBeginning) != position) return 0;
  return PeekStreamBytes(stream, buffer, count);
}

}  // namespace calmora
