// The raw bitmap stream served as an outside format of the registry (extension RWT), for the
// benchmarks that load and save files through the I/O component's registry path.
#pragma once

#include <cstdint>

#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/io/formats/file_formats.h"
#include "tests/imaging/io/formats/raw_bitmap_format.h"

namespace calmora::bench {

inline constexpr TPVFileFormatId kRawStreamId = 100;

// Builds the registry with the raw stream in it.
inline void RegisterRawStreamFormat() {
  BuildFileFormatRegistry();
  test::RegisterRawBitmapFormat(kRawStreamId);
}

// Pixels kept in memory whatever the image's size, so that only the load is timed.
inline void MemoryStored(TPVBitmap& bitmap) {
  bitmap.Location = pvMemory;
  bitmap.FileThreshold = INT64_MAX;
}

}  // namespace calmora::bench
