// Bitmap comparison, opaque bounds and the rectangle fill the processing component uses.
#include "imaging/proc/component/pictavo_proc_tools.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace calmora {

namespace {

int64_t PixelBytesPerRow(const TPVBitmap& bitmap) {
  return (static_cast<int64_t>(bitmap.GetWidth()) * bitmap.GetBitCount() + 7) / 8;
}

bool SameRows(const TPVBitmap& a, const TPVBitmap& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
      a.GetPixelFormat() != b.GetPixelFormat() || a.GetRowLen() != b.GetRowLen())
    return false;
  const auto length = static_cast<size_t>(PixelBytesPerRow(a));
  for (int32_t y = 0; y < a.GetHeight(); ++y) {
    const uint8_t* rowA = a.GetScanline(y);
    const uint8_t* rowB = b.GetScanline(y);
    if (rowA == nullptr || rowB == nullptr || std::memcmp(rowA, rowB, length) != 0) return false;
  }
  return true;
}

// The columns of a pv1g row from x1 to x2 - 1 become set or clear, a byte at a time.
void FillBits(uint8_t* row, int32_t x1, int32_t x2, bool set) {
  for (int32_t x = x1; x < x2;) {
    const int32_t bit = x & 7;
    const int32_t count = std::min(8 - bit, x2 - x);
    const auto mask = static_cast<uint8_t>((0xFF >> bit) & (0xFF << (8 - bit - count)));
    uint8_t& byte = row[x >> 3];
    byte = set ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
    x += count;
  }
}

}  // namespace

bool SameBitmaps(const TPVBitmap& A, const TPVBitmap& B) {
  if (A.HasAlphaChannel() != B.HasAlphaChannel()) return false;
  if (!SameRows(A, B)) return false;
  return !A.HasAlphaChannel() || SameRows(*A.AlphaBitmap, *B.AlphaBitmap);
}

TRect GetOpaqueBounds(TPVBitmap& Bitmap, TObject*, const TPVProgressEvent&) {
  const int32_t width = Bitmap.GetWidth();
  const int32_t height = Bitmap.GetHeight();
  if (!Bitmap.HasAlphaChannel()) return TRect{0, 0, width - 1, height - 1};
  TRect bounds{width, height, -1, -1};
  const TPVBitmap& alpha = *Bitmap.AlphaBitmap;
  const int32_t rows = std::min(height, alpha.GetHeight());
  const int32_t columns = std::min(width, alpha.GetWidth());
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = alpha.GetScanline(y);
    if (row == nullptr) continue;
    int32_t first = 0;
    while (first < columns && row[first] == 0) ++first;
    if (first == columns) continue;
    int32_t last = columns - 1;
    while (row[last] == 0) --last;
    bounds.Left = std::min(bounds.Left, first);
    bounds.Right = std::max(bounds.Right, last);
    bounds.Top = std::min(bounds.Top, y);
    bounds.Bottom = y;
  }
  return bounds;
}

void FillRectColor(TPVBitmap& Bitmap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, TPVRGB Color,
                   const TPVProgressEvent& OnProgress, TObject* Sender) {
  const TPVPixelFormat format = Bitmap.GetPixelFormat();
  if (format != pv24RGB && format != pv1g) return;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  X2 = std::min(X2, Bitmap.GetWidth());
  Y2 = std::min(Y2, Bitmap.GetHeight());
  if (X1 >= X2 || Y1 >= Y2) return;
  if (format == pv1g) {
    for (int32_t y = Y1; y < Y2; ++y) FillBits(Bitmap.GetScanline(y), X1, X2, Color.r > 0);
    return;
  }
  const double rows = Y2 - Y1 - 0.5;
  for (int32_t y = Y1; y < Y2; ++y) {
    auto* pixels = reinterpret_cast<TPVRGB*>(Bitmap.GetScanline(y));
    std::fill(pixels + X1, pixels + X2, Color);
    if (OnProgress) {
      const double percent = std::trunc((y - Y1 + 1) * 100.0 / rows);
      OnProgress(Sender, static_cast<int>(std::min(percent, 100.0)));
    }
  }
}

}  // namespace calmora
