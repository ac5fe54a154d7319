// libFuzzer target of the GIF LZW decoder: three bytes choose the frame (width, height,
// interlace), the rest is the LZW data. Any input decodes without a sanitizer report, leaves the
// stream at its start or inside the data, and the pixels it gave survive our encoder and
// decoder unchanged.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t width = 1 + data[0] % 64;
  const int32_t height = 1 + data[1] % 64;
  const bool interlaced = (data[2] & 1) != 0;
  const auto pixels = static_cast<size_t>(width) * static_cast<size_t>(height);

  calmora::TPVMemStream stream(data + 3, static_cast<int64_t>(size - 3));
  std::vector<uint8_t> indices(pixels, 0);
  calmora::DecompressGIFLZW(&stream, height, width, interlaced, indices.data());
  const int64_t position = stream.GetPosition();
  if (position < 0 || position > static_cast<int64_t>(size - 3)) std::abort();

  calmora::TMemoryStream coded;
  calmora::CompressGIFLZW(&coded, height, width, interlaced, indices.data(), 8);
  coded.SetPosition(0);
  std::vector<uint8_t> again(pixels, 0x5A);
  calmora::DecompressGIFLZW(&coded, height, width, interlaced, again.data());
  if (again != indices || coded.GetPosition() != coded.GetSize()) std::abort();
  return 0;
}
