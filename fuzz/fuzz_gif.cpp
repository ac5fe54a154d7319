// libFuzzer target of the GIF reader: any input is read for its parameters and frame count,
// then frame by frame (the first four) in full, with transparency, in the converting and the
// native format, when the frame is within a pixel budget. Nothing may crash, leak or read out
// of bounds; a frame read in full has the size its parameters announce.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/gif/gif_codec.h"
#include "imaging/codecs/lzw/lzw_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/io_params.h"

namespace {

constexpr int64_t kDecodePixels = int64_t{1} << 22;

bool Read(const uint8_t* data, size_t size, calmora::TPVBitmap& bitmap,
          calmora::TIOParamsVals& params, bool paramsOnly, int32_t& frames,
          std::unique_ptr<calmora::TPVMask>& mask) {
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  bool aborting = false;
  calmora::TPVProgressRecord progress;
  progress.Aborting = &aborting;
  calmora::ReadGIFStream(&stream, bitmap, frames, params, progress, paramsOnly, mask,
                         paramsOnly);
  return aborting;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  calmora::DefaultGIFLZWDecompress = calmora::DecompressGIFLZW;
  int32_t frames = 0;
  std::unique_ptr<calmora::TPVMask> mask;
  calmora::TIOParamsVals header(nullptr);
  calmora::TPVBitmap none;
  Read(data, size, none, header, true, frames, mask);
  if (!none.IsEmpty() || mask) std::abort();
  for (int32_t frame = 0; frame < frames && frame < 4; ++frame) {
    calmora::TIOParamsVals probe(nullptr);
    probe.GIF_ImageIndex = frame;
    int32_t count = 0;
    if (Read(data, size, none, probe, true, count, mask)) continue;
    if (int64_t{probe.Width} * probe.Height > kDecodePixels) continue;
    for (bool native : {false, true}) {
      calmora::TIOParamsVals params(nullptr);
      params.GIF_ImageIndex = frame;
      params.NativePixelFormat = native;
      calmora::TPVBitmap bitmap;
      std::unique_ptr<calmora::TPVMask> alpha;
      if (!Read(data, size, bitmap, params, false, count, alpha) &&
          (bitmap.GetWidth() != params.Width || bitmap.GetHeight() != params.Height ||
           (alpha && (alpha->Width != params.Width || alpha->Height != params.Height)))) {
        std::abort();
      }
    }
  }
  return 0;
}
