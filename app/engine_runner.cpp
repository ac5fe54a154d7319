// The engine run: pipe, process, and the polling loop that drains the pipe before it
// tests for the end of the process, sleeping on the pipe, the engine's end and the GUI
// when idle. Every wake-up is kept to the few system calls the loop needs.
#include "app/engine_runner.h"

#include <array>
#include <cstring>
#include <vector>

#include "platform/command_line.h"
#include "platform/message_pump.h"
#include "platform/process.h"
#include "platform/windows_dir.h"

namespace calmora {

std::string EnginePath() { return platform::WindowsDirectory() + "/servicecmr/client.exe"; }

EngineRunResult RunEngine(const std::string& arguments, const EngineRunCodes& codes,
                          EngineRunHandler& handler) {
  EngineRunResult result;
  const std::string program = EnginePath();
  // The program is the first argument by itself, so a folder with blanks in its name
  // still names one program; only the run's own arguments are split.
  std::vector<std::string> argv{program};
  for (std::string& argument : platform::SplitCommandLine(arguments))
    argv.push_back(std::move(argument));

  // Room for one read and a terminating zero; it keeps the previous chunk between reads.
  std::array<char, kEngineReadSize + 1> buffer{};
  std::size_t chunkLength = 0;

  platform::ChildProcess process;  // its destructor is the clean-up on every way out
  // Made after the process so it lets go of the pipe before the pipe is closed.
  platform::DataOrEventWaiter waiter;
  if (!process.CreatePipe()) {
    result.Code = codes.Pipe;
    return result;
  }
  if (!process.Start(program, argv)) {
    result.Code = codes.Start;
    return result;
  }
  handler.Started();

  for (;;) {
    if (handler.StopBeforePoll()) {
      process.Terminate();
      result.Outcome = EngineRunOutcome::kStoppedBeforePoll;
      return result;
    }
    std::size_t available = 0;
    if (!process.Peek(available)) {
      result.Code = codes.Peek;
      return result;
    }
    if (available > 0) {
      std::size_t got = 0;
      if (!process.Read(buffer.data(), kEngineReadSize, got)) {
        result.Code = codes.Read;
        return result;
      }
      buffer[got] = '\0';
      // The chunk is the buffer's text: it ends at the first NUL the engine printed.
      chunkLength = ::strnlen(buffer.data(), got);
      if (!handler.Chunk(std::string_view(buffer.data(), chunkLength))) {
        result.Outcome = EngineRunOutcome::kStoppedByChunk;
        return result;
      }
    } else if (process.HasEnded()) {
      // Output written just before the end may have arrived after the peek above.
      if (!process.Peek(available)) {
        result.Code = codes.Peek;
        return result;
      }
      if (available == 0) break;
    } else {
      handler.Idle(std::string_view(buffer.data(), chunkLength));
      // The wait itself handles the GUI's events; a pump right after it would almost
      // never find any and only cost another pass through the event loop per wake-up.
      waiter.Wait(process.WaitableFd(), kEngineIdleWaitMs);
      continue;
    }
    platform::ProcessMessages();
  }

  result.Outcome = EngineRunOutcome::kEnded;
  result.ExitCode = process.ExitCode();
  result.KilledBySignal = process.KilledBySignal();
  result.SignalNumber = process.TermSignal();
  return result;
}

}  // namespace calmora
