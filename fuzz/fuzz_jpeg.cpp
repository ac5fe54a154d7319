// libFuzzer target of the JPEG layer: any input is read for its parameters, decoded in full up
// to a pixel budget (beyond it at 1/8, far beyond it not at all), read for its first 16 rows,
// read for its EXIF thumbnail through a stand-in EXIF reader, and scanned for its length and
// ICC profile. Nothing may crash, leak or read out of bounds; a decoded image has the size its
// parameters announce.
// Fuzz budget in CI: 30 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/base/defs.h"
#include "imaging/base/streams/streams.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/params/exif_blocks.h"
#include "imaging/params/io_params.h"

namespace {

constexpr int64_t kFullDecodePixels = int64_t{1} << 20;
constexpr int64_t kScaledDecodePixels = int64_t{1} << 24;

int32_t Read(const uint8_t* data, size_t size, calmora::TPVBitmap& bitmap,
             calmora::TIOParamsVals& params, bool paramsOnly, int32_t maxRows, bool& aborting) {
  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  aborting = false;
  calmora::TPVProgressRecord progress;
  progress.Aborting = &aborting;
  return calmora::ReadJPEGStream(&stream, nullptr, bitmap, params, progress, paramsOnly, false,
                                 true, false, true, true, maxRows, params.NativePixelFormat);
}

// Stands in for the TIFF codec's EXIF reader: an APP1 starting "Exif" carries, after six
// bytes, a JPEG that becomes the thumbnail.
bool FakeExifReader(const void* payload, int64_t length, calmora::TIOParamsVals& params) {
  const auto* bytes = static_cast<const uint8_t*>(payload);
  if (length < 6 || std::memcmp(bytes, "Exif", 4) != 0) return false;
  params.EXIF_XResolution = 72;
  params.EXIF_YResolution = 72;
  if (!params.EXIF_Bitmap) params.EXIF_Bitmap = std::make_unique<calmora::TPVBitmap>();
  calmora::TIOParamsVals inner(nullptr);
  inner.JPEG_Scale = 4;
  bool aborting = false;
  Read(bytes + 6, static_cast<size_t>(length - 6), *params.EXIF_Bitmap, inner, false, -1,
       aborting);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Images above 4 KiB go to temporary files, so the file rows are fuzzed too.
  calmora::BitmapFileThreshold = 4096;
  calmora::ReadExifBlockProc = FakeExifReader;

  bool aborting = false;
  calmora::TIOParamsVals header(nullptr);
  calmora::TPVBitmap none;
  Read(data, size, none, header, true, -1, aborting);
  if (!none.IsEmpty()) std::abort();
  const int64_t pixels = int64_t{header.Width} * header.Height;
  if (!aborting && pixels <= kScaledDecodePixels) {
    calmora::TIOParamsVals params(nullptr);
    params.JPEG_Scale = pixels <= kFullDecodePixels ? 1 : 4;
    params.NativePixelFormat = (size & 1) != 0;
    params.JPEG_AdjustOrientation = true;
    calmora::TPVBitmap bitmap;
    const int32_t rows = Read(data, size, bitmap, params, false, -1, aborting);
    if (!aborting && (rows != params.Height || bitmap.GetHeight() != params.Height ||
                      bitmap.GetWidth() != params.Width)) {
      std::abort();
    }
    calmora::TIOParamsVals few(nullptr);
    few.JPEG_Scale = params.JPEG_Scale;
    calmora::TPVBitmap part;
    const int32_t partRows = Read(data, size, part, few, false, 16, aborting);
    if (partRows > 16) std::abort();
    calmora::TIOParamsVals thumb(nullptr);
    thumb.JPEG_Scale = params.JPEG_Scale;
    thumb.SetLoadThumbnail(true);
    calmora::TPVBitmap small;
    Read(data, size, small, thumb, false, -1, aborting);
  }

  calmora::TPVMemStream stream(data, static_cast<int64_t>(size));
  const int64_t length = calmora::GetJPEGStreamLength(&stream);
  if (length < 0 || length > static_cast<int64_t>(size) || stream.GetPosition() != 0) std::abort();
  calmora::TIOParamsVals icc(nullptr);
  calmora::ReadJPEGICCProfile(&stream, icc);
  if (stream.GetPosition() != 0) std::abort();
  calmora::ReadExifBlockProc = nullptr;
  return 0;
}
