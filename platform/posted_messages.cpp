// Posted window messages as the toolkit's posted events: the caller never waits for the
// receiving thread, which is what lets a worker report to a view while the GUI thread waits.
#include "platform/posted_messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

namespace calmora::platform {

namespace {

bool InUserRange(uint32_t Message) {
  return Message >= static_cast<uint32_t>(QEvent::User) &&
         Message <= static_cast<uint32_t>(QEvent::MaxUser);
}

}  // namespace

TPostedMessage::TPostedMessage(uint32_t message, intptr_t wParam, intptr_t lParam)
    : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), LParam(lParam) {}

void PostMessageTo(QObject* Target, uint32_t Message, intptr_t WParam, intptr_t LParam) {
  if (Target == nullptr || !InUserRange(Message)) return;
  // The event loop takes ownership of the event.
  QCoreApplication::postEvent(Target, new TPostedMessage(Message, WParam, LParam));
}

void PostCallTo(QObject* Target, std::function<void()> Call) {
  if (Target == nullptr || !Call) return;
  QMetaObject::invokeMethod(Target, std::move(Call), Qt::QueuedConnection);
}

}  // namespace calmora::platform
