// How the media probe reads the engine's description of a file: the collector that
// gathers the printed text, and the parser that takes duration, bit rates and the
// largest picture size out of it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/engine_runner.h"
#include "app/tffinfo.h"

namespace calmora {

// Collects the probe's output into the caller's text, byte for byte. The engine writes a
// line in several pieces ("  Duration: ", then the value), and a read may end between
// them, so reads are appended as they come: trimming each one would glue "Duration:" to
// its value, and dropping a read whose text occurred before would lose pieces such as
// " kb/s". Idle polls offer the previous read again; it is appended only when its trimmed
// text is not in the collected text yet, which never holds once it has been appended.
// `cancelled`, when given, is asked before every poll: true stops the probe and its engine.
class ProbeTextCollector : public EngineRunHandler {
 public:
  explicit ProbeTextCollector(std::string& text, std::function<bool()> cancelled = {})
      : text_(text), cancelled_(std::move(cancelled)) {}
  void Started() override { text_.clear(); }
  bool StopBeforePoll() override { return cancelled_ && cancelled_(); }
  bool Chunk(std::string_view chunk) override;
  void Idle(std::string_view previousChunk) override;

 private:
  std::string& text_;
  std::function<bool()> cancelled_;
};

// Writes what the text tells into `info`: duration, bitrate, video_bitrate and
// audio_bitrate only when found, width and height always (empty when no size was found).
void ParseProbeText(const std::string& text, Tffinfo& info);

// True when `duration` holds a usable value (not empty, "0" or "N/A").
bool HasUsableDuration(const Tffinfo& info);

// True when the description names a video stream: a stream line ("Stream #...") with
// ": Video:" that is not a cover picture ("(attached pic)"), the only kind of stream
// there is to stabilise. The file's own path, which the engine repeats, is left out.
bool DescribesVideoStream(const std::string& text, const std::string& filePath);

}  // namespace calmora
