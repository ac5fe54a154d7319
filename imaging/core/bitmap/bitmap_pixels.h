// The inline single-pixel accessors of TPVBitmap: one unchecked read and one write per pixel
// record, over the row GetScanline hands out, with the rules that keep Opaque truthful.
#pragma once

#include <cstdint>
#include <cstring>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

namespace pixel_access {

// Pixels sit at any byte offset (a 6-byte pixel, a row of 8-bit alignment), so they are
// copied rather than dereferenced; the compiler makes one load or store of it.
template <typename Pixel>
inline Pixel Read(const uint8_t* row, int32_t x) {
  Pixel pixel;
  std::memcpy(&pixel, row + static_cast<int64_t>(x) * sizeof(Pixel), sizeof(Pixel));
  return pixel;
}

template <typename Pixel>
inline void Write(uint8_t* row, int32_t x, const Pixel& pixel) {
  std::memcpy(row + static_cast<int64_t>(x) * sizeof(Pixel), &pixel, sizeof(Pixel));
}

}  // namespace pixel_access

inline uint8_t TPVBitmap::GetPixel8(int32_t x, int32_t y) const {
  return pixel_access::Read<uint8_t>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixel8(int32_t x, int32_t y, uint8_t value) {
  pixel_access::Write(GetScanline(y), x, value);
  if (value != 255) Opaque = false;
}

inline uint16_t TPVBitmap::GetPixel16(int32_t x, int32_t y) const {
  return pixel_access::Read<uint16_t>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixel16(int32_t x, int32_t y, uint16_t value) {
  pixel_access::Write(GetScanline(y), x, value);
  if (value != 65535) Opaque = false;
}

inline double TPVBitmap::GetPixelFloat(int32_t x, int32_t y) const {
  return pixel_access::Read<float>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixelFloat(int32_t x, int32_t y, float value) {
  pixel_access::Write(GetScanline(y), x, value);
  if (!(value >= 1.0f)) Opaque = false;  // NaN is not white either
}

inline int32_t TPVBitmap::GetPixel32(int32_t x, int32_t y) const {
  return pixel_access::Read<int32_t>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixel32(int32_t x, int32_t y, int32_t value) {
  pixel_access::Write(GetScanline(y), x, value);
}

inline TPVRGB TPVBitmap::GetPixel24(int32_t x, int32_t y) const {
  return pixel_access::Read<TPVRGB>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixel24(int32_t x, int32_t y, TPVRGB value) {
  pixel_access::Write(GetScanline(y), x, value);
}

inline uint8_t* TPVBitmap::GetPixel24Pointer(int32_t x, int32_t y) {
  return GetScanline(y) + static_cast<int64_t>(x) * 3;
}

inline TPVRGB48 TPVBitmap::GetPixel48(int32_t x, int32_t y) const {
  return pixel_access::Read<TPVRGB48>(GetScanline(y), x);
}

inline void TPVBitmap::SetPixel48(int32_t x, int32_t y, TPVRGB48 value) {
  pixel_access::Write(GetScanline(y), x, value);
  if (value.r != 65535 || value.g != 65535 || value.b != 65535) Opaque = false;
}

inline uint8_t TPVBitmap::GetAlpha(int32_t x, int32_t y) {
  if (IsAlphaPlane) return GetPixel8(x, y);
  const TPVBitmap* plane = GetAlphaChannel();
  return plane ? plane->GetPixel8(x, y) : 255;
}

inline void TPVBitmap::SetAlpha(int32_t x, int32_t y, uint8_t value) {
  TPVBitmap* plane = IsAlphaPlane ? this : GetAlphaChannel();
  if (!plane) return;
  plane->SetPixel8(x, y, value);  // clears the plane's Opaque below 255
  if (value != 255) Opaque = false;
}

}  // namespace calmora
