// The engine run shared by all four runs, against fake engines: where the engine is,
// how arguments reach it, that every byte printed is handled, that handlers can stop the
// run, and that an idle run sleeps instead of spinning.
#include "app/engine_runner.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "tests/app/support/fake_engine.h"
#include "tests/support/process_state.h"
#include "tests/support/scoped_override.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/own_process.h"

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeScript;
using test::ProcessInFileIsGone;

// Records what the runner hands over.
class Recorder : public EngineRunHandler {
 public:
  void Started() override { ++Starts; }
  bool StopBeforePoll() override {
    ++Polls;
    if (!StopOnceRead.empty() && Text.find(StopOnceRead) != std::string::npos) return true;
    return StopAtPoll > 0 && Polls >= StopAtPoll;
  }
  bool Chunk(std::string_view chunk) override {
    EXPECT_LE(chunk.size(), kEngineReadSize);
    EXPECT_EQ(chunk.find('\0'), std::string_view::npos);
    Text.append(chunk);
    ++Chunks;
    return StopText.empty() || Text.find(StopText) == std::string::npos;
  }
  void Idle(std::string_view previousChunk) override {
    ++Idles;
    if (IdleChunks.empty() || IdleChunks.back() != previousChunk)
      IdleChunks.emplace_back(previousChunk);
    if (OnIdle) OnIdle(previousChunk);
  }

  std::string Text;
  std::vector<std::string> IdleChunks;  // distinct in a row
  std::string StopText;                 // Chunk ends the run once the text holds it
  std::string StopOnceRead;             // StopBeforePoll ends the run once the text holds it
  int StopAtPoll = 0;
  std::function<void(std::string_view)> OnIdle;
  int Starts = 0, Polls = 0, Chunks = 0, Idles = 0;
};

// Idle polls allowed for a run that lasted `seconds`: each sleeps up to kEngineIdleWaitMs
// unless output, the engine's end or a GUI event wakes it, so a sleeping loop stays far
// below this; a spinning one makes hundreds of thousands.
double IdleLimit(double seconds) { return seconds * 2000.0 / kEngineIdleWaitMs + 50.0; }

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(EngineRunnerTest, TheEngineLiesUnderTheWindowsDirectory) {
  FakeEngine engine;
  EXPECT_EQ(EnginePath(), engine.WindowsDir() + "/servicecmr/client.exe");
  const std::string withSlash = engine.WindowsDir() + "//";
  const test::ScopedEnvironmentVariable windir("CALMORA_WINDIR", withSlash);
  EXPECT_EQ(EnginePath(), engine.WindowsDir() + "/servicecmr/client.exe");
}

TEST(EngineRunnerTest, ArgumentsArriveSplitWithQuotedPartsWhole) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript().Print("ok"));
  Recorder recorder;
  const EngineRunResult run =
      RunEngine(" -i \"/videos/my holiday.avi\" -y -f null -", kProbeCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(recorder.Text, "ok");
  EXPECT_EQ(recorder.Starts, 1);
  ASSERT_EQ(engine.CallCount(), 1);
  const std::vector<std::string> expected{"-i", "/videos/my holiday.avi", "-y", "-f", "null", "-"};
  EXPECT_EQ(engine.Calls()[0], expected);
}

TEST(EngineRunnerTest, AWindowsDirectoryWithBlanksStillNamesTheEngine) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript().Print("spaced"));
  const std::string spaced = engine.WindowsDir() + "/Program Files";
  std::filesystem::create_directories(spaced + "/servicecmr");
  std::filesystem::copy_file(engine.EnginePath(), spaced + "/servicecmr/client.exe");
  const test::ScopedEnvironmentVariable windir("CALMORA_WINDIR", spaced);
  Recorder recorder;
  const EngineRunResult run = RunEngine(" -version", kProbeCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(recorder.Text, "spaced");
}

TEST(EngineRunnerTest, AMissingEngineGivesTheRunsStartCode) {
  FakeEngine engine;  // nothing installed
  Recorder recorder;
  EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kFailed);
  EXPECT_EQ(run.Code, "002");
  run = RunEngine(" -i \"x\"", kTransformPassCodes, recorder);
  EXPECT_EQ(run.Code, "042");
  EXPECT_EQ(recorder.Starts, 0);
}

TEST(EngineRunnerTest, AnEngineThatIsNotExecutableCannotStart) {
  FakeEngine engine;
  ASSERT_TRUE(test::WriteFileBytes(engine.EnginePath(), "not a program"));
  Recorder recorder;
  EXPECT_EQ(RunEngine("", kProbeCodes, recorder).Code, "012");
}

TEST(EngineRunnerTest, EverythingPrintedBeforeTheEndIsHandled) {
  FakeEngine engine;
  // 100 000 bytes in one go and an immediate exit: the pipe must be drained first.
  engine.OnEveryRun(FakeScript().PrintRepeated("0123456789", 10000).Print("END").Exit(7));
  Recorder recorder;
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(run.ExitCode, 7);
  ASSERT_EQ(recorder.Text.size(), 100003u);
  EXPECT_EQ(recorder.Text.substr(100000), "END");
  EXPECT_GE(recorder.Chunks, 100003 / 512);
}

