// Window messages posted to a control: a custom event carrying the message's two parameters,
// queued from any thread and delivered on the control's own thread, and a call queued behind
// them the same way.
#pragma once

#include <QEvent>
#include <cstdint>
#include <functional>

class QObject;

namespace calmora::platform {

// The event's type is the message number, which must lie in the toolkit's user range
// (QEvent::User to QEvent::MaxUser); WM_USER-based numbers do.
class TPostedMessage : public QEvent {
 public:
  TPostedMessage(uint32_t message, intptr_t wParam, intptr_t lParam);

  uint32_t Message() const { return static_cast<uint32_t>(type()); }
  intptr_t WParam;
  intptr_t LParam;
};

// Queues the message for Target and returns at once; safe from any thread. A message for a
// number outside the user range is dropped. Messages still queued when Target is destroyed
// are dropped with it.
void PostMessageTo(QObject* Target, uint32_t Message, intptr_t WParam, intptr_t LParam);

// Queues Call to run on Target's thread after what was posted to Target before it; dropped
// when Target is destroyed first. Safe from any thread.
void PostCallTo(QObject* Target, std::function<void()> Call);

}  // namespace calmora::platform
