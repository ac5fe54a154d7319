// IsExifBlock: the test of an APP1 payload's leading text.
#include "imaging/core/metadata/is_exif_block.h"

#include <cstring>

namespace calmora {

bool IsExifBlock(const void* Payload, int64_t Length) {
  constexpr int64_t kExifHeaderSize = 6;  // "Exif", two zero bytes
  if (Payload == nullptr || Length < kExifHeaderSize) return false;
  // The text up to the first zero byte must be "Exif": the four letters and then the zero.
  return std::memcmp(Payload, "Exif", 5) == 0;
}

}  // namespace calmora
