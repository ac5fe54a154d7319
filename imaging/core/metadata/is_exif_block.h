// IsExifBlock: whether a JPEG APP1 payload holds EXIF data (rather than XMP or anything else).
#pragma once

#include <cstdint>

namespace calmora {

// True when the payload starts with the text "Exif" ended by a zero byte ("Exif" 0 0 begins
// every EXIF block). Payloads shorter than those 6 bytes are refused and never read past
// Length.
bool IsExifBlock(const void* Payload, int64_t Length);

}  // namespace calmora
