// The quick header tests and the narrowed content tests named by the format descriptions.
#include "imaging/io/formats/format_signatures.h"

#include <algorithm>
#include <cstring>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/jpeg/jpeg_codec.h"
#include "imaging/codecs/png/png_codec.h"
#include "imaging/codecs/tiff/tiff_codec.h"

namespace calmora {

bool TPVStreamHead::MagicWithin(std::string_view Magic, int32_t Window) const {
  const int32_t looked = Window < Count ? Window : Count;
  const auto end = Bytes.begin() + looked;
  const auto zero = std::find(Bytes.begin(), end, 0);
  if (zero == end) return false;
  return std::string_view(reinterpret_cast<const char*>(Bytes.data()), zero - Bytes.begin()) ==
         Magic;
}

bool TPVStreamHead::StartsWith(std::string_view Text) const {
  return Count >= static_cast<int32_t>(Text.size()) &&
         std::memcmp(Bytes.data(), Text.data(), Text.size()) == 0;
}

// The sizes below are the least a stream must hold for its header to frame any data.
bool HasTIFFStreamHeader(const TPVStreamHead& Head) {
  return Head.Size > 12 && Head.MagicWithin("TIFF", 5);
}

bool HasJPEGStreamHeader(const TPVStreamHead& Head) {
  return Head.Size > 12 && Head.MagicWithin("JFIF", 5);
}

bool HasGIFSignature(const TPVStreamHead& Head) { return Head.Size > 13 && Head.StartsWith("GIF"); }

bool HasPCXSignature(const TPVStreamHead& Head) {
  if (Head.Size > 12 && Head.MagicWithin("PCX2", 5)) return true;
  if (Head.Size > 4 && Head.MagicWithin("PCX", 4)) return true;
  return Head.Size > 128 && Head.Count >= 2 && Head.Bytes[0] == 0x0A && Head.Bytes[1] <= 5;
}

bool HasBMPSignature(const TPVStreamHead& Head) { return Head.Size > 14 && Head.StartsWith("BM"); }

bool IsPlainTIFF(TStream* Stream) {
  return IsTIFFStream(Stream) && !IsCameraRawTIFFStream(Stream);
}

bool IsPNGOfMoreThanSignature(TStream* Stream) {
  return Stream->GetSize() > 8 && IsPNGStream(Stream);
}

bool HasJPEGStart(TStream* Stream) { return FindJPEGStart(Stream) >= 0; }

}  // namespace calmora
