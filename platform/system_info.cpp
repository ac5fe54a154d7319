// Machine and session facts from the kernel (sysinfo, statvfs), the processor (cpuid) and the
// GUI toolkit (mouse buttons, clipboard).
#include "platform/system_info.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>

#include <QClipboard>
#include <QGuiApplication>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace calmora::platform {

namespace {

// Mouse and clipboard state exist only in a GUI application, not in a bare core application.
bool HasGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

uint64_t TotalPhysicalMemory() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

uint64_t AvailablePhysicalMemory() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return (static_cast<uint64_t>(info.freeram) + info.bufferram) * info.mem_unit;
}

int64_t FreeDiskSpace(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.empty() ? "." : folder.c_str(), &fs) != 0) return -1;
  const unsigned __int128 bytes = static_cast<unsigned __int128>(fs.f_bavail) * fs.f_frsize;
  constexpr unsigned __int128 kLimit = static_cast<uint64_t>(INT64_MAX);
  return static_cast<int64_t>(bytes > kLimit ? kLimit : bytes);
}

bool CpuHasMMX() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;  // no cpuid at all
  return (edx & (1u << 23)) != 0;
#else
  return false;
#endif
}

bool RunsInRemoteSession() { return false; }

bool MouseButtonsSwapped() { return false; }

bool IsLeftMouseButtonDown() {
  return HasGuiApplication() && (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
}

bool IsRightMouseButtonDown() {
  return HasGuiApplication() && (QGuiApplication::mouseButtons() & Qt::RightButton) != 0;
}

bool ClipboardAvailable() { return HasGuiApplication() && QGuiApplication::clipboard() != nullptr; }

}  // namespace calmora::platform
