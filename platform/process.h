// A child process whose standard output and standard error share one anonymous pipe,
// driven one step at a time (create pipe, start, peek, read, test end, terminate) so the
// caller can map every failing step to its own code and keep polling on the GUI thread.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace calmora::platform {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // terminates a still running child, reaps it and closes the pipe
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Creates the pipe; false (errno kept) when the system refuses.
  bool CreatePipe();

  // Starts `program` with `arguments` (argv[0] included) in the caller's environment and
  // current directory, standard input from /dev/null, standard output and standard error
  // on the pipe. The child leads a process group of its own, so terminating it also ends
  // whatever it started, and it is killed when the thread that started it ends (the
  // front end exiting or dying), so it never outlives its caller. Needs CreatePipe first;
  // false with errno set when the program cannot be run.
  bool Start(const std::string& program, const std::vector<std::string>& arguments);

  // Zero-wait look at the pipe: `available` gets the number of bytes that a read returns
  // at once (0 when nothing is waiting). False when the pipe cannot be queried.
  bool Peek(std::size_t& available);

  // Reads at most `capacity` bytes of what is waiting; `got` is the count read.
  bool Read(char* buffer, std::size_t capacity, std::size_t& got);

  // Zero-wait test whether the child has ended (it is reaped then, and ExitStatus valid).
  bool HasEnded();

  // Kills the child's process group and reaps the child. Harmless when it has ended.
  void Terminate();

  // Terminates if needed and closes both pipe ends.
  void Close();

  bool Started() const { return pid_ > 0; }
  bool Ended() const { return ended_; }
  // The child's exit code when it exited; -1 when a signal ended it or it has not ended.
  int ExitCode() const;
  bool KilledBySignal() const;
  // The signal that ended the child; 0 when it exited or has not ended.
  int TermSignal() const;
  // True when the child ended by itself (not through Terminate).
  bool EndedNormally() const { return ended_ && !terminated_; }

  // What a caller may sleep on until something changes: the pipe's read end while the
  // child may still write to it, then, once every writer has gone (waiting on the pipe
  // would return at once forever), a descriptor that turns readable when the child ends;
  // -1 when there is nothing left to wait for.
  int WaitableFd() const;

 private:
  void Reap(bool block);

  int readFd_ = -1;
  int writeFd_ = -1;
  int endFd_ = -1;  // readable once the child has ended (a pidfd); -1 where unsupported
  pid_t pid_ = -1;
  bool ended_ = false;
  bool terminated_ = false;
  bool pipeDrained_ = false;  // every writer has gone and nothing is left to read
  int waitStatus_ = 0;
};

}  // namespace calmora::platform
