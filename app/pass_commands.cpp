// Pure rules of the stabilising passes (see pass_commands.h).
#include "app/pass_commands.h"

#include <cmath>

#include "app/engine_text.h"
#include "platform/command_line.h"

namespace calmora {

namespace {
constexpr auto kNotFound = std::string_view::npos;
}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == kNotFound ? path : path.substr(slash + 1);
}

std::string_view FolderOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == kNotFound ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view ExtensionOf(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == kNotFound ? std::string_view() : name.substr(dot);
}

std::string AnalysisArguments(const std::string& filepath, const StabiliseSettings& settings) {
  return " -i " + platform::QuoteArgument(filepath) +
         " -y -vf vidstabdetect=" + "shakiness=" + settings.Shakiness +
         ":accuracy=" + settings.Accuracy + ":stepsize=" + settings.Stepsize +
         ":mincontrast=" + settings.Mincontrast + ":result=" + kTransformFileName + " -f null -";
}

std::string TransformArguments(const std::string& filepath, const std::string& bitrateOption,
                               const std::string& audioOption, const std::string& smoothing,
                               const std::string& outputPath) {
  return " -i " + platform::QuoteArgument(filepath) + bitrateOption + " -q:v 0" + audioOption +
         " -y -vf vidstabtransform=input=" + kTransformFileName + ":smoothing=" + smoothing +
         ",unsharp=5:5:1.0:5:5:0.0" + " " + platform::QuoteArgument(outputPath);
}

std::string OutputPath(const std::string& filepath, const std::string& outputFolder,
                       bool convertFormat, const std::string& videoFormat) {
  const std::string_view name = FileNameOf(filepath);
  std::string outputName;
  if (convertFormat) {
    const std::string_view extension = ExtensionOf(name);
    // The base ends with the first character of the first place where the extension's
    // text occurs: "holiday.avi.avi" gives "holiday.". A name without extension keeps
    // all of itself and gets the dot.
    std::string base = extension.empty() ? std::string(name) + "."
                                         : std::string(name.substr(0, name.find(extension) + 1));
    const std::string newExtension =
        videoFormat.size() > 2 ? AsciiLower(std::string_view(videoFormat).substr(2)) : "";
    outputName = base + newExtension;
  } else {
    outputName = std::string(name);
  }
  // One "/" between folder and name; a folder ending in one (the root) gets none.
  std::string output = outputFolder;
  if (output.empty() || output.back() != '/') output.push_back('/');
  output += outputName;
  if (AsciiLower(output) == AsciiLower(filepath)) output = WithNewPrefix(output);
  return output;
}

std::string WithNewPrefix(const std::string& path) {
  return std::string(FolderOf(path)) + "NEW_" + std::string(FileNameOf(path));
}

std::string BitrateOption(const Tffinfo& info) {
  if (!info.video_bitrate.empty()) return " -b:v " + info.video_bitrate + "k";
  if (!info.bitrate.empty()) return " -b:v " + info.bitrate + "k";
  return "";
}

std::string AudioOption(const std::string& filepath, const std::string& outputPath) {
  return AsciiUpper(ExtensionOf(outputPath)) == AsciiUpper(ExtensionOf(filepath)) ? " -c:a copy"
                                                                                  : " -q:a 0";
}

namespace {

// Cuts hours:minutes:seconds at its first two colons; false when one is missing.
bool SplitClock(std::string_view clock, std::string_view& hours, std::string_view& minutes,
                std::string_view& seconds) {
  const std::size_t first = clock.find(':');
  if (first == kNotFound) return false;
  hours = clock.substr(0, first);
  const std::string_view rest = clock.substr(first + 1);
  const std::size_t second = rest.find(':');
  if (second == kNotFound) return false;
  minutes = rest.substr(0, second);
  seconds = rest.substr(second + 1);
  return true;
}

std::optional<double> ClockValue(std::string_view hours, std::string_view minutes,
                                 std::string_view seconds) {
  const auto h = ParseDecimal(hours);
  const auto m = ParseDecimal(minutes);
  const auto s = ParseDecimal(seconds);
  if (!h || !m || !s) return std::nullopt;
  const double total = *h * 60.0 * 60.0 + *m * 60.0 + *s;
  if (!std::isfinite(total)) return std::nullopt;
  return total;
}

}  // namespace

std::optional<double> ClockSeconds(std::string_view clock) {
  std::string_view hours, minutes, seconds;
  if (!SplitClock(clock, hours, minutes, seconds)) return std::nullopt;
  return ClockValue(hours, minutes, seconds);
}

ProgressReport ReadProgressReport(std::string_view chunk) {
  ProgressReport report;
  const std::size_t sizeAt = chunk.find("size=");
  const std::size_t timeAt = chunk.find("time=");
  if (sizeAt == kNotFound || timeAt == kNotFound) return report;
  report.IsReport = true;
  // The time runs from after "time=" to the character before "bitrate=" (the blank
  // between them). A record cut by a read, or without a bit rate, has no readable time.
  const std::size_t start = timeAt + 5;
  const std::size_t bitrateAt = chunk.find("bitrate=");
  if (bitrateAt == kNotFound || bitrateAt < start + 1) return report;
  const std::string_view clock = chunk.substr(start, bitrateAt - 1 - start);
  std::string_view hours, minutes, seconds;
  if (!SplitClock(clock, hours, minutes, seconds)) return report;
  const auto total = ClockValue(hours, minutes, seconds);
  if (!total) return report;
  report.TimeReadable = true;
  report.Hours = std::string(hours);
  report.Minutes = std::string(minutes);
  report.Seconds = std::string(seconds);
  report.SecondsTotal = *total;
  return report;
}

std::string ProgressStatus(std::string_view verb, const ProgressReport& report) {
  return std::string(verb) + " " + report.Hours + ":" + report.Minutes + ":" + report.Seconds +
         " ......";
}

std::optional<int> PercentDone(double timeSeconds, double durationSeconds) {
  if (!(durationSeconds > 0.0) || !std::isfinite(timeSeconds)) return std::nullopt;
  double percent = std::nearbyint(timeSeconds / durationSeconds * kGaugeMax);
  // Far outside the gauges either way; bounded so the conversion stays defined.
  if (!(percent < 1e6)) percent = 1e6;
  if (!(percent > -1e6)) percent = -1e6;
  return static_cast<int>(percent);
}

int ClampGauge(long position) {
  if (position < 0) return 0;
  if (position > kGaugeMax) return kGaugeMax;
  return static_cast<int>(position);
}

int AnalysisFileGauge(int percent) { return ClampGauge(percent / 2); }

int TransformFileGauge(int percent) { return ClampGauge(kGaugeMax / 2 + percent / 2); }

int OverallGauge(int fileGauge, int fileIndex, int fileCount) {
  const long count = fileCount > 0 ? fileCount : 1;
  return ClampGauge(fileGauge / count + (static_cast<long>(kGaugeMax) * fileIndex) / count);
}

}  // namespace calmora
