// The toolkit's custom control over a QWidget: a component whose client area is one of our
// device bitmaps, drawn through its canvas at any time and shown at the next paint, inside a
// frame its CreateParams chooses, with the platform's two window scroll bars beside it.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/component.h"
#include "platform/device_bitmap.h"
#include "platform/scroll_bars.h"
#include "platform/window_params.h"

class QPainter;
class QScrollBar;

namespace calmora::platform {

class TCanvas;

enum TControlStyleFlag : uint8_t {
  csAcceptsControls,
  csCaptureMouse,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,  // the control paints all of its area: nothing is erased first
  csDoubleClicks,
  csReplicatable,
  csNeedsBorderPaint,
};

struct TControlStyle {
  uint16_t Bits = 0;
  bool Contains(TControlStyleFlag flag) const { return (Bits >> flag) & 1u; }
  void Include(TControlStyleFlag flag) { Bits = static_cast<uint16_t>(Bits | (1u << flag)); }
  void Exclude(TControlStyleFlag flag) { Bits = static_cast<uint16_t>(Bits & ~(1u << flag)); }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// The window is made when first needed (HandleNeeded): then CreateParams decides its frame
// and whether a resize repaints all of it. Sizes set through SetBounds, frame changes and
// scroll bars shown or hidden reach Resize before they return, hidden or shown.
class TCustomControl : public QWidget, public TComponent {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;

  // ---- The window ----
  bool HandleAllocated() const { return HandleAllocated_; }
  void HandleNeeded();
  // Asks CreateParams again and applies the answer, when the window exists.
  void RecreateWnd();
  // The frame's width in pixels on each side (0, 1 or 2).
  int32_t GetFrameWidth();

  TControlStyle ControlStyle;
  bool GetCtl3D() const { return Ctl3D_; }
  // Stores the value (ParentCtl3D becomes false) and recreates the window when it changes.
  void SetCtl3D(bool value);
  bool GetParentCtl3D() const { return ParentCtl3D_; }
  void SetParentCtl3D(bool value) { ParentCtl3D_ = value; }

  // ---- Size and client area ----
  // Moves and resizes the control; the new client size reaches Resize before this returns.
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  // The area inside the frame and beside the visible scroll bars.
  int32_t GetClientWidth();
  int32_t GetClientHeight();
  // The client area's pixels, as large as the client area.
  TBitmap& GetClientBitmap();
  // Its canvas: drawing on it shows at the next paint, which it asks for.
  TCanvas* GetCanvas();

  // ---- Painting ----
  // Paints what needs painting now; TPictavoView re-lays itself out here.
  virtual void Update();
  // Asks for a paint of the whole control.
  void Invalidate() { QWidget::update(); }

  // ---- Scroll bars (scroll_bars.cpp reads and writes them) ----
  TScrollBarState& ScrollBarState(int32_t bar) { return Bars_[bar == SB_VERT ? 1 : 0]; }
  // Mirrors a bar's state into its widget; showing or hiding it lays the control out again.
  void ScrollBarChanged(int32_t bar);
  // The bar's widget, for what tests and screenshots look at.
  QScrollBar* ScrollBarWidget(int32_t bar) const { return BarWidgets_[bar == SB_VERT ? 1 : 0]; }

  // Events: the control got or lost the focus; its client size changed.
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TNotifyEvent OnResize;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  // Draws the client area into the client bitmap (on its canvas) just before it is shown.
  virtual void Paint() {}
  virtual void Resize();
  // The mouse came into or left the control's window.
  virtual void CMMouseEnter() {}
  virtual void CMMouseLeave() {}
  virtual void DoEnter();
  virtual void DoExit();

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Places the bars and fits the client bitmap; Resize when the client size changed.
  void LayOut();
  void DrawFrame(QPainter& painter) const;
  // The thickness of a scroll bar, as the style draws it.
  int32_t BarExtent() const;

  bool HandleAllocated_ = false;
  bool Ctl3D_ = true;
  bool ParentCtl3D_ = true;
  int32_t FrameWidth_ = 0;
  bool Painting_ = false;
  TBitmap ClientBitmap_;
  TScrollBarState Bars_[2];
  QScrollBar* BarWidgets_[2] = {nullptr, nullptr};
};

}  // namespace calmora::platform
