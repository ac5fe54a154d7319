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

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeScript;
using test::ProcessInFileIsGone;

// Records what the runner hands over.
class Recorder : public EngineRunHandler {
 public:
  void Started() override { ++started; }
  bool StopBeforePoll() override {
    ++polls;
    if (!stop_once_read.empty() && text.find(stop_once_read) != std::string::npos) return true;
    return stop_at_poll > 0 && polls >= stop_at_poll;
  }
  bool Chunk(std::string_view chunk) override {
    EXPECT_LE(chunk.size(), kEngineReadSize);
    EXPECT_EQ(chunk.find('\0'), std::string_view::npos);
    text.append(chunk);
    ++chunks;
    return stop_text.empty() || text.find(stop_text) == std::string::npos;
  }
  void Idle(std::string_view previous_chunk) override {
    ++idles;
    if (idle_chunks.empty() || idle_chunks.back() != previous_chunk)
      idle_chunks.emplace_back(previous_chunk);
    if (on_idle) on_idle(previous_chunk);
  }

  std::string text;
  std::vector<std::string> idle_chunks;  // distinct in a row
  std::string stop_text;       // Chunk ends the run once the text holds it
  std::string stop_once_read;  // StopBeforePoll ends the run once the text holds it
  int stop_at_poll = 0;
  std::function<void(std::string_view)> on_idle;
  int started = 0, polls = 0, chunks = 0, idles = 0;
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
  const std::string with_slash = engine.WindowsDir() + "//";
  const test::ScopedEnvironmentVariable windir("CALMORA_WINDIR", with_slash);
  EXPECT_EQ(EnginePath(), engine.WindowsDir() + "/servicecmr/client.exe");
}

TEST(EngineRunnerTest, ArgumentsArriveSplitWithQuotedPartsWhole) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript().Print("ok"));
  Recorder recorder;
  const EngineRunResult run =
      RunEngine(" -i \"/videos/my holiday.avi\" -y -f null -", kProbeCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(recorder.text, "ok");
  EXPECT_EQ(recorder.started, 1);
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
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(recorder.text, "spaced");
}

TEST(EngineRunnerTest, AMissingEngineGivesTheRunsStartCode) {
  FakeEngine engine;  // nothing installed
  Recorder recorder;
  EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kFailed);
  EXPECT_EQ(run.code, "002");
  run = RunEngine(" -i \"x\"", kTransformPassCodes, recorder);
  EXPECT_EQ(run.code, "042");
  EXPECT_EQ(recorder.started, 0);
}

TEST(EngineRunnerTest, AnEngineThatIsNotExecutableCannotStart) {
  FakeEngine engine;
  ASSERT_TRUE(test::WriteFileBytes(engine.EnginePath(), "not a program"));
  Recorder recorder;
  EXPECT_EQ(RunEngine("", kProbeCodes, recorder).code, "012");
}

TEST(EngineRunnerTest, EverythingPrintedBeforeTheEndIsHandled) {
  FakeEngine engine;
  // 100 000 bytes in one go and an immediate exit: the pipe must be drained first.
  engine.OnEveryRun(FakeScript().PrintRepeated("0123456789", 10000).Print("END").Exit(7));
  Recorder recorder;
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(run.exit_code, 7);
  ASSERT_EQ(recorder.text.size(), 100003u);
  EXPECT_EQ(recorder.text.substr(100000), "END");
  EXPECT_GE(recorder.chunks, 100003 / 512);
}

TEST(EngineRunnerTest, HugeOutputWithNulsAndNoNewlinesStaysInBounds) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript()
                        .Raw("head -c 3000000 /dev/urandom >&2")
                        .PrintRepeated(std::string("ab\0cd", 5), 2000)
                        .Print("tail"));
  Recorder recorder;
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  // Each chunk is the text before its first NUL, so less comes through than was printed.
  EXPECT_LT(recorder.text.size(), 3010004u);
  EXPECT_GE(recorder.chunks, 3010004 / 512);
}

