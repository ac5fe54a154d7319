// The TIFF content tests: a TIFF at all, and a TIFF that is really a camera's raw file (which
// detection leaves to the raw decoder).
#include <array>
#include <cstdint>

#include "imaging/codecs/tiff/tiff_codec.h"
#include "imaging/codecs/tiff/tiff_first_directory.h"
#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/stream_peek.h"
#include "imaging/base/streams/streams.h"

namespace calmora {

namespace {

constexpr uint16_t kImageWidthTag = 256;
constexpr uint16_t kImageLengthTag = 257;
constexpr uint16_t kPhotometricTag = 262;
constexpr uint16_t kSubIFDsTag = 330;
constexpr uint16_t kTIFFEPStandardIDTag = 37398;
constexpr uint16_t kDNGVersionTag = 50706;
constexpr uint32_t kColorFilterArray = 32803;
constexpr uint32_t kLinearRaw = 34892;
constexpr uint32_t kLargestThumbnailSide = 199;

// Header at the position, its first-directory offset below the stream size, and for "MM" not
// the byte 0xBA at stream position 8 (which marks a raw format that only looks like TIFF).
bool HasTIFFHeader(TStream* stream) {
  const int64_t size = stream->GetSize();
  if (size <= 8) return false;
  std::array<uint8_t, 8> header;
  if (PeekStreamBytes(stream, header.data(), header.size()) < 8) return false;
  TPVByteReader reader(header.data(), header.size());
  reader.Skip(4);
  if (header[0] == 'I' && header[1] == 'I') return reader.ReadLE<uint32_t>() < size;
  if (header[0] != 'M' || header[1] != 'M') return false;
  uint8_t ninthByte = 0;
  PeekStreamBytesAt(stream, 8, &ninthByte, 1);
  return reader.ReadBE<uint32_t>() < size && ninthByte != 0xBA;
}

}  // namespace

bool IsTIFFStream(TStream* Stream) {
  if (!HasTIFFHeader(Stream)) return false;
  const std::optional<TTIFFFirstDirectory> directory = ReadTIFFFirstDirectory(Stream);
  return directory && directory->Find(kImageWidthTag) && directory->Find(kImageLengthTag);
}

bool IsCameraRawTIFFStream(TStream* Stream) {
  const std::optional<TTIFFFirstDirectory> directory = ReadTIFFFirstDirectory(Stream);
  if (!directory) return false;
  const TTIFFEntry* dngVersion = directory->Find(kDNGVersionTag);
  if (dngVersion && dngVersion->Type == 1 && dngVersion->Count == 4) return true;
  const TTIFFEntry* photometric = directory->Find(kPhotometricTag);
  if (photometric && photometric->Type == 3) {
    const uint32_t value = directory->Number(kPhotometricTag, 0);
    if (value == kColorFilterArray || value == kLinearRaw) return true;
  }
  return directory->Find(kSubIFDsTag) && directory->Find(kTIFFEPStandardIDTag) &&
         directory->Number(kImageWidthTag, 0) <= kLargestThumbnailSide &&
         directory->Number(kImageLengthTag, 0) <= kLargestThumbnailSide;
}

}  // namespace calmora
