// Keeps the GUI alive while the front end waits on the engine on the GUI thread: pumping
// pending events, and sleeping until pipe data or an event arrives instead of spinning.
#pragma once

#include <memory>

namespace calmora::platform {

// Handles the GUI events that are pending, when a Qt application exists and this is its
// thread; does nothing otherwise.
void ProcessMessages();

// Repeated waits on one fd, as made by a polling loop that sleeps many times a
// second: the pieces a wait needs in the GUI's event loop (the fd's notifier and the
// time-out's timer) are made once on the first wait and reused by the following ones,
// so a wake-up costs little more than the sleep itself.
class DataOrEventWaiter {
 public:
  DataOrEventWaiter();
  ~DataOrEventWaiter();
  DataOrEventWaiter(const DataOrEventWaiter&) = delete;
  DataOrEventWaiter& operator=(const DataOrEventWaiter&) = delete;

  // Blocks until `fd` is readable (or has hung up), a GUI event has been handled, or
  // `timeoutMs` has passed, whichever comes first; GUI events pending when it is called
  // are handled without sleeping. `fd` < 0 waits for events or the time-out only. Without
  // a Qt application (or off its thread) it is a plain poll on the fd.
  void Wait(int fd, int timeoutMs);

 private:
  struct EventLoopParts;
  std::unique_ptr<EventLoopParts> parts_;
};

// One wait as DataOrEventWaiter::Wait, for callers that wait only now and then.
void WaitForDataOrEvents(int fd, int timeoutMs);

}  // namespace calmora::platform
