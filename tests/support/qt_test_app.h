// The Qt application object for tests that need the toolkit: including this header creates it
// before the first test and destroys it after the last, headless unless a display platform was
// chosen. ProcessEventsUntil waits on events instead of sleeping.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace calmora::platform {
class Application;
}

namespace calmora::test {

class QtTestApp : public ::testing::Environment {
 public:
  QtTestApp();
  ~QtTestApp() override;
  void SetUp() override;
  void TearDown() override;

 private:
  std::unique_ptr<platform::Application> application_;
};

inline ::testing::Environment* const kQtTestApp =
    ::testing::AddGlobalTestEnvironment(new QtTestApp);

// Handles events until done() holds or the deadline (milliseconds) passes; gives done().
// The default deadline only ends a test that is broken, never one on a slow machine.
bool ProcessEventsUntil(const std::function<bool()>& done, int deadlineMs = 120000);

}  // namespace calmora::test
