// POSIX side of the engine runs: pipe2 + posix_spawn, poll/FIONREAD peeks, waitpid WNOHANG
// end tests and a SIGKILL of the child's process group.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
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

// Owns the spawn attribute objects so every way out of Start destroys them.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  bool actions_ready = false;
  bool attributes_ready = false;
  ~SpawnSetup() {
    if (actions_ready) posix_spawn_file_actions_destroy(&actions);
    if (attributes_ready) posix_spawnattr_destroy(&attributes);
  }
};

}  // namespace

ChildProcess::~ChildProcess() { Close(); }

bool ChildProcess::CreatePipe() {
  if (read_fd_ >= 0 || write_fd_ >= 0) {
    errno = EBUSY;
    return false;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  return true;
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments) {
  if (write_fd_ < 0 || pid_ > 0) {
    errno = EINVAL;
    return false;
  }
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  if (argv.empty()) argv.push_back(const_cast<char*>(program.c_str()));
  argv.push_back(nullptr);

  SpawnSetup setup;
  int rc = posix_spawn_file_actions_init(&setup.actions);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  setup.actions_ready = true;
  rc = posix_spawnattr_init(&setup.attributes);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  setup.attributes_ready = true;

  // dup2 clears close-on-exec on the copies, so only fds 0-2 reach the engine.
  rc = posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
  if (rc == 0) rc = posix_spawn_file_actions_adddup2(&setup.actions, write_fd_, 1);
  if (rc == 0) rc = posix_spawn_file_actions_adddup2(&setup.actions, write_fd_, 2);

  // A clean signal state: nothing blocked, and signals the parent ignores back to default
  // (an ignored SIGPIPE would otherwise let the engine write forever into a closed pipe).
  sigset_t empty;
  sigset_t defaults;
  sigemptyset(&empty);
  sigemptyset(&defaults);
  for (int signal_number : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD})
    sigaddset(&defaults, signal_number);
  if (rc == 0) rc = posix_spawnattr_setsigmask(&setup.attributes, &empty);
  if (rc == 0) rc = posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  if (rc == 0) rc = posix_spawnattr_setpgroup(&setup.attributes, 0);
  if (rc == 0) {
    rc = posix_spawnattr_setflags(
        &setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  }
  if (rc != 0) {
    errno = rc;
    return false;
  }

  pid_t pid = -1;
  rc =
      ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  pid_ = pid;
  // The child holds its own copies; dropping ours lets the pipe report end-of-data once
  // the engine (and anything it started) has gone.
  CloseFd(write_fd_);
  return true;
}

bool ChildProcess::Peek(std::size_t& available) {
  available = 0;
  if (read_fd_ < 0) {
    errno = EBADF;
    return false;
  }
  // Most peeks find nothing while the engine works; one zero-wait poll says so by itself
  // and also notices when every writer has gone. The byte count is asked only when there
  // is something to count.
  if (!pipe_drained_) {
    pollfd entry{read_fd_, POLLIN, 0};
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
      if ((entry.revents & (POLLHUP | POLLERR)) != 0 && write_fd_ < 0) pipe_drained_ = true;
      return true;
    }
  }
  int count = 0;
  if (::ioctl(read_fd_, FIONREAD, &count) != 0) return false;
  if (count > 0) available = static_cast<std::size_t>(count);
  return true;
}

bool ChildProcess::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  got = 0;
  if (read_fd_ < 0) {
    errno = EBADF;
    return false;
  }
  for (;;) {
    const ssize_t n = ::read(read_fd_, buffer, capacity);
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
      wait_status_ = status;
      return;
    }
    if (r == 0) return;
    if (errno == EINTR) continue;
    // Someone else reaped it (SIGCHLD ignored): it is gone, its status unknown.
    ended_ = true;
    wait_status_ = -1;
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
  CloseFd(read_fd_);
  CloseFd(write_fd_);
}

int ChildProcess::ExitCode() const {
  if (!ended_ || wait_status_ == -1 || !WIFEXITED(wait_status_)) return -1;
  return WEXITSTATUS(wait_status_);
}

bool ChildProcess::KilledBySignal() const {
  return ended_ && wait_status_ != -1 && WIFSIGNALED(wait_status_);
}

int ChildProcess::WaitableFd() const { return pipe_drained_ ? -1 : read_fd_; }

}  // namespace calmora::platform
