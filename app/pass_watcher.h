// The chunk handler of one stabilising pass: Cancel, the engine's error texts, progress
// records driving the gauges and the status line, and the tail of the output from which
// a failed transform pass takes its error line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/engine_runner.h"
#include "app/stabilise_passes.h"

namespace calmora {

enum class PassKind { kAnalysis, kTransform };

class PassWatcher : public EngineRunHandler {
 public:
  // `duration_seconds` is nothing when the probed duration could not be read; records then
  // set the status line but move no gauge. `progress_seen` is shared by both passes.
  PassWatcher(PassKind kind, std::optional<double> duration_seconds, int file_index, int file_count,
              StabiliseProgress& progress, bool& progress_seen);

  bool StopBeforePoll() override;
  bool Chunk(std::string_view chunk) override;

  bool Cancelled() const { return cancelled_; }
  // The engine error text that ended the pass, empty when none did.
  const std::string& ErrorText() const { return error_text_; }
  // The last non-empty line of the output that is not a progress record; empty if none.
  std::string LastErrorLine() const;

 private:
  PassKind kind_;
  std::optional<double> duration_seconds_;
  int file_index_;
  int file_count_;
  StabiliseProgress& progress_;
  bool& progress_seen_;
  bool cancelled_ = false;
  std::string previous_;
  std::string error_text_;
  std::string tail_;  // the last few kilobytes of output
};

}  // namespace calmora
