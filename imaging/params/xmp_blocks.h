// The XMP packet of a JPEG APP1 marker: finding it, reading it into the parameter record and
// building the marker's payload from the record.
#pragma once

#include <cstdint>

#include "imaging/base/malloc_block.h"
#include "imaging/params/io_params.h"

namespace calmora {

// The namespace identifier that opens an XMP APP1 payload, its zero byte included.
inline constexpr char kXMPIdentifier[] = "http://ns.adobe.com/xap/1.0/";
inline constexpr int64_t kXMPIdentifierSize = sizeof kXMPIdentifier;  // 29

// The packet text just after the payload's first zero byte; null when the payload is shorter
// than 30 bytes, its first 24 bytes are not those of the identifier, or it holds no zero byte.
const uint8_t* FindXMPPacket(const void* Payload, int64_t Length);
// With a packet found, XMP_Info becomes the bytes from it to the payload's end: true. Else
// false, and the record is untouched.
bool ReadXMPBlock(const void* Payload, int64_t Length, TIOParamsVals& Params);
// A new payload: the identifier, then XMP_Info without a terminator; Length is 29 + its size.
// False, with a null Buffer and Length 0, when the block cannot be allocated.
bool BuildXMPBlock(const TIOParamsVals& Params, UniqueMallocBlock<uint8_t>& Buffer,
                   int64_t& Length);

}  // namespace calmora
