// The rate and scale of an AVI file's first video stream, read from its stream header as the
// file states them: the demuxer reduces the pair to a time base and replaces a zero, and the
// frame delay must see the file's own values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace calmora::platform {

struct AviRateAndScale {
  uint32_t Rate = 0;  // frames per Scale seconds, as stored
  uint32_t Scale = 0;
};

// Walks the RIFF header list of the AVI bytes (only whole chunks inside the given bytes) to the
// first stream header of type "vids"; nothing when there is none.
std::optional<AviRateAndScale> FindVideoRateAndScale(const uint8_t* data, size_t size);

// The same for a file, reading at most its first kAviHeaderReadLimit bytes.
inline constexpr size_t kAviHeaderReadLimit = size_t{1} << 20;
std::optional<AviRateAndScale> ReadVideoRateAndScale(const std::string& fileName);

// Milliseconds a frame stays: Scale x 1000 div Rate in 64 bits; 0 when either is 0.
uint64_t AviFrameDelay(uint32_t rate, uint32_t scale);

}  // namespace calmora::platform
