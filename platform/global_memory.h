// A movable global-memory block, in place of the system's global memory handles: allocated
// zero-filled, locked for use and unlocked again, owned by whoever holds the object.
#pragma once

#include <cstdint>
#include <memory>

namespace calmora::platform {

// Like a global memory handle, the block is reached only between Lock and Unlock: code that
// keeps a pointer past its Unlock has a bug even though this block never moves. Moving the
// object hands the block over; destroying it frees the block, locked or not.
class TGlobalMemory {
 public:
  TGlobalMemory() = default;  // no block
  // A zero-filled block of size bytes; no block when size is not positive or memory cannot be
  // had.
  explicit TGlobalMemory(int64_t size);
  TGlobalMemory(TGlobalMemory&& other) noexcept;
  TGlobalMemory& operator=(TGlobalMemory&& other) noexcept;
  TGlobalMemory(const TGlobalMemory&) = delete;
  TGlobalMemory& operator=(const TGlobalMemory&) = delete;
  ~TGlobalMemory();

  explicit operator bool() const { return Block_ != nullptr; }
  // Bytes of the block; 0 without one.
  int64_t GetSize() const { return Size_; }
  // The block's first byte, counting one more lock; null without a block.
  uint8_t* Lock();
  // Counts one lock less; false when the block was not locked.
  bool Unlock();
  int32_t GetLockCount() const { return LockCount_; }
  // Frees the block now (also a locked one): afterwards there is none.
  void Free();

 private:
  struct FreeBlock {
    void operator()(uint8_t* block) const;
  };
  std::unique_ptr<uint8_t, FreeBlock> Block_;
  int64_t Size_ = 0;
  int32_t LockCount_ = 0;
};

// Holds one lock of a block for a scope.
class TGlobalMemoryLock {
 public:
  explicit TGlobalMemoryLock(TGlobalMemory& memory) : Memory_(memory), Data_(memory.Lock()) {}
  ~TGlobalMemoryLock() {
    if (Data_) Memory_.Unlock();
  }
  TGlobalMemoryLock(const TGlobalMemoryLock&) = delete;
  TGlobalMemoryLock& operator=(const TGlobalMemoryLock&) = delete;

  uint8_t* Data() const { return Data_; }
  int64_t Size() const { return Data_ ? Memory_.GetSize() : 0; }

 private:
  TGlobalMemory& Memory_;
  uint8_t* Data_;
};

}  // namespace calmora::platform
