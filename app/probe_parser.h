// How the media probe reads the engine's description of a file: the collector that
// gathers the printed text, and the parser that takes duration, bit rates and the
// largest picture size out of it.
#pragma once

#include <string>
#include <string_view>

#include "app/engine_runner.h"
#include "app/tffinfo.h"

namespace calmora {

// Collects the probe's output into the caller's text, byte for byte. The engine writes a
// line in several pieces ("  Duration: ", then the value), and a read may end between
// them, so reads are appended as they come: trimming each one would glue "Duration:" to
// its value, and dropping a read whose text occurred before would lose pieces such as
// " kb/s". Idle polls offer the previous read again; it is appended only when its trimmed
// text is not in the collected text yet, which never holds once it has been appended.
class ProbeTextCollector : public EngineRunHandler {
 public:
  explicit ProbeTextCollector(std::string& text) : text_(text) {}
  void Started() override { text_.clear(); }
  bool Chunk(std::string_view chunk) override;
  void Idle(std::string_view previous_chunk) override;

 private:
  std::string& text_;
};

// Writes what the text tells into `info`: duration, bitrate, video_bitrate and
// audio_bitrate only when found, width and height always (empty when no size was found).
void ParseProbeText(const std::string& text, Tffinfo& info);

// True when `duration` holds a usable value (not empty, "0" or "N/A").
bool HasUsableDuration(const Tffinfo& info);

}  // namespace calmora
