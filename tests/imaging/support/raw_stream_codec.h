// A stand-in codec for tests that need a registry entry to save and read back: it writes and
// reads the bitmap's raw stream and reports full progress when done.
#pragma once

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"

namespace calmora {
class TIOParamsVals;
}

namespace calmora::test {

inline void ReportRawDone(TPVProgressRecord& progress) {
  if (progress.OnProgress) progress.OnProgress(progress.Sender, 100);
}

inline void RawStreamWrite(TStream* stream, TPVBitmap* bitmap, TIOParamsVals&,
                           TPVProgressRecord& progress) {
  if (!bitmap->SaveRawToStream(stream)) *progress.Aborting = true;
  ReportRawDone(progress);
}

inline void RawStreamRead(TStream* stream, TPVBitmap* bitmap, TIOParamsVals&, bool,
                          TPVProgressRecord& progress) {
  if (!bitmap->LoadRawFromStream(stream)) *progress.Aborting = true;
  ReportRawDone(progress);
}

}  // namespace calmora::test
