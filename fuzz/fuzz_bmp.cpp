// libFuzzer target of the BMP reader: any input is read without a sanitizer report, in memory
// and in temporary-file storage alike, and an image that loads saves and loads again to the
// same pixels (and alpha).
// Fuzz budget in CI: 30 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/bmp/bmp_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/mask/mask.h"
#include "imaging/params/io_params.h"

namespace {

using namespace calmora;

// Pixels past this count are refused by the harness: a few bytes of run-length data may
// describe gigapixels, which is legal but leaves nothing for the fuzzer to learn in the time.
constexpr int64_t kMaxPixels = int64_t{1} << 22;

struct Loaded {
  bool Aborting = false;
  std::unique_ptr<TPVMask> Mask;
};

Loaded Read(const void* data, int64_t size, TPVBitmap& bitmap, TIOParamsVals& params,
            bool paramsOnly) {
  TPVMemStream stream(data, size);
  Loaded loaded;
  TPVProgressRecord progress;
  progress.Aborting = &loaded.Aborting;
  ReadBMPStream(&stream, bitmap, 0, params, progress, paramsOnly, false, loaded.Mask, false);
  return loaded;
}

void ExpectSameImage(const TPVBitmap& a, const TPVBitmap& b) {
  if (a.Width != b.Width || a.Height != b.Height || a.Format != b.Format) std::abort();
  for (int32_t y = 0; y < a.Height; ++y)
    for (int32_t x = 0; x < a.Width; ++x)
      if (!(a.GetPixelAsRGB(x, y) == b.GetPixelAsRGB(x, y))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The input's length and last byte pick the storage and whether palettes stay palettes, so
  // the seeds stay plain BMP files.
  if (size < 1) return 0;
  const bool inFile = (size & 1) != 0;
  const bool native = (data[size - 1] & 1) != 0;
  calmora::BitmapFileThreshold = inFile ? 0 : -1;

  TIOParamsVals header(nullptr);
  TPVBitmap none;
  if (Read(data, static_cast<int64_t>(size), none, header, true).Aborting) return 0;
  if (int64_t{header.Width} * header.Height > kMaxPixels) return 0;

  TIOParamsVals params(nullptr);
  params.NativePixelFormat = native;
  TPVBitmap bitmap;
  Loaded first = Read(data, static_cast<int64_t>(size), bitmap, params, false);
  if (first.Aborting || bitmap.IsEmpty()) return 0;

  // Saved as what was loaded: 1 bit, a palette of 256, 24 bits, or 32 with the alpha.
  TIOParamsVals saveParams(nullptr);
  saveParams.BitsPerSample = bitmap.Format == pv1g ? 1 : 8;
  saveParams.SamplesPerPixel = bitmap.Format == pv8p ? 1 : 3;
  if (first.Mask != nullptr && bitmap.Format == pv24RGB)
    bitmap.GetAlphaChannel()->CopyFromMask(first.Mask.get());
  TMemoryStream saved;
  bool failed = false;
  TPVProgressRecord progress;
  progress.Aborting = &failed;
  WriteBMPStream(&saved, bitmap, saveParams, progress, true);
  if (failed) std::abort();

  TIOParamsVals againParams(nullptr);
  againParams.NativePixelFormat = native;
  TPVBitmap again;
  Loaded second = Read(saved.GetMemory(), saved.GetSize(), again, againParams, false);
  if (second.Aborting) std::abort();
  ExpectSameImage(bitmap, again);
  if ((first.Mask == nullptr) != (second.Mask == nullptr)) std::abort();
  if (first.Mask != nullptr)
    for (int32_t y = 0; y < bitmap.Height; ++y)
      for (int32_t x = 0; x < bitmap.Width; ++x)
        if (first.Mask->GetPixel(x, y) != second.Mask->GetPixel(x, y)) std::abort();
  return 0;
}
