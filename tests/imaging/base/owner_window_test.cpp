// FindOwnerWindowHandle over chains of owners: the first windowed control decides, with its
// window or without one; and the active window that device sessions take as their parent.
#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "imaging/base/platform_queries.h"
#include "platform/active_window.h"
#include "platform/custom_control.h"
#include "tests/support/qt_test_app.h"

namespace calmora {
namespace {

TEST(FindOwnerWindowHandle, TheFirstWindowedControlAmongTheOwnersDecides) {
  // outer (control, window made) owns inner (control, no window) owns middle (component)
  // owns leaf (component); a second chain has a windowed control directly above the leaf.
  auto* outer = new platform::TCustomControl(nullptr);
  std::unique_ptr<platform::TCustomControl> outerOwner(outer);
  outer->HandleNeeded();
  auto* inner = new platform::TCustomControl(outer);
  auto* middle = new platform::TComponent(inner);
  auto* leaf = new platform::TComponent(middle);
  auto* sibling = new platform::TComponent(outer);
  platform::TComponent alone(nullptr);

  const struct {
    const char* name;
    platform::TComponent* component;
    platform::TCustomControl* expected;
  } cases[] = {
      {"no component", nullptr, nullptr},
      {"no owner, no control", &alone, nullptr},
      {"a control with its window", outer, outer},
      {"a control without its window", inner, nullptr},
      {"below a control without its window", leaf, nullptr},
      {"below a control with its window", sibling, outer},
  };
  for (const auto& c : cases) EXPECT_EQ(FindOwnerWindowHandle(c.component), c.expected) << c.name;

  // Once the inner control has its window, the chain below it reaches that one.
  inner->HandleNeeded();
  EXPECT_EQ(FindOwnerWindowHandle(leaf), inner);
}

TEST(ActiveControlWindow, IsTheActiveWindowWhenItIsOneOfOurControls) {
  EXPECT_EQ(platform::ActiveControlWindow(), nullptr);
  platform::TCustomControl control(nullptr);
  control.show();
  control.activateWindow();
  EXPECT_TRUE(test::ProcessEventsUntil(
      [&] { return platform::ActiveControlWindow() == &control; }, 10000));
  // Another kind of window, active, is none of ours.
  QWidget plain;
  plain.show();
  plain.activateWindow();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return QApplication::activeWindow() == &plain; },
                                       10000));
  EXPECT_EQ(platform::ActiveControlWindow(), nullptr);
}

}  // namespace
}  // namespace calmora
