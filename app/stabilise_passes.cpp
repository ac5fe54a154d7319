// RunStabilisePasses: the analysis pass (vidstabdetect) and the transform pass
// (vidstabtransform + unsharp) for one file, with Cancel, error texts and both gauges.
#include "app/stabilise_passes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "app/engine_runner.h"
#include "app/output_plan.h"
#include "app/pass_commands.h"
#include "app/pass_watcher.h"

namespace calmora {

namespace {

bool NonEmptyFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0;
}

bool NameTaken(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

// Why a pass that ended by itself did not deliver what comes next (`delivered`); empty
// when it did. A signal says more than any line the engine printed before it: the last
// such line is then an unrelated early one.
std::string PassFailure(const EngineRunResult& run, const PassWatcher& watcher, bool delivered,
                        const char* nothing_written) {
  if (run.killed_by_signal)
    return "The engine ended by signal " + std::to_string(run.signal_number);
  const bool exited_cleanly = run.exit_code == 0;
  if (exited_cleanly && delivered) return "";
  std::string line = watcher.LastErrorLine();
  if (!line.empty()) return line;
  if (!exited_cleanly)
    return "The engine stopped with exit status " + std::to_string(run.exit_code) + ".";
  return nothing_written;
}

// How a pass run ends the call: nothing when the call goes on, else its result (with
// ErrorText set where the pass failed). `delivered` tells whether the pass left what the
// next step needs.
std::optional<bool> EndOfPass(const EngineRunResult& run, PassWatcher& watcher, bool delivered,
                              const char* nothing_written, bool progress_seen,
                              std::string& ErrorText) {
  if (run.outcome == EngineRunOutcome::kFailed) {
    ErrorText = run.code;
    return false;
  }
  if (watcher.Cancelled()) return progress_seen;
  if (run.outcome == EngineRunOutcome::kEnded) watcher.EngineEnded();
  if (!watcher.ErrorText().empty()) {
    ErrorText = watcher.ErrorText();
    return false;
  }
  if (std::string failure = PassFailure(run, watcher, delivered, nothing_written);
      !failure.empty()) {
    ErrorText = std::move(failure);
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

  // A transform file left by an earlier run must not pass for this one's; the analysis
  // writes it anew in any case.
  ::unlink(kTransformFileName);
  PassWatcher analysis(PassKind::kAnalysis, duration_seconds, job.file_index, job.file_count,
                       progress, progress_seen, {info.filepath});
  const EngineRunResult analysis_run =
      RunEngine(AnalysisArguments(info.filepath, job.settings), kAnalysisPassCodes, analysis);
  // A killed or failed analysis leaves partial motion data: transforming with it would
  // give a result that is only partly stabilised.
  if (const auto result = EndOfPass(analysis_run, analysis, NonEmptyFile(kTransformFileName),
                                    "No transform file was written.", progress_seen, ErrorText))
    return *result;

  const std::string output =
      PlannedOutputPath(info.filepath, job.output_folder, job.convert_format, job.video_format);
  const std::string arguments =
      TransformArguments(info.filepath, BitrateOption(info), AudioOption(info.filepath, output),
                         job.settings.smoothing, output);
  // Only a file that this pass created is its own to remove.
  const bool name_was_taken = NameTaken(output);
  PassWatcher transform(PassKind::kTransform, duration_seconds, job.file_index, job.file_count,
                        progress, progress_seen, {info.filepath, output});
  const EngineRunResult transform_run = RunEngine(arguments, kTransformPassCodes, transform);
  // The engine may give up with a message of its own; only a clean exit that left an
  // output file counts as done.
  const std::optional<bool> result =
      EndOfPass(transform_run, transform, NonEmptyFile(output), "No output file was written.",
                progress_seen, ErrorText);
  // A stopped or failed pass leaves a truncated file that would look like a result.
  if (result && !name_was_taken) ::unlink(output.c_str());
  return result.value_or(progress_seen);
}

}  // namespace calmora
