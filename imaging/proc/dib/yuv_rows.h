// Video frames in YUV layouts into 24-bit pixels: the BT.601 conversion of one pixel, one row
// converter per layout, and the table that names each layout by its FourCC code.
#pragma once

#include <cstdint>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// BT.601 studio range: with c = 1.164 x (Y - 16), blue = c + 2.018 x (U - 128), green =
// c - 0.813 x (V - 128) - 0.391 x (U - 128), red = c + 1.596 x (V - 128), each rounded to
// nearest (ties to even) and clamped to a byte.
void YUVToRGB(int32_t Y, int32_t U, int32_t V, TPVRGB& Pixel);

// A row converter fills every row of a 24-bit bitmap (its width and height) from a frame of
// FrameLength bytes without row padding. TopDown puts the frame's first row into bitmap row 0,
// else into the last row. A packed row whose width is not a multiple of its group takes whole
// groups and yields its first width pixels; the chroma planes of the planar layouts likewise
// round their width and height up. False, with nothing written, when the frame is shorter than
// that.
using TYUVRowsConverter = bool (*)(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                                   bool TopDown);

// Planar: the Y plane, then the two chroma planes at half (I420, YV12) or quarter (YVU9)
// width and height, U first (I420) or V first (YV12, YVU9).
bool ConvertI420Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertYV12Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertYVU9Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
// Packed, one group of pixels after the other (data order of a group): Y0 U Y1 V; Y0 V Y1 U;
// U Y0 V Y1; U Y0 Y1 V Y2 Y3; U Y V; U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7 (the first four
// pixels take U0 and V0, the last four U4 and V4); Y0 U Y2 V (pixels 0 and 1 take Y0, 2 and 3
// take Y2).
bool ConvertYUY2Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertYVYURows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertUYVYRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertIYU1Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertIYU2Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertY41PRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
bool ConvertY211Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);
// Four pixels in one little-endian 32-bit word: V bits 0-5, U bits 6-11, then Y0 to Y3 in
// 5 bits each from bit 12 up. The 5- and 6-bit fields are widened to 8 bits by repeating their
// top bits below them (31 gives 255, 63 gives 255).
bool ConvertCLJRRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown);

struct TYUVLayout {
  uint32_t FourCC;  // the compression code, first character in the low byte
  TYUVRowsConverter Convert;
  bool TopDown;
  // Frame bytes the layout needs for a width and height; -1 when beyond int64.
  int64_t (*FrameBytes)(int32_t Width, int32_t Height);
};

// The layout of a FourCC (I420, IYUV, YV12, YVU9, YUY2, YUNV, YVYU, UYVY, UYNV, cyuv, IYU1,
// IYU2, Y41P, Y211, CLJR); null for any other code.
const TYUVLayout* FindYUVLayout(uint32_t FourCC);

// The code of four characters, first character in the low byte.
constexpr uint32_t MakeFourCC(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

}  // namespace calmora
