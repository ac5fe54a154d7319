// Rectangles of a TPVBitmap: FillRect, CopyRectTo between bitmaps (or within one),
// MergeAlphaRectTo between alpha planes and MoveRect, all row by row through GetScanline.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/base/color_formulas.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/color/cmyk_profile.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/color_helpers.h"
#include "imaging/base/numeric_helpers.h"

namespace calmora {

namespace {

// One pixel of a fill value as its format reads the value: Size bytes, of which the first
// Written are stored (pv32RGB keeps its fourth byte).
struct TFillPixel {
  uint8_t Bytes[6] = {};
  int32_t Size = 0;
  int32_t Written = 0;

  template <typename Record>
  void Take(const Record& record, int32_t written = sizeof(Record)) {
    static_assert(sizeof(Record) <= sizeof(Bytes));
    std::memcpy(Bytes, &record, sizeof(Record));
    Size = sizeof(Record);
    Written = written;
  }
};

// The grey formats take the truncated value as a sample, the colour formats as a TColor.
TFillPixel FillPixelOf(TPVPixelFormat format, double value) {
  const int32_t n = TruncToInt32Bits(value);
  const TPVRGB c = ColorToRGBRecord(static_cast<TColor>(n));
  TFillPixel pixel;
  switch (format) {
    case pv8p:
    case pv8g: pixel.Take(static_cast<uint8_t>(n)); break;
    case pv16g: pixel.Take(static_cast<uint16_t>(n)); break;
    case pv24RGB: pixel.Take(c); break;
    case pv32f: pixel.Take(static_cast<float>(value)); break;
    case pvCMYK: pixel.Take(RGBToCMYK(c)); break;
    case pvRGB48:
      pixel.Take(TPVRGB48{static_cast<uint16_t>(c.r * 257), static_cast<uint16_t>(c.g * 257),
                          static_cast<uint16_t>(c.b * 257)});
      break;
    case pvCIELab: {
      TPVCIELab lab{};
      ConvertRGBToCIELab(lab, c);
      pixel.Take(lab);
      break;
    }
    case pv32RGB: {
      const uint8_t bgrx[4] = {c.b, c.g, c.r, 0};
      pixel.Take(bgrx, 3);
      break;
    }
    default: break;  // pv1g is filled bit by bit, pvNoFormat not at all
  }
  return pixel;
}

// Sets (or clears) count bits of a 1-bit row from bit first on: the partial bytes at both
// ends bit by bit, the whole bytes between at once.
void FillBits(uint8_t* row, int32_t first, int32_t count, bool set) {
  int32_t bit = first;
  const int32_t end = first + count;
  for (; bit < end && bit % 8 != 0; ++bit) SetBit(row, bit, set);
  const int32_t wholeBytes = (end - bit) / 8;
  std::memset(row + bit / 8, set ? 255 : 0, static_cast<size_t>(wholeBytes));
  for (bit += wholeBytes * 8; bit < end; ++bit) SetBit(row, bit, set);
}

// Pixels from first to last inclusive, 0 when last is before first, at most INT32_MAX.
int32_t SpanLength(int32_t first, int32_t last) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{last} - first + 1, 0, INT32_MAX));
}

// A copy rectangle cut to both bitmaps.
struct TRectCopy {
  int32_t SourceX, SourceY, TargetX, TargetY, Width, Height;
};

// One axis of a copy, in 64 bits so that no start or length can overflow. A negative target
// start moves the source start by as much and shortens the run; a negative source start reads
// from 0. A start at or beyond the far edge of either bitmap copies nothing (it is not pulled
// back onto the last pixel), and neither does a run with nothing left.
bool ClipSpan(int32_t& source, int32_t& target, int32_t& length, int32_t sourceSize,
              int32_t targetSize) {
  int64_t from = source, to = target, count = length;
  if (to < 0) {
    from -= to;
    count += to;
    to = 0;
  }
  from = std::max<int64_t>(from, 0);
  if (from >= sourceSize || to >= targetSize) return false;
  count = std::min({count, sourceSize - from, targetSize - to});
  if (count < 1) return false;
  source = static_cast<int32_t>(from);
  target = static_cast<int32_t>(to);
  length = static_cast<int32_t>(count);
  return true;
}

