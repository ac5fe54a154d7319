// TPVByteArray: a growable byte buffer that grows and shrinks by a fixed step; the magic-wand
// selection and the GIF decoder fill it.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"

namespace calmora {

class TStream;

class TPVByteArray : public TObject {
 public:
  // Size 0, Capacity = Step = step (a negative step counts as 0).
  explicit TPVByteArray(int32_t step);
  ~TPVByteArray() override;
  TPVByteArray(const TPVByteArray&) = delete;
  TPVByteArray& operator=(const TPVByteArray&) = delete;

  void AddByte(uint8_t b);
  // Growing past Capacity, or shrinking below Capacity - Step, reallocates to n + Step bytes;
  // otherwise only Size changes. A negative n counts as 0. Raises std::bad_alloc when the
  // block cannot be had (or would pass 2 GB).
  void SetSize(int32_t n);
  // Reads up to n bytes from the stream's position onto the end; returns the bytes read and
  // keeps exactly them.
  int32_t AppendFromStream(TStream* stream, int32_t n);

  int32_t Size = 0;      // bytes in use
  int32_t Capacity = 0;  // bytes allocated
  int32_t Step = 0;      // growth step, also the first capacity
  uint8_t* Data = nullptr;

 private:
  void Reallocate(int64_t newCapacity, int32_t keep);
};

}  // namespace calmora
