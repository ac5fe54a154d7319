// TPreviewPane: paints the visible part of the image, sampled at the zoom, over a chessboard;
// the wheel zooms and a drag scrolls.
#include "imaging/io/previews/io_preview_pane.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

TPreviewPane::TPreviewPane(QWidget* Parent) : QFrame(Parent) {
  setAutoFillBackground(true);
  QPalette colors = palette();
  colors.setColor(QPalette::Window, Qt::white);
  setPalette(colors);
}

void TPreviewPane::SetExternalBitmap(TPVBitmap* Bitmap) {
  bitmap_ = Bitmap;
  ClampOrigin();
  update();
}

void TPreviewPane::Fit() {
  viewX_ = 0;
  viewY_ = 0;
  if (bitmap_ != nullptr && bitmap_->GetWidth() > 0 && bitmap_->GetHeight() > 0) {
    const double across = 100.0 * width() / bitmap_->GetWidth();
    const double down = 100.0 * height() / bitmap_->GetHeight();
    zoom_ = std::clamp(std::min({across, down, 100.0}), kMinZoom, kMaxZoom);
  }
  update();
}

void TPreviewPane::SetZoom(double Percent) {
  if (!(Percent > 0)) return;
  zoom_ = std::clamp(Percent, kMinZoom, kMaxZoom);
  ClampOrigin();
  update();
}

void TPreviewPane::SetViewXY(int32_t X, int32_t Y) {
  viewX_ = X;
  viewY_ = Y;
  ClampOrigin();
  update();
}

void TPreviewPane::ClampOrigin() {
  int32_t maxX = 0;
  int32_t maxY = 0;
  if (bitmap_ != nullptr) {
    maxX = std::max(0, bitmap_->GetWidth() - static_cast<int32_t>(width() * 100 / zoom_));
    maxY = std::max(0, bitmap_->GetHeight() - static_cast<int32_t>(height() * 100 / zoom_));
  }
  viewX_ = std::clamp(viewX_, 0, maxX);
  viewY_ = std::clamp(viewY_, 0, maxY);
}

void TPreviewPane::paintEvent(QPaintEvent* Event) {
  QFrame::paintEvent(Event);
  QPainter painter(this);
  for (int y = 0; y < height(); y += kChessboardCell)
    for (int x = 0; x < width(); x += kChessboardCell)
      if (((x + y) / kChessboardCell) % 2 != 0)
        painter.fillRect(x, y, kChessboardCell, kChessboardCell, QColor(204, 204, 204));
  if (bitmap_ == nullptr || bitmap_->GetWidth() <= 0 || bitmap_->GetHeight() <= 0) return;
  // Only the pane's pixels are sampled, so a large image costs no more than a small one.
  const int shownWidth = std::min(width(), static_cast<int>((bitmap_->GetWidth() - viewX_) * zoom_ / 100));
  const int shownHeight =
      std::min(height(), static_cast<int>((bitmap_->GetHeight() - viewY_) * zoom_ / 100));
  if (shownWidth <= 0 || shownHeight <= 0) return;
  QImage image(shownWidth, shownHeight, QImage::Format_RGB32);
  for (int y = 0; y < shownHeight; ++y) {
    const int sourceY = std::min(bitmap_->GetHeight() - 1, viewY_ + static_cast<int>(y * 100 / zoom_));
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < shownWidth; ++x) {
      const int sourceX = std::min(bitmap_->GetWidth() - 1, viewX_ + static_cast<int>(x * 100 / zoom_));
      const TPVRGB pixel = bitmap_->GetPixelAsRGB(sourceX, sourceY);
      row[x] = qRgb(pixel.r, pixel.g, pixel.b);
    }
  }
  painter.drawImage(0, 0, image);
}

void TPreviewPane::wheelEvent(QWheelEvent* Event) {
  const int notches = Event->angleDelta().y() / 120;
  if (notches == 0) return;
  SetZoom(zoom_ * std::pow(kWheelStep, notches));
  if (OnViewChange) OnViewChange();
}

void TPreviewPane::mousePressEvent(QMouseEvent* Event) {
  dragging_ = Event->button() == Qt::LeftButton;
  dragStart_ = Event->position().toPoint();
  dragViewX_ = viewX_;
  dragViewY_ = viewY_;
}

void TPreviewPane::mouseMoveEvent(QMouseEvent* Event) {
  if (!dragging_) return;
  const QPoint moved = Event->position().toPoint() - dragStart_;
  SetViewXY(dragViewX_ - static_cast<int32_t>(moved.x() * 100 / zoom_),
            dragViewY_ - static_cast<int32_t>(moved.y() * 100 / zoom_));
  if (OnViewChange) OnViewChange();
}

void TPreviewPane::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

}  // namespace calmora
