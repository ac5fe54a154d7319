// FindEmbeddedTIFFHeader: where a TIFF structure starts inside a file that wraps one (camera
// raw files, EXIF payloads).
#include <algorithm>
#include <vector>

#include "imaging/base/streams/byte_reader.h"
#include "imaging/base/streams/streams.h"
#include "imaging/params/exif_blocks.h"

namespace calmora {

namespace {

constexpr int32_t kSearchBytes = 0x20000;
constexpr int64_t kHeaderBytes = 8;
constexpr uint16_t kTIFFMagic = 42;
// The raw-file variants whose magic bytes read "RO" and "RS".
constexpr uint16_t kRawMagicRO = 0x4F52;
constexpr uint16_t kRawMagicRS = 0x5352;

bool IsTIFFHeader(const uint8_t* header, int64_t streamSize) {
  const bool little = header[0] == 'I' && header[1] == 'I';
  const bool big = header[0] == 'M' && header[1] == 'M';
  if (!little && !big) return false;
  TPVByteReader fields(header + 2, kHeaderBytes - 2);
  const uint16_t magic = little ? fields.ReadLE<uint16_t>() : fields.ReadBE<uint16_t>();
  const int32_t firstDirectory = little ? fields.ReadLE<int32_t>() : fields.ReadBE<int32_t>();
  return firstDirectory >= 0 && firstDirectory < streamSize &&
         (magic == kTIFFMagic || magic == kRawMagicRO || magic == kRawMagicRS);
}

// Puts the stream back where it was, however the search ends.
class PositionKeeper {
 public:
  explicit PositionKeeper(TStream* stream) : stream_(stream), position_(stream->GetPosition()) {}
  ~PositionKeeper() { stream_->SetPosition(position_); }
  PositionKeeper(const PositionKeeper&) = delete;
  PositionKeeper& operator=(const PositionKeeper&) = delete;

 private:
  TStream* stream_;
  int64_t position_;
};

}  // namespace

int64_t FindEmbeddedTIFFHeader(TStream* Stream) {
  if (Stream == nullptr) return -1;
  PositionKeeper keeper(Stream);
  const int64_t streamSize = Stream->GetSize();
  std::vector<uint8_t> bytes(kSearchBytes);
  const int32_t read = std::max(Stream->Read(bytes.data(), kSearchBytes), 0);
  for (int64_t i = 0; i + kHeaderBytes <= read; ++i)
    if (IsTIFFHeader(bytes.data() + i, streamSize)) return i;
  return -1;
}

}  // namespace calmora
