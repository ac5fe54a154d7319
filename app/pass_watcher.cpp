// What a stabilising pass does with each chunk of engine output (see pass_watcher.h).
#include "app/pass_watcher.h"

#include <utility>

#include "app/engine_text.h"
#include "app/pass_commands.h"

namespace calmora {

namespace {
// Enough for the few lines an engine prints when it gives up.
constexpr std::size_t kTailKeep = 8192;
// A line longer than this is judged as it stands: only a broken engine prints one.
constexpr std::size_t kLongestLine = 65536;
}  // namespace

PassWatcher::PassWatcher(PassKind kind, std::optional<double> durationSeconds, int fileIndex,
                         int fileCount, StabiliseProgress& progress, bool& progressSeen,
                         std::vector<std::string> echoedPaths)
    : kind_(kind),
      durationSeconds_(durationSeconds),
      fileIndex_(fileIndex),
      fileCount_(fileCount),
      progress_(progress),
      progressSeen_(progressSeen),
      echoedPaths_(std::move(echoedPaths)) {}

bool PassWatcher::StopBeforePoll() {
  if (progress_.CancelRequested()) cancelled_ = true;
  return cancelled_;
}

bool PassWatcher::Chunk(std::string_view chunk) {
  tail_.append(chunk);
  if (tail_.size() > 2 * kTailKeep) tail_.erase(0, tail_.size() - kTailKeep);

  // An error text may be split over two reads, so the text is judged a whole line at a
  // time, progress records (which end in a carriage return) included.
  for (std::string_view rest = chunk;;) {
    const std::size_t end = rest.find_first_of("\r\n");
    line_.append(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    if (JudgeLine()) return false;
    rest.remove_prefix(end + 1);
  }
  if (line_.size() > kLongestLine && JudgeLine()) return false;

  const ProgressReport report = ReadProgressReport(chunk);
  if (report.IsReport) {
    progressSeen_ = true;
    if (report.TimeReadable) {
      if (const auto percent = PercentDone(report.SecondsTotal, durationSeconds_.value_or(0))) {
        const int fileGauge = kind_ == PassKind::kAnalysis ? AnalysisFileGauge(*percent)
                                                           : TransformFileGauge(*percent);
        progress_.SetFileGauge(fileGauge);
        progress_.SetOverallGauge(OverallGauge(fileGauge, fileIndex_, fileCount_));
      }
      progress_.SetStatus(
          ProgressStatus(kind_ == PassKind::kAnalysis ? "Analyze" : "Process", report));
    }
  }
  return true;
}

void PassWatcher::EngineEnded() {
  if (!line_.empty()) JudgeLine();
}

bool PassWatcher::JudgeLine() {
  const std::string line = WithoutPaths(std::exchange(line_, std::string()), echoedPaths_);
  for (const std::string_view error : kEngineErrorTexts) {
    if (ContainsText(line, error)) {
      errorText_ = std::string(error);
      return true;
    }
  }
  return false;
}

std::string PassWatcher::LastErrorLine() const {
  std::string_view rest = tail_;
  while (!rest.empty()) {
    const std::size_t cut = rest.find_last_of("\r\n");
    const std::string_view line =
        TrimText(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
    if (!line.empty() && !ReadProgressReport(line).IsReport) return std::string(line);
    if (cut == std::string_view::npos) break;
    rest = rest.substr(0, cut);
  }
  return "";
}

}  // namespace calmora
