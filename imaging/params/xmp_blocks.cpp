// The XMP packet of a JPEG APP1 marker: found by its namespace identifier, read into XMP_Info
// and built back from it.
#include "imaging/params/xmp_blocks.h"

#include <cstring>

namespace calmora {

namespace {

// Shorter payloads hold the identifier and at most nothing after it.
constexpr int64_t kMinimumPayload = 30;
// The identifier's bytes compared: enough to tell XMP from any other APP1.
constexpr size_t kComparedBytes = 24;

}  // namespace

const uint8_t* FindXMPPacket(const void* Payload, int64_t Length) {
  if (Payload == nullptr || Length < kMinimumPayload) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(Payload);
  if (std::memcmp(bytes, kXMPIdentifier, kComparedBytes) != 0) return nullptr;
  const void* zero = std::memchr(bytes, 0, static_cast<size_t>(Length));
  return zero ? static_cast<const uint8_t*>(zero) + 1 : nullptr;
}

bool ReadXMPBlock(const void* Payload, int64_t Length, TIOParamsVals& Params) {
  const uint8_t* packet = FindXMPPacket(Payload, Length);
  if (packet == nullptr) return false;
  const auto* end = static_cast<const uint8_t*>(Payload) + Length;
  Params.XMP_Info.assign(reinterpret_cast<const char*>(packet), static_cast<size_t>(end - packet));
  return true;
}

bool BuildXMPBlock(const TIOParamsVals& Params, UniqueMallocBlock<uint8_t>& Buffer,
                   int64_t& Length) {
  const std::string& packet = Params.XMP_Info;
  const size_t size = static_cast<size_t>(kXMPIdentifierSize) + packet.size();
  Buffer.reset(static_cast<uint8_t*>(std::malloc(size)));
  if (Buffer == nullptr) {
    Length = 0;
    return false;
  }
  std::memcpy(Buffer.get(), kXMPIdentifier, kXMPIdentifierSize);
  if (!packet.empty()) std::memcpy(Buffer.get() + kXMPIdentifierSize, packet.data(), packet.size());
  Length = static_cast<int64_t>(size);
  return true;
}

}  // namespace calmora
