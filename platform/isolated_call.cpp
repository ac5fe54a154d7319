// AskIsolated: a fork of the caller that answers one yes-or-no question over a pipe, with its
// crash handlers dropped, its output silenced and a time limit after which it is killed.
#include "platform/isolated_call.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

// Set by a sanitizer runtime, when one is linked in.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace calmora::platform {

namespace {

// A crash in the child ends it at once: no handler of the caller's (a crash reporter, a
// sanitizer's report, a fuzzer's artefact writer) is to act on the child's behalf.
void DieSilently() {
  for (const int fault : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(fault, SIG_DFL);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(nullptr);
}

[[noreturn]] void AnswerAndEnd(int pipeEnd, const std::function<bool()>& question) {
  DieSilently();
  const int quiet = ::open("/dev/null", O_WRONLY);
  if (quiet >= 0) {
    ::dup2(quiet, STDOUT_FILENO);
    ::dup2(quiet, STDERR_FILENO);
  }
  char answer = 'n';
  try {
    answer = question() ? 'y' : 'n';
  } catch (...) {
    answer = 'n';
  }
  [[maybe_unused]] const ssize_t written = ::write(pipeEnd, &answer, 1);
  ::_exit(0);
}

// The child's one byte, or 0 when none came in time.
char WaitForAnswer(int pipeEnd, int32_t timeoutMilliseconds) {
  pollfd waiting{pipeEnd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&waiting, 1, timeoutMilliseconds);
  } while (ready < 0 && errno == EINTR);
  char answer = 0;
  if (ready > 0 && ::read(pipeEnd, &answer, 1) != 1) answer = 0;
  return answer;
}

}  // namespace

std::optional<bool> AskIsolated(const std::function<bool()>& Question,
                                int32_t TimeoutMilliseconds) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    AnswerAndEnd(ends[1], Question);
  }
  ::close(ends[1]);
  if (child < 0) {
    ::close(ends[0]);
    return std::nullopt;
  }
  const char answer = WaitForAnswer(ends[0], TimeoutMilliseconds);
  ::close(ends[0]);
  // A child that answered is ending by itself; one that did not is stopped.
  if (answer == 0) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (answer == 'y') return true;
  if (answer == 'n') return false;
  return std::nullopt;
}

}  // namespace calmora::platform
