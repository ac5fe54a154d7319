// Keeps the GUI alive while the front end waits on the engine on the GUI thread: pumping
// pending events, and sleeping until pipe data or an event arrives instead of spinning.
#pragma once

namespace calmora::platform {

// Handles the GUI events that are pending, when a Qt application exists and this is its
// thread; does nothing otherwise.
void ProcessMessages();

// Blocks until `fd` is readable (or has hung up), a GUI event has been handled, or
// `timeout_ms` has passed, whichever comes first. `fd` < 0 waits for events or the time-out
// only. Without a Qt application (or off its thread) it is a plain poll on the fd.
void WaitForDataOrEvents(int fd, int timeout_ms);

}  // namespace calmora::platform
