// The state of processes for tests: whether one has ended (no child left behind), and how much
// memory this one holds.
#pragma once

#include <sys/types.h>

#include <string>

namespace calmora::test {

// True when the process is gone or a zombie waiting to be reaped.
bool ProcessIsGone(pid_t pid);
// The same for the id written into a file (echo $$ > file); false when the file holds none.
bool ProcessInFileIsGone(const std::string& pidFile);

// Bytes of memory this process holds in RAM now.
long long ResidentBytes();

}  // namespace calmora::test
