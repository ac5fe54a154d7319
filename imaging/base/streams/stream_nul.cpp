// TNulStream: stores nothing and only counts, so a writer can be run to learn how many bytes
// it would produce.
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

// Position + offset, or nothing on overflow (the position then stays).
bool AddOffset(int64_t position, int64_t offset, int64_t& result) {
  return !__builtin_add_overflow(position, offset, &result);
}

}  // namespace

int32_t TNulStream::Read(void*, int32_t count) {
  // The sum goes to a local first: on overflow the builtin still stores the wrapped value.
  int64_t target;
  if (count <= 0 || !AddOffset(Position, count, target)) return 0;
  Position = target;
  if (Position >= Size) Size = Position;
  return count;
}

int32_t TNulStream::Write(const void* buffer, int32_t count) { return Read(nullptr, count); }

int64_t TNulStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t target = Position;
  switch (origin) {
    case soBeginning:
      target = offset;
      break;
    case soCurrent:
      if (!AddOffset(Position, offset, target)) return Position;
      break;
    case soEnd:
      // The offset counts back from the end; the size stays.
      if (__builtin_sub_overflow(Size, offset, &target)) return Position;
      Position = target;
      return Position;
    default:
      return Position;
  }
  Position = target;
  if (Position >= Size) Size = Position;
  return Position;
}

}  // namespace calmora
