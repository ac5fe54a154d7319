// The custom control: the window made from CreateParams, its modelled frame, the client bitmap
// shown at each paint, the layout of the two window scroll bars and the events it passes on.
#include "platform/custom_control.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cstdint>

#include "platform/canvas.h"

namespace calmora::platform {

namespace {

// The sunken 3-D frame's colours, outer ring then inner ring: top-left, bottom-right.
const QColor kOuterShadow(160, 160, 160);
const QColor kOuterLight(255, 255, 255);
const QColor kInnerShadow(105, 105, 105);
const QColor kInnerLight(227, 227, 227);
const QColor kSizeBox(240, 240, 240);

void DrawRing(QPainter& painter, const QRect& box, const QColor& topLeft,
              const QColor& bottomRight) {
  painter.fillRect(box.left(), box.top(), box.width(), 1, topLeft);
  painter.fillRect(box.left(), box.top(), 1, box.height(), topLeft);
  painter.fillRect(box.left(), box.bottom(), box.width(), 1, bottomRight);
  painter.fillRect(box.right(), box.top(), 1, box.height(), bottomRight);
}

}  // namespace

TCustomControl::TCustomControl(TComponent* AOwner) : QWidget(nullptr), TComponent(AOwner) {
  ClientBitmap_.SetPixelFormat(pfDevice);
  for (int32_t bar : {SB_HORZ, SB_VERT}) {
    auto* widget = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, this);
    widget->hide();
    BarWidgets_[bar] = widget;
  }
  setFocusPolicy(Qt::ClickFocus);
}

TCustomControl::~TCustomControl() { Destroying(); }

void TCustomControl::CreateParams(TCreateParams& Params) { Params = TCreateParams{}; }

void TCustomControl::HandleNeeded() {
  if (HandleAllocated_) return;
  HandleAllocated_ = true;
  RecreateWnd();
}

void TCustomControl::RecreateWnd() {
  if (!HandleAllocated_) return;
  TCreateParams params;
  CreateParams(params);
  FrameWidth_ = FrameWidthOf(params);
  // Without the redraw styles only the area a resize uncovers is painted again.
  setAttribute(Qt::WA_StaticContents, (params.WindowClassStyle & (CS_HREDRAW | CS_VREDRAW)) == 0);
  setAttribute(Qt::WA_OpaquePaintEvent, ControlStyle.Contains(csOpaque));
  LayOut();
  QWidget::update();
}

int32_t TCustomControl::GetFrameWidth() {
  HandleNeeded();
  return FrameWidth_;
}

void TCustomControl::SetCtl3D(bool value) {
  ParentCtl3D_ = false;
  if (value == Ctl3D_) return;
  Ctl3D_ = value;
  RecreateWnd();
}

void TCustomControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  setGeometry(left, top, std::max(width, 0), std::max(height, 0));
  // A hidden widget gets its resize event only when shown; the control needs it now.
  LayOut();
}

int32_t TCustomControl::GetClientWidth() {
  HandleNeeded();
  const int32_t bar = Bars_[SB_VERT].Visible ? BarExtent() : 0;
  return std::max(0, width() - 2 * FrameWidth_ - bar);
}

int32_t TCustomControl::GetClientHeight() {
  HandleNeeded();
  const int32_t bar = Bars_[SB_HORZ].Visible ? BarExtent() : 0;
  return std::max(0, height() - 2 * FrameWidth_ - bar);
}

TBitmap& TCustomControl::GetClientBitmap() {
  LayOut();
  return ClientBitmap_;
}

TCanvas* TCustomControl::GetCanvas() {
  TCanvas* canvas = GetClientBitmap().GetCanvas();
  if (!canvas->OnChange)
    canvas->OnChange = [this] {
      // What Paint draws is shown by the paint that runs it.
      if (!Painting_) QWidget::update();
    };
  return canvas;
}

int32_t TCustomControl::BarExtent() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

void TCustomControl::Update() { repaint(); }

void TCustomControl::Resize() {
  if (OnResize) OnResize(this);
}

void TCustomControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TCustomControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TCustomControl::ScrollBarChanged(int32_t bar) {
  HandleNeeded();
  const TScrollBarState& state = ScrollBarState(bar);
  QScrollBar* widget = ScrollBarWidget(bar);
  const QSignalBlocker quiet(widget);
  widget->setRange(state.Min, LastScrollPos(state));
  widget->setPageStep(static_cast<int>(std::min<uint32_t>(state.Page, uint32_t{INT32_MAX})));
  widget->setValue(state.Pos);
  widget->setEnabled(state.Arrows != ESB_DISABLE_BOTH);
  if (widget->isVisibleTo(this) != state.Visible) LayOut();
}

void TCustomControl::LayOut() {
  HandleNeeded();
  const int32_t frame = FrameWidth_;
  const int32_t extent = BarExtent();
  const bool horizontal = Bars_[SB_HORZ].Visible;
  const bool vertical = Bars_[SB_VERT].Visible;
  const int32_t clientWidth = GetClientWidth();
  const int32_t clientHeight = GetClientHeight();
  QScrollBar* across = BarWidgets_[SB_HORZ];
  QScrollBar* down = BarWidgets_[SB_VERT];
  across->setGeometry(frame, frame + clientHeight, clientWidth, extent);
  down->setGeometry(frame + clientWidth, frame, extent, clientHeight);
  across->setVisible(horizontal);
  down->setVisible(vertical);
  if (clientWidth == ClientBitmap_.GetWidth() && clientHeight == ClientBitmap_.GetHeight()) return;
  ClientBitmap_.SetSize(clientWidth, clientHeight);
  Resize();
}

void TCustomControl::DrawFrame(QPainter& painter) const {
  const QRect box = rect();
  if (FrameWidth_ == 1) {
    DrawRing(painter, box, Qt::black, Qt::black);
  } else if (FrameWidth_ == 2) {
    DrawRing(painter, box, kOuterShadow, kOuterLight);
    DrawRing(painter, box.adjusted(1, 1, -1, -1), kInnerShadow, kInnerLight);
  }
  if (Bars_[SB_HORZ].Visible && Bars_[SB_VERT].Visible) {
    const int32_t extent = BarExtent();
    painter.fillRect(box.right() - FrameWidth_ - extent + 1,
                     box.bottom() - FrameWidth_ - extent + 1, extent, extent, kSizeBox);
  }
}

void TCustomControl::paintEvent(QPaintEvent*) {
  LayOut();
  Painting_ = true;
  Paint();
  Painting_ = false;
  QPainter painter(this);
  DrawFrame(painter);
  const QImage client = ClientBitmap_.GetImage();
  if (!client.isNull()) painter.drawImage(FrameWidth_, FrameWidth_, client);
}

void TCustomControl::resizeEvent(QResizeEvent*) { LayOut(); }

void TCustomControl::showEvent(QShowEvent*) { LayOut(); }

void TCustomControl::enterEvent(QEnterEvent*) { CMMouseEnter(); }

void TCustomControl::leaveEvent(QEvent*) { CMMouseLeave(); }

void TCustomControl::focusInEvent(QFocusEvent*) { DoEnter(); }

void TCustomControl::focusOutEvent(QFocusEvent*) { DoExit(); }

}  // namespace calmora::platform
