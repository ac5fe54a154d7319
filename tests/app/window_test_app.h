// The application object for tests that open windows: created before the first test and
// destroyed after the last, headless unless a display platform was chosen.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/application.h"

namespace calmora::testing {

class WindowTestApp : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "calmora_test";
    static char* argv[] = {name, nullptr};
    application_ = std::make_unique<platform::Application>(argc, argv);
  }
  void TearDown() override { application_.reset(); }

 private:
  std::unique_ptr<platform::Application> application_;
};

inline ::testing::Environment* const kWindowTestApp =
    ::testing::AddGlobalTestEnvironment(new WindowTestApp);

// Handles events until done() holds or the deadline (milliseconds) passes; gives done().
// The default deadline only ends a test that is broken, never one on a slow machine.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int deadline_ms = 120000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < deadline_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

// Holds the settings file beside the test executable for one test: the cases of one
// executable may run as parallel processes (a sharded or repeated run), and they share
// that file. The lock is taken on the executable itself, so no lock file is left behind.
class SettingsFileLock {
 public:
  SettingsFileLock() {
    fd_ = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~SettingsFileLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
  }
  SettingsFileLock(const SettingsFileLock&) = delete;
  SettingsFileLock& operator=(const SettingsFileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace calmora::testing
