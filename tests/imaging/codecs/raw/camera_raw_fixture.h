// A camera raw file made byte by byte, for the tests of the raw content test and of detection.
#pragma once

#include <cstdint>
#include <string>

#include "tests/imaging/support/byte_strings.h"

namespace calmora::test {

// A TIFF-structured camera raw file of side x side 16-bit samples behind a colour filter array,
// marked by the DNG version and the CFA photometric interpretation: what LibRaw identifies when
// the image is at least 64 x 64 (it refuses 16 x 16).
inline std::string CameraRawTIFF(int side) {
  struct Tag {
    uint16_t Id, Type;
    uint32_t Count, Value;
  };
  constexpr int kTags = 15;
  const uint32_t extraStart = 8 + 2 + kTags * 12 + 4;
  const std::string make("Canon\0", 6), model("EOS Test\0\0", 10);
  const uint32_t makeAt = extraStart, modelAt = makeAt + 6, pixelsAt = modelAt + 10;
  const uint32_t pixelBytes = static_cast<uint32_t>(side * side * 2);
  const Tag tags[kTags] = {
      {254, 4, 1, 0},          {256, 3, 1, static_cast<uint32_t>(side)},
      {257, 3, 1, static_cast<uint32_t>(side)}, {258, 3, 1, 16},
      {259, 3, 1, 1},          {262, 3, 1, 32803},
      {271, 2, 6, makeAt},     {272, 2, 9, modelAt},
      {273, 4, 1, pixelsAt},   {277, 3, 1, 1},
      {278, 3, 1, static_cast<uint32_t>(side)}, {279, 4, 1, pixelBytes},
      {33421, 3, 2, 0x00020002}, {33422, 1, 4, 0x02010100},
      {50706, 1, 4, 0x00000401},
  };
  std::string bytes("II*\0", 4);
  AppendLE(bytes, 8, 4);
  AppendLE(bytes, kTags, 2);
  for (const Tag& tag : tags) {
    AppendLE(bytes, tag.Id, 2);
    AppendLE(bytes, tag.Type, 2);
    AppendLE(bytes, tag.Count, 4);
    AppendLE(bytes, tag.Value, 4);
  }
  AppendLE(bytes, 0, 4);
  bytes += make + model;
  for (uint32_t i = 0; i < pixelBytes; ++i) bytes.push_back(static_cast<char>(i * 7));
  return bytes;
}

}  // namespace calmora::test
