// Process states read from /proc, and the wait on a process's end through a pidfd.
#include "tests/support/process_state.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace calmora::test {

namespace {

// The fields of /proc/<pid>/stat after the command name, which is in parentheses and may
// hold blanks and parentheses itself: "state ppid pgrp ..."; empty when the process is gone.
std::string StatFieldsAfterName(const std::string& statPath) {
  std::ifstream stat(statPath);
  std::string text;
  if (!std::getline(stat, text)) return "";
  const std::size_t close = text.rfind(')');
  return close == std::string::npos ? "" : text.substr(close + 1);
}

}  // namespace

bool ProcessIsGone(pid_t pid) {
  if (pid <= 0) return false;
  std::istringstream fields(StatFieldsAfterName("/proc/" + std::to_string(pid) + "/stat"));
  std::string state;
  if (!(fields >> state)) return true;
  return state == "Z" || state == "X";
}

long ProcessIdInFile(const std::string& pidFile) {
  std::ifstream in(pidFile);
  long pid = 0;
  return in >> pid && pid > 0 ? pid : 0;
}

bool ProcessInFileIsGone(const std::string& pidFile) {
  const long pid = ProcessIdInFile(pidFile);
  return pid > 0 && ProcessIsGone(static_cast<pid_t>(pid));
}

bool WaitUntilProcessEnds(long pid, int timeoutMs) {
  // A pidfd turns readable when its process ends, whoever its parent is.
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
  if (fd < 0) return errno == ESRCH;
  pollfd entry{fd, POLLIN, 0};
  int ready = 0;
  do {
    ready = ::poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  ::close(fd);
  return ready > 0;
}

int ChildProcessCount() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::istringstream fields(StatFieldsAfterName((entry.path() / "stat").string()));
    std::string state;
    long parent = 0;
    if (fields >> state >> parent && parent == ::getpid()) ++count;
  }
  return count;
}

long long ResidentBytes() {
  // The second field of /proc/self/statm, in pages.
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

}  // namespace calmora::test
