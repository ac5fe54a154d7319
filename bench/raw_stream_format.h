// The raw bitmap stream served as an outside format of the registry (extension RWT), for the
// benchmarks that load and save files through the I/O component's registry path.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/core/base/streams.h"
#include "imaging/core/bitmap.h"
#include "imaging/io/file_formats.h"

namespace calmora::bench {

inline constexpr TPVFileFormatId kRawStreamId = 100;

inline void RawStreamRead(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&, bool,
                          TPVProgressRecord& Progress) {
  if (!Bitmap->LoadRawFromStream(Stream)) *Progress.Aborting = true;
}

inline void RawStreamWrite(TStream* Stream, TPVBitmap* Bitmap, TIOParamsVals&,
                           TPVProgressRecord& Progress) {
  if (!Bitmap->SaveRawToStream(Stream)) *Progress.Aborting = true;
}

// Builds the registry with the raw stream in it.
inline void RegisterRawStreamFormat() {
  BuildFileFormatRegistry();
  auto entry = std::make_unique<TPVFileFormatInfo>();
  entry->FileType = kRawStreamId;
  entry->Extensions = "RWT";
  entry->ReadProc = RawStreamRead;
  entry->WriteProc = RawStreamWrite;
  RegisterFileFormat(std::move(entry));
}

// Pixels kept in memory whatever the image's size, so that only the load is timed.
inline void MemoryStored(TPVBitmap& bitmap) {
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
}

}  // namespace calmora::bench
