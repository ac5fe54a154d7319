// The "Windows directory" that the front end looks in for the engine: the folder under which it
// lies (servicecmr/client.exe).
#pragma once

#include <string>

namespace calmora::platform {

// $CALMORA_WINDIR when set and not empty, else the folder fixed at build time; trailing
// slashes are dropped (as the system call reports the folder without one).
std::string WindowsDirectory();

}  // namespace calmora::platform
