// FindStreamFormat: the header tests of the formats whose signatures detection knows itself
// (stream headers, GIF, BMP, PCX), then the codecs' content tests, the view's stream tests, the
// tests of externally registered formats and, slowest and so last, the camera raw decoder.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "imaging/codecs/dicom/dicom_codec.h"
#include "imaging/codecs/ico/ico_codec.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/jpeg2000/jpeg2000_codec.h"
#include "imaging/codecs/pcx/pcx_codec.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/pnm/pnm_codec.h"
#include "imaging/codecs/psd/psd_codec.h"
#include "imaging/codecs/raw/raw_codec.h"
#include "imaging/codecs/tga/tga_codec.h"
#include "imaging/codecs/tiff/tiff_codec.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"
#include "imaging/io/formats/format_detection.h"
#include "imaging/io/formats/view_stream_signatures.h"

namespace calmora {

namespace {

// Enough for every header test below.
constexpr int32_t kHeaderBytes = 16;

// The bytes at the start of the data, and how many of them the stream really had.
struct TStreamHead {
  std::array<uint8_t, kHeaderBytes> Bytes{};
  int32_t Count = 0;

  // The bytes up to the first zero byte among the first window bytes form exactly the magic.
  // The zero must be among the bytes read: a stream that ends on the magic has none.
  bool MagicWithin(std::string_view magic, int32_t window) const {
    const int32_t looked = window < Count ? window : Count;
    const auto end = Bytes.begin() + looked;
    const auto zero = std::find(Bytes.begin(), end, 0);
    if (zero == end) return false;
    return std::string_view(reinterpret_cast<const char*>(Bytes.data()), zero - Bytes.begin()) ==
           magic;
  }
  bool StartsWith(std::string_view text) const {
    return Count >= static_cast<int32_t>(text.size()) &&
           std::memcmp(Bytes.data(), text.data(), text.size()) == 0;
  }
};

// The formats known by a few header bytes. Sizes are the stream's total size, as the stream
// saves that write these headers measure them.
TPVFileFormatId HeaderFormat(const TStreamHead& head, int64_t size) {
  if (size > 12 && head.MagicWithin("JFIF", 5)) return kFormatJPEG;
  if (size > 13 && head.StartsWith("GIF")) return kFormatGIF;
  if (size > 12 && head.MagicWithin("PCX2", 5)) return kFormatPCX;
  if (size > 4 && head.MagicWithin("PCX", 4)) return kFormatPCX;
  if (size > 14 && head.StartsWith("BM")) return kFormatBMP;
  // A plain PCX: the manufacturer byte 10 and a version up to 5.
  if (size > 128 && head.Count >= 2 && head.Bytes[0] == 0x0A && head.Bytes[1] <= 5)
    return kFormatPCX;
  if (size > 12 && head.MagicWithin("TIFF", 5)) return kFormatTIFF;
  return kFormatUnknown;
}

struct TContentTest {
  bool (*Test)(TStream*);
  TPVFileFormatId FileType;
};

// A TIFF-structured camera raw file is left to the raw decoder, which runs last.
bool IsPlainTIFF(TStream* stream) {
  return IsTIFFStream(stream) && !IsCameraRawTIFFStream(stream);
}
// A stream of the signature alone holds no picture.
bool IsPNGOfMoreThanSignature(TStream* stream) {
  return stream->GetSize() > 8 && IsPNGStream(stream);
}
bool HasJPEGStart(TStream* stream) { return FindJPEGStart(stream) >= 0; }

// The order is fixed: where two tests could both pass (TGA and PNM have no real magic, a JPEG
// start may sit behind other bytes), the earlier one names the format.
constexpr TContentTest kContentTests[] = {
    {IsPlainTIFF, kFormatTIFF},       {IsPNGOfMoreThanSignature, kFormatPNG},
    {IsDICOMStream, kFormatDICOM},    {IsICOStream, kFormatICO},
    {IsCURStream, kFormatCUR},        {IsTGAStream, kFormatTGA},
    {IsPXMStream, kFormatPXM},        {HasJPEGStart, kFormatJPEG},
    {IsJP2Stream, kFormatJP2},        {IsJ2KStream, kFormatJ2K},
    {IsAVIStream, kFormatAVI},        {IsDCXStream, kFormatDCX},
    {IsWMFStream, kFormatWMF},        {IsEMFStream, kFormatEMF},
    {IsPSDStream, kFormatPSD},        {IsPVVStream, kFormatPVV},
    {IsLayersStream, kFormatLayers},  {IsAllStream, kFormatLayersAndObjects},
};

TPVFileFormatId DetectFormat(TStream* stream, int64_t start) {
  TStreamHead head;
  head.Count = PeekStreamBytes(stream, head.Bytes.data(), kHeaderBytes);
  if (const TPVFileFormatId found = HeaderFormat(head, stream->GetSize())) return found;
  for (const TContentTest& test : kContentTests)
    if (test.Test(stream)) return test.FileType;
  for (const auto& entry : FileFormatList) {
    if (entry->TestProc == nullptr) continue;
    stream->Seek(start, soBeginning);
    if (entry->TestProc(stream, entry->FileType)) return entry->FileType;
  }
  stream->Seek(start, soBeginning);
  return IsCameraRawStream(stream) ? kFormatCameraRaw : kFormatUnknown;
}

}  // namespace

bool IsAVIStream(TStream* Stream) {
  std::array<uint8_t, 12> head;
  return PeekStreamBytes(Stream, head.data(), head.size()) == 12 &&
         std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "AVI ", 4) == 0;
}

TPVFileFormatId FindStreamFormat(TStream* Stream) {
  try {
    TStreamPositionKeeper keeper(Stream);
    return DetectFormat(Stream, keeper.Start());
  } catch (...) {
    return kFormatUnknown;  // the keeper has put the stream back on the way out
  }
}

}  // namespace calmora
