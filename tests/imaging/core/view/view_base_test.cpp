// The view base: its defaults, the frame per border style and 3-D look (and the client area
// beside a shown scroll bar, resized before the call returns), the resolution setters through
// their virtual dpiCalls, the bitmap-change callbacks and the mouse enter and leave events.
#include "imaging/core/view/view_base.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#include "imaging/core/view/scroll_bar_wrappers.h"
#include "imaging/core/view/view_params.h"
#include "platform/canvas.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

// The smallest view: the six abstract operations answer nothing; the resolution dpiCalls and
// resizes are recorded.
class PlainView : public TPVView {
 public:
  explicit PlainView(platform::TComponent* owner = nullptr) : TPVView(owner) {}

  TPVBitmap* GetAlphaChannel() override { return nullptr; }
  bool HasAlphaChannel() override { return false; }
  void RemoveAlphaChannel(bool) override {}
  void LockPaint() override {}
  int32_t UnlockPaint() override { return 0; }
  int32_t UnlockPaintSilently() override { return 0; }
  void SetDpiX(int32_t value) override {
    dpiCalls.push_back("x" + std::to_string(value));
    TPVView::SetDpiX(value);
  }
  void SetDpiY(int32_t value) override {
    dpiCalls.push_back("y" + std::to_string(value));
    TPVView::SetDpiY(value);
  }

  std::vector<std::string> dpiCalls;
  std::vector<std::pair<int, int>> resizes;

 protected:
  void Resize() override { resizes.emplace_back(GetClientWidth(), GetClientHeight()); }
};

