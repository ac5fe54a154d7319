// The custom control: the frame its CreateParams chooses, the client area beside the visible
// scroll bars with the resize delivered before the call returns, drawing on the client bitmap
// at any time and seeing it at the next paint, and the events it passes on.
#include "platform/custom_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "tests/support/qt_test_app.h"

namespace calmora::platform {
namespace {

class Probe : public TCustomControl {
 public:
  explicit Probe(TComponent* owner = nullptr, TCreateParams params = {})
      : TCustomControl(owner), params_(params) {}

  void SetParams(TCreateParams params) {
    params_ = params;
    RecreateWnd();
  }

  std::vector<std::string> log;
  std::vector<std::pair<int, int>> resizes;
  uint32_t paintColor = 0;  // what Paint fills the client's top-left pixel with; 0: nothing

 protected:
  void CreateParams(TCreateParams& params) override { params = params_; }
  void Resize() override {
    resizes.emplace_back(GetClientWidth(), GetClientHeight());
    TCustomControl::Resize();
  }
  void Paint() override {
    log.push_back("paint");
    if (paintColor != 0) GetCanvas()->SetPixel(0, 0, paintColor);
  }
  void CMMouseEnter() override { log.push_back("enter"); }
  void CMMouseLeave() override { log.push_back("leave"); }

 private:
  TCreateParams params_;
};

int Extent() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

TCreateParams WithStyle(uint32_t style, uint32_t exStyle) {
  TCreateParams params;
  params.Style = style;
  params.ExStyle = exStyle;
  return params;
}

TEST(CustomControlTest, ClientAreaPerFrameStyle) {
  struct Case {
    TCreateParams params;
    int frame;
  };
  const Case cases[] = {
      {WithStyle(0, 0), 0},
      {WithStyle(WS_BORDER, 0), 1},
      {WithStyle(0, WS_EX_CLIENTEDGE), 2},
      {WithStyle(WS_BORDER, WS_EX_CLIENTEDGE), 2},
  };
  for (const Case& c : cases) {
    Probe control(nullptr, c.params);
    control.SetBounds(0, 0, 120, 80);
    EXPECT_EQ(control.GetFrameWidth(), c.frame);
    EXPECT_EQ(control.GetClientWidth(), 120 - 2 * c.frame);
    EXPECT_EQ(control.GetClientHeight(), 80 - 2 * c.frame);
    EXPECT_EQ(control.GetClientBitmap().GetWidth(), 120 - 2 * c.frame);
    EXPECT_EQ(control.GetClientBitmap().GetHeight(), 80 - 2 * c.frame);
  }
}

TEST(CustomControlTest, ResizesArriveBeforeTheCallReturnsHiddenOrShown) {
  for (bool shown : {false, true}) {
    Probe control(nullptr, WithStyle(0, WS_EX_CLIENTEDGE));
    if (shown) control.show();
    control.SetBounds(0, 0, 100, 60);
    ASSERT_FALSE(control.resizes.empty());
    EXPECT_EQ(control.resizes.back(), std::make_pair(96, 56));
    control.SetParams(WithStyle(WS_BORDER, 0));
    EXPECT_EQ(control.resizes.back(), std::make_pair(98, 58));

    control.resizes.clear();
    EXPECT_TRUE(ShowScrollBar(&control, SB_VERT, true));
    ASSERT_EQ(control.resizes.size(), 1u);
    EXPECT_EQ(control.resizes.back(), std::make_pair(98 - Extent(), 58));
    EXPECT_TRUE(ShowScrollBar(&control, SB_HORZ, true));
    EXPECT_EQ(control.resizes.back(), std::make_pair(98 - Extent(), 58 - Extent()));
    EXPECT_TRUE(ShowScrollBar(&control, SB_BOTH, false));
    EXPECT_EQ(control.resizes.back(), std::make_pair(98, 58));
    // Showing a bar that is shown changes nothing.
    control.resizes.clear();
    ShowScrollBar(&control, SB_HORZ, false);
    EXPECT_TRUE(control.resizes.empty());
  }
}

TEST(CustomControlTest, ScrollBarsSitInsideTheFrameBesideTheClient) {
  Probe control(nullptr, WithStyle(0, WS_EX_CLIENTEDGE));
  control.SetBounds(0, 0, 200, 100);
  ShowScrollBar(&control, SB_BOTH, true);
  const int e = Extent();
  EXPECT_EQ(control.ScrollBarWidget(SB_VERT)->geometry(), QRect(2 + 196 - e, 2, e, 96 - e));
  EXPECT_EQ(control.ScrollBarWidget(SB_HORZ)->geometry(), QRect(2, 2 + 96 - e, 196 - e, e));
  EXPECT_TRUE(control.ScrollBarWidget(SB_VERT)->isVisibleTo(&control));
}

TEST(CustomControlTest, DrawingOnTheCanvasShowsAtTheNextPaint) {
  Probe control(nullptr, WithStyle(0, WS_EX_CLIENTEDGE));
  control.SetBounds(0, 0, 40, 30);
  TCanvas* canvas = control.GetCanvas();
  canvas->Brush.Color = 0x0000FF;  // red
  canvas->FillRect(0, 0, 36, 26);
  canvas->SetPixel(5, 7, 0x00FF00);
  control.paintColor = 0xFF0000;  // blue, drawn by Paint itself
  const QImage shot = control.grab().toImage();
  EXPECT_EQ(shot.pixelColor(2 + 10, 2 + 10), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(2 + 5, 2 + 7), QColor(0, 255, 0));
  EXPECT_EQ(shot.pixelColor(2, 2), QColor(0, 0, 255));
  // The frame: the sunken edge's outer shadow at the top left.
  EXPECT_NE(shot.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(39, 29), QColor(255, 255, 255));
  EXPECT_EQ(std::count(control.log.begin(), control.log.end(), "paint"), 1);
}

TEST(CustomControlTest, CanvasDrawingAsksForAPaint) {
  Probe control;
  control.SetBounds(0, 0, 20, 20);
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
  test::ProcessEventsUntil([] { return false; }, 50);
  control.log.clear();
  control.GetCanvas()->SetPixel(1, 1, 0x123456);
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return !control.log.empty(); }));
}

