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
         " -y -vf vidstabdetect=" + "shakiness=" + settings.shakiness +
         ":accuracy=" + settings.accuracy + ":stepsize=" + settings.stepsize +
         ":mincontrast=" + settings.mincontrast + ":result=" + kTransformFileName + " -f null -";
}

std::string TransformArguments(const std::string& filepath, const std::string& bitrate_option,
                               const std::string& audio_option, const std::string& smoothing,
                               const std::string& output_path) {
  return " -i " + platform::QuoteArgument(filepath) + bitrate_option + " -q:v 0" + audio_option +
         " -y -vf vidstabtransform=input=" + kTransformFileName + ":smoothing=" + smoothing +
         ",unsharp=5:5:1.0:5:5:0.0" + " " + platform::QuoteArgument(output_path);
}

std::string OutputPath(const std::string& filepath, const std::string& output_folder,
                       bool convert_format, const std::string& video_format) {
  const std::string_view name = FileNameOf(filepath);
  std::string output_name;
  if (convert_format) {
    const std::string_view extension = ExtensionOf(name);
    // The base ends with the first character of the first place where the extension's
    // text occurs: "holiday.avi.avi" gives "holiday.". A name without extension keeps
    // all of itself and gets the dot.
    std::string base = extension.empty() ? std::string(name) + "."
                                         : std::string(name.substr(0, name.find(extension) + 1));
    const std::string new_extension =
        video_format.size() > 2 ? AsciiLower(std::string_view(video_format).substr(2)) : "";
    output_name = base + new_extension;
  } else {
    output_name = std::string(name);
  }
  // One "/" between folder and name; a folder ending in one (the root) gets none.
  std::string output = output_folder;
  if (output.empty() || output.back() != '/') output.push_back('/');
  output += output_name;
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

std::string AudioOption(const std::string& filepath, const std::string& output_path) {
  return AsciiUpper(ExtensionOf(output_path)) == AsciiUpper(ExtensionOf(filepath)) ? " -c:a copy"
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
  const std::size_t size_at = chunk.find("size=");
  const std::size_t time_at = chunk.find("time=");
  if (size_at == kNotFound || time_at == kNotFound) return report;
  report.is_report = true;
  // The time runs from after "time=" to the character before "bitrate=" (the blank
  // between them). A record cut by a read, or without a bit rate, has no readable time.
  const std::size_t start = time_at + 5;
  const std::size_t bitrate_at = chunk.find("bitrate=");
  if (bitrate_at == kNotFound || bitrate_at < start + 1) return report;
  const std::string_view clock = chunk.substr(start, bitrate_at - 1 - start);
  std::string_view hours, minutes, seconds;
  if (!SplitClock(clock, hours, minutes, seconds)) return report;
  const auto total = ClockValue(hours, minutes, seconds);
  if (!total) return report;
  report.time_readable = true;
  report.hours = std::string(hours);
  report.minutes = std::string(minutes);
  report.seconds = std::string(seconds);
  report.seconds_total = *total;
  return report;
}

std::string ProgressStatus(std::string_view verb, const ProgressReport& report) {
  return std::string(verb) + " " + report.hours + ":" + report.minutes + ":" + report.seconds +
         " ......";
}

std::optional<int> PercentDone(double time_seconds, double duration_seconds) {
  if (!(duration_seconds > 0.0) || !std::isfinite(time_seconds)) return std::nullopt;
  double percent = std::nearbyint(time_seconds / duration_seconds * kGaugeMax);
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

int OverallGauge(int file_gauge, int file_index, int file_count) {
  const long count = file_count > 0 ? file_count : 1;
  return ClampGauge(file_gauge / count + (static_cast<long>(kGaugeMax) * file_index) / count);
}

}  // namespace calmora
