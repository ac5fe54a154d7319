// A stand-in for the engine in tests: a shell script installed as servicecmr/client.exe in
// a temporary Windows directory (CALMORA_WINDIR points there while the object lives). It
// records every call's arguments and plays a scripted behaviour per kind of run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"

namespace calmora::test {

// One scripted behaviour: what the fake prints (exact bytes, NULs included), when it
// pauses, what it writes, and its exit code. To make the front end see output in separate
// reads, wait for it to have read (WaitUntilRead) rather than sleeping: a loaded machine
// can leave a short pause unnoticed and join two prints in one read.
class FakeScript {
 public:
  FakeScript& Print(std::string_view bytes);                      // to standard error
  FakeScript& PrintToStdout(std::string_view bytes);              // to standard output
  FakeScript& PrintRepeated(std::string_view bytes, long count);  // standard error
  FakeScript& Sleep(double seconds);
  // Waits until the reader has taken everything printed so far out of the pipe, so that
  // what follows arrives in a read of its own (no wait when standard error is no pipe).
  FakeScript& WaitUntilRead();
  // Waits until `path` exists: a handshake with a test that creates it (gives up after
  // about two minutes).
  FakeScript& WaitForFile(const std::string& path);
  FakeScript& WriteOutput(std::string_view bytes);  // into the file named by the last argument
  FakeScript& Raw(std::string_view shell);          // any shell text
  FakeScript& Exit(int code);                       // the code at the end (default 0)
  std::string Text() const;

 private:
  std::string body_;
  int exitCode_ = 0;
};

// Recorded output of Debian's ffmpeg 5.1, for building scripts.
extern const char kFakeBanner[];  // what the engine prints run without arguments
// A probe's description of a file with one video and one audio stream (the three lines
// of the classic example: 00:00:12.48, 4611 kb/s, 1280x720 at 4480 kb/s, audio 125 kb/s).
std::string FakeProbeOutput(const std::string& filePath);
// One progress record, carriage return included, as the passes print it.
std::string FakeProgressRecord(const std::string& time, bool last = false);

class FakeEngine {
 public:
  FakeEngine();   // an empty Windows directory: the engine is missing
  ~FakeEngine();  // restores CALMORA_WINDIR and removes the directory
  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  // Kinds of run, told apart by their arguments.
  enum class Run { kCheck, kProbe, kAnalysis, kTransform };

  // Sets the behaviour of one kind of run (the default prints nothing and exits 0) and
  // (re)writes the script.
  FakeEngine& On(Run run, const FakeScript& script);
  // The same behaviour for every kind of run.
  FakeEngine& OnEveryRun(const FakeScript& script);
  // A realistic engine that works: banner, a probe description, progress records for
  // both passes (two seconds of video), an output file from the transform pass.
  FakeEngine& BehaveLikeWorkingEngine();
  // client.exe becomes a link to the real ffmpeg; false when it is not installed.
  bool LinkRealEngine();
  // No client.exe at all.
  void Remove();

  const std::string& WindowsDir() const { return windowsDir_.Path(); }
  std::string EnginePath() const;
  // Arguments (without the program) of every run so far, in order.
  std::vector<std::vector<std::string>> Calls() const;
  // Those of the runs with an argument that contains `part`.
  std::vector<std::vector<std::string>> CallsWith(const std::string& part) const;
  int CallCount() const;
  void ClearCalls();

 private:
  void WriteScript();

  ScratchFolder windowsDir_{"calmora-windir"};
  ScopedEnvironmentVariable windirVariable_{"CALMORA_WINDIR", windowsDir_.Path()};
  std::string callsDir_;
  std::string scripts_[4];
};

}  // namespace calmora::test
