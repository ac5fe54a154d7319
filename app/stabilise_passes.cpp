// RunStabilisePasses: the analysis pass (vidstabdetect) and the transform pass
// (vidstabtransform + unsharp) for one file, with Cancel, error texts and both gauges.
#include "app/stabilise_passes.h"

#include <sys/stat.h>

#include <optional>

#include "app/engine_runner.h"
#include "app/pass_commands.h"
#include "app/pass_watcher.h"

namespace calmora {

namespace {

// True when both paths name one existing file (however the texts differ): writing the
// output there would destroy the input while the engine reads it.
bool SameExistingFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool NonEmptyFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
}

// Why a transform pass that ended by itself did not deliver; empty when it did.
std::string TransformFailure(const EngineRunResult& run, const PassWatcher& watcher,
                             const std::string& output) {
  const bool exited_cleanly = !run.killed_by_signal && run.exit_code == 0;
  if (exited_cleanly && NonEmptyFile(output)) return "";
  std::string line = watcher.LastErrorLine();
  if (!line.empty()) return line;
  if (run.killed_by_signal) return "The engine was stopped by a signal.";
  if (!exited_cleanly)
    return "The engine stopped with exit status " + std::to_string(run.exit_code) + ".";
  return "No output file was written.";
}

// How a finished pass run ends the call: nothing when the call goes on, else its result
// (with ErrorText set where the pass failed).
std::optional<bool> EndOfCall(const EngineRunResult& run, const PassWatcher& watcher,
                              bool progress_seen, std::string& ErrorText) {
  if (run.outcome == EngineRunOutcome::kFailed) {
    ErrorText = run.code;
    return false;
  }
  if (watcher.Cancelled()) return progress_seen;
  if (!watcher.ErrorText().empty()) {
    ErrorText = watcher.ErrorText();
    return false;
  }
  return std::nullopt;
}

}  // namespace

bool RunStabilisePasses(std::string& ErrorText, const StabiliseJob& job,
                        StabiliseProgress& progress) {
  const Tffinfo empty_info;
  const Tffinfo& info = job.info != nullptr ? *job.info : empty_info;
  // An unreadable or zero duration leaves the gauges where they are (no division by it).
  const std::optional<double> duration_seconds = ClockSeconds(info.duration);
  bool progress_seen = false;

  PassWatcher analysis(PassKind::kAnalysis, duration_seconds, job.file_index, job.file_count,
                       progress, progress_seen);
  const EngineRunResult analysis_run =
      RunEngine(AnalysisArguments(info.filepath, job.settings), kAnalysisPassCodes, analysis);
  if (const auto result = EndOfCall(analysis_run, analysis, progress_seen, ErrorText))
    return *result;

  std::string output =
      OutputPath(info.filepath, job.output_folder, job.convert_format, job.video_format);
  if (SameExistingFile(output, info.filepath)) output = WithNewPrefix(output);
  const std::string arguments =
      TransformArguments(info.filepath, BitrateOption(info), AudioOption(info.filepath, output),
                         job.settings.smoothing, output);

  PassWatcher transform(PassKind::kTransform, duration_seconds, job.file_index, job.file_count,
                        progress, progress_seen);
  const EngineRunResult transform_run = RunEngine(arguments, kTransformPassCodes, transform);
  if (const auto result = EndOfCall(transform_run, transform, progress_seen, ErrorText))
    return *result;
  // The engine may give up with a message of its own; only a clean exit that left an
  // output file counts as done.
  if (std::string failure = TransformFailure(transform_run, transform, output); !failure.empty()) {
    ErrorText = std::move(failure);
    return false;
  }
  return progress_seen;
}

}  // namespace calmora
