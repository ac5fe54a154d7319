// Progress of the row loops of the colour tools: reported once per finished row, never per
// pixel, and only when the caller gave an event.
#pragma once

#include <cstdint>

#include "imaging/base/defs.h"

namespace calmora {

// Percent per row for a loop over rows rows: 100 / (rows + 0.5), so the last row reports just
// under 100.
inline double RowProgressStep(int32_t rows) { return 100.0 / (rows + 0.5); }

inline void ReportProgress(const TPVProgressEvent& OnProgress, TObject* Sender, int32_t percent) {
  if (OnProgress) OnProgress(Sender, percent);
}

// After row y (from 0): Trunc(step * (y + 1)).
inline void ReportRowDone(const TPVProgressEvent& OnProgress, TObject* Sender, double step,
                          int32_t y) {
  ReportProgress(OnProgress, Sender, static_cast<int32_t>(step * (y + 1)));
}

}  // namespace calmora
