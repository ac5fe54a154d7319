// Tffinfo: what the media probe learns about one video file, kept as the
// engine printed it (texts, not numbers) because later steps reuse the text.
#pragma once

#include <string>

namespace calmora {

struct Tffinfo {
  std::string filepath, duration, bitrate, video_bitrate, audio_bitrate, width, height, spare;
  void Clear();  // empties all eight
};

}  // namespace calmora
