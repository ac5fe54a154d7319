// The stabilising passes' pure parts: engine arguments, output naming, duration and
// progress-time reading, and the gauge arithmetic. Kept apart from the engine runs so
// that each rule can be checked on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/stabilise_passes.h"

namespace calmora {

// The motion data of the analysis pass, read back by the transform pass; named without a
// folder, so the engine keeps it in the front end's current directory.
inline constexpr char kTransformFileName[] = "client_calmora.trf";

// The engine's texts that end a pass with that text as the error.
inline constexpr std::string_view kEngineErrorTexts[] = {"No such file", "Assertion failed",
                                                         "Conversion failed"};

// Both gauges run from 0 to this.
inline constexpr int kGaugeMax = 100;

// File-name parts as the front end sees them ("/" separates folders).
std::string_view FileNameOf(std::string_view path);   // after the last "/"
std::string_view FolderOf(std::string_view path);     // up to and including the last "/"
std::string_view ExtensionOf(std::string_view path);  // from the name's last ".", or empty

// The arguments after the engine path (each starts with " -i ").
std::string AnalysisArguments(const std::string& filepath, const StabiliseSettings& settings);
std::string TransformArguments(const std::string& filepath, const std::string& bitrateOption,
                               const std::string& audioOption, const std::string& smoothing,
                               const std::string& outputPath);

// Where the transform pass writes: the output folder and the input's name, or with
// conversion on, the input's name with the extension of `videoFormat` ("*.MP4" gives
// "mp4"); "NEW_" goes in front when the result names the input itself.
std::string OutputPath(const std::string& filepath, const std::string& outputFolder,
                       bool convertFormat, const std::string& videoFormat);
// `path` with "NEW_" in front of its file name.
std::string WithNewPrefix(const std::string& path);

// " -b:v <rate>k" from the video bit rate, else the overall one, else nothing.
std::string BitrateOption(const Tffinfo& info);
// " -c:a copy" when input and output have the same extension, else " -q:a 0".
std::string AudioOption(const std::string& filepath, const std::string& outputPath);

// hours:minutes:seconds in seconds, "." as the decimal point; nothing when unreadable.
std::optional<double> ClockSeconds(std::string_view clock);

// One progress record of the engine (a chunk holding both "size=" and "time=").
struct ProgressReport {
  bool IsReport = false;
  bool TimeReadable = false;            // false: the record moves no gauge
  std::string Hours, Minutes, Seconds;  // as cut from the record
  double SecondsTotal = 0.0;
};
ProgressReport ReadProgressReport(std::string_view chunk);

// The status line of a pass: "Analyze 00:00:01.00 ......", "Process ...".
std::string ProgressStatus(std::string_view verb, const ProgressReport& report);

// The share of the duration reached, in percent rounded half to even; nothing when the
// duration is not positive.
std::optional<int> PercentDone(double timeSeconds, double durationSeconds);
int ClampGauge(long position);
// Gauge1 during the analysis pass (first half) and the transform pass (second half).
int AnalysisFileGauge(int percent);
int TransformFileGauge(int percent);
// Gauge2 from Gauge1's position, the row index and the number of rows.
int OverallGauge(int fileGauge, int fileIndex, int fileCount);

}  // namespace calmora
