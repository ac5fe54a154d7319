// The abstract stream: position and size through Seek, whole-buffer transfers that raise on a
// short count, and copying between streams.
#include <algorithm>
#include <vector>

#include "imaging/base/streams/streams.h"

namespace calmora {

TStream::~TStream() = default;

int64_t TStream::GetSize() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t) {}

int64_t TStream::GetPosition() { return Seek(0, soCurrent); }

void TStream::SetPosition(int64_t position) { Seek(position, soBeginning); }

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream* source, int64_t count) {
  if (count == 0) {
    source->SetPosition(0);
    count = source->GetSize();
  }
  if (count <= 0) return 0;
  constexpr int64_t kMaxChunk = 0xF000;  // the work buffer: 60 KB
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min(count, kMaxChunk)));
  int64_t left = count;
  while (left > 0) {
    auto n = static_cast<int32_t>(std::min(left, kMaxChunk));
    source->ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}

}  // namespace calmora
