// Pixel records and the pixel-format enumeration shared by every part of the imaging library.
// The records are byte-packed because rows and codec buffers hold them at any byte offset.
#pragma once

#include <cstdint>

namespace calmora {

// The pixel format of a bitmap, one byte; the ordinals are stored in files and streams.
enum TPVPixelFormat : uint8_t {
  pvNoFormat = 0,  // no pixels (empty bitmap)
  pv1g = 1,        // one bit per pixel, most significant bit first, set bit white
  pv8p = 2,        // 8-bit palette index
  pv8g = 3,        // 8-bit grey
  pv16g = 4,       // 16-bit grey, little-endian word
  pv24RGB = 5,     // TPVRGB: blue, green, red
  pv32f = 6,       // 32-bit float grey, 0.0 black .. 1.0 white
  pvCMYK = 7,      // TPVCMYK
  pvRGB48 = 8,     // TPVRGB48
  pvCIELab = 9,    // TPVCIELab
  pv32RGB = 10,    // blue, green, red and a fourth byte (32-bit device bitmap layout)
};
inline constexpr int PixelFormatCount = 11;

// 24-bit pixel and palette entry: blue first, as in device-independent bitmaps.
struct TPVRGB {
  uint8_t b;
  uint8_t g;
  uint8_t r;
  friend bool operator==(const TPVRGB&, const TPVRGB&) = default;
};

// 48-bit pixel: three 16-bit samples, red first (unlike TPVRGB).
struct __attribute__((packed)) TPVRGB48 {
  uint16_t r;
  uint16_t g;
  uint16_t b;
  friend bool operator==(const TPVRGB48& x, const TPVRGB48& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b;
  }
};

// CMYK pixel: each byte is 255 minus the ink amount.
struct TPVCMYK {
  uint8_t c;
  uint8_t m;
  uint8_t y;
  uint8_t k;
  friend bool operator==(const TPVCMYK&, const TPVCMYK&) = default;
};

// CIE L*a*b* pixel: L unsigned, a and b signed.
struct TPVCIELab {
  uint8_t l;
  int8_t a;
  int8_t b;
  friend bool operator==(const TPVCIELab&, const TPVCIELab&) = default;
};

static_assert(sizeof(TPVRGB) == 3 && alignof(TPVRGB) == 1);
static_assert(sizeof(TPVRGB48) == 6 && alignof(TPVRGB48) == 1);
static_assert(sizeof(TPVCMYK) == 4 && alignof(TPVCMYK) == 1);
static_assert(sizeof(TPVCIELab) == 3 && alignof(TPVCIELab) == 1);

// The GUI toolkit's colour value: red in bits 0-7, green 8-15, blue 16-23. A value with the
// top bit set names a system colour whose index is in the low byte (see ColorToRGB).
using TColor = uint32_t;
inline constexpr TColor clSystemColor = 0xFF000000u;
inline constexpr TColor clBtnFace = clSystemColor | 15u;  // the system's button face colour

}  // namespace calmora
