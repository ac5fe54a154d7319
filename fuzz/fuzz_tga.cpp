// libFuzzer target of the Targa reader: any input is read for its parameters, decoded with
// alpha into a mask and decoded ignoring alpha. Nothing may crash, leak or read out of bounds;
// a decoded image has the size its parameters announce and a mask the image's size.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  const auto length = static_cast<int64_t>(size);
  for (const int pass : {0, 1, 2}) {
    calmora::TPVMemStream stream(data, length);
    bool aborting = false;
    calmora::TPVProgressRecord progress;
    progress.Aborting = &aborting;
    calmora::TIOParamsVals params(nullptr);
    calmora::TPVBitmap bitmap;
    std::unique_ptr<calmora::TPVMask> mask;
    calmora::ReadTGAStream(&stream, bitmap, params, progress, pass == 0, mask, pass == 2);
    if (pass == 0 || bitmap.IsEmpty()) continue;
    if (bitmap.GetWidth() != params.Width || bitmap.GetHeight() != params.Height) std::abort();
    if (mask && (mask->Width != params.Width || mask->Height != params.Height)) std::abort();
    if (pass == 2 && mask) std::abort();
  }
  return 0;
}
