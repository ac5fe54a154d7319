// The one way every engine run is made (engine check, probe, both stabilising passes):
// start the engine with its output on a pipe, hand every chunk it prints to the run's
// handler, and keep the GUI alive while waiting.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace calmora {

// <Windows directory>/servicecmr/client.exe
std::string EnginePath();

// The four failure codes of one kind of run, for the steps: creating the pipe, starting
// the process, peeking at the pipe, reading the pipe.
struct EngineRunCodes {
  const char* Pipe;
  const char* Start;
  const char* Peek;
  const char* Read;
};

inline constexpr EngineRunCodes kEngineCheckCodes{"001", "002", "003", "004"};
inline constexpr EngineRunCodes kProbeCodes{"011", "012", "013", "014"};
inline constexpr EngineRunCodes kAnalysisPassCodes{"031", "032", "033", "034"};
inline constexpr EngineRunCodes kTransformPassCodes{"041", "042", "043", "044"};

// What one kind of run does with the engine's output.
class EngineRunHandler {
 public:
  virtual ~EngineRunHandler() = default;
  // The process has started.
  virtual void Started() {}
  // Asked at the start of every poll once the process runs; true ends the run at once.
  virtual bool StopBeforePoll() { return false; }
  // A new chunk was read (the text of at most kEngineReadSize bytes, up to the first NUL).
  // False ends the run.
  virtual bool Chunk(std::string_view chunk) = 0;
  // A poll found nothing waiting while the process still runs; `previousChunk` is the
  // last chunk read (empty before the first).
  virtual void Idle(std::string_view previousChunk) {}
};

enum class EngineRunOutcome {
  kFailed,             // a step failed; EngineRunResult::Code names it
  kStoppedBeforePoll,  // the handler's StopBeforePoll asked to stop
  kStoppedByChunk,     // the handler's Chunk asked to stop
  kEnded,              // the engine ended and everything it printed was handled
};

struct EngineRunResult {
  EngineRunOutcome Outcome = EngineRunOutcome::kFailed;
  std::string Code;             // set when Outcome is kFailed
  int ExitCode = -1;            // the engine's exit code when it ended by itself
  bool KilledBySignal = false;  // it ended through a signal it was not sent by us
  int SignalNumber = 0;         // that signal
};

// Largest number of bytes taken from the pipe per read.
inline constexpr std::size_t kEngineReadSize = 512;

// How long one idle poll sleeps at most while waiting for output or GUI events. Output,
// the engine's end and GUI events each end the sleep at once, so the bound only limits
// how long a change that nothing announces goes unnoticed; each wake-up costs the front
// end CPU time that the engine could use.
inline constexpr int kEngineIdleWaitMs = 100;

// Runs EnginePath() followed by `arguments` (a Windows-style argument text that starts
// with a blank, for example " -i \"clip.avi\""). Returns after the process has ended or
// been terminated and the pipe has been closed; an exception from the handler passes
// through after that clean-up.
EngineRunResult RunEngine(const std::string& arguments, const EngineRunCodes& codes,
                          EngineRunHandler& handler);

}  // namespace calmora
