// TPVByteArray: capacity moves in steps, so a caller that knows the expected length picks a
// step that avoids most reallocations.
#include "imaging/base/byte_array.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/base/streams/streams.h"

namespace calmora {

TPVByteArray::TPVByteArray(int32_t step) : Step(std::max(step, 0)) {
  Reallocate(Step, 0);
}

TPVByteArray::~TPVByteArray() { std::free(Data); }

void TPVByteArray::Reallocate(int64_t newCapacity, int32_t keep) {
  if (newCapacity > std::numeric_limits<int32_t>::max()) throw std::bad_alloc();
  // One byte at least, so that a step of 0 still gives a real block.
  auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(std::max<int64_t>(newCapacity, 1))));
  if (!block) throw std::bad_alloc();
  if (keep > 0) std::memcpy(block, Data, static_cast<size_t>(keep));
  std::free(Data);
  Data = block;
  Capacity = static_cast<int32_t>(newCapacity);
}

void TPVByteArray::AddByte(uint8_t b) {
  SetSize(Size + 1);
  Data[Size - 1] = b;
}

void TPVByteArray::SetSize(int32_t n) {
  n = std::max(n, 0);
  if (n > Size) {
    if (n > Capacity) Reallocate(static_cast<int64_t>(n) + Step, Size);
  } else if (static_cast<int64_t>(n) < static_cast<int64_t>(Capacity) - Step) {
    Reallocate(static_cast<int64_t>(n) + Step, n);
  }
  Size = n;
}

int32_t TPVByteArray::AppendFromStream(TStream* stream, int32_t n) {
  if (n <= 0) return 0;
  int32_t oldSize = Size;
  if (n > std::numeric_limits<int32_t>::max() - oldSize) throw std::bad_alloc();
  SetSize(oldSize + n);
  int32_t got = std::max(stream->Read(Data + oldSize, n), 0);
  SetSize(oldSize + got);
  return got;
}

}  // namespace calmora
