// The state of processes for tests: whether one has ended (no child left behind), waiting for
// that, the children still running, and how much memory this process holds.
#pragma once

#include <sys/types.h>

#include <string>

namespace calmora::test {

// True when the process is gone or a zombie waiting to be reaped.
bool ProcessIsGone(pid_t pid);
// The id a process wrote into a file (echo $$ > file); 0 when the file holds none (yet).
long ProcessIdInFile(const std::string& pidFile);
// ProcessIsGone for the id in the file; false when the file holds none.
bool ProcessInFileIsGone(const std::string& pidFile);

// Waits until the process (any process, not only a child) has ended, at most timeoutMs
// milliseconds; true when it has.
bool WaitUntilProcessEnds(long pid, int timeoutMs);

// The number of processes whose parent is this one (zombies included).
int ChildProcessCount();

// Bytes of memory this process holds in RAM now.
long long ResidentBytes();

}  // namespace calmora::test
