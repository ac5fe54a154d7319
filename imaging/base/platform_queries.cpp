// Platform queries of the imaging library, answered through the platform layer.
#include <chrono>
#include <thread>

#include "imaging/base/platform_queries.h"
#include "platform/custom_control.h"
#include "platform/system_info.h"
#include "platform/temp_files.h"

namespace calmora {

uint8_t DetectWindowsVersion() {
  // Code 8 is the newest platform of the table (NT 6.0); callers only test "at least n".
  return 8;
}

uint64_t QueryPhysicalMemory(int which) {
  return which == 1 ? platform::AvailablePhysicalMemory() : platform::TotalPhysicalMemory();
}

bool DetectMMX() { return platform::CpuHasMMX(); }

bool IsRemoteSession() { return platform::RunsInRemoteSession(); }

bool IsMouseButtonDown() {
  return platform::MouseButtonsSwapped() ? platform::IsRightMouseButtonDown()
                                         : platform::IsLeftMouseButtonDown();
}

bool OpenClipboardRetry() {
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (platform::ClipboardAvailable()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

platform::TCustomControl* FindOwnerWindowHandle(platform::TComponent* Component) {
  for (platform::TComponent* walk = Component; walk != nullptr; walk = walk->GetOwner()) {
    // The first windowed control decides, even without a window: its owners' windows are not
    // the component's.
    if (auto* control = dynamic_cast<platform::TCustomControl*>(walk))
      return control->HandleAllocated() ? control : nullptr;
  }
  return nullptr;
}

bool IsExistingDirectory(const std::string& path) { return platform::IsDirectory(path); }

}  // namespace calmora
