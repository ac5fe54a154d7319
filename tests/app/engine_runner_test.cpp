// The engine run shared by all four runs, against fake engines: where the engine is,
// how arguments reach it, that every byte printed is handled, that handlers can stop the
// run, and that an idle run sleeps instead of spinning.
#include "app/engine_runner.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/app/support/fake_engine.h"

namespace calmora {
namespace {

using testing::FakeEngine;
using testing::FakeScript;

// Records what the runner hands over.
class Recorder : public EngineRunHandler {
 public:
  void Started() override { ++started; }
  bool StopBeforePoll() override {
    ++polls;
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
  }

  std::string text;
  std::vector<std::string> idle_chunks;  // distinct in a row
  std::string stop_text;
  int stop_at_poll = 0;
  int started = 0, polls = 0, chunks = 0, idles = 0;
};

bool ProcessIsGone(const std::string& pid_file) {
  std::ifstream in(pid_file);
  long pid = 0;
  if (!(in >> pid) || pid <= 0) return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return true;
  const std::size_t close = text.rfind(')');
  return close + 2 < text.size() && (text[close + 2] == 'Z' || text[close + 2] == 'X');
}

TEST(EngineRunnerTest, TheEngineLiesUnderTheWindowsDirectory) {
  FakeEngine engine;
  EXPECT_EQ(EnginePath(), engine.WindowsDir() + "/servicecmr/client.exe");
  const std::string with_slash = engine.WindowsDir() + "//";
  ::setenv("CALMORA_WINDIR", with_slash.c_str(), 1);
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
  ::setenv("CALMORA_WINDIR", spaced.c_str(), 1);
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
  ASSERT_TRUE(testing::WriteFile(engine.EnginePath(), "not a program"));
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
  EXPECT_TRUE(ProcessIsGone(pid_file));
}

TEST(EngineRunnerTest, StopBeforePollTerminatesTheEngine) {
  FakeEngine engine;
  const std::string pid_file = engine.WindowsDir() + "/pid";
  engine.OnEveryRun(FakeScript().Raw("echo $$ > '" + pid_file + "'").Print("working").Sleep(60));
  Recorder recorder;
  recorder.stop_text = "never printed";
  recorder.stop_at_poll = 3;
  const EngineRunResult run = RunEngine("", kAnalysisPassCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kStoppedBeforePoll);
  EXPECT_EQ(recorder.polls, 3);
  // The pid file may not have been written yet when the stop came; then nothing to check.
  std::ifstream pid(pid_file);
  if (pid.good()) {
    EXPECT_TRUE(ProcessIsGone(pid_file));
  }
}

TEST(EngineRunnerTest, IdlePollsOfferThePreviousChunkAndSleepInsteadOfSpinning) {
  FakeEngine engine;
  engine.OnEveryRun(FakeScript().Print("first").Sleep(0.5).Print("second"));
  Recorder recorder;
  const EngineRunResult run = RunEngine("", kProbeCodes, recorder);
  EXPECT_EQ(run.outcome, EngineRunOutcome::kEnded);
  EXPECT_EQ(recorder.text, "firstsecond");
  // Before the first read the previous chunk is empty; during the pause it is "first".
  EXPECT_NE(std::find(recorder.idle_chunks.begin(), recorder.idle_chunks.end(), "first"),
            recorder.idle_chunks.end());
  EXPECT_GE(recorder.idles, 1);
  // Half a second of silence at about 10 ms per idle poll; a spinning loop makes
  // hundreds of thousands.
  EXPECT_LT(recorder.idles, 500);
}

TEST(EngineRunnerTest, GuiEventsAreHandledWhileTheEngineRuns) {
  int argc = 1;
  char name[] = "runner_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  FakeEngine engine;
  engine.OnEveryRun(FakeScript().Print("a").Sleep(0.4).Print("b"));
  bool fired = false;
  QTimer::singleShot(50, [&fired] { fired = true; });
  Recorder recorder;
  RunEngine("", kProbeCodes, recorder);
  EXPECT_TRUE(fired);
  EXPECT_EQ(recorder.text, "ab");
  EXPECT_LT(recorder.idles, 500);
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
  EXPECT_TRUE(ProcessIsGone(pid_file));
}

}  // namespace
}  // namespace calmora
