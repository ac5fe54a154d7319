// Short test clips made with the real ffmpeg at test time: a still noise texture seen
// through a crop window that moves by known offsets every frame, i.e. a shaky camera.
#pragma once

#include <string>

namespace calmora::test {

struct ClipOptions {
  int Width = 160;
  int Height = 120;
  double Seconds = 2.0;
  int Fps = 25;
  int Shake = 8;       // largest horizontal offset in pixels; vertical is 3/4 of it
  bool Audio = false;  // a 440 Hz tone as a second stream
  unsigned Seed = 7;   // texture
};

// Where the crop window stands in frame `frame`, relative to its resting place. The image
// content of frame n+1 is that of frame n moved by Offset(n) - Offset(n+1).
struct ShakeOffset {
  int X = 0;
  int Y = 0;
};
ShakeOffset ClipShake(int frame, const ClipOptions& options);

// Writes the clip to `path` (the container follows the extension); false with the
// engine's messages in `log` on failure.
bool MakeShakyClip(const std::string& path, const ClipOptions& options = {},
                   std::string* log = nullptr);

// ffprobe's view of a file's first video stream; false when ffprobe finds none.
struct ProbedVideo {
  int Width = 0;
  int Height = 0;
  double Seconds = 0.0;
};
bool ProbeWithFfprobe(const std::string& path, ProbedVideo* video = nullptr);

}  // namespace calmora::test
