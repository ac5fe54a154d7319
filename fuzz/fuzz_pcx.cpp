// libFuzzer target of the PCX and DCX readers: any input is read for its parameters and decoded
// as a PCX image, and read as a DCX for its first and a later page. Nothing may crash, leak or
// read out of bounds; a decoded image has the size its parameters announce.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  const auto length = static_cast<int64_t>(size);
  {
    calmora::TPVMemStream stream(data, length);
    bool aborting = false;
    calmora::TPVProgressRecord progress;
    progress.Aborting = &aborting;
    calmora::TIOParamsVals params(nullptr);
    calmora::TPVBitmap bitmap;
    calmora::ReadPCXStream(&stream, bitmap, params, length, progress, true);
    stream.SetPosition(0);
    aborting = false;
    calmora::ReadPCXStream(&stream, bitmap, params, length, progress, false);
    if (!aborting && (bitmap.GetWidth() != params.Width || bitmap.GetHeight() != params.Height)) {
      std::abort();
    }
  }
  for (const int32_t index : {0, 3}) {
    calmora::TPVMemStream stream(data, length);
    bool aborting = false;
    calmora::TPVProgressRecord progress;
    progress.Aborting = &aborting;
    calmora::TIOParamsVals params(nullptr);
    params.DCX_ImageIndex = index;
    calmora::TPVBitmap bitmap;
    calmora::ReadDCXStream(&stream, bitmap, params, progress, false);
  }
  return 0;
}
