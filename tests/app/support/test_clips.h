// Short test clips made with the real ffmpeg at test time: a still noise texture seen
// through a crop window that moves by known offsets every frame, i.e. a shaky camera.
#pragma once

#include <string>

namespace calmora::test {

struct ClipOptions {
  int width = 160;
  int height = 120;
  double seconds = 2.0;
  int fps = 25;
  int shake = 8;       // largest horizontal offset in pixels; vertical is 3/4 of it
  bool audio = false;  // a 440 Hz tone as a second stream
  unsigned seed = 7;   // texture
};

// Where the crop window stands in frame `frame`, relative to its resting place. The image
// content of frame n+1 is that of frame n moved by Offset(n) - Offset(n+1).
struct ShakeOffset {
  int x = 0;
  int y = 0;
};
ShakeOffset ClipShake(int frame, const ClipOptions& options);

// Writes the clip to `path` (the container follows the extension); false with the
// engine's messages in `log` on failure.
bool MakeShakyClip(const std::string& path, const ClipOptions& options = {},
                   std::string* log = nullptr);

// ffprobe's view of a file's first video stream; false when ffprobe finds none.
struct ProbedVideo {
  int width = 0;
  int height = 0;
  double seconds = 0.0;
};
bool ProbeWithFfprobe(const std::string& path, ProbedVideo* video = nullptr);

}  // namespace calmora::test
