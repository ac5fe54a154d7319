// libFuzzer target of what the I/O component reads before any codec: the 12-byte stream
// headers of JPEG, PCX and TIFF stream loads (with a fake reader that must never see a byte
// outside the header's data) and the APP13 payload a JPEG save writes its resolution into.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/core/metadata/marker_list.h"
#include "imaging/io/load_save/load_save_jpeg_markers.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace {

int64_t ReadLimit = 0;  // the most the fake reader may find

int32_t BoundedReader(calmora::TStream& Stream, calmora::TPVBitmap& Bitmap, calmora::TIOParamsVals&,
                      bool, calmora::TPVProgressRecord&, std::unique_ptr<calmora::TPVMask>&) {
  uint8_t buffer[512];
  int64_t total = 0;
  for (int32_t got; (got = Stream.Read(buffer, sizeof buffer)) > 0;) total += got;
  if (total > ReadLimit) std::abort();
  Bitmap.Allocate(1, 1, calmora::pv24RGB);
  return 1;
}

// With a well-formed header the reader sees exactly its data; otherwise at most the stream.
int64_t HeaderedLength(const uint8_t* body, int64_t length, const char* magic) {
  if (length < 12 || std::memcmp(body, magic, 4) != 0 || body[4] != 0) return length;
  const int64_t n = static_cast<int32_t>(
      static_cast<uint32_t>(body[8]) | static_cast<uint32_t>(body[9]) << 8 |
      static_cast<uint32_t>(body[10]) << 16 | static_cast<uint32_t>(body[11]) << 24);
  return n >= 0 && n <= length - 12 ? n : length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace calmora;
  if (size < 1) return 0;
  const uint8_t choice = data[0] % 4;
  const uint8_t* body = data + 1;
  const int64_t length = static_cast<int64_t>(size - 1);
  if (choice == 3) {
    TPVMarkerList markers;
    if (!markers.AddMarker(0xED, body, length)) return 0;
    UpdatePhotoshopResolution(markers, 300, 150);
    if (markers.GetMarkerLength(0) != length) std::abort();
    return 0;
  }
  const TPVFileFormatId id = choice == 0 ? kFormatJPEG : choice == 1 ? kFormatPCX : kFormatTIFF;
  const TPVCodecEntry saved = CodecTable[static_cast<size_t>(id)];
  CodecTable[static_cast<size_t>(id)] = {BoundedReader, nullptr};
  {
    TPVMemStream stream(body, length);
    ReadLimit = HeaderedLength(body, length,
                               id == kFormatJPEG  ? "JFIF"
                               : id == kFormatPCX ? "PCX2"
                                                  : "TIFF");
    TPictavoIO io(nullptr);
    io.StreamHeaders = true;
    io.LoadFormatFromStream(id, &stream);
    if (stream.GetPosition() < 0 || stream.GetPosition() > length) std::abort();
  }
  CodecTable[static_cast<size_t>(id)] = saved;
  return 0;
}
