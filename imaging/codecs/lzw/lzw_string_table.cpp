// The encoders' string table: open addressing over 5,003 slots with a secondary step, as the
// classic LZW compressors do, so a lookup costs a probe or two and nothing is allocated.
#include <algorithm>
#include <iterator>

#include "imaging/codecs/lzw/lzw_encoder_core.h"

namespace calmora::lzw_detail {

void LZWStringTable::Clear() { std::fill(std::begin(keys_), std::end(keys_), -1); }

int LZWStringTable::Find(int byte, int prefix, int& slot) const {
  const int32_t key = Key(byte, prefix);
  // byte < 256 and prefix < 4096, so the first slot lies below 4,096.
  int index = (byte << 4) ^ prefix;
  if (keys_[index] == key) {
    slot = index;
    return codes_[index];
  }
  const int step = index == 0 ? 1 : kSlots - index;
  while (keys_[index] >= 0) {
    index -= step;
    if (index < 0) index += kSlots;
    if (keys_[index] == key) {
      slot = index;
      return codes_[index];
    }
  }
  slot = index;
  return -1;
}

}  // namespace calmora::lzw_detail