TEST(EngineRunnerTest, HugeOutputWithNulsAndNoNewlinesStaysInBounds) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript()
                        .Raw("head -c 3000000 /dev/urandom >&2")
                        .PrintRepeated(std::string("ab\0cd", 5), 2000)
                        .Print("tail"));
  Recorder recorder;
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kEnded);
  // Each chunk is the text before its first NUL, so less comes through than was printed.
  EXPECT_LT(recorder.Text.size(), 3010004u);
  EXPECT_GE(recorder.Chunks, 3010004 / 512);
}

TEST(EngineRunnerTest, TheChunkHandlerCanEndTheRunAndTheEngineIsStopped) {
  FakeEngine engine;
  const std::string pidFile = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pidFile + "'").Print("stop here").Sleep(60));
  Recorder recorder;
  recorder.StopText = "stop here";
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kStoppedByChunk);
  EXPECT_TRUE(ProcessInFileIsGone(pidFile));
}

TEST(EngineRunnerTest, StopBeforePollEndsTheRunAtThatPollAndStopsTheEngine) {
  FakeEngine engine;
  const std::string pidFile = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pidFile + "'").Print("working").Sleep(60));
  // Asked at the third poll, whatever has been read by then.
  Recorder counted;
  counted.StopAtPoll = 3;
  EngineRunResult run = RunEngine("", kAnalysisPassCodes, counted);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kStoppedBeforePoll);
  EXPECT_EQ(counted.Polls, 3);
  // Asked at the poll after the first read: nothing more is read, and the engine (whose
  // id was written before it printed) is gone.
  Recorder afterRead;
  afterRead.StopOnceRead = "working";
  run = RunEngine("", kAnalysisPassCodes, afterRead);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kStoppedBeforePoll);
  EXPECT_EQ(afterRead.Text, "working");
  EXPECT_EQ(afterRead.Chunks, 1);
  EXPECT_TRUE(ProcessInFileIsGone(pidFile));
}

TEST(EngineRunnerTest, IdlePollsOfferThePreviousChunkAndSleepInsteadOfSpinning) {
  FakeEngine engine;
  const std::string idleSeen = engine.WindowsDir() + "/idle_seen";
  // The engine goes on only once an idle poll has offered "first", then stays silent for
  // a while: the idle polls of that silence show whether the loop sleeps.
  engine.OnEveryRun(FakeScript().Print("first").WaitForFile(idleSeen).Sleep(0.3).Print("second"));
  Recorder recorder;
  recorder.OnIdle = [&idleSeen](std::string_view previousChunk) {
    if (previousChunk == "first") test::WriteFileBytes(idleSeen, "");
  };
  const auto start = std::chrono::steady_clock::now();
  const EngineRunResult run = RunEngine("", kProbeCodes, recorder);
  const double seconds = SecondsSince(start);
  EXPECT_EQ(run.Outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(recorder.Text, "firstsecond");
  // Idle polls offer the last chunk read: empty before the first read, then "first",
  // and "second" when a poll comes between the last read and the end of the process.
  const std::vector<std::string> order{"", "first", "second"};
  auto next = order.begin();
  for (const std::string& chunk : recorder.IdleChunks) {
    next = std::find(next, order.end(), chunk);
    ASSERT_NE(next, order.end()) << ::testing::PrintToString(recorder.IdleChunks);
  }
  EXPECT_NE(std::find(recorder.IdleChunks.begin(), recorder.IdleChunks.end(), "first"),
            recorder.IdleChunks.end());
  EXPECT_LT(recorder.Idles, IdleLimit(seconds)) << seconds << " s";
}

TEST(EngineRunnerTest, GuiEventsAreHandledWhileTheEngineRuns) {
  if (!test::InOwnProcess()) return;  // it makes an application object of its own
  int argc = 1;
  char name[] = "runner_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  FakeEngine engine;
  const std::string fired = engine.WindowsDir() + "/timer_fired";
  // The engine finishes only after a GUI timer has fired, which needs the runner to
  // handle GUI events while it waits.
  engine.OnEveryRun(FakeScript().Print("a").WaitForFile(fired).Print("b"));
  QTimer::singleShot(50, [&fired] { test::WriteFileBytes(fired, ""); });
  Recorder recorder;
  const auto start = std::chrono::steady_clock::now();
  RunEngine("", kProbeCodes, recorder);
  const double seconds = SecondsSince(start);
  EXPECT_TRUE(std::ifstream(fired).good());
  EXPECT_EQ(recorder.Text, "ab");
  EXPECT_LT(recorder.Idles, IdleLimit(seconds)) << seconds << " s";
}

class Thrower : public EngineRunHandler {
 public:
  bool Chunk(std::string_view) override { throw std::runtime_error("handler failed"); }
};

TEST(EngineRunnerTest, AnExceptionPassesAfterTheCleanUp) {
  FakeEngine engine;
  const std::string pidFile = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pidFile + "'").Print("x").Sleep(60));
  Thrower thrower;
  EXPECT_THROW(RunEngine("", kProbeCodes, thrower), std::runtime_error);
  EXPECT_TRUE(ProcessInFileIsGone(pidFile));
}

}  // namespace
}  // namespace calmora
