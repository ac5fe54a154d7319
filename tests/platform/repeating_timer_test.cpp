// The timer component driven by hand, and the tick count under a test clock.
#include "platform/repeating_timer.h"

#include <gtest/gtest.h>

#include "platform/tick_count.h"

namespace calmora::platform {
namespace {

TEST(RepeatingTimerTest, TicksRunTheHandlerOnlyWhileEnabledWithAnInterval) {
  TRepeatingTimer timer(nullptr);
  int calls = 0;
  TObject* sender = nullptr;
  timer.OnTimer = [&](TObject* Sender) {
    ++calls;
    sender = Sender;
  };
  EXPECT_TRUE(timer.GetEnabled());
  EXPECT_EQ(timer.GetInterval(), 1000u);
  timer.Tick();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(sender, &timer);
  timer.SetEnabled(false);
  timer.Tick();
  EXPECT_EQ(calls, 1);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  timer.Tick();
  EXPECT_EQ(calls, 1);
  timer.SetInterval(1);
  timer.Tick();
  EXPECT_EQ(calls, 2);
}

TEST(RepeatingTimerTest, AnOwnerFreesItsTimer) {
  auto* owner = new TComponent(nullptr);
  auto* timer = new TRepeatingTimer(owner);
  EXPECT_EQ(owner->GetComponentCount(), 1);
  EXPECT_EQ(owner->GetComponent(0), timer);
  delete owner;  // LeakSanitizer reports the timer if the owner did not free it
}

TEST(TickCountTest, ATestClockReplacesTheSteadyOne) {
  uint32_t now = 0xFFFFFFF0u;
  TickCountSource = [&] { return now; };
  const uint32_t start = GetTickCount();
  now += 0x20;  // wraps
  EXPECT_EQ(GetTickCount() - start, 0x20u);
  TickCountSource = nullptr;
  const uint32_t first = GetTickCount();
  EXPECT_LE(GetTickCount() - first, 1000u);
}

}  // namespace
}  // namespace calmora::platform
