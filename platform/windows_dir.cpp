// The Windows directory: an environment override for tests and installs, else the
// build-time default that the build links the engine into.
#include "platform/windows_dir.h"

#include <cstdlib>

#ifndef CALMORA_DEFAULT_WINDIR
#define CALMORA_DEFAULT_WINDIR "/usr/local/share/calmora/windows"
#endif

namespace calmora::platform {

std::string WindowsDirectory() {
  const char* overridden = std::getenv("CALMORA_WINDIR");
  std::string folder =
      (overridden != nullptr && *overridden != '\0') ? overridden : CALMORA_DEFAULT_WINDIR;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace calmora::platform
