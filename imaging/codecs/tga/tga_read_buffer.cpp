// TGAReadBuffer's refills and block reads: the stream is read through the byte reader, never
// past its end.
#include <algorithm>
#include <cstring>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/base/streams/byte_reader.h"

namespace calmora {

bool TGAReadBuffer::Refill() {
  TPVByteReader reader(stream_);
  const auto count = static_cast<int32_t>(std::min<int64_t>(kSize, reader.Left()));
  index_ = 0;
  count_ = 0;
  if (count <= 0 || !reader.Read(data_.data(), count)) {
    exhausted_ = true;
    return false;
  }
  count_ = static_cast<uint16_t>(count);
  return true;
}

void TGAReadBuffer::Read(uint8_t* target, int32_t count) {
  while (count > 0) {
    if (index_ >= count_ && !Refill()) {
      std::memset(target, 0, static_cast<size_t>(count));
      return;
    }
    const int32_t take = std::min<int32_t>(count, count_ - index_);
    std::memcpy(target, data_.data() + index_, static_cast<size_t>(take));
    index_ = static_cast<uint16_t>(index_ + take);
    target += take;
    count -= take;
  }
}

}  // namespace calmora
