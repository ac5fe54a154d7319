// The selection drawn over a view: the inverted overlay, the animated dashed outline and the
// grey checkerboard over the unselected part, the last two computed on the zoom buffer.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "imaging/base/row_bits.h"
#include "imaging/core/mask/mask.h"
#include "imaging/core/mask/mask_zoom.h"
#include "imaging/base/color_helpers.h"
#include "platform/canvas.h"
#include "platform/canvas_raster_ops.h"
#include "platform/device_bitmap.h"

namespace calmora {

namespace {

// A step of 0 (a view zoomed beyond 16384 times) would divide by zero where the drawings turn
// mask coordinates back into view coordinates.
int64_t DivideByStep(int64_t value, int64_t step) { return value / std::max<int64_t>(step, 1); }

bool FitsInt32(int64_t value) {
  return value >= std::numeric_limits<int32_t>::min() &&
         value <= std::numeric_limits<int32_t>::max();
}

// Zoom pixel j of a row of the 1- or 8-bit zoom buffer is selected.
template <int Bits>
bool Selected(const uint8_t* row, int64_t j) {
  if constexpr (Bits == 1) return (row[j >> 3] >> (7 - (j & 7))) & 1;
  return row[j] != 0;
}

// Pixels first..first + 2 of a 1-bit row as three bits (first highest), read as a 16-bit
// big-endian word. The second byte is read only inside the row: a width that is a multiple of
// 32 leaves no padding after the last byte, and the bits wanted then all lie in the first.
uint32_t ThreeBits(const uint8_t* row, int64_t rowBytes, int64_t first) {
  const int64_t byte = first >> 3;
  const uint32_t word = (uint32_t{row[byte]} << 8) | (byte + 1 < rowBytes ? row[byte + 1] : 0u);
  return (word >> (13 - (first & 7))) & 7;
}

// One of the 3 x 3 zoom pixels around (j, row) is unselected; j - 1 and j + 1 lie in the row.
template <int Bits>
bool TouchesOutside(const uint8_t* above, const uint8_t* row, const uint8_t* below,
                    int64_t rowBytes, int64_t j) {
  if constexpr (Bits == 1) {
    return (ThreeBits(above, rowBytes, j - 1) & ThreeBits(row, rowBytes, j - 1) &
            ThreeBits(below, rowBytes, j - 1)) != 7;
  }
  for (const uint8_t* r : {above, row, below})
    if (r[j - 1] == 0 || r[j] == 0 || r[j + 1] == 0) return true;
  return false;
}

// What DrawOutline decides a dot by, in zoom coordinates.
struct TOutlineArea {
  int64_t FirstRow, LastRow, FirstColumn, LastColumn;  // the box's visible part
  int64_t FromRow, ToRow, FromColumn, ToColumn;        // of that, what lies on the canvas
  bool LeftEdge, RightEdge, TopEdge, BottomEdge;       // the selection ends at that side
  int64_t RowBytes;
};

// Dots of one zoom row. Off the box's visible part's first and last rows and columns a dot
// marks a selected pixel next to an unselected one; on them, only where the selection ends
// there rather than running on beyond the view.
template <int Bits, typename Dot>
void OutlineRow(const std::vector<uint8_t*>& rows, const TOutlineArea& area, int64_t i, Dot dot) {
  const uint8_t* row = rows[i];
  const uint8_t* above = rows[std::max<int64_t>(i - 1, 0)];
  const uint8_t* below = rows[std::min<int64_t>(i + 1, static_cast<int64_t>(rows.size()) - 1)];
  const bool innerRow = i != 0 && i != area.LastRow;
  for (int64_t j = area.FromColumn; j <= area.ToColumn; ++j) {
    if constexpr (Bits == 1) {
      // Eight pixels at once that get no dot: all unselected, or all selected and surrounded
      // by selected ones (whole bytes above, here and below, and the bits beside them).
      if ((j & 7) == 0) {
        const int64_t byte = j >> 3;
        const auto surrounded = [byte](const uint8_t* r) {
          return r[byte] == 0xFF && (r[byte - 1] & 1) && (r[byte + 1] & 0x80);
        };
        if (row[byte] == 0 || (innerRow && j >= 8 && j + 8 < area.LastColumn &&
                               surrounded(above) && surrounded(row) && surrounded(below))) {
          j += 7;
          continue;
        }
      }
    }
    if (!Selected<Bits>(row, j)) continue;
    bool draw;
    if (j == 0)
      draw = area.LeftEdge;
    else if (j == area.LastColumn)
      draw = area.RightEdge;
    else if (i == 0)
      draw = area.TopEdge;
    else if (i == area.LastRow)
      draw = area.BottomEdge;
    else
      draw = TouchesOutside<Bits>(above, row, below, area.RowBytes, j);
    if (draw) dot(j);
  }
}

}  // namespace

void TPVMask::DrawInverted(platform::TCanvas& canvas, int32_t destinationX, int32_t destinationY,
                           int32_t destinationWidth, int32_t destinationHeight, int32_t sourceX,
                           int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight) {
  if (BitsPerPixel != 1 || IsEmpty() || !Data) return;
  // Device-independent rows run from the bottom: the source rectangle's bottom row.
  const int64_t fromBottom = int64_t{Height} - sourceY - sourceHeight;
  if (!FitsInt32(fromBottom)) return;
  DrawHeader.bmiHeader.biWidth = Width;
  DrawHeader.bmiHeader.biHeight = Height;
  platform::TMonoDib dib;
  dib.Bits = Data;
  dib.Width = Width;
  dib.Height = Height;
  dib.Colors[0] = DrawHeader.bmiColors[0];
  dib.Colors[1] = DrawHeader.bmiColors[1];
  platform::StretchDibInvert(canvas, destinationX, destinationY, destinationWidth,
                             destinationHeight, sourceX, static_cast<int32_t>(fromBottom),
                             sourceWidth, sourceHeight, dib);
}

void TPVMask::DrawOutline(platform::TCanvas& canvas, TColor color1, TColor color2, int32_t phase,
                          const TPVDrawRect& destination, const TPVDrawRect& source) {
  if (destination.Width < 1 || destination.Height < 1 || IsEmpty()) return;
  if (!FillZoomBuffer(destination.Width, destination.Height, source.X, source.Y, source.Width,
                      source.Height))
    return;
  const int64_t stepX = ZoomStep(source.Width, destination.Width);
  const int64_t stepY = ZoomStep(source.Height, destination.Height);
  platform::TBitmap& bitmap = canvas.GetBitmap();

  TOutlineArea area;
  area.FirstRow =
      std::max<int64_t>(DivideByStep((int64_t{BoxTop} - source.Y) * 16384, stepY), 0);
  area.LastRow = std::min<int64_t>(
      DivideByStep((int64_t{BoxBottom} - source.Y + 1) * 16384, stepY) + 1, ZoomHeight - 1);
  area.FirstColumn =
      std::max<int64_t>(DivideByStep((int64_t{BoxLeft} - source.X) * 16384, stepX), 0);
  area.LastColumn = std::min<int64_t>(
      DivideByStep((int64_t{BoxRight} - source.X + 1) * 16384, stepX) + 1, ZoomWidth - 1);
  // Dots off the canvas would be dropped anyway; their pixels need not be looked at.
  area.FromRow = std::max<int64_t>(area.FirstRow, -int64_t{destination.Y});
  area.ToRow = std::min<int64_t>(area.LastRow, int64_t{bitmap.GetHeight()} - 1 - destination.Y);
  area.FromColumn = std::max<int64_t>(area.FirstColumn, -int64_t{destination.X});
  area.ToColumn =
      std::min<int64_t>(area.LastColumn, int64_t{bitmap.GetWidth()} - 1 - destination.X);
  area.LeftEdge = BoxLeft >= source.X;
  area.TopEdge = BoxTop >= source.Y;
  area.RightEdge =
      ZoomSource(source.X, stepX, area.LastColumn) >= BoxRight || source.Width == Width;
  area.BottomEdge =
      ZoomSource(source.Y, stepY, area.LastRow) >= BoxBottom || source.Height == Height;
  int32_t zoomRowBytes = 0;
  TryCalcRowLength(ZoomWidth, BitsPerPixel, 32, zoomRowBytes);  // it did when the buffer was made
  area.RowBytes = zoomRowBytes;

  const TPVRGB colors[2] = {ColorToRGBRecord(color1), ColorToRGBRecord(color2)};
  int32_t brush = -1;  // which colour the dot bitmap holds
  for (int64_t i = area.FromRow; i <= area.ToRow; ++i) {
    const int64_t y = destination.Y + i;
    const auto dot = [&](int64_t j) {
      const int64_t x = destination.X + j;
      const int32_t pick = ((x + y + phase) & 7) < 4 ? 0 : 1;
      if (pick != brush) {
        DotRow[0] = colors[pick].b;
        DotRow[1] = colors[pick].g;
        DotRow[2] = colors[pick].r;
        brush = pick;
      }
      platform::DrawDot(canvas, static_cast<int32_t>(x), static_cast<int32_t>(y), *DotBitmap);
    };
    if (BitsPerPixel == 1)
      OutlineRow<1>(ZoomRows, area, i, dot);
    else
      OutlineRow<8>(ZoomRows, area, i, dot);
  }
}

void TPVMask::ShadeOutside(platform::TBitmap& bitmap, int32_t destinationX, int32_t destinationY,
                           int32_t destinationWidth, int32_t destinationHeight, int32_t sourceX,
                           int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight) {
  if (destinationWidth <= 0 || destinationHeight <= 0 || IsEmpty()) return;
  if (bitmap.GetPixelFormat() != platform::pf24bit) return;
  int64_t dx = destinationX, dy = destinationY, dw = destinationWidth, dh = destinationHeight;
  int64_t sx = sourceX, sy = sourceY, sw = sourceWidth, sh = sourceHeight;
  // A view scrolled past the image's top or left: start at the canvas edge, the source moved
  // by as much. The extents grow by the offsets rather than shrink, which keeps the ratio
  // close enough and only asks for rows and columns that the limits below cut off again.
  if (dy < 0) {
    const auto f = static_cast<int64_t>(std::nearbyint(static_cast<double>(dy) * sh / dh));
    dh -= dy;
    sh -= f;
    sy -= f;
    dy = 0;
  }
  if (dx < 0) {
    const auto f = static_cast<int64_t>(std::nearbyint(static_cast<double>(dx) * sw / dw));
    dw -= dx;
    sw -= f;
    sx -= f;
    dx = 0;
  }
  for (int64_t v : {dw, dh, sx, sy, sw, sh})
    if (!FitsInt32(v)) return;
  if (!FillZoomBuffer(static_cast<int32_t>(dw), static_cast<int32_t>(dh), static_cast<int32_t>(sx),
                      static_cast<int32_t>(sy), static_cast<int32_t>(sw),
                      static_cast<int32_t>(sh)))
    return;
  const int64_t stepX = ZoomStep(static_cast<int32_t>(sw), static_cast<int32_t>(dw));
  const int64_t stepY = ZoomStep(static_cast<int32_t>(sh), static_cast<int32_t>(dh));
  const int64_t firstRow = std::max<int64_t>(DivideByStep(-sy * 16384, stepY), 0);
  const int64_t lastRow = std::min({DivideByStep((Height - sy) * 16384, stepY) + 1, dh - 1,
                                    int64_t{bitmap.GetHeight()} - 1 - dy});
  const int64_t firstColumn = std::max<int64_t>(DivideByStep(-sx * 16384, stepX), 0);
  const int64_t lastColumn = std::min({DivideByStep((Width - sx) * 16384, stepX) + 1, dw - 1,
                                       int64_t{bitmap.GetWidth()} - 1 - dx});
  for (int64_t i = firstRow; i <= lastRow; ++i) {
    const uint8_t* zoom = ZoomRows[i];
    uint8_t* row = bitmap.GetScanLine(static_cast<int32_t>(dy + i)) + dx * 3;
    // The checkerboard: only pixels with i + j even are looked at.
    for (int64_t j = firstColumn + ((i + firstColumn) & 1); j <= lastColumn; j += 2) {
      const bool selected = BitsPerPixel == 1 ? Selected<1>(zoom, j) : Selected<8>(zoom, j);
      if (!selected) std::fill_n(row + j * 3, 3, uint8_t{97});
    }
  }
}

}  // namespace calmora
