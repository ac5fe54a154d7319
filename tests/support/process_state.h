// Whether a process has ended, for tests that check no child is left behind.
#pragma once

#include <sys/types.h>

#include <string>

namespace calmora::test {

// True when the process is gone or a zombie waiting to be reaped.
bool ProcessIsGone(pid_t pid);
// The same for the id written into a file (echo $$ > file); false when the file holds none.
bool ProcessInFileIsGone(const std::string& pidFile);

}  // namespace calmora::test
