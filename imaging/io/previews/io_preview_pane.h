// TPreviewPane: the small image view of the save-parameters dialog. It shows a bitmap it does
// not own at a zoom and a scroll origin over a chessboard, zooms with the wheel and scrolls by
// dragging, and tells its listener after each such change.
#pragma once

#include <QFrame>
#include <cstdint>
#include <functional>

namespace calmora {

class TPVBitmap;

class TPreviewPane : public QFrame {
 public:
  static constexpr int32_t kChessboardCell = 12;
  static constexpr double kWheelStep = 1.25;  // zoom factor per wheel notch
  static constexpr double kMinZoom = 1;       // percent
  static constexpr double kMaxZoom = 3200;

  explicit TPreviewPane(QWidget* Parent);

  // Shows Bitmap (kept alive by the caller); null shows the chessboard alone.
  void SetExternalBitmap(TPVBitmap* Bitmap);
  TPVBitmap* GetBitmap() const { return bitmap_; }
  // Shows nothing until the next bitmap.
  void Blank() { SetExternalBitmap(nullptr); }
  // The zoom at which the whole image fits, origin at the top-left.
  void Fit();
  void SetZoom(double Percent);
  double GetZoom() const { return zoom_; }
  // The image pixel at the pane's top-left; kept inside the image.
  void SetViewXY(int32_t X, int32_t Y);
  int32_t GetViewX() const { return viewX_; }
  int32_t GetViewY() const { return viewY_; }

  // After a wheel zoom or a drag, not after the setters.
  std::function<void()> OnViewChange;

 protected:
  void paintEvent(QPaintEvent* Event) override;
  void wheelEvent(QWheelEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;

 private:
  void ClampOrigin();

  TPVBitmap* bitmap_ = nullptr;
  double zoom_ = 100;
  int32_t viewX_ = 0;
  int32_t viewY_ = 0;
  bool dragging_ = false;
  QPoint dragStart_;
  int32_t dragViewX_ = 0;
  int32_t dragViewY_ = 0;
};

}  // namespace calmora
