// The marker segments of a JPEG file, for the metadata tests: taken apart up to the start of
// the scan, and one more segment put in after the start-of-image marker.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calmora::test {

struct JpegSegment {
  uint8_t Type = 0;              // the byte after 0xFF: 0xE1 for APP1, 0xED for APP13 ...
  std::vector<uint8_t> Payload;  // after the 2-byte length field
};

// The segments between the start-of-image marker and the scan; empty when the bytes do not
// begin a JPEG file or a segment does not fit.
inline std::vector<JpegSegment> ReadJpegSegments(const std::string& file) {
  std::vector<JpegSegment> segments;
  const auto byte = [&](size_t at) { return static_cast<uint8_t>(file[at]); };
  if (file.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return {};
  size_t at = 2;
  while (at + 4 <= file.size() && byte(at) == 0xFF && byte(at + 1) != 0xDA) {
    const size_t length = size_t{byte(at + 2)} << 8 | byte(at + 3);
    if (length < 2 || at + 2 + length > file.size()) return {};
    JpegSegment segment;
    segment.Type = byte(at + 1);
    segment.Payload.assign(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           file.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
    segments.push_back(std::move(segment));
    at += 2 + length;
  }
  return segments;
}

// The payloads of the segments of one type, in file order.
inline std::vector<std::vector<uint8_t>> PayloadsOfType(const std::vector<JpegSegment>& segments,
                                                        uint8_t type) {
  std::vector<std::vector<uint8_t>> payloads;
  for (const JpegSegment& segment : segments)
    if (segment.Type == type) payloads.push_back(segment.Payload);
  return payloads;
}

// The file with a segment of that type and payload (at most 65,533 bytes) right after the
// start-of-image marker.
inline std::string WithSegment(const std::string& file, uint8_t type,
                               const std::vector<uint8_t>& payload) {
  const size_t length = payload.size() + 2;
  std::string segment = {'\xFF', static_cast<char>(type), static_cast<char>(length >> 8),
                         static_cast<char>(length & 0xFF)};
  segment.append(payload.begin(), payload.end());
  return file.substr(0, 2) + segment + file.substr(2);
}

}  // namespace calmora::test
