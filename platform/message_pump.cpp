// Message pump over Qt's event dispatcher; a plain poll() when no application exists.
#include "platform/message_pump.h"

#include <poll.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

namespace calmora::platform {

namespace {

bool OnGuiThread() {
  const QCoreApplication* application = QCoreApplication::instance();
  return application != nullptr && QThread::currentThread() == application->thread();
}

bool CanWaitInEventLoop() {
  return OnGuiThread() && QThread::currentThread()->eventDispatcher() != nullptr;
}

void PlainWait(int fd, int timeoutMs) {
  pollfd entry{fd, POLLIN, 0};
  ::poll(&entry, fd >= 0 ? 1 : 0, timeoutMs);
}

}  // namespace

// The dispatcher sleeps until one of its sources fires: the notifier for pipe data, the
// timer for the time-out, or any window-system or posted event.
struct DataOrEventWaiter::EventLoopParts {
  QTimer Deadline;
  std::unique_ptr<QSocketNotifier> Readable;

  EventLoopParts() { Deadline.setSingleShot(true); }

  void Watch(int fd) {
    if (fd < 0) {
      if (Readable) Readable->setEnabled(false);
      return;
    }
    if (!Readable || Readable->socket() != fd) {
      Readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
      // A readable pipe stays readable until the caller reads it, so the notifier turns
      // itself off once it has ended a wait; otherwise any event loop run between two
      // waits (a message box, say) would wake for the same data again and again.
      QSocketNotifier* notifier = Readable.get();
      QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                       [notifier] { notifier->setEnabled(false); });
    } else if (!Readable->isEnabled()) {
      Readable->setEnabled(true);
    }
  }
};

DataOrEventWaiter::DataOrEventWaiter() = default;
DataOrEventWaiter::~DataOrEventWaiter() = default;

void DataOrEventWaiter::Wait(int fd, int timeoutMs) {
  if (timeoutMs < 0) timeoutMs = 0;
  if (!CanWaitInEventLoop()) {
    PlainWait(fd, timeoutMs);
    return;
  }
  if (!parts_) parts_ = std::make_unique<EventLoopParts>();
  parts_->Watch(fd);
  parts_->Deadline.start(timeoutMs);
  // Events already queued are handled at once without sleeping.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void ProcessMessages() {
  if (OnGuiThread()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForDataOrEvents(int fd, int timeoutMs) {
  DataOrEventWaiter waiter;
  waiter.Wait(fd, timeoutMs);
}

}  // namespace calmora::platform
