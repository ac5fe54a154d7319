// TPVByteReader: the checked reads, skips and moves over a memory block or a stream.
#include "imaging/base/streams/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

// One Read of a stream moves at most 2 GB; whole gibibytes keep every call well inside that.
constexpr int64_t kStreamChunk = int64_t{1} << 30;

}  // namespace

TPVByteReader::TPVByteReader(TStream* stream) : stream_(stream) {
  if (stream_ == nullptr) return;
  streamStart_ = stream_->GetPosition();
  size_ = std::max<int64_t>(0, stream_->GetSize() - streamStart_);
}

TPVByteReader::TPVByteReader(const void* memory, int64_t size)
    : memory_(static_cast<const uint8_t*>(memory)),
      size_(memory ? std::max<int64_t>(size, 0) : 0) {}

bool TPVByteReader::Read(void* Buffer, int64_t Count) {
  auto* bytes = static_cast<uint8_t*>(Buffer);
  bool complete = !failed_ && Count >= 0 && Count <= Left() && (bytes != nullptr || Count == 0);
  if (complete && Count > 0) {
    if (stream_ != nullptr)
      complete = ReadFromStream(bytes, Count);
    else
      std::memcpy(bytes, memory_ + position_, static_cast<size_t>(Count));
  }
  if (!complete) {
    failed_ = true;
    if (bytes != nullptr && Count > 0) std::memset(bytes, 0, static_cast<size_t>(Count));
    return false;
  }
  position_ += Count;
  return true;
}

bool TPVByteReader::ReadFromStream(uint8_t* buffer, int64_t count) {
  while (count > 0) {
    const auto chunk = static_cast<int32_t>(std::min(count, kStreamChunk));
    if (stream_->Read(buffer, chunk) != chunk) return false;
    buffer += chunk;
    count -= chunk;
  }
  return true;
}

bool TPVByteReader::Skip(int64_t count) {
  if (failed_ || count < 0 || count > Left()) {
    failed_ = true;
    return false;
  }
  return SeekTo(position_ + count);
}

bool TPVByteReader::SeekTo(int64_t newPosition) {
  if (failed_ || newPosition < 0 || newPosition > size_) {
    failed_ = true;
    return false;
  }
  if (stream_ != nullptr && newPosition != position_) {
    const int64_t target = streamStart_ + newPosition;
    if (stream_->Seek(target, soBeginning) != target) {
      failed_ = true;
      return false;
    }
  }
  position_ = newPosition;
  return true;
}

bool TPVByteReader::CheckCount(int64_t count, int64_t itemSize) {
  // Divided rather than multiplied: a count from the data may be large enough to overflow.
  const bool fits =
      !failed_ && count >= 0 && itemSize >= 0 && (itemSize == 0 || count <= Left() / itemSize);
  if (!fits) failed_ = true;
  return fits;
}

bool TPVByteReader::ReadZeroTerminated(std::string& text, int64_t maxBytes) {
  text.clear();
  const int64_t window = std::min(std::max<int64_t>(maxBytes, 0), Left());
  if (window == 0) {
    failed_ = true;
    return false;
  }
  if (stream_ == nullptr) {
    const uint8_t* begin = memory_ + position_;
    const auto* end =
        static_cast<const uint8_t*>(std::memchr(begin, 0, static_cast<size_t>(window)));
    if (end == nullptr) {
      failed_ = true;
      return false;
    }
    text.assign(reinterpret_cast<const char*>(begin), static_cast<size_t>(end - begin));
    position_ += end - begin + 1;
    return true;
  }
  // A stream cannot be searched ahead: it is read a byte at a time, up to the zero.
  const int64_t start = position_;
  for (int64_t i = 0; i < window; ++i) {
    const uint8_t byte = ReadByte();
    if (failed_) break;
    if (byte == 0) return true;
    text.push_back(static_cast<char>(byte));
  }
  failed_ = true;
  position_ = start;
  text.clear();
  return false;
}

}  // namespace calmora
