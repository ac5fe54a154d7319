// CheckEngine: the banner found whole or split over two reads, an engine without banner,
// a missing engine, and the real ffmpeg.
#include "app/engine_check.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/engine_check_handler.h"
#include "tests/app/support/fake_engine.h"
#include "tests/support/outside_tool.h"
#include "tests/support/process_state.h"

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeScript;
using test::kFakeBanner;
using test::ProcessInFileIsGone;

TEST(EngineCheckTest, TheWatcherJoinsEachReadWithTheOneBefore) {
  struct Case {
    std::vector<std::string> Chunks;
    bool Found;
  };
  const Case cases[] = {
      {{"ffmpeg version 5.1.9"}, true},
      {{"  built with gcc\nffmpeg ver", "sion 5.1.9"}, true},
      {{"ffmpeg", " version"}, true},
      {{"ffmpeg", "\n", " version"}, false},  // three reads apart: not joined
      {{"usage: ffmpeg [options]"}, false},
      {{"FFMPEG VERSION"}, false},
      {{}, false},
  };
  for (const Case& c : cases) {
    EngineBannerWatcher watcher;
    bool running = true;
    for (const std::string& chunk : c.Chunks) {
      if (!running) break;
      running = watcher.Chunk(chunk);
    }
    EXPECT_EQ(watcher.Found(), c.Found) << ::testing::PrintToString(c.Chunks);
    EXPECT_EQ(running, !c.Found);
  }
}

TEST(EngineCheckTest, AWholeBannerPasses) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kCheck, FakeScript().Print(kFakeBanner).Exit(1));
  std::string code = "unchanged";
  EXPECT_TRUE(CheckEngine(code));
  EXPECT_EQ(code, "unchanged");
  ASSERT_EQ(engine.CallCount(), 1);
  EXPECT_TRUE(engine.Calls()[0].empty());  // run without arguments
}

TEST(EngineCheckTest, ABannerSplitAcrossTwoReadsPasses) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kCheck,
            FakeScript()
                .Print("  built with gcc 12\nffmpeg ver")
                .WaitUntilRead()
                .Print("sion 5.1.9-0+deb12u1\n")
                .Exit(1));
  std::string code;
  EXPECT_TRUE(CheckEngine(code));
  EXPECT_EQ(code, "");
}

TEST(EngineCheckTest, NoBannerFailsAndLeavesTheCode) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kCheck,
            FakeScript().Print("client: command not understood\n").Exit(1));
  std::string code;
  EXPECT_FALSE(CheckEngine(code));
  EXPECT_EQ(code, "");
  code = "previous";
  EXPECT_FALSE(CheckEngine(code));
  EXPECT_EQ(code, "previous");
}

TEST(EngineCheckTest, ASilentEngineFails) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kCheck, FakeScript().Exit(0));
  std::string code;
  EXPECT_FALSE(CheckEngine(code));
  EXPECT_EQ(code, "");
}

TEST(EngineCheckTest, AMissingEngineGives002) {
  FakeEngine engine;
  std::string code;
  EXPECT_FALSE(CheckEngine(code));
  EXPECT_EQ(code, "002");
}

TEST(EngineCheckTest, TheEngineIsStoppedOnceTheBannerIsSeen) {
  FakeEngine engine;
  const std::string pidFile = engine.WindowsDir() + "/pid";
  const std::string marker = engine.WindowsDir() + "/still_running";
  // Left alone, the engine would run on for half a minute and then leave the marker.
  engine.On(FakeEngine::Run::kCheck, FakeScript()
                                         .Raw("echo $$ > '" + pidFile + "'")
                                         .Print(kFakeBanner)
                                         .Sleep(30)
                                         .Raw("touch '" + marker + "'"));
  std::string code;
  EXPECT_TRUE(CheckEngine(code));
  EXPECT_TRUE(ProcessInFileIsGone(pidFile));
  EXPECT_FALSE(std::ifstream(marker).good());
}

TEST(EngineCheckTest, TheRealEnginePasses) {
  FakeEngine engine;
  CALMORA_REQUIRE_TOOL("ffmpeg");
  ASSERT_TRUE(engine.LinkRealEngine());
  std::string code;
  EXPECT_TRUE(CheckEngine(code));
  EXPECT_EQ(code, "");
}

}  // namespace
}  // namespace calmora
