// The Targa content test. Targa has no magic number, so the header's fields are checked against
// the values a Targa file can hold: that is all there is to go on.
#include <array>
#include <cstdint>

#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"

namespace calmora {

namespace {

constexpr int32_t kTGAHeaderBytes = 18;

bool IsTGAImageType(uint8_t type) {
  return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

bool IsTGAPixelDepth(uint8_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

}  // namespace

bool IsTGAStream(TStream* Stream) {
  std::array<uint8_t, kTGAHeaderBytes> header;
  if (PeekStreamBytes(Stream, header.data(), kTGAHeaderBytes) < kTGAHeaderBytes) return false;
  TPVByteReader reader(header.data(), kTGAHeaderBytes);
  reader.Skip(1);  // identification field length
  const uint8_t colorMapType = reader.ReadByte();
  const uint8_t imageType = reader.ReadByte();
  reader.Skip(9);  // colour-map fields and origin
  const uint16_t width = reader.ReadLE<uint16_t>();
  const uint16_t height = reader.ReadLE<uint16_t>();
  const uint8_t depth = reader.ReadByte();
  return IsTGAImageType(imageType) && IsTGAPixelDepth(depth) && colorMapType < 2 && width != 0 &&
         height != 0;
}

}  // namespace calmora
