// The movable global-memory block: a zero-filled heap block with a lock count.
#include "platform/global_memory.h"

#include <cstdlib>
#include <limits>
#include <utility>

namespace calmora::platform {

void TGlobalMemory::FreeBlock::operator()(uint8_t* block) const { std::free(block); }

TGlobalMemory::TGlobalMemory(int64_t size) {
  if (size <= 0 || static_cast<uint64_t>(size) > std::numeric_limits<size_t>::max()) return;
  Block_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(size), 1)));
  if (Block_) Size_ = size;
}

TGlobalMemory::TGlobalMemory(TGlobalMemory&& other) noexcept
    : Block_(std::move(other.Block_)),
      Size_(std::exchange(other.Size_, 0)),
      LockCount_(std::exchange(other.LockCount_, 0)) {}

TGlobalMemory& TGlobalMemory::operator=(TGlobalMemory&& other) noexcept {
  if (this != &other) {
    Block_ = std::move(other.Block_);
    Size_ = std::exchange(other.Size_, 0);
    LockCount_ = std::exchange(other.LockCount_, 0);
  }
  return *this;
}

TGlobalMemory::~TGlobalMemory() = default;

uint8_t* TGlobalMemory::Lock() {
  if (!Block_) return nullptr;
  ++LockCount_;
  return Block_.get();
}

bool TGlobalMemory::Unlock() {
  if (LockCount_ == 0) return false;
  --LockCount_;
  return true;
}

void TGlobalMemory::Free() {
  Block_.reset();
  Size_ = 0;
  LockCount_ = 0;
}

}  // namespace calmora::platform
