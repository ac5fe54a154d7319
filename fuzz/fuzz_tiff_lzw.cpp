// libFuzzer target of the TIFF LZW decoder: three bytes choose the row size and fill order, the
// rest is one strip. Any strip gives rows until null without a sanitizer report or an endless
// row supply, and the bytes it gave survive our encoder and decoder unchanged.
// Fuzz budget in CI: 20 s
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/base/streams/streams.h"
#include "imaging/codecs/lzw/lzw_codec.h"

namespace {

std::vector<uint8_t> DecodeAll(const uint8_t* strip, int64_t size, int32_t rowSize,
                               int32_t fillOrder) {
  std::vector<uint8_t> bytes;
  void* state = nullptr;
  // Every 9 bits give at most 4,096 bytes, so more rows than that means a decoder that never
  // stops.
  const int64_t rowLimit = (size * 8 / 9 + 1) * 4096 / rowSize + 2;
  const uint8_t* data = strip;
  const uint8_t empty = 0;
  if (data == nullptr) data = &empty;
  for (int64_t rows = 0;; ++rows) {
    if (rows > rowLimit) std::abort();
    const uint8_t* row = calmora::DecompressTIFFLZW(data, rowSize, state, fillOrder, size);
    if (row == nullptr) break;
    bytes.insert(bytes.end(), row, row + rowSize);
  }
  calmora::DecompressTIFFLZW(nullptr, rowSize, state, fillOrder, 0);
  if (state != nullptr) std::abort();
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int32_t rowSize = 1 + (data[0] | data[1] << 8) % 600;
  const int32_t fillOrder = (data[2] & 1) ? 2 : 1;
  // The strip in a block of its own size, so a read past it is a report.
  const std::vector<uint8_t> strip(data + 3, data + size);
  const std::vector<uint8_t> bytes =
      DecodeAll(strip.data(), static_cast<int64_t>(strip.size()), rowSize, fillOrder);

  calmora::TMemoryStream coded;
  void* state = nullptr;
  const size_t piece = 1 + data[2] % 97;
  for (size_t at = 0; at < bytes.size(); at += piece) {
    const size_t count = bytes.size() - at < piece ? bytes.size() - at : piece;
    calmora::CompressTIFFLZW(bytes.data() + at, static_cast<int32_t>(count), &coded, state);
  }
  if (state == nullptr) return 0;  // nothing decoded, nothing to encode
  calmora::CompressTIFFLZW(nullptr, 0, &coded, state);
  const std::vector<uint8_t> again =
      DecodeAll(static_cast<const uint8_t*>(coded.GetMemory()), coded.GetSize(), rowSize, 1);
  if (again != bytes) std::abort();
  return 0;
}
