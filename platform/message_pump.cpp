// Message pump over Qt's event dispatcher; a plain poll() when no application exists.
#include "platform/message_pump.h"

#include <poll.h>

#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

namespace calmora::platform {

namespace {

bool OnGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

void PlainWait(int fd, int timeout_ms) {
  pollfd entry{fd, POLLIN, 0};
  ::poll(&entry, fd >= 0 ? 1 : 0, timeout_ms);
}

}  // namespace

void ProcessMessages() {
  if (OnGuiThread()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForDataOrEvents(int fd, int timeout_ms) {
  if (timeout_ms < 0) timeout_ms = 0;
  if (!OnGuiThread() || QThread::currentThread()->eventDispatcher() == nullptr) {
    PlainWait(fd, timeout_ms);
    return;
  }
  // The dispatcher sleeps until one of its sources fires: the notifier for pipe data,
  // the timer for the time-out, or any window-system or posted event. Events already
  // queued are handled at once without sleeping.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.start(timeout_ms);
  std::unique_ptr<QSocketNotifier> readable;
  if (fd >= 0) readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace calmora::platform
