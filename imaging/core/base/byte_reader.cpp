// TPVByteReader: the checked reads, skips and moves over a memory block or a stream.
#include "imaging/core/base/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/base/streams.h"

namespace calmora {

namespace {

// One Read of a stream moves at most 2 GB; whole gibibytes keep every call well inside that.
constexpr int64_t kStreamChunk = int64_t{1} << 30;

}  // namespace

TPVByteReader::TPVByteReader(TStream* Stream) : Stream_(Stream) {
  if (Stream_ == nullptr) return;
  StreamStart_ = Stream_->GetPosition();
  Size_ = std::max<int64_t>(0, Stream_->GetSize() - StreamStart_);
}

TPVByteReader::TPVByteReader(const void* Memory, int64_t Size)
    : Memory_(static_cast<const uint8_t*>(Memory)),
      Size_(Memory ? std::max<int64_t>(Size, 0) : 0) {}

bool TPVByteReader::Read(void* Buffer, int64_t Count) {
  auto* bytes = static_cast<uint8_t*>(Buffer);
  bool complete = !Failed_ && Count >= 0 && Count <= Left() && (bytes != nullptr || Count == 0);
  if (complete && Count > 0) {
    if (Stream_ != nullptr)
      complete = ReadFromStream(bytes, Count);
    else
      std::memcpy(bytes, Memory_ + Position_, static_cast<size_t>(Count));
  }
  if (!complete) {
    Failed_ = true;
    if (bytes != nullptr && Count > 0) std::memset(bytes, 0, static_cast<size_t>(Count));
    return false;
  }
  Position_ += Count;
  return true;
}

bool TPVByteReader::ReadFromStream(uint8_t* Buffer, int64_t Count) {
  while (Count > 0) {
    const auto chunk = static_cast<int32_t>(std::min(Count, kStreamChunk));
    if (Stream_->Read(Buffer, chunk) != chunk) return false;
    Buffer += chunk;
    Count -= chunk;
  }
  return true;
}

bool TPVByteReader::Skip(int64_t Count) {
  if (Failed_ || Count < 0 || Count > Left()) {
    Failed_ = true;
    return false;
  }
  return SeekTo(Position_ + Count);
}

bool TPVByteReader::SeekTo(int64_t NewPosition) {
  if (Failed_ || NewPosition < 0 || NewPosition > Size_) {
    Failed_ = true;
    return false;
  }
  if (Stream_ != nullptr && NewPosition != Position_) {
    const int64_t target = StreamStart_ + NewPosition;
    if (Stream_->Seek(target, soBeginning) != target) {
      Failed_ = true;
      return false;
    }
  }
  Position_ = NewPosition;
  return true;
}

bool TPVByteReader::CheckCount(int64_t Count, int64_t ItemSize) {
  // Divided rather than multiplied: a count from the data may be large enough to overflow.
  const bool fits = !Failed_ && Count >= 0 && ItemSize >= 0 &&
                    (ItemSize == 0 || Count <= Left() / ItemSize);
  if (!fits) Failed_ = true;
  return fits;
}

bool TPVByteReader::ReadZeroTerminated(std::string& Text, int64_t MaxBytes) {
  Text.clear();
  const int64_t window = std::min(std::max<int64_t>(MaxBytes, 0), Left());
  if (window == 0) {
    Failed_ = true;
    return false;
  }
  if (Stream_ == nullptr) {
    const uint8_t* begin = Memory_ + Position_;
    const auto* end =
        static_cast<const uint8_t*>(std::memchr(begin, 0, static_cast<size_t>(window)));
    if (end == nullptr) {
      Failed_ = true;
      return false;
    }
    Text.assign(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    Position_ += end - begin + 1;
    return true;
  }
  // A stream cannot be searched ahead: it is read a byte at a time, up to the zero.
  const int64_t start = Position_;
  for (int64_t i = 0; i < window; ++i) {
    const uint8_t byte = ReadByte();
    if (Failed_) break;
    if (byte == 0) return true;
    Text.push_back(static_cast<char>(byte));
  }
  Failed_ = true;
  Position_ = start;
  Text.clear();
  return false;
}

}  // namespace calmora
