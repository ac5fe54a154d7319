// Painting on a device bitmap: in place through a QImage over its buffer, or for the indexed
// formats through a 32-bit scratch image mapped back to the colour table.
#include "platform/canvas.h"

#include <QImage>
#include <QPainter>
#include <unordered_map>
#include <vector>

#include "platform/device_bitmap.h"
#include "platform/device_pixels.h"

namespace calmora::platform {

namespace {

bool IsIndexed(TPixelFormat format) {
  return format == pf1bit || format == pf4bit || format == pf8bit;
}

}  // namespace

bool TCanvas::Paint(const std::function<void(QPainter&)>& paint) {
  if (Bitmap_.GetWidth() < 1 || Bitmap_.GetHeight() < 1) return false;
  if (IsIndexed(Bitmap_.GetPixelFormat())) {
    const bool painted = PaintIndexed(paint);
    Changed();
    return painted;
  }
  QImage image = Bitmap_.GetImage();
  if (image.isNull()) return false;
  {
    QPainter painter(&image);
    paint(painter);
  }
  Changed();
  // The image works on the bitmap's buffer; a painter that made it copy itself would have
  // painted somewhere else.
  return image.constBits() == Bitmap_.GetScanLine(0);
}

void TCanvas::Changed() const {
  if (OnChange) OnChange();
}

bool TCanvas::PaintIndexed(const std::function<void(QPainter&)>& paint) {
  const int32_t width = Bitmap_.GetWidth();
  const int32_t height = Bitmap_.GetHeight();
  const TPixelFormat format = Bitmap_.GetPixelFormat();
  const int32_t tableLength = Bitmap_.GetColorTableLength();
  std::vector<TRGBQuad> table(static_cast<size_t>(tableLength));
  for (int32_t i = 0; i < tableLength; ++i) table[i] = Bitmap_.GetColorTableEntry(i);

  QImage scratch(width, height, QImage::Format_RGB32);
  if (scratch.isNull()) return false;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = Bitmap_.GetScanLine(y);
    auto* target = reinterpret_cast<QRgb*>(scratch.scanLine(y));
    for (int32_t x = 0; x < width; ++x) {
      const TRGBQuad& entry = table[ReadIndex(row, x, format)];
      target[x] = qRgb(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
    }
  }
  const QImage before = scratch.copy();
  if (before.isNull()) return false;
  {
    QPainter painter(&scratch);
    paint(painter);
  }

  // Painted areas hold few colours: each is matched against the table once.
  std::unordered_map<QRgb, int32_t> nearest;
  for (int32_t y = 0; y < height; ++y) {
    const auto* painted = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    const auto* original = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    uint8_t* row = Bitmap_.GetScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      if (painted[x] == original[x]) continue;
      const QRgb color = painted[x] | 0xFF000000u;
      auto found = nearest.find(color);
      if (found == nearest.end()) {
        const TRGBQuad quad{static_cast<uint8_t>(qBlue(color)), static_cast<uint8_t>(qGreen(color)),
                            static_cast<uint8_t>(qRed(color)), 0};
        found = nearest.emplace(color, NearestEntry(table.data(), tableLength, quad)).first;
      }
      WriteIndex(row, x, format, found->second);
    }
  }
  return true;
}

}  // namespace calmora::platform
