// RunStabilisePasses: the two engine passes (motion detection, then transform)
// that stabilise one file, driving the progress window as they go.
#pragma once

#include <string>

#include "app/tffinfo.h"

namespace calmora {

struct StabiliseSettings {
  std::string Shakiness, Accuracy, Stepsize, Mincontrast, Smoothing;
};

struct StabiliseJob {
  const Tffinfo* Info = nullptr;  // filepath, duration, bitrate, video_bitrate
  StabiliseSettings Settings;     // the options dialog's edit texts, used unchanged
  std::string OutputFolder;
  bool ConvertFormat = false;  // cbk_videoformatconverting
  std::string VideoFormat;     // cb_videoformat text, e.g. "*.MP4"
  int FileIndex = 0;           // Tprogress file_index
  int FileCount = 1;           // rows in the main window's list
};

// What the passes drive in the progress window; the window implements it.
class StabiliseProgress {
 public:
  virtual ~StabiliseProgress() = default;
  virtual bool CancelRequested() = 0;                   // Tmain cancel_flag
  virtual void SetFileGauge(int position) = 0;          // Gauge1, already clamped to 0..100
  virtual void SetOverallGauge(int position) = 0;       // Gauge2, already clamped to 0..100
  virtual void SetStatus(const std::string& text) = 0;  // Label1
};

bool RunStabilisePasses(std::string& ErrorText, const StabiliseJob& job,
                        StabiliseProgress& progress);

}  // namespace calmora