std::optional<TRectCopy> ClipCopy(const TPVBitmap& source, const TPVBitmap& target,
                                  TRectCopy rect) {
  if (!ClipSpan(rect.SourceX, rect.TargetX, rect.Width, source.GetWidth(), target.GetWidth()) ||
      !ClipSpan(rect.SourceY, rect.TargetY, rect.Height, source.GetHeight(), target.GetHeight()))
    return std::nullopt;
  return rect;
}

// Calls rowOp(sourceRow, targetRow) for every row pair of the rectangle: source rows through
// the read-only access, target rows through GetScanline. Within one bitmap each source row is
// first copied aside (a file-stored bitmap holds one row window at a time) and the rows are
// visited so that every source row is read before a target row overwrites it.
template <typename RowOp>
void ForEachRowPair(const TPVBitmap& source, TPVBitmap& target, const TRectCopy& rect,
                    RowOp rowOp) {
  const bool within = &source == &target;
  std::vector<uint8_t> aside(within ? static_cast<size_t>(source.RowBytes) : 0);
  const bool upward = within && rect.TargetY > rect.SourceY;
  for (int32_t i = 0; i < rect.Height; ++i) {
    const int32_t k = upward ? rect.Height - 1 - i : i;
    const uint8_t* from = source.GetScanline(rect.SourceY + k);
    if (!from) return;
    if (within) {
      std::memcpy(aside.data(), from, aside.size());
      from = aside.data();
    }
    uint8_t* to = target.GetScanline(rect.TargetY + k);
    if (!to) return;
    rowOp(from, to);
  }
}

// The lowest address of rows first..first + count - 1 when they lie back to back in one memory
// block (bottom-up: the last row comes first); null in any other storage.
template <typename Bitmap>
auto RowRunStart(Bitmap& bitmap, int32_t first, int32_t count) -> decltype(bitmap.GetScanline(0)) {
  if (bitmap.Location != pvMemory || !bitmap.Storage.FragmentBlocks.empty()) return nullptr;
  const auto top = bitmap.GetScanline(first);
  const auto bottom = bitmap.GetScanline(first + count - 1);
  if (!top || !bottom || top - bottom != static_cast<int64_t>(count - 1) * bitmap.RowBytes)
    return nullptr;
  return bottom;
}

// Whole rows between two single memory blocks of one row length: the run is copied in one
// piece (alignment bytes included), which lets the C library take its path for large copies
// instead of one small copy per row. False when the copy is not of that kind.
bool CopyWholeRowRun(const TPVBitmap& source, TPVBitmap& target, const TRectCopy& rect) {
  if (&source == &target || rect.SourceX != 0 || rect.TargetX != 0 || rect.Width != source.Width ||
      rect.Width != target.Width || source.RowBytes != target.RowBytes)
    return false;
  const uint8_t* from = RowRunStart(source, rect.SourceY, rect.Height);
  uint8_t* to = RowRunStart(target, rect.TargetY, rect.Height);
  if (!from || !to) return false;
  std::memcpy(to, from, static_cast<size_t>(rect.Height) * source.RowBytes);
  return true;
}

}  // namespace

void TPVBitmap::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, double value) {
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, GetWidth() - 1);  // syncs a device bitmap
  y2 = std::min(y2, Height - 1);
  if (x2 < x1 || y2 < y1) return;
  const int32_t count = x2 - x1 + 1;
  if (Format == pv1g) {
    const bool set = TruncToInt32Bits(value) != 0;
    for (int32_t y = y1; y <= y2; ++y)
      if (uint8_t* row = GetScanline(y)) FillBits(row, x1, count, set);
    return;
  }
  const TFillPixel pixel = FillPixelOf(Format, value);
  if (pixel.Size == 0) return;
  const int64_t offset = static_cast<int64_t>(x1) * pixel.Size;
  if (pixel.Written == pixel.Size) {
    // Whole pixels: one span built once, copied into each row.
    std::vector<uint8_t> span(static_cast<size_t>(count) * pixel.Size);
    for (int32_t i = 0; i < count; ++i)
      std::memcpy(span.data() + static_cast<size_t>(i) * pixel.Size, pixel.Bytes, pixel.Size);
    for (int32_t y = y1; y <= y2; ++y)
      if (uint8_t* row = GetScanline(y)) std::memcpy(row + offset, span.data(), span.size());
    return;
  }
  for (int32_t y = y1; y <= y2; ++y) {
    uint8_t* row = GetScanline(y);
    if (!row) continue;
    for (int32_t i = 0; i < count; ++i)
      std::memcpy(row + offset + static_cast<int64_t>(i) * pixel.Size, pixel.Bytes, pixel.Written);
  }
}