TEST(EngineRunnerTest, TheChunkHandlerCanEndTheRunAndTheEngineIsStopped) {
  FakeEngine engine;
  const std::string pid_file = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pid_file + "'").Print("stop here").Sleep(60));
  Recorder recorder;
  recorder.stop_text = "stop here";
  const EngineRunResult run = RunEngine("", kEngineCheckCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kStoppedByChunk);
  EXPECT_TRUE(ProcessInFileIsGone(pid_file));
}

TEST(EngineRunnerTest, StopBeforePollEndsTheRunAtThatPollAndStopsTheEngine) {
  FakeEngine engine;
  const std::string pid_file = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pid_file + "'").Print("working").Sleep(60));
  // Asked at the third poll, whatever has been read by then.
  Recorder counted;
  counted.stop_at_poll = 3;
  EngineRunResult run = RunEngine("", kAnalysisPassCodes, counted);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kStoppedBeforePoll);
  EXPECT_EQ(counted.polls, 3);
  // Asked at the poll after the first read: nothing more is read, and the engine (whose
  // id was written before it printed) is gone.
  Recorder after_read;
  after_read.stop_once_read = "working";
  run = RunEngine("", kAnalysisPassCodes, after_read);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kStoppedBeforePoll);
  EXPECT_EQ(after_read.text, "working");
  EXPECT_EQ(after_read.chunks, 1);
  EXPECT_TRUE(ProcessInFileIsGone(pid_file));
}

TEST(EngineRunnerTest, IdlePollsOfferThePreviousChunkAndSleepInsteadOfSpinning) {
  FakeEngine engine;
  const std::string idle_seen = engine.WindowsDir() + "/idle_seen";
  // The engine goes on only once an idle poll has offered "first", then stays silent for
  // a while: the idle polls of that silence show whether the loop sleeps.
  engine.OnEveryRun(
      FakeScript().Print("first").WaitForFile(idle_seen).Sleep(0.3).Print("second"));
  Recorder recorder;
  recorder.on_idle = [&idle_seen](std::string_view previous_chunk) {
    if (previous_chunk == "first") test::WriteFileBytes(idle_seen, "");
  };
  const auto start = std::chrono::steady_clock::now();
  const EngineRunResult run = RunEngine("", kProbeCodes, recorder);
  const double seconds = SecondsSince(start);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(recorder.text, "firstsecond");
  // Idle polls offer the last chunk read: empty before the first read, then "first",
  // and "second" when a poll comes between the last read and the end of the process.
  const std::vector<std::string> order{"", "first", "second"};
  auto next = order.begin();
  for (const std::string& chunk : recorder.idle_chunks) {
    next = std::find(next, order.end(), chunk);
    ASSERT_NE(next, order.end()) << ::testing::PrintToString(recorder.idle_chunks);
  }
  EXPECT_NE(std::find(recorder.idle_chunks.begin(), recorder.idle_chunks.end(), "first"),
            recorder.idle_chunks.end());
  EXPECT_LT(recorder.idles, IdleLimit(seconds)) << seconds << " s";
}

TEST(EngineRunnerTest, GuiEventsAreHandledWhileTheEngineRuns) {
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
  EXPECT_EQ(recorder.text, "ab");
  EXPECT_LT(recorder.idles, IdleLimit(seconds)) << seconds << " s";
}

class Thrower : public EngineRunHandler {
 public:
  bool Chunk(std::string_view) override { throw std::runtime_error("handler failed"); }
};

TEST(EngineRunnerTest, AnExceptionPassesAfterTheCleanUp) {
  FakeEngine engine;
  const std::string pid_file = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pid_file + "'").Print("x").Sleep(60));
  Thrower thrower;
  EXPECT_THROW(RunEngine("", kProbeCodes, thrower), std::runtime_error);
  EXPECT_TRUE(ProcessInFileIsGone(pid_file));
}

}  // namespace
}  // namespace calmora
