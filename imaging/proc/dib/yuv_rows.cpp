// The YUV row converters: one engine for packed layouts (groups of pixels described by the
// offsets of their samples, or decoded by a function), one for planar layouts, and the FourCC
// table over them.
#include "imaging/proc/dib/yuv_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "imaging/base/row_bits.h"
#include "imaging/core/bitmap/bitmap_internal.h"

namespace calmora {

namespace {

// ClampByte(Round(value)) for any value, also ones beyond int32.
uint8_t RoundToByte(double value) {
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<uint8_t>(std::nearbyint(value));
}

// ---- Packed layouts ----

// A group of a packed layout: its pixels and bytes, and for each pixel the offsets of its Y,
// U and V samples within the group.
struct TPackedGroup {
  int32_t Pixels;
  int32_t Bytes;
  uint8_t Y[8];
  uint8_t U[8];
  uint8_t V[8];
};

constexpr TPackedGroup kYUY2{2, 4, {0, 2}, {1, 1}, {3, 3}};
constexpr TPackedGroup kYVYU{2, 4, {0, 2}, {3, 3}, {1, 1}};
constexpr TPackedGroup kUYVY{2, 4, {1, 3}, {0, 0}, {2, 2}};
constexpr TPackedGroup kIYU1{4, 6, {1, 2, 4, 5}, {0, 0, 0, 0}, {3, 3, 3, 3}};
constexpr TPackedGroup kIYU2{1, 3, {1}, {0}, {2}};
constexpr TPackedGroup kY41P{
    8, 12, {1, 3, 5, 7, 8, 9, 10, 11}, {0, 0, 0, 0, 4, 4, 4, 4}, {2, 2, 2, 2, 6, 6, 6, 6}};
constexpr TPackedGroup kY211{4, 4, {0, 0, 2, 2}, {1, 1, 1, 1}, {3, 3, 3, 3}};
// CLJR packs its group in bit fields and has no byte offsets.
constexpr int32_t kCLJRPixels = 4;
constexpr int32_t kCLJRBytes = 4;

// Whole groups per row: the last one may hold pixels past the width.
int64_t PackedFrameBytes(int32_t groupPixels, int32_t groupBytes, int32_t width, int32_t height) {
  if (width < 0 || height < 0) return -1;
  const int64_t groups = (int64_t{width} + groupPixels - 1) / groupPixels;
  return CalcImageByteSize(groups * groupBytes, height);
}

template <const TPackedGroup& Group>
int64_t GroupFrameBytes(int32_t width, int32_t height) {
  return PackedFrameBytes(Group.Pixels, Group.Bytes, width, height);
}

int64_t CLJRFrameBytes(int32_t width, int32_t height) {
  return PackedFrameBytes(kCLJRPixels, kCLJRBytes, width, height);
}

bool Holds24BitRows(const TPVBaseBitmap& bitmap) {
  return bitmap.GetBitCount() == 24 && bitmap.GetWidth() > 0 && bitmap.GetHeight() > 0;
}

// Decodes every group of every row with decode(group bytes, pixels of the group).
template <class DecodeGroup>
bool ConvertPackedRows(const uint8_t* frame, int64_t length, TPVBaseBitmap& bitmap, bool topDown,
                       int32_t groupPixels, int32_t groupBytes, DecodeGroup decode) {
  if (!Holds24BitRows(bitmap)) return false;
  const int32_t width = bitmap.GetWidth();
  const int32_t height = bitmap.GetHeight();
  const int64_t needed = PackedFrameBytes(groupPixels, groupBytes, width, height);
  if (!frame || needed < 0 || length < needed) return false;
  const int64_t rowBytes = needed / height;
  TPVDataAccessScope writeOnly(bitmap, pvdWrite);
  TPVRGB group[8];
  for (int32_t r = 0; r < height; ++r) {
    auto* target = reinterpret_cast<TPVRGB*>(bitmap.GetScanline(topDown ? r : height - 1 - r));
    if (!target) return false;
    const uint8_t* source = frame + r * rowBytes;
    for (int32_t x = 0; x < width; x += groupPixels, source += groupBytes) {
      decode(source, group);
      std::copy_n(group, std::min(groupPixels, width - x), target + x);
    }
  }
  return true;
}

template <const TPackedGroup& Group>
bool ConvertGroupRows(const uint8_t* frame, int64_t length, TPVBaseBitmap& bitmap, bool topDown) {
  return ConvertPackedRows(frame, length, bitmap, topDown, Group.Pixels, Group.Bytes,
                           [](const uint8_t* bytes, TPVRGB* pixels) {
                             for (int32_t p = 0; p < Group.Pixels; ++p)
                               YUVToRGB(bytes[Group.Y[p]], bytes[Group.U[p]], bytes[Group.V[p]],
                                        pixels[p]);
                           });
}

// 5 and 6 bits to 8 by repeating the top bits below them, so 0 and the maximum stay the ends
// of the scale.
int32_t Widen5(uint32_t value) { return static_cast<int32_t>(value << 3 | value >> 2); }
int32_t Widen6(uint32_t value) { return static_cast<int32_t>(value << 2 | value >> 4); }

void DecodeCLJRGroup(const uint8_t* bytes, TPVRGB* pixels) {
  const uint32_t word =
      bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
  const int32_t v = Widen6(word & 63);
  const int32_t u = Widen6(word >> 6 & 63);
  for (int32_t p = 0; p < kCLJRPixels; ++p)
    YUVToRGB(Widen5(word >> (12 + 5 * p) & 31), u, v, pixels[p]);
}

// ---- Planar layouts ----

// Chroma samples across a width or height: a partial square at the end has one as well.
int64_t ChromaExtent(int32_t size, int32_t subsampling) {
  return (int64_t{size} + subsampling - 1) / subsampling;
}

int64_t PlanarFrameBytes(int32_t subsampling, int32_t width, int32_t height) {
  if (width < 0 || height < 0) return -1;
  return int64_t{width} * height +
         2 * ChromaExtent(width, subsampling) * ChromaExtent(height, subsampling);
}

template <int32_t Subsampling>
int64_t PlanesFrameBytes(int32_t width, int32_t height) {
  return PlanarFrameBytes(Subsampling, width, height);
}

// The Y plane, then two chroma planes; each chroma sample serves a square of subsampling x
// subsampling pixels, counted from the top left.
bool ConvertPlanarRows(const uint8_t* frame, int64_t length, TPVBaseBitmap& bitmap, bool topDown,
                       int32_t subsampling, bool vFirst) {
  if (!Holds24BitRows(bitmap)) return false;
  const int32_t width = bitmap.GetWidth();
  const int32_t height = bitmap.GetHeight();
  const int64_t needed = PlanarFrameBytes(subsampling, width, height);
  if (!frame || length < needed) return false;
  const int64_t chromaWidth = ChromaExtent(width, subsampling);
  const int64_t chromaPlane = chromaWidth * ChromaExtent(height, subsampling);
  const uint8_t* first = frame + int64_t{width} * height;
  const uint8_t* u = vFirst ? first + chromaPlane : first;
  const uint8_t* v = vFirst ? first : first + chromaPlane;
  TPVDataAccessScope writeOnly(bitmap, pvdWrite);
  for (int32_t r = 0; r < height; ++r) {
    auto* target = reinterpret_cast<TPVRGB*>(bitmap.GetScanline(topDown ? r : height - 1 - r));
    if (!target) return false;
    const uint8_t* luma = frame + int64_t{r} * width;
    const int64_t chromaRow = (r / subsampling) * chromaWidth;
    for (int32_t x = 0; x < width; ++x) {
      const int64_t c = chromaRow + x / subsampling;
      YUVToRGB(luma[x], u[c], v[c], target[x]);
    }
  }
  return true;
}

constexpr TYUVLayout kLayouts[] = {
    {MakeFourCC("I420"), ConvertI420Rows, true, PlanesFrameBytes<2>},
    {MakeFourCC("IYUV"), ConvertI420Rows, true, PlanesFrameBytes<2>},
    {MakeFourCC("YV12"), ConvertYV12Rows, true, PlanesFrameBytes<2>},
    {MakeFourCC("YVU9"), ConvertYVU9Rows, true, PlanesFrameBytes<4>},
    {MakeFourCC("YUY2"), ConvertYUY2Rows, true, GroupFrameBytes<kYUY2>},
    {MakeFourCC("YUNV"), ConvertYUY2Rows, true, GroupFrameBytes<kYUY2>},
    {MakeFourCC("YVYU"), ConvertYVYURows, true, GroupFrameBytes<kYVYU>},
    {MakeFourCC("UYVY"), ConvertUYVYRows, true, GroupFrameBytes<kUYVY>},
    {MakeFourCC("UYNV"), ConvertUYVYRows, true, GroupFrameBytes<kUYVY>},
    {MakeFourCC("cyuv"), ConvertUYVYRows, false, GroupFrameBytes<kUYVY>},
    {MakeFourCC("IYU1"), ConvertIYU1Rows, true, GroupFrameBytes<kIYU1>},
    {MakeFourCC("IYU2"), ConvertIYU2Rows, true, GroupFrameBytes<kIYU2>},
    {MakeFourCC("Y41P"), ConvertY41PRows, false, GroupFrameBytes<kY41P>},
    {MakeFourCC("Y211"), ConvertY211Rows, true, GroupFrameBytes<kY211>},
    {MakeFourCC("CLJR"), ConvertCLJRRows, true, CLJRFrameBytes},
};

}  // namespace

void YUVToRGB(int32_t Y, int32_t U, int32_t V, TPVRGB& Pixel) {
  const double c = 1.164 * (Y - 16);
  Pixel.b = RoundToByte(c + 2.018 * (U - 128));
  Pixel.g = RoundToByte(c - 0.813 * (V - 128) - 0.391 * (U - 128));
  Pixel.r = RoundToByte(c + 1.596 * (V - 128));
}

bool ConvertI420Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertPlanarRows(Frame, FrameLength, Bitmap, TopDown, 2, false);
}

bool ConvertYV12Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertPlanarRows(Frame, FrameLength, Bitmap, TopDown, 2, true);
}

bool ConvertYVU9Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertPlanarRows(Frame, FrameLength, Bitmap, TopDown, 4, true);
}

bool ConvertYUY2Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kYUY2>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertYVYURows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kYVYU>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertUYVYRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kUYVY>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertIYU1Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kIYU1>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertIYU2Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kIYU2>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertY41PRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kY41P>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertY211Rows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertGroupRows<kY211>(Frame, FrameLength, Bitmap, TopDown);
}

bool ConvertCLJRRows(const uint8_t* Frame, int64_t FrameLength, TPVBaseBitmap& Bitmap,
                     bool TopDown) {
  return ConvertPackedRows(Frame, FrameLength, Bitmap, TopDown, kCLJRPixels, kCLJRBytes,
                           DecodeCLJRGroup);
}

const TYUVLayout* FindYUVLayout(uint32_t FourCC) {
  for (const TYUVLayout& layout : kLayouts)
    if (layout.FourCC == FourCC) return &layout;
  return nullptr;
}

}  // namespace calmora
