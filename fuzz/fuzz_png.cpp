// libFuzzer target of the PNG reader: any input is read for its parameters, then in full (in
// both the converting and the native path) when its size is within a pixel budget. Nothing
// may crash, leak or read out of bounds; a read that succeeds has the size its parameters
// announce.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace {

constexpr int64_t kDecodePixels = int64_t{1} << 22;

bool Read(const uint8_t* data, size_t size, calmora::TPVBitmap& bitmap,
          calmora::TIOParamsVals& params, bool paramsOnly) {
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  bool aborting = false;
  calmora::TPVProgressRecord progress;
  progress.Aborting = &aborting;
  calmora::ReadPNGStream(&stream, bitmap, params, progress, paramsOnly);
  return aborting;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  calmora::TIOParamsVals header(nullptr);
  calmora::TPVBitmap none;
  const bool headerFailed = Read(data, size, none, header, true);
  if (!none.IsEmpty()) std::abort();
  if (headerFailed || int64_t{header.Width} * header.Height > kDecodePixels) return 0;
  for (bool native : {false, true}) {
    calmora::TIOParamsVals params(nullptr);
    params.NativePixelFormat = native;
    calmora::TPVBitmap bitmap;
    if (!Read(data, size, bitmap, params, false) &&
        (bitmap.GetWidth() != params.Width || bitmap.GetHeight() != params.Height)) {
      std::abort();
    }
  }
  return 0;
}
