// The DIB layout of avi_dib.h.
#include "platform/avi_dib.h"

namespace calmora::platform {
namespace {

void PutLE16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLE32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

size_t ColorTableOffset() { return kDIBHeaderSize; }

size_t RowsOffset(const std::vector<uint8_t>& dib) {
  const uint32_t colors = static_cast<uint32_t>(dib[32]) | static_cast<uint32_t>(dib[33]) << 8 |
                          static_cast<uint32_t>(dib[34]) << 16 |
                          static_cast<uint32_t>(dib[35]) << 24;
  return kDIBHeaderSize + size_t{colors} * 4;
}

}  // namespace

size_t DIBRowStride(int32_t width, int32_t bitCount) {
  return (static_cast<size_t>(width) * static_cast<size_t>(bitCount) + 31) / 32 * 4;
}

std::vector<uint8_t> MakePackedDIB(int32_t width, int32_t height, int32_t bitCount,
                                   const std::vector<uint8_t>& colorTable) {
  const size_t imageSize = DIBRowStride(width, bitCount) * static_cast<size_t>(height);
  const size_t colors = colorTable.size() / 4;
  std::vector<uint8_t> dib(kDIBHeaderSize + colors * 4 + imageSize, 0);
  PutLE32(dib, 0, kDIBHeaderSize);                     // biSize
  PutLE32(dib, 4, static_cast<uint32_t>(width));       // biWidth
  PutLE32(dib, 8, static_cast<uint32_t>(height));      // biHeight: positive, bottom-up
  PutLE16(dib, 12, 1);                                 // biPlanes
  PutLE16(dib, 14, static_cast<uint16_t>(bitCount));   // biBitCount
  PutLE32(dib, 16, 0);                                 // biCompression: none
  PutLE32(dib, 20, static_cast<uint32_t>(imageSize));  // biSizeImage
  PutLE32(dib, 32, static_cast<uint32_t>(colors));     // biClrUsed; the pixel densities
                                                       // and biClrImportant stay 0
  for (size_t i = 0; i < colors * 4; ++i) dib[ColorTableOffset() + i] = colorTable[i];
  return dib;
}

uint8_t* DIBRows(std::vector<uint8_t>& dib) { return dib.data() + RowsOffset(dib); }

}  // namespace calmora::platform
