// The chunk handler of one stabilising pass: Cancel, the engine's error texts, progress
// records driving the gauges and the status line, and the tail of the output from which
// a failed pass takes its error line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/engine_runner.h"
#include "app/stabilise_passes.h"

namespace calmora {

enum class PassKind { kAnalysis, kTransform };

class PassWatcher : public EngineRunHandler {
 public:
  // `durationSeconds` is nothing when the probed duration could not be read; records then
  // set the status line but move no gauge. `progressSeen` is shared by both passes.
  // `echoedPaths` are the files named on the pass's command line: the engine repeats
  // them in its messages, and their names are not the engine's words.
  PassWatcher(PassKind kind, std::optional<double> durationSeconds, int fileIndex, int fileCount,
              StabiliseProgress& progress, bool& progressSeen,
              std::vector<std::string> echoedPaths);

  bool StopBeforePoll() override;
  bool Chunk(std::string_view chunk) override;
  // Judges the last line, which the engine may have left without a line break; called
  // once the engine has ended.
  void EngineEnded();

  bool Cancelled() const { return cancelled_; }
  // The engine error text that ended the pass, empty when none did.
  const std::string& ErrorText() const { return errorText_; }
  // The last non-empty line of the output that is not a progress record; empty if none.
  std::string LastErrorLine() const;

 private:
  // Looks for the engine's error texts in the line collected so far and starts a new one;
  // true when it found one (ErrorText then holds it).
  bool JudgeLine();

  PassKind kind_;
  std::optional<double> durationSeconds_;
  int fileIndex_;
  int fileCount_;
  StabiliseProgress& progress_;
  bool& progressSeen_;
  std::vector<std::string> echoedPaths_;
  bool cancelled_ = false;
  std::string line_;  // the line being printed, possibly over several reads
  std::string errorText_;
  std::string tail_;  // the last few kilobytes of output
};

}  // namespace calmora
