// ProcessIsGone: reads the state letter of /proc/<pid>/stat.
#include "tests/support/process_state.h"

#include <unistd.h>

#include <fstream>
#include <string>

namespace calmora::test {

bool ProcessIsGone(pid_t pid) {
  if (pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  // The state letter follows the command name in parentheses (which may hold blanks).
  const std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() &&
         (text[close + 2] == 'Z' || text[close + 2] == 'X');
}

bool ProcessInFileIsGone(const std::string& pidFile) {
  std::ifstream in(pidFile);
  long pid = 0;
  if (!(in >> pid) || pid <= 0) return false;
  return ProcessIsGone(static_cast<pid_t>(pid));
}

long long ResidentBytes() {
  // The second field of /proc/self/statm, in pages.
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * ::sysconf(_SC_PAGESIZE);
}

}  // namespace calmora::test
