// The exclusive-or stretch of a 1-bit picture and the dot, written on the canvas bitmap's rows
// in whatever format they are, since QPainter knows neither operation.
#include "platform/canvas_raster_ops.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/canvas.h"
#include "platform/device_pixels.h"

namespace calmora::platform {

namespace {

bool IsIndexed(TPixelFormat format) { return TableLengthOf(format) > 0; }

std::array<TRGBQuad, 256> TableOf(const TBitmap& bitmap) {
  std::array<TRGBQuad, 256> table{};
  for (int32_t i = 0; i < bitmap.GetColorTableLength(); ++i)
    table[i] = bitmap.GetColorTableEntry(i);
  return table;
}

// A colour as one pixel of a format stores it: the table index for the indexed formats, else
// the pixel's bytes.
struct TPixelPattern {
  int32_t Index = 0;
  uint8_t Bytes[4] = {};
  bool IsZero() const {
    return Index == 0 && Bytes[0] == 0 && Bytes[1] == 0 && Bytes[2] == 0 && Bytes[3] == 0;
  }
};

TPixelPattern PatternOf(TPixelFormat format, const std::array<TRGBQuad, 256>& table, TRGBQuad c) {
  TPixelPattern pattern;
  if (IsIndexed(format))
    pattern.Index = NearestEntry(table.data(), TableLengthOf(format), c);
  else
    WriteColor(pattern.Bytes, 0, format, table.data(), c);
  return pattern;
}

// Pixel x of the row exclusive-ored with the pattern; bytesPerPixel is 0 for indexed formats.
inline void XorPixel(uint8_t* row, int32_t x, TPixelFormat format, int32_t bytesPerPixel,
                     const TPixelPattern& pattern) {
  if (bytesPerPixel == 0) {
    WriteIndex(row, x, format, ReadIndex(row, x, format) ^ pattern.Index);
    return;
  }
  uint8_t* pixel = row + static_cast<int64_t>(x) * bytesPerPixel;
  for (int32_t k = 0; k < bytesPerPixel; ++k) pixel[k] ^= pattern.Bytes[k];
}

// The span first..last of 0..extent - 1 that a run of count pixels starting at origin covers,
// as indices into the run; empty (last < first) when they do not meet.
void VisibleSpan(int64_t origin, int64_t count, int64_t extent, int64_t& first, int64_t& last) {
  first = std::max<int64_t>(0, -origin);
  last = std::min<int64_t>(count - 1, extent - 1 - origin);
}

}  // namespace

void StretchDibInvert(TCanvas& canvas, int32_t destX, int32_t destY, int32_t destWidth,
                      int32_t destHeight, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                      int32_t sourceHeight, const TMonoDib& dib) {
  TBitmap& bitmap = canvas.GetBitmap();
  const TPixelFormat format = bitmap.GetPixelFormat();
  const int32_t bits = StorageBitCount(format);
  if (destWidth < 1 || destHeight < 1 || sourceWidth < 1 || sourceHeight < 1 || !dib.Bits ||
      dib.Width < 1 || dib.Height < 1 || bits == 0 || !bitmap.GetScanLine(0))
    return;
  const std::array<TRGBQuad, 256> table = TableOf(bitmap);
  const TPixelPattern patterns[2] = {PatternOf(format, table, dib.Colors[0]),
                                     PatternOf(format, table, dib.Colors[1])};
  const int32_t bytesPerPixel = IsIndexed(format) ? 0 : bits / 8;
  const int64_t dibRowBytes = (int64_t{dib.Width} + 31) / 32 * 4;

  int64_t firstColumn, lastColumn, firstRow, lastRow;
  VisibleSpan(destX, destWidth, bitmap.GetWidth(), firstColumn, lastColumn);
  VisibleSpan(destY, destHeight, bitmap.GetHeight(), firstRow, lastRow);
  if (lastColumn < firstColumn || lastRow < firstRow) return;

  // Source column of every visible destination column; -1 outside the picture.
  std::vector<int32_t> columns(static_cast<size_t>(lastColumn - firstColumn + 1));
  for (int64_t j = firstColumn; j <= lastColumn; ++j) {
    const int64_t column = sourceX + j * sourceWidth / destWidth;
    columns[j - firstColumn] =
        column >= 0 && column < dib.Width ? static_cast<int32_t>(column) : -1;
  }
  for (int64_t i = firstRow; i <= lastRow; ++i) {
    const int64_t fromBottom = int64_t{sourceY} + sourceHeight - 1 - i * sourceHeight / destHeight;
    if (fromBottom < 0 || fromBottom >= dib.Height) continue;
    const uint8_t* source = dib.Bits + fromBottom * dibRowBytes;
    uint8_t* row = bitmap.GetScanLine(static_cast<int32_t>(destY + i));
    for (int64_t j = firstColumn; j <= lastColumn; ++j) {
      const int32_t column = columns[j - firstColumn];
      if (column < 0) continue;
      const TPixelPattern& pattern = patterns[(source[column >> 3] >> (7 - (column & 7))) & 1];
      if (!pattern.IsZero())
        XorPixel(row, static_cast<int32_t>(destX + j), format, bytesPerPixel, pattern);
    }
  }
}

void DrawDot(TCanvas& canvas, int32_t x, int32_t y, TBitmap& dot) {
  TBitmap& bitmap = canvas.GetBitmap();
  if (x < 0 || x >= bitmap.GetWidth()) return;
  uint8_t* row = bitmap.GetScanLine(y);
  const uint8_t* dotRow = dot.GetScanLine(0);
  if (!row || !dotRow || dot.GetWidth() < 1) return;
  const TPixelFormat dotFormat = dot.GetPixelFormat();
  const TRGBQuad color = IsIndexed(dotFormat)
                             ? dot.GetColorTableEntry(ReadIndex(dotRow, 0, dotFormat))
                             : ReadColor(dotRow, 0, dotFormat, nullptr);
  const TPixelFormat format = bitmap.GetPixelFormat();
  if (IsIndexed(format)) {
    const std::array<TRGBQuad, 256> table = TableOf(bitmap);
    WriteColor(row, x, format, table.data(), color);
  } else {
    WriteColor(row, x, format, nullptr, color);
  }
}

}  // namespace calmora::platform
