// What the imaging library asks of the machine: platform code, memory, processor features,
// session kind, mouse and clipboard state, folders.
#pragma once

#include <cstdint>
#include <string>

namespace calmora {

namespace platform {
class TComponent;
class TCustomControl;
}  // namespace platform

// The Windows version code (0..8) that callers test against. Linux is none of those
// platforms; it answers 8, the newest platform the table knows, so that every test of the form
// "at least version n" holds.
uint8_t DetectWindowsVersion();

// Physical memory in bytes: which 0 total, 1 available.
uint64_t QueryPhysicalMemory(int which);

// True when the processor reports the MMX feature.
bool DetectMMX();

// True inside a remote desktop session; a local X11/Wayland session never is one.
bool IsRemoteSession();

// True while the primary mouse button is down (the left one; buttons are never swapped here).
bool IsMouseButtonDown();

// Tries up to 10 times, 20 ms apart, to reach the clipboard; true when it can be used.
bool OpenClipboardRetry();

// The window that acts for a component: the first windowed control among the component and
// its owners, when its window has been made; null when it has none yet or no windowed control
// is found. A control stands for its own window here, so the control is the handle.
platform::TCustomControl* FindOwnerWindowHandle(platform::TComponent* Component);

// True when the path names an existing directory.
bool IsExistingDirectory(const std::string& path);

}  // namespace calmora
