// Machine and session facts the imaging library asks the platform for: physical memory, free
// disk space of a folder, the processor's MMX bit, remote session, mouse buttons, clipboard.
#pragma once

#include <cstdint>
#include <string>

namespace calmora::platform {

// Physical memory in bytes as the kernel reports it.
uint64_t TotalPhysicalMemory();
// Memory the kernel can hand out now (free plus buffers).
uint64_t AvailablePhysicalMemory();

// Bytes an unprivileged process may still write in the file system of the folder; -1 when the
// folder cannot be queried.
int64_t FreeDiskSpace(const std::string& folder);

// The MMX feature bit of processor information leaf 1 (false on processors without cpuid).
bool CpuHasMMX();

// Whether the program runs in a remote desktop session; a Linux desktop session is not one.
bool RunsInRemoteSession();

// Whether the primary and secondary mouse buttons are exchanged; never on this platform.
bool MouseButtonsSwapped();

// The state of the left / right mouse button as the GUI last saw it; false without a GUI.
bool IsLeftMouseButtonDown();
bool IsRightMouseButtonDown();

// True when the GUI clipboard can be used (a GUI application object exists).
bool ClipboardAvailable();

}  // namespace calmora::platform
