// SettingsFileLock: an exclusive flock on the running executable.
#include "tests/app/support/settings_file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace calmora::test {

SettingsFileLock::SettingsFileLock() {
  fd_ = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (fd_ >= 0) ::flock(fd_, LOCK_EX);
}

SettingsFileLock::~SettingsFileLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace calmora::test
