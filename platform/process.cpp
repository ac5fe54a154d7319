// POSIX side of the engine runs: pipe2, fork and exec (the child joins a process group of
// its own and asks to be killed with its parent, which posix_spawn cannot arrange),
// poll/FIONREAD peeks, waitpid WNOHANG end tests, a pidfd to sleep on the child's end,
// and a SIGKILL of the child's process group.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace calmora::platform {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// Signals the front end may ignore that the engine must meet as usual: an ignored SIGPIPE
// would let the engine write forever into a pipe nobody reads.
constexpr int kDefaultSignals[] = {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD};

// Makes `fd` the descriptor `target` of the program about to be run. dup2 onto itself
// would keep the close-on-exec flag, so that case clears it instead.
bool PlaceDescriptor(int fd, int target) {
  if (fd == target) return ::fcntl(fd, F_SETFD, 0) == 0;
  return ::dup2(fd, target) == target;
}

// The child's side between fork and exec. The front end has other threads, and one of
// them may have held a lock at the fork, so only async-signal-safe calls are made here:
// no allocation, no locale, no stdio. An exec that fails reports its errno on
// `reportFd`.
[[noreturn]] void RunChild(const char* program, char* const argv[], int outputFd, int reportFd,
                           pid_t parent) {
  ::setpgid(0, 0);
  // Killed when the thread that started it ends, however the front end ends. A parent
  // that died before this took effect is no longer our parent: give up at once.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(127);
  bool placed = PlaceDescriptor(outputFd, 1) && PlaceDescriptor(outputFd, 2);
  const int emptyInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  placed = placed && emptyInput >= 0 && PlaceDescriptor(emptyInput, 0);
  if (placed) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    for (const int signalNumber : kDefaultSignals)
      ::sigaction(signalNumber, &defaultAction, nullptr);
    sigset_t nothing;
    sigemptyset(&nothing);
    ::sigprocmask(SIG_SETMASK, &nothing, nullptr);
    ::execve(program, argv, environ);
  }
  const int error = errno;
  ssize_t ignored = ::write(reportFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

// Reads the errno that a child whose exec failed reports; 0 once the exec has succeeded
// (the report pipe closes on exec).
int ReadExecError(int reportFd) {
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(reportFd, &error, sizeof error);
    if (n == static_cast<ssize_t>(sizeof error)) return error != 0 ? error : EIO;
    if (n >= 0) return 0;
    if (errno != EINTR) return 0;
  }
}

// A descriptor that turns readable when process `pid` ends; -1 where the kernel has none.
int OpenEndFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

ChildProcess::~ChildProcess() { Close(); }

bool ChildProcess::CreatePipe() {
  if (readFd_ >= 0 || writeFd_ >= 0) {
    errno = EBUSY;
    return false;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readFd_ = fds[0];
  writeFd_ = fds[1];
  return true;
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
  if (writeFd_ < 0 || pid_ > 0) {
    errno = EINVAL;
    return false;
  }
  // Everything the child needs is made before the fork: it may not allocate.
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  if (argv.empty()) argv.push_back(const_cast<char*>(program.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t parent = ::getpid();

  // No handler of ours may run in the child before it has reset its signals.
  sigset_t all;
  sigset_t previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t pid = ::fork();
  if (pid == 0) RunChild(program.c_str(), argv.data(), writeFd_, report[1], parent);
  const int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    errno = forkError;
    return false;
  }
  // Also from this side, so that the group exists before a Terminate can name it.
  ::setpgid(pid, pid);
  const int execError = ReadExecError(report[0]);
  ::close(report[0]);
  if (execError != 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    errno = execError;
    return false;
  }
  pid_ = pid;
  endFd_ = OpenEndFd(pid);
  // The child holds its own copies; dropping ours lets the pipe report end-of-data once
  // the engine (and anything it started) has gone.
  CloseFd(writeFd_);
  return true;
}

bool ChildProcess::Peek(std::size_t& available) {
  available = 0;
  if (readFd_ < 0) {
    errno = EBADF;
    return false;
  }
  // Most peeks find nothing while the engine works; one zero-wait poll says so by itself
  // and also notices when every writer has gone. The byte count is asked only when there
  // is something to count.
  if (!pipeDrained_) {
    pollfd entry{readFd_, POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&entry, 1, 0);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return false;
    if (ready == 0) return true;
    if ((entry.revents & POLLNVAL) != 0) {
      errno = EBADF;
      return false;
    }
    if ((entry.revents & POLLIN) == 0) {
      // Hung up with nothing left: our own write end is closed after the start, so this
      // is the child's side (and its children's) having gone.
      if ((entry.revents & (POLLHUP | POLLERR)) != 0 && writeFd_ < 0) pipeDrained_ = true;
      return true;
    }
  }
  int count = 0;
  if (::ioctl(readFd_, FIONREAD, &count) != 0) return false;
  if (count > 0) available = static_cast<std::size_t>(count);
  return true;
}

bool ChildProcess::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (readFd_ < 0) {
    errno = EBADF;
    return false;
  }
  for (;;) {
    const ssize_t n = ::read(readFd_, buffer, capacity);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return true;
    }
    if (errno != EINTR) return false;
  }
}

void ChildProcess::Reap(bool block) {
  if (pid_ <= 0 || ended_) return;
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (r == pid_) {
      ended_ = true;
      waitStatus_ = status;
      return;
    }
    if (r == 0) return;
    if (errno == EINTR) continue;
    // Someone else reaped it (SIGCHLD ignored): it is gone, its status unknown.
    ended_ = true;
    waitStatus_ = -1;
    return;
  }
}

bool ChildProcess::HasEnded() {
  Reap(false);
  return ended_;
}

void ChildProcess::Terminate() {
  if (pid_ <= 0 || ended_) return;
  // The process group still exists while its leader is unreaped, so the id is safe.
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  terminated_ = true;
  Reap(true);
}

void ChildProcess::Close() {
  Terminate();
  CloseFd(readFd_);
  CloseFd(writeFd_);
  CloseFd(endFd_);
}

int ChildProcess::ExitCode() const {
  if (!ended_ || waitStatus_ == -1 || !WIFEXITED(waitStatus_)) return -1;
  return WEXITSTATUS(waitStatus_);
}

bool ChildProcess::KilledBySignal() const {
  return ended_ && waitStatus_ != -1 && WIFSIGNALED(waitStatus_);
}

int ChildProcess::TermSignal() const { return KilledBySignal() ? WTERMSIG(waitStatus_) : 0; }

int ChildProcess::WaitableFd() const {
  if (!pipeDrained_) return readFd_;
  return ended_ ? -1 : endFd_;
}

}  // namespace calmora::platform
