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
                        const char* nothingWritten) {
  if (run.KilledBySignal) return "The engine ended by signal " + std::to_string(run.SignalNumber);
  const bool exitedCleanly = run.ExitCode == 0;
  if (exitedCleanly && delivered) return "";
  std::string line = watcher.LastErrorLine();
  if (!line.empty()) return line;
  if (!exitedCleanly)
    return "The engine stopped with exit status " + std::to_string(run.ExitCode) + ".";
  return nothingWritten;
}

// How a pass run ends the call: nothing when the call goes on, else its result (with
// ErrorText set where the pass failed). `delivered` tells whether the pass left what the
// next step needs.
std::optional<bool> EndOfPass(const EngineRunResult& run, PassWatcher& watcher, bool delivered,
                              const char* nothingWritten, bool progressSeen,
                              std::string& errorText) {
  if (run.Outcome == EngineRunOutcome::kFailed) {
    errorText = run.Code;
    return false;
  }
  if (watcher.Cancelled()) return progressSeen;
  if (run.Outcome == EngineRunOutcome::kEnded) watcher.EngineEnded();
  if (!watcher.ErrorText().empty()) {
    errorText = watcher.ErrorText();
    return false;
  }
  if (std::string failure = PassFailure(run, watcher, delivered, nothingWritten);
      !failure.empty()) {
    errorText = std::move(failure);
    return false;
  }
  return std::nullopt;
}

}  // namespace

bool RunStabilisePasses(std::string& ErrorText, const StabiliseJob& job,
                        StabiliseProgress& progress) {
  const Tffinfo emptyInfo;
  const Tffinfo& info = job.Info != nullptr ? *job.Info : emptyInfo;
  // An unreadable or zero duration leaves the gauges where they are (no division by it).
  const std::optional<double> durationSeconds = ClockSeconds(info.duration);
  bool progressSeen = false;

  // A transform file left by an earlier run must not pass for this one's; the analysis
  // writes it anew in any case.
  ::unlink(kTransformFileName);
  PassWatcher analysis(PassKind::kAnalysis, durationSeconds, job.FileIndex, job.FileCount, progress,
                       progressSeen, {info.filepath});
  const EngineRunResult analysisRun =
      RunEngine(AnalysisArguments(info.filepath, job.Settings), kAnalysisPassCodes, analysis);
  // A killed or failed analysis leaves partial motion data: transforming with it would
  // give a result that is only partly stabilised.
  if (const auto result = EndOfPass(analysisRun, analysis, NonEmptyFile(kTransformFileName),
                                    "No transform file was written.", progressSeen, ErrorText))
    return *result;

  const std::string output =
      PlannedOutputPath(info.filepath, job.OutputFolder, job.ConvertFormat, job.VideoFormat);
  const std::string arguments =
      TransformArguments(info.filepath, BitrateOption(info), AudioOption(info.filepath, output),
                         job.Settings.Smoothing, output);
  // Only a file that this pass created is its own to remove.
  const bool nameWasTaken = NameTaken(output);
  PassWatcher transform(PassKind::kTransform, durationSeconds, job.FileIndex, job.FileCount,
                        progress, progressSeen, {info.filepath, output});
  const EngineRunResult transformRun = RunEngine(arguments, kTransformPassCodes, transform);
  // The engine may give up with a message of its own; only a clean exit that left an
  // output file counts as done.
  const std::optional<bool> result =
      EndOfPass(transformRun, transform, NonEmptyFile(output), "No output file was written.",
                progressSeen, ErrorText);
  // A stopped or failed pass leaves a truncated file that would look like a result.
  if (result && !nameWasTaken) ::unlink(output.c_str());
  return result.value_or(progressSeen);
}

}  // namespace calmora