// The toolkit tells a widget that the mouse came in or left when the mouse moves between
// widgets of one window.
TEST(CustomControlTest, MouseEnterAndLeaveFromTestEvents) {
  QWidget window;
  window.setGeometry(0, 0, 200, 200);
  auto* control = new Probe;
  control->setParent(&window);
  control->SetBounds(50, 50, 50, 50);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto count = [control](const char* what) {
    return std::count(control->log.begin(), control->log.end(), what);
  };
  QTest::mouseMove(&window, QPoint(10, 10));
  QTest::mouseMove(&window, QPoint(70, 70));
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return count("enter") == 1; }));
  EXPECT_EQ(count("leave"), 0);
  QTest::mouseMove(&window, QPoint(150, 150));
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return count("leave") == 1; }));
  EXPECT_EQ(count("enter"), 1);
}

TEST(CustomControlTest, FocusEventsReachOnEnterAndOnExit) {
  Probe control;
  std::vector<std::string> seen;
  control.OnEnter = [&](TObject* sender) { seen.push_back(sender == &control ? "enter" : "?"); };
  control.OnExit = [&](TObject* sender) { seen.push_back(sender == &control ? "exit" : "?"); };
  QFocusEvent in(QEvent::FocusIn);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(&control, &in);
  QApplication::sendEvent(&control, &out);
  EXPECT_EQ((std::vector<std::string>{"enter", "exit"}), seen);
}

TEST(CustomControlTest, AControlDeletedByItsParentWidgetLeavesItsOwner) {
  Probe owner;
  auto* parent = new QWidget;
  auto* child = new Probe(&owner);
  child->setParent(parent);
  EXPECT_EQ(owner.GetComponentCount(), 1);
  delete parent;
  EXPECT_EQ(owner.GetComponentCount(), 0);
}

TEST(CustomControlTest, UpdatePaintsAtOnce) {
  Probe control;
  control.SetBounds(0, 0, 20, 20);
  control.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
  control.log.clear();
  control.Update();
  EXPECT_EQ(std::count(control.log.begin(), control.log.end(), "paint"), 1);
}

}  // namespace
}  // namespace calmora::platform