void TPVBitmap::CopyRectTo(TPVBitmap& target, int32_t sourceX, int32_t sourceY, int32_t targetX,
                           int32_t targetY, int32_t width, int32_t height) const {
  const std::optional<TRectCopy> rect =
      ClipCopy(*this, target, TRectCopy{sourceX, sourceY, targetX, targetY, width, height});
  if (!rect) return;
  const TPVPixelFormat from = Format, to = target.Format;  // both synced by the clipping
  const int32_t sx = rect->SourceX, tx = rect->TargetX, count = rect->Width;
  if (from == pv1g && to == pv1g) {
    const int32_t sourceBytes = RowBytes;
    ForEachRowPair(*this, target, *rect, [&](const uint8_t* source, uint8_t* row) {
      CopyBits(row, source, tx, sx, count, sourceBytes);
    });
  } else if (from == pv1g && to == pv24RGB) {
    ForEachRowPair(*this, target, *rect, [&](const uint8_t* source, uint8_t* row) {
      uint8_t* pixel = row + static_cast<int64_t>(tx) * 3;
      for (int32_t i = 0; i < count; ++i, pixel += 3)
        std::memset(pixel, GetBit(source, sx + i) ? 255 : 0, 3);
    });
  } else if (from == to && from != pvNoFormat && !CopyWholeRowRun(*this, target, *rect)) {
    const int32_t pixelBytes = PixelFormatBits[from] / 8;
    const auto bytes = static_cast<size_t>(count) * pixelBytes;
    ForEachRowPair(*this, target, *rect, [&](const uint8_t* source, uint8_t* row) {
      std::memcpy(row + static_cast<int64_t>(tx) * pixelBytes,
                  source + static_cast<int64_t>(sx) * pixelBytes, bytes);
    });
  }
}

void TPVBitmap::MergeAlphaRectTo(TPVBitmap& target, int32_t sourceX, int32_t sourceY,
                                 int32_t targetX, int32_t targetY, int32_t width, int32_t height) {
  const TPVBitmap* own = GetAlphaChannel();
  TPVBitmap* other = target.GetAlphaChannel();
  if (!own || !other || own->Format != pv8g || other->Format != pv8g) return;
  const std::optional<TRectCopy> rect =
      ClipCopy(*own, *other, TRectCopy{sourceX, sourceY, targetX, targetY, width, height});
  if (!rect) return;
  const int32_t sx = rect->SourceX, tx = rect->TargetX, count = rect->Width;
  ForEachRowPair(*own, *other, *rect, [&](const uint8_t* source, uint8_t* row) {
    for (int32_t i = 0; i < count; ++i) row[tx + i] = std::max(row[tx + i], source[sx + i]);
  });
}

bool TPVBitmap::MoveRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t targetX,
                         int32_t targetY, double fill) {
  // The temporary holds exactly what the first copy takes from this bitmap (never more than the
  // image), so the copy back brings no undefined pixels along.
  TRectCopy taken{x1, y1, 0, 0, SpanLength(x1, x2), SpanLength(y1, y2)};
  if (!ClipSpan(taken.SourceX, taken.TargetX, taken.Width, GetWidth(), INT32_MAX) ||
      !ClipSpan(taken.SourceY, taken.TargetY, taken.Height, Height, INT32_MAX))
    return true;  // nothing of the rectangle lies in the image, so there is nothing to fill
  TPVBitmap moved;
  moved.Location = Location == pvTBitmap ? pvMemory : Location;
  moved.FileThreshold = FileThreshold;
  if (!moved.Allocate(taken.Width, taken.Height, Format)) return false;
  CopyRectTo(moved, x1, y1, 0, 0, taken.Width, taken.Height);
  FillRect(x1, y1, x2, y2, fill);
  moved.CopyRectTo(*this, 0, 0, targetX, targetY, taken.Width, taken.Height);
  return true;
}

}  // namespace calmora
