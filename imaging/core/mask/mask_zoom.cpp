// The zoomed copy of a mask that the selection drawings work on: StretchMaskRect and the mask's
// zoom buffer, which keeps its memory while the view's size stays.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/core/mask/mask.h"
#include "imaging/core/mask/mask_zoom.h"
#include "imaging/base/bit_helpers.h"

namespace calmora {

namespace {

// Trunc(value) limited to low..high; the value may lie far outside int64 or be infinite.
int64_t TruncWithin(double value, int64_t low, int64_t high) {
  if (!(value > static_cast<double>(low))) return low;
  if (!(value < static_cast<double>(high))) return high;
  return static_cast<int64_t>(std::trunc(value));
}

// Destination indices first..last whose pixels can show the box's source span
// boxFirst..boxLast (source origin subtracted), for a ratio of destination to source extent.
void ZoomedSpan(int64_t boxFirst, int64_t boxLast, double ratio, int64_t extent, int64_t& first,
                int64_t& last) {
  first = std::max<int64_t>(TruncWithin(boxFirst * ratio, 0, extent), 0);
  last = std::min<int64_t>(TruncWithin(ratio * (boxLast + 1), -1, extent), extent - 1);
}

// Source index of every destination index first..last, -1 where it falls outside 0..size - 1.
std::vector<int32_t> SourceColumns(int64_t origin, int64_t step, int64_t first, int64_t last,
                                   int32_t size) {
  std::vector<int32_t> columns(static_cast<size_t>(last - first + 1));
  for (int64_t k = first; k <= last; ++k) {
    const int64_t column = ZoomSource(origin, step, k);
    columns[k - first] = column >= 0 && column < size ? static_cast<int32_t>(column) : -1;
  }
  return columns;
}

// One destination row of a 1-bit mask: bits first..last, eight at a time into whole bytes.
void StretchBitRow(const uint8_t* source, uint8_t* target, const std::vector<int32_t>& columns,
                   int64_t first, int64_t last) {
  uint32_t byte = 0;
  for (int64_t k = first; k <= last; ++k) {
    const int32_t column = columns[k - first];
    if (column >= 0) byte |= ((source[column >> 3] >> (7 - (column & 7))) & 1u) << (7 - (k & 7));
    if ((k & 7) == 7 || k == last) {
      target[k >> 3] |= static_cast<uint8_t>(byte);
      byte = 0;
    }
  }
}

void StretchByteRow(const uint8_t* source, uint8_t* target, const std::vector<int32_t>& columns,
                    int64_t first, int64_t last) {
  for (int64_t k = first; k <= last; ++k) {
    const int32_t column = columns[k - first];
    if (column >= 0) target[k] = source[column];
  }
}

// Destination pixels first..last from source pixels origin + first.. (all inside the mask).
void CopySpan(const uint8_t* source, uint8_t* target, int32_t bitsPerPixel, int32_t rowBytes,
              int64_t origin, int64_t first, int64_t last) {
  if (last < first) return;
  if (bitsPerPixel == 1)
    CopyBits(target, source, static_cast<int32_t>(first), static_cast<int32_t>(origin + first),
             static_cast<int32_t>(last - first + 1), rowBytes);
  else
    std::memcpy(target + first, source + origin + first, static_cast<size_t>(last - first + 1));
}

}  // namespace

int64_t ZoomStep(int32_t sourceExtent, int32_t destinationExtent) {
  return TruncWithin(static_cast<double>(sourceExtent) / destinationExtent * 16384, 0, INT32_MAX);
}

void StretchMaskRect(const TPVMask& mask, uint8_t* buffer, int32_t width, int32_t height,
                     int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight) {
  if (width < 1 || height < 1 || !buffer || (mask.BitsPerPixel != 1 && mask.BitsPerPixel != 8))
    return;
  int32_t rowBytes = 0;
  if (!TryCalcRowLength(width, mask.BitsPerPixel, 32, rowBytes)) return;
  std::memset(buffer, 0, static_cast<size_t>(rowBytes) * height);
  if (sourceWidth < 1 || sourceHeight < 1 || !mask.Data || mask.IsEmpty()) return;

  const int64_t stepY = ZoomStep(sourceHeight, height), stepX = ZoomStep(sourceWidth, width);
  const double ry = static_cast<double>(height) / sourceHeight;
  const double rx = static_cast<double>(width) / sourceWidth;
  int64_t firstRow, lastRow, firstColumn, lastColumn;
  ZoomedSpan(int64_t{mask.BoxTop} - sourceY, int64_t{mask.BoxBottom} - sourceY, ry, height,
             firstRow, lastRow);
  ZoomedSpan(int64_t{mask.BoxLeft} - sourceX, int64_t{mask.BoxRight} - sourceX, rx, width,
             firstColumn, lastColumn);
  if (lastColumn < firstColumn || lastRow < firstRow) return;

  // At 1:1 across, a row's span is a straight copy of the part that lies inside the mask.
  const bool straight = stepX == 16384;
  const int64_t copyFirst = std::max<int64_t>(firstColumn, -int64_t{sourceX});
  const int64_t copyLast = std::min<int64_t>(lastColumn, int64_t{mask.Width} - 1 - sourceX);
  const std::vector<int32_t> columns =
      straight ? std::vector<int32_t>()
               : SourceColumns(sourceX, stepX, firstColumn, lastColumn, mask.Width);
  const uint8_t* doneRow = nullptr;  // the last row filled, and the source row it shows
  int64_t doneSource = -1;
  for (int64_t i = firstRow; i <= lastRow; ++i) {
    const int64_t sourceRow = std::min<int64_t>(ZoomSource(sourceY, stepY, i), mask.Height - 1);
    if (sourceRow < 0) continue;
    uint8_t* target = buffer + static_cast<int64_t>(rowBytes) * (height - 1 - i);
    if (doneRow && sourceRow == doneSource) {
      // Zoomed in, runs of rows show the same source row: copy the first of them.
      std::memcpy(target, doneRow, static_cast<size_t>(rowBytes));
      continue;
    }
    const uint8_t* source = mask.GetRow(static_cast<int32_t>(sourceRow));
    if (straight)
      CopySpan(source, target, mask.BitsPerPixel, mask.RowBytes, sourceX, copyFirst, copyLast);
    else if (mask.BitsPerPixel == 1)
      StretchBitRow(source, target, columns, firstColumn, lastColumn);
    else
      StretchByteRow(source, target, columns, firstColumn, lastColumn);
    doneRow = target;
    doneSource = sourceRow;
  }
}

bool TPVMask::FillZoomBuffer(int32_t width, int32_t height, int32_t sourceX, int32_t sourceY,
                             int32_t sourceWidth, int32_t sourceHeight) {
  if (width < 1 || height < 1 || BitsPerPixel == 0) return false;
  if (!ZoomBuffer || width != ZoomWidth || height != ZoomHeight) {
    int32_t rowBytes = 0;
    if (!TryCalcRowLength(width, BitsPerPixel, 32, rowBytes)) return false;
    delete[] ZoomBuffer;
    ZoomRows.clear();
    ZoomWidth = 0;
    ZoomHeight = 0;
    const int64_t size = static_cast<int64_t>(rowBytes) * height;
    ZoomBuffer = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (!ZoomBuffer) return false;
    ZoomRows.resize(static_cast<size_t>(height));
    for (int32_t i = 0; i < height; ++i)
      ZoomRows[i] = ZoomBuffer + static_cast<int64_t>(rowBytes) * (height - 1 - i);
    ZoomWidth = width;
    ZoomHeight = height;
  }
  StretchMaskRect(*this, ZoomBuffer, width, height, sourceX, sourceY, sourceWidth, sourceHeight);
  return true;
}

}  // namespace calmora
