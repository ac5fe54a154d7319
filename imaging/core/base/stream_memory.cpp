// Memory streams: reading and seeking over a block (TCustomMemoryStream), a growable owned
// block (TMemoryStream) and the read-only view of a caller's block (TPVMemStream).
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "imaging/core/base/streams.h"

namespace calmora {

namespace {

constexpr int64_t CapacityGranule = 0x2000;  // capacities are whole multiples of 8 KB

[[noreturn]] void ThrowOutOfMemory() {
  throw EStreamError("Out of memory while expanding memory stream");
}

// Calls move(offset, n) over total bytes in pieces that fit one stream transfer.
template <typename Move>
void InPieces(int64_t total, Move move) {
  constexpr int64_t Piece = int64_t{1} << 30;
  for (int64_t done = 0; done < total; done += Piece) {
    move(done, static_cast<int32_t>(std::min(total - done, Piece)));
  }
}

}  // namespace

// ---- TCustomMemoryStream ----

void TCustomMemoryStream::SetPointer(void* memory, int64_t size) {
  Memory_ = memory;
  Size_ = size;
}

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count) {
  if (Position_ < 0 || count <= 0) return 0;
  int64_t available = Size_ - Position_;
  if (available <= 0) return 0;
  auto n = static_cast<int32_t>(std::min<int64_t>(available, count));
  std::memcpy(buffer, static_cast<const uint8_t*>(Memory_) + Position_, static_cast<size_t>(n));
  Position_ += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  // Offsets may come straight from file data: a target beyond the 64-bit range leaves the
  // position where it is instead of wrapping.
  int64_t target = Position_;
  bool overflow = false;
  switch (origin) {
    case soBeginning: target = offset; break;
    case soCurrent: overflow = __builtin_add_overflow(Position_, offset, &target); break;
    case soEnd: overflow = __builtin_add_overflow(Size_, offset, &target); break;
    default: break;
  }
  if (!overflow) Position_ = target;
  return Position_;
}

void TCustomMemoryStream::SaveToStream(TStream* stream) {
  const auto* bytes = static_cast<const uint8_t*>(Memory_);
  InPieces(Size_, [&](int64_t offset, int32_t n) { stream->WriteBuffer(bytes + offset, n); });
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(&file);
}

// ---- TMemoryStream ----

TMemoryStream::~TMemoryStream() { std::free(Memory_); }

void TMemoryStream::SetCapacity(int64_t newCapacity) {
  if (newCapacity <= 0) {
    std::free(Memory_);
    Memory_ = nullptr;
    Capacity_ = 0;
    return;
  }
  if (newCapacity > std::numeric_limits<int64_t>::max() - CapacityGranule) ThrowOutOfMemory();
  newCapacity = (newCapacity + CapacityGranule - 1) / CapacityGranule * CapacityGranule;
  if (newCapacity == Capacity_) return;
  void* block = std::realloc(Memory_, static_cast<size_t>(newCapacity));
  if (!block) ThrowOutOfMemory();
  Memory_ = block;
  Capacity_ = newCapacity;
}

void TMemoryStream::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  int64_t oldPosition = Position_;
  SetCapacity(newSize);
  Size_ = newSize;
  if (oldPosition > newSize) Seek(0, soEnd);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (Position_ < 0 || count <= 0 || Position_ > std::numeric_limits<int64_t>::max() - count) {
    return 0;
  }
  int64_t end = Position_ + count;
  if (end > Size_) {
    if (end > Capacity_) {
      // Grow by half again at least, so writing byte by byte stays linear.
      SetCapacity(std::max(end, Capacity_ + Capacity_ / 2));
    }
    if (Position_ > Size_) {
      // A gap left by seeking past the end reads as zeros.
      std::memset(static_cast<uint8_t*>(Memory_) + Size_, 0,
                  static_cast<size_t>(Position_ - Size_));
    }
    Size_ = end;
  }
  std::memcpy(static_cast<uint8_t*>(Memory_) + Position_, buffer, static_cast<size_t>(count));
  Position_ = end;
  return count;
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  Size_ = 0;
  Position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* stream) {
  stream->SetPosition(0);
  int64_t count = stream->GetSize();
  if (count < 0) throw EReadError("Stream read error");
  SetSize(count);
  // A stream that cannot size its block (TPVMemStream over a caller's block) is not written
  // into, even when the sizes happen to agree.
  if (GetSize() != count || Capacity_ < count) throw EWriteError("Stream write error");
  auto* bytes = static_cast<uint8_t*>(Memory_);
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
  Memory_ = nullptr;
}

void TPVMemStream::SetSize(int64_t) {}

int32_t TPVMemStream::Write(const void*, int32_t) { return 0; }

void TPVMemStream::SetCapacity(int64_t) {}

}  // namespace calmora
