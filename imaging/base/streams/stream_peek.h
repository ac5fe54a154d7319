// Looking at a stream's next bytes without moving it: what every content test does before it
// names a format. The position comes back on every path, also when a read raises.
#pragma once

#include <cstdint>

namespace calmora {

class TStream;

// Puts the stream back where it stood when the keeper was made. A failing seek while an
// exception is already travelling is swallowed: the first error is the one to report.
class TStreamPositionKeeper {
 public:
  explicit TStreamPositionKeeper(TStream* stream);
  ~TStreamPositionKeeper();
  TStreamPositionKeeper(const TStreamPositionKeeper&) = delete;
  TStreamPositionKeeper& operator=(const TStreamPositionKeeper&) = delete;

  int64_t Start() const { return start_; }

 private:
  TStream* stream_;
  int64_t start_;
};

// Reads up to count bytes from the position into buffer and moves back. The buffer is
// zero-filled first, so bytes beyond the answer (the count actually read) are zeros; tests
// compare only bytes that were read.
int32_t PeekStreamBytes(TStream* stream, void* buffer, int32_t count);

// The same at an absolute position; 0 when the position lies outside the stream.
int32_t PeekStreamBytesAt(TStream* stream, int64_t position, void* buffer, int32_t count);

}  // namespace calmora
