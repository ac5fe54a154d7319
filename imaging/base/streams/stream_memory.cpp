// Memory streams: reading and seeking over a block (TCustomMemoryStream), a growable owned
// block (TMemoryStream) and the read-only view of a caller's block (TPVMemStream).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr int64_t kCapacityGranule = 0x2000;  // capacities are whole multiples of 8 KB

[[noreturn]] void ThrowOutOfMemory() {
  throw EStreamError("Out of memory while expanding memory stream");
}

// Calls move(offset, n) over total bytes in pieces that fit one stream transfer.
template <typename Move>
void InPieces(int64_t total, Move move) {
  constexpr int64_t kPiece = int64_t{1} << 30;
  for (int64_t done = 0; done < total; done += kPiece) {
    move(done, static_cast<int32_t>(std::min(total - done, kPiece)));
  }
}

}  // namespace

// ---- TCustomMemoryStream ----

void TCustomMemoryStream::SetPointer(void* memory, int64_t size) {
  memory_ = memory;
  size_ = size;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t available = size_ - position_;
  if (available <= 0) return 0;
  auto n = static_cast<int32_t>(std::min<int64_t>(available, count));
  std::memcpy(buffer, static_cast<const uint8_t*>(memory_) + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  // Offsets may come straight from file data: a target beyond the 64-bit range leaves the
  // position where it is instead of wrapping.
  int64_t target = position_;
  bool overflow = false;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent:
      overflow = __builtin_add_overflow(position_, offset, &target);
      break;
    case soEnd:
      overflow = __builtin_add_overflow(size_, offset, &target);
      break;
    default: break;
  }
  if (!overflow) position_ = target;
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
  const auto* bytes = static_cast<const uint8_t*>(memory_);
  InPieces(size_, [&](int64_t offset, int32_t n) { stream->WriteBuffer(bytes + offset, n); });
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

// ---- TMemoryStream ----

TMemoryStream::~TMemoryStream() { std::free(memory_); }

void TMemoryStream::SetCapacity(int64_t newCapacity) {
  if (newCapacity <= 0) {
    std::free(memory_);
    memory_ = nullptr;
    capacity_ = 0;
    return;
  }
  if (newCapacity > std::numeric_limits<int64_t>::max() - kCapacityGranule) ThrowOutOfMemory();
  newCapacity = (newCapacity + kCapacityGranule - 1) / kCapacityGranule * kCapacityGranule;
  if (newCapacity == capacity_) return;
  void* block = std::realloc(memory_, static_cast<size_t>(newCapacity));
  if (!block) ThrowOutOfMemory();
  memory_ = block;
  capacity_ = newCapacity;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  int64_t oldPosition = position_;
  SetCapacity(newSize);
  size_ = newSize;
  if (oldPosition > newSize) Seek(0, soEnd);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (position_ < 0 || count <= 0 || position_ > std::numeric_limits<int64_t>::max() - count) {
    return 0;
  }
  int64_t end = position_ + count;
  if (end > size_) {
    if (end > capacity_) {
      // Grow by half again at least, so writing byte by byte stays linear.
      SetCapacity(std::max(end, capacity_ + capacity_ / 2));
    }
    if (position_ > size_) {
      // A gap left by seeking past the end reads as zeros.
      std::memset(static_cast<uint8_t*>(memory_) + size_, 0,
                  static_cast<size_t>(position_ - size_));
    }
    size_ = end;
  }
  std::memcpy(static_cast<uint8_t*>(memory_) + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  size_ = 0;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  int64_t count = stream->GetSize();
  if (count < 0) throw EReadError("Stream read error");
  SetSize(count);
  // A stream that cannot size its block (TPVMemStream over a caller's block) is not written
  // into, even when the sizes happen to agree.
  if (GetSize() != count || capacity_ < count) throw EWriteError("Stream write error");
  auto* bytes = static_cast<uint8_t*>(memory_);
  InPieces(count, [&](int64_t offset, int32_t n) { stream->ReadBuffer(bytes + offset, n); });
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

// ---- TPVMemStream ----

TPVMemStream::TPVMemStream(const void* memory, int64_t size) {
  // Never written through: Write and SetSize are disabled below.
  SetPointer(const_cast<void*>(memory), size < 0 ? 0 : size);
}

TPVMemStream::~TPVMemStream() {
  // The block is the caller's: keep the owning base from freeing it.
  memory_ = nullptr;
}

void TPVMemStream::SetSize(int64_t) {}

int32_t TPVMemStream::Write(const void*, int32_t) { return 0; }

void TPVMemStream::SetCapacity(int64_t) {}

}  // namespace calmora
