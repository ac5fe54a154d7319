// The child process behind every engine run: pipe, start, peek, read, end test, kill.
#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <string>

#include "platform/message_pump.h"
#include "tests/support/process_state.h"

namespace calmora::platform {
namespace {

// Reads everything until the child has ended and the pipe is empty, the way the engine
// runner polls, at most `readSize` bytes a read.
std::string DrainUntilEnd(ChildProcess& process, std::size_t readSize = 512) {
  std::string output;
  char buffer[512];
  for (;;) {
    std::size_t available = 0;
    EXPECT_TRUE(process.Peek(available));
    if (available > 0) {
      std::size_t got = 0;
      EXPECT_TRUE(process.Read(buffer, readSize, got));
      EXPECT_GE(got, 1u);
      EXPECT_LE(got, readSize);
      output.append(buffer, got);
    } else if (process.HasEnded()) {
      EXPECT_TRUE(process.Peek(available));
      if (available == 0) return output;
    } else {
      WaitForDataOrEvents(process.WaitableFd(), 10);
    }
  }
}

TEST(ProcessTest, JoinsStandardOutputAndErrorAndReportsTheExitCode) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "printf out; printf err >&2; exit 3"}));
  EXPECT_EQ(DrainUntilEnd(process), "outerr");
  EXPECT_TRUE(process.Ended());
  EXPECT_TRUE(process.EndedNormally());
  EXPECT_EQ(process.ExitCode(), 3);
  EXPECT_FALSE(process.KilledBySignal());
}

TEST(ProcessTest, ReadTakesAtMostTheGivenCount) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "head -c 3000 /dev/zero | tr '\\0' x"}));
  EXPECT_EQ(DrainUntilEnd(process, 7), std::string(3000, 'x'));
}

TEST(ProcessTest, AMissingProgramFailsToStart) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  EXPECT_FALSE(process.Start("/nonexistent/servicecmr/client.exe", {"client.exe"}));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(process.Started());
}

TEST(ProcessTest, StartNeedsThePipe) {
  ChildProcess process;
  EXPECT_FALSE(process.Start("/bin/true", {"true"}));
}

TEST(ProcessTest, StandardInputIsEmpty) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "cat; echo done"}));
  EXPECT_EQ(DrainUntilEnd(process), "done\n");
}

TEST(ProcessTest, TerminateEndsTheChildAndWhatItStarted) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  // The child starts a grandchild that keeps the pipe open and reports its id.
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "sleep 60 & echo $!; wait"}));
  std::string line;
  char buffer[64];
  while (line.find('\n') == std::string::npos) {
    std::size_t available = 0;
    ASSERT_TRUE(process.Peek(available));
    if (available == 0) {
      WaitForDataOrEvents(process.WaitableFd(), 10);
      continue;
    }
    std::size_t got = 0;
    ASSERT_TRUE(process.Read(buffer, sizeof buffer, got));
    line.append(buffer, got);
  }
  const pid_t grandchild = static_cast<pid_t>(std::stol(line));
  EXPECT_FALSE(process.HasEnded());
  process.Terminate();
  EXPECT_TRUE(process.Ended());
  EXPECT_FALSE(process.EndedNormally());
  EXPECT_TRUE(process.KilledBySignal());
  EXPECT_EQ(process.ExitCode(), -1);
  // The grandchild got the same signal: it is gone, or a zombie waiting for init. SIGKILL
  // acts at once; the bound only keeps a broken Terminate from hanging the test.
  EXPECT_TRUE(test::WaitUntilProcessEnds(grandchild, 30000));
}

TEST(ProcessTest, OnceEveryWriterHasGoneTheWaitIsForTheChildsEnd) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "exec 1>&- 2>&-; sleep 0.3"}));
  const int pipeFd = process.WaitableFd();
  std::size_t available = 1;
  // The pipe hangs up at the latest when the shell ends; the bound (half a minute and
  // more) only keeps a broken Peek from hanging the test.
  for (int attempt = 0; attempt < 3000 && process.WaitableFd() == pipeFd; ++attempt) {
    ASSERT_TRUE(process.Peek(available));
    EXPECT_EQ(available, 0u);
    WaitForDataOrEvents(process.WaitableFd(), 10);
  }
  // Waiting on a hung-up pipe would return at once forever; what is left to wait for is
  // the child's end, and one wait sees it.
  const int endFd = process.WaitableFd();
  ASSERT_GE(endFd, 0);
  ASSERT_NE(endFd, pipeFd);
  WaitForDataOrEvents(endFd, 60000);
  EXPECT_TRUE(process.HasEnded());
  EXPECT_EQ(process.ExitCode(), 0);
  EXPECT_EQ(process.WaitableFd(), -1);
  process.Close();
}

TEST(ProcessTest, ASignalThatEndsTheChildIsReported) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "kill -TERM $$"}));
  EXPECT_EQ(DrainUntilEnd(process), "");
  EXPECT_TRUE(process.KilledBySignal());
  EXPECT_EQ(process.TermSignal(), SIGTERM);
  EXPECT_EQ(process.ExitCode(), -1);
}

TEST(ProcessTest, TheChildLeadsAProcessGroupOfItsOwn) {
  ChildProcess process;
  ASSERT_TRUE(process.CreatePipe());
  ASSERT_TRUE(process.Start("/bin/sh", {"sh", "-c", "cat /proc/$$/stat"}));
  const std::string stat = DrainUntilEnd(process);
  // pid (name) state ppid pgrp ...
  std::istringstream fields(stat.substr(stat.rfind(')') + 1));
  std::string state;
  long parent = 0;
  long group = 0;
  ASSERT_TRUE(fields >> state >> parent >> group) << stat;
  EXPECT_EQ(parent, ::getpid());
  EXPECT_EQ(group, std::stol(stat));
  EXPECT_NE(group, ::getpgrp());
}

TEST(ProcessTest, CloseIsSafeInEveryState) {
  ChildProcess neverOpened;
  neverOpened.Close();
  ChildProcess pipeOnly;
  ASSERT_TRUE(pipeOnly.CreatePipe());
  pipeOnly.Close();
  std::size_t available = 0;
  EXPECT_FALSE(pipeOnly.Peek(available));
  ChildProcess running;
  ASSERT_TRUE(running.CreatePipe());
  ASSERT_TRUE(running.Start("/bin/sleep", {"sleep", "60"}));
  running.Close();
  EXPECT_TRUE(running.Ended());
  running.Close();
}

}  // namespace
}  // namespace calmora::platform
