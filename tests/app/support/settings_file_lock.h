// Holds the settings file beside the test executable for one test: the cases of one
// executable may run as parallel processes (a sharded or repeated run), and they share that
// file. The lock is taken on the executable itself, so no lock file is left behind.
#pragma once

namespace calmora::test {

class SettingsFileLock {
 public:
  SettingsFileLock();
  ~SettingsFileLock();  // releases the lock
  SettingsFileLock(const SettingsFileLock&) = delete;
  SettingsFileLock& operator=(const SettingsFileLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace calmora::test
