// TPVBufferedReadStream: a read-ahead buffer over another stream for the codecs' byte-at-a-time
// parsing, optionally re-based so that the source's position at creation reads as 0.
#include <algorithm>
#include <cstring>

#include "imaging/base/streams/streams.h"

namespace calmora {

TPVBufferedReadStream::TPVBufferedReadStream(TStream* source, int32_t bufferSize, bool relative)
    : Source(source) {
  Position = Source->GetPosition();
  Base = relative ? Position : 0;
  SourceSize = Source->GetSize();
  try {
    SetBufferSize(bufferSize);
  } catch (...) {
    delete[] Buffer;  // a constructor that raises never reaches the destructor
    throw;
  }
}

TPVBufferedReadStream::~TPVBufferedReadStream() { delete[] Buffer; }

void TPVBufferedReadStream::SetBufferSize(int32_t n) {
  // A buffer of no bytes would never deliver one and Read would spin.
  n = std::max(n, 1);
  delete[] Buffer;
  Buffer = nullptr;
  Buffer = new uint8_t[static_cast<size_t>(n)];
  BufferSize = n;
  FillBuffer();
}

void TPVBufferedReadStream::FillBuffer() {
  Source->SetPosition(Position);
  int32_t got = std::max(Source->Read(Buffer, BufferSize), 0);
  // Bytes the source did not have (it shrank, or the position is outside it) read as zeros
  // rather than as stale buffer content.
  if (got < BufferSize) std::memset(Buffer + got, 0, static_cast<size_t>(BufferSize - got));
  BufferPos = 0;
}

int32_t TPVBufferedReadStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || Position < 0) return 0;
  // 64-bit: the distance to the end of a large source does not fit 32 bits.
  int64_t n64 = std::min<int64_t>(count, SourceSize - Position);
  if (n64 <= 0) return 0;
  auto n = static_cast<int32_t>(n64);
  auto* out = static_cast<uint8_t*>(buffer);
  if (n == 1) {
    if (BufferPos >= BufferSize) FillBuffer();
    *out = Buffer[BufferPos++];
    ++Position;
    return 1;
  }
  int32_t delivered = 0;
  for (;;) {
    int32_t k = std::min(n - delivered, BufferSize - BufferPos);
    std::memcpy(out + delivered, Buffer + BufferPos, static_cast<size_t>(k));
    BufferPos += k;
    Position += k;
    delivered += k;
    if (delivered == n) return n;
    FillBuffer();
  }
}

int32_t TPVBufferedReadStream::Write(const void*, int32_t) {
  throw Exception("TPVBufferedReadStream cannot write!");
}

int64_t TPVBufferedReadStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t target = Position;
  bool overflow = false;
  switch (origin) {
    case soBeginning: overflow = __builtin_add_overflow(Base, offset, &target); break;
    case soCurrent: overflow = __builtin_add_overflow(Position, offset, &target); break;
    // The offset counts back from the end.
    case soEnd: overflow = __builtin_sub_overflow(SourceSize, offset, &target); break;
    default: break;
  }
  if (!overflow && target != Position) {
    Position = target;
    FillBuffer();
  }
  return Position - Base;
}

int64_t TPVBufferedReadStream::GetSize() { return SourceSize - Base; }

}  // namespace calmora