int Extent() { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

TEST(ViewBaseTest, Defaults) {
  PlainView view;
  EXPECT_EQ(view.GetBackground(), clBtnFace);
  EXPECT_EQ(view.GetBorderStyle(), platform::bsSingle);
  EXPECT_TRUE(view.GetCtl3D());
  EXPECT_EQ(view.GetTBitmap(), nullptr);
  EXPECT_EQ(view.GetPVBitmap(), nullptr);
  EXPECT_EQ(view.DpiX, 0);
  EXPECT_EQ(view.DpiY, 0);
  EXPECT_FALSE(view.OnMouseEnter);
  EXPECT_FALSE(view.OnMouseLeave);
  for (auto flag : {platform::csAcceptsControls, platform::csOpaque, platform::csReplicatable,
                    platform::csNeedsBorderPaint})
    EXPECT_TRUE(view.ControlStyle.Contains(flag)) << int(flag);
  // New-style controls: no extra frame flag.
  EXPECT_FALSE(view.ControlStyle.Contains(platform::csFramed));
  view.SetBackground(0x123456);
  EXPECT_EQ(view.GetBackground(), 0x123456u);
  // A resize repaints only what it uncovers.
  view.HandleNeeded();
  EXPECT_TRUE(view.testAttribute(Qt::WA_StaticContents));
  EXPECT_TRUE(view.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(ViewBaseTest, ResolutionSettersSkipZeroAndGoThroughTheVirtualSlots) {
  PlainView view;
  view.SetDpiX(0);
  view.SetDpiY(0);
  EXPECT_EQ(view.DpiX, 0);
  view.SetDpi(72, 96);
  EXPECT_EQ(view.DpiX, 72);
  EXPECT_EQ(view.DpiY, 96);
  view.SetDpiX(0);
  EXPECT_EQ(view.DpiX, 72);
  EXPECT_EQ((std::vector<std::string>{"x0", "y0", "x72", "y96", "x0"}), view.dpiCalls);
}

TEST(ViewBaseTest, ClientSizePerFrameStyleAndAfterABarIsShown) {
  struct Case {
    platform::TBorderStyle border;
    bool ctl3d;
    int frame;
  };
  const Case cases[] = {
      {platform::bsSingle, true, 2},
      {platform::bsSingle, false, 1},
      {platform::bsNone, true, 0},
      {platform::bsNone, false, 0},
  };
  for (const Case& c : cases) {
    PlainView view;
    view.SetBounds(0, 0, 150, 100);
    view.SetBorderStyle(c.border);
    view.SetCtl3D(c.ctl3d);
    EXPECT_EQ(view.GetClientWidth(), 150 - 2 * c.frame);
    EXPECT_EQ(view.GetClientHeight(), 100 - 2 * c.frame);
    ASSERT_FALSE(view.resizes.empty());
    EXPECT_EQ(view.resizes.back(), std::make_pair(150 - 2 * c.frame, 100 - 2 * c.frame));
    EXPECT_EQ(view.GetClientBitmap().GetWidth(), 150 - 2 * c.frame);

    // The resize arrives while the bar is being shown, not later.
    view.resizes.clear();
    EXPECT_TRUE(ShowHideScrollBar(&view, platform::SB_VERT, true, false));
    ASSERT_EQ(view.resizes.size(), 1u);
    EXPECT_EQ(view.resizes[0], std::make_pair(150 - 2 * c.frame - Extent(), 100 - 2 * c.frame));
    EXPECT_TRUE(ShowHideScrollBar(&view, platform::SB_HORZ, true, true));
    EXPECT_EQ(view.resizes.back(),
              std::make_pair(150 - 2 * c.frame - Extent(), 100 - 2 * c.frame - Extent()));
  }
}

TEST(ViewBaseTest, ReFramingHappensOnlyOnAChange) {
  PlainView view;
  view.SetBounds(0, 0, 50, 50);
  view.resizes.clear();
  view.SetBorderStyle(platform::bsSingle);
  view.SetCtl3D(true);
  EXPECT_TRUE(view.resizes.empty());
  view.SetCtl3D(false);
  EXPECT_EQ(view.resizes, (std::vector<std::pair<int, int>>{{48, 48}}));
  view.SetBorderStyle(platform::bsNone);
  EXPECT_EQ(view.resizes.back(), std::make_pair(50, 50));
}

// Records the calls of the callbacks it makes, in the order they happen.
struct CallbackLog {
  std::vector<std::string> calls;
  TPVBitmapChangeEvent Make(const std::string& name, TObject* expectedSender) {
    return [this, name, expectedSender](TObject* sender, bool destroying) {
      calls.push_back(name + (destroying ? " destroying" : " changed") +
                      (sender == expectedSender ? "" : " (wrong sender)"));
    };
  }
};

TEST(ViewBaseTest, CallbacksInRegistrationOrderThenOnceMoreWhenTheViewGoes) {
  CallbackLog log;
  auto* view = new PlainView;
  const TObject* sender = view;
  view->RegisterBitmapChangeEvent(log.Make("a", view));
  const TPVRegistrationHandle b = view->RegisterBitmapChangeEvent(log.Make("b", view));
  view->RegisterBitmapChangeEvent(log.Make("c", view));
  view->UnregisterBitmapChangeEvent(b);
  view->UnregisterBitmapChangeEvent(kNoRegistration);
  view->UnregisterBitmapChangeEvent(b);  // no longer in the list
  view->UnregisterBitmapChangeEvent(reinterpret_cast<TPVRegistrationHandle>(&log));  // never was
  view->NotifyBitmapChanged();
  EXPECT_EQ((std::vector<std::string>{"a changed", "c changed"}), log.calls);
  log.calls.clear();
  delete view;
  EXPECT_EQ((std::vector<std::string>{"a destroying", "c destroying"}), log.calls);
  EXPECT_NE(sender, nullptr);
}

TEST(ViewBaseTest, TheWalkSurvivesCallbacksThatUnregister) {
  CallbackLog log;
  PlainView view;
  TPVRegistrationHandle self = kNoRegistration, second = kNoRegistration, third = kNoRegistration;
  // The first unregisters itself and the third; the second registers a new one.
  self = view.RegisterBitmapChangeEvent([&](TObject*, bool) {
    log.calls.push_back("first");
    view.UnregisterBitmapChangeEvent(self);
    view.UnregisterBitmapChangeEvent(third);
  });
  second = view.RegisterBitmapChangeEvent([&](TObject*, bool) {
    log.calls.push_back("second");
    view.RegisterBitmapChangeEvent(log.Make("late", &view));
  });
  third = view.RegisterBitmapChangeEvent(log.Make("third", &view));
  view.NotifyBitmapChanged();
  EXPECT_EQ((std::vector<std::string>{"first", "second"}), log.calls);
  log.calls.clear();
  view.UnregisterBitmapChangeEvent(second);
  view.NotifyBitmapChanged();
  EXPECT_EQ((std::vector<std::string>{"late changed"}), log.calls);
}

TEST(ViewBaseTest, DestroyingWalkSurvivesACallbackThatUnregistersAnother) {
  CallbackLog log;
  auto* view = new PlainView;
  TPVRegistrationHandle last = kNoRegistration;
  view->RegisterBitmapChangeEvent([&](TObject*, bool destroying) {
    log.calls.push_back(destroying ? "first destroying" : "first");
    view->UnregisterBitmapChangeEvent(last);
  });
  last = view->RegisterBitmapChangeEvent(log.Make("last", view));
  delete view;
  EXPECT_EQ((std::vector<std::string>{"first destroying"}), log.calls);
}

TEST(ViewBaseTest, MouseEnterAndLeaveReachTheEvents) {
  QWidget window;
  window.setGeometry(0, 0, 200, 200);
  auto* view = new PlainView;
  view->setParent(&window);
  view->SetBounds(40, 40, 60, 60);
  std::vector<std::string> seen;
  view->OnMouseEnter = [&](TObject* sender) { seen.push_back(sender == view ? "enter" : "?"); };
  view->OnMouseLeave = [&](TObject* sender) { seen.push_back(sender == view ? "leave" : "?"); };
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::mouseMove(&window, QPoint(5, 5));
  QTest::mouseMove(&window, QPoint(60, 60));
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return seen.size() == 1; }));
  QTest::mouseMove(&window, QPoint(150, 150));
  EXPECT_TRUE(test::ProcessEventsUntil([&] { return seen.size() == 2; }));
  EXPECT_EQ((std::vector<std::string>{"enter", "leave"}), seen);
}

TEST(ViewBaseTest, ViewCanvasIsTheClientArea) {
  PlainView view;
  view.SetBounds(0, 0, 30, 20);
  platform::TCanvas* canvas = GetViewCanvas(&view);
  ASSERT_NE(canvas, nullptr);
  EXPECT_EQ(&canvas->GetBitmap(), &view.GetClientBitmap());
  EXPECT_EQ(canvas->GetBitmap().GetWidth(), 26);
  EXPECT_EQ(GetViewCanvas(nullptr), nullptr);
}

TEST(ViewBaseTest, SettingsObjectsDefaults) {
  const TPVScrollBarParams bar;
  EXPECT_EQ(bar.LineStep, -1);
  EXPECT_EQ(bar.PageStep, -1);
  EXPECT_TRUE(bar.Tracking);
  const TPVMouseWheelParams wheel;
  EXPECT_FALSE(wheel.InvertWheel);
  EXPECT_EQ(wheel.Action, 2);
  EXPECT_EQ(wheel.Variation, 1);
  EXPECT_EQ(wheel.Value, 8);
  EXPECT_FALSE(wheel.ZoomAtMouse);
}

}  // namespace
}  // namespace calmora
