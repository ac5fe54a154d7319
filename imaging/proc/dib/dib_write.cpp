// CopyBitmaptoDIBEx: a rectangle of a bitmap packed into a new global-memory DIB, field by
// field in little-endian order, rows bottom-up; formats a DIB does not take go through a 24-bit
// copy.
#include <algorithm>
#include <cstring>
#include <string>

#include "imaging/base/debug_log.h"
#include "imaging/base/row_bits.h"
#include "imaging/base/bit_helpers.h"
#include "imaging/base/numeric_helpers.h"
#include "imaging/proc/dib/dib_interchange.h"

namespace calmora {

namespace {

constexpr int32_t kHeaderBytes = 40;
// The block holds 4 bytes more than header, table and rows.
constexpr int64_t kBlockOverhead = 44;
constexpr double kInchesPerMeter = 39.3700787;

bool IsDibFormat(TPVPixelFormat format) {
  return format == pv1g || format == pv8g || format == pv8p || format == pv24RGB;
}

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value);
  Put16(at + 2, value >> 16);
}

// The colour table: black and white for 1 bit, the palette or the grey ramp for 8 bits.
int32_t WriteColorTable(const TPVBitmap& bitmap, TPVPixelFormat format, uint8_t* table) {
  if (format == pv1g) {
    std::memset(table + 4, 0xFF, 4);  // white with the reserved byte set
    return 8;
  }
  if (format != pv8g && format != pv8p) return 0;
  for (int32_t i = 0; i < 256; ++i) {
    uint8_t* entry = table + 4 * i;
    if (format == pv8g) {
      std::memset(entry, i, 3);
    } else if (i < bitmap.GetPaletteLen()) {
      const TPVRGB color = bitmap.GetPaletteColor(i);
      entry[0] = color.b;
      entry[1] = color.g;
      entry[2] = color.r;
    }
  }
  return 1024;
}

const char* FormatLogLine(TPVPixelFormat format) {
  switch (format) {
    case pv1g: return "_CopyBitmaptoDIBEx: pv1g";
    case pv24RGB: return "_CopyBitmaptoDIBEx: pv24RGB";
    default: return "_CopyBitmaptoDIBEx: pv8g or pv8p";
  }
}

}  // namespace

platform::TGlobalMemory CopyBitmaptoDIBEx(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2,
                                          int32_t Y2, int32_t DpiX, int32_t DpiY) {
  LogDebugLine("_CopyBitmaptoDIBEx: begin");
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (!IsDibFormat(format)) {
    LogDebugLine("_CopyBitmaptoDIBEx: not supported pixel format, converting to 24bit and recurse");
    TPVBitmap copy;
    if (copy.Assign(&Bitmap) && !copy.IsEmpty()) {
      if (!copy.SetPixelFormat(pv24RGB)) return {};
      return CopyBitmaptoDIBEx(copy, X1, Y1, X2, Y2, DpiX, DpiY);
    }
    return {};  // an empty bitmap has nothing to pack, and a copy that failed gives no DIB
  }

  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (X2 == 0) X2 = width;
  if (Y2 == 0) Y2 = height;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, width);
  Y2 = std::min(Y2, height);
  if (X2 <= X1 || Y2 <= Y1) return {};
  const int32_t columns = X2 - X1;
  const int32_t rows = Y2 - Y1;
  const int32_t bitCount = PixelFormatBits[format];
  const int64_t rowLength = CalcRowLength(columns, bitCount, 32);
  const int64_t tableBytes = format == pv1g ? 8 : (format == pv24RGB ? 0 : 1024);
  const int64_t pixelBytes = CalcImageByteSize(rowLength, rows);
  if (pixelBytes < 0) return {};
  const int64_t size = kBlockOverhead + tableBytes + pixelBytes;
  LogDebugLine("_CopyBitmaptoDIBEx: allocate " + std::to_string(size) + " bytes");
  platform::TGlobalMemory block(size);
  if (!block) return {};
  {
    const platform::TGlobalMemoryLock lock(block);
    uint8_t* dib = lock.Data();
    Put32(dib, kHeaderBytes);
    Put32(dib + 4, static_cast<uint32_t>(columns));
    Put32(dib + 8, static_cast<uint32_t>(rows));  // positive: bottom-up
    Put16(dib + 12, 1);
    Put16(dib + 14, static_cast<uint32_t>(bitCount));
    Put32(dib + 24, static_cast<uint32_t>(TruncToInt32Bits(DpiX * kInchesPerMeter)));
    Put32(dib + 28, static_cast<uint32_t>(TruncToInt32Bits(DpiY * kInchesPerMeter)));
    LogDebugLine(FormatLogLine(format));
    uint8_t* target = dib + kHeaderBytes + WriteColorTable(Bitmap, format, dib + kHeaderBytes);
    const TPVBitmap& source = Bitmap;
    for (int32_t y = Y2 - 1; y >= Y1; --y, target += rowLength) {
      const uint8_t* row = source.GetScanline(y);
      if (!row) return {};
      if (format == pv1g)
        CopyBits(target, row, 0, X1, columns, source.RowBytes);
      else
        std::memcpy(target, row + int64_t{X1} * bitCount / 8,
                    static_cast<size_t>(int64_t{columns} * bitCount / 8));
    }
  }
  return block;
}

}  // namespace calmora
