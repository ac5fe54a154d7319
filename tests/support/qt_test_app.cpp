// The test environment that owns the application object, and the event wait.
#include "tests/support/qt_test_app.h"

#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/application.h"
#include "tests/support/own_process.h"

namespace calmora::test {

QtTestApp::QtTestApp() = default;
QtTestApp::~QtTestApp() = default;

void QtTestApp::SetUp() {
  // A test run alone in its own process makes (or avoids) the application object itself.
  if (RunningAlone()) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "calmora_test";
  static char* argv[] = {name, nullptr};
  application_ = std::make_unique<platform::Application>(argc, argv);
}

void QtTestApp::TearDown() { application_.reset(); }

bool ProcessEventsUntil(const std::function<bool()>& done, int deadlineMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < deadlineMs)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

}  // namespace calmora::test
