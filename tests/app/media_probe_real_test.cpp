// The media probe and the engine check against the real ffmpeg, on clips made at test time.
#include <gtest/gtest.h>

#include <sstream>

#include "app/engine_check.h"
#include "app/media_probe.h"
#include "app/pass_commands.h"
#include "tests/app/support/fake_engine.h"
#include "tests/app/support/test_clips.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FakeEngine;

// ffprobe's bit rates in kb/s, cut the way the engine prints them.
struct ReferenceRates {
  long Overall = -1, Video = -1, Audio = -1;
};

ReferenceRates RatesFromFfprobe(const std::string& path) {
  ReferenceRates rates;
  const test::ToolResult ffprobe = test::RunTool(
      "ffprobe -v error -show_entries format=bit_rate:stream=codec_type,bit_rate "
      "-of compact=p=0:nk=0 " +
      test::ShellQuoted(path));
  std::istringstream lines(ffprobe.Output);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t at = line.find("bit_rate=");
    if (at == std::string::npos) continue;
    const long kilobits = std::stol(line.substr(at + 9)) / 1000;
    if (line.find("codec_type=video") != std::string::npos)
      rates.Video = kilobits;
    else if (line.find("codec_type=audio") != std::string::npos)
      rates.Audio = kilobits;
    else
      rates.Overall = kilobits;
  }
  return rates;
}

class RealEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL("ffmpeg");
    CALMORA_REQUIRE_TOOL("ffprobe");
    ASSERT_TRUE(engine_.LinkRealEngine());
  }
  FakeEngine engine_;
  test::ScratchFolder folder_{"calmora-real-probe"};
};

TEST_F(RealEngineTest, TheCheckFindsTheBanner) {
  std::string code;
  EXPECT_TRUE(CheckEngine(code));
  EXPECT_EQ(code, "");
}

TEST_F(RealEngineTest, AProbeFillsEveryFieldOfTheRecord) {
  const std::string clip = folder_.File("shaky clip.mp4");
  test::ClipOptions options;
  options.Audio = true;
  std::string log;
  ASSERT_TRUE(test::MakeShakyClip(clip, options, &log)) << log;
  const ReferenceRates rates = RatesFromFfprobe(clip);
  ASSERT_GT(rates.Overall, 0);
  ASSERT_GT(rates.Video, 0);
  ASSERT_GT(rates.Audio, 0);

  std::string code, text;
  Tffinfo info;
  ASSERT_TRUE(ProbeMediaInfo(code, clip, info, text)) << code << "\n" << text;
  EXPECT_EQ(info.filepath, "");  // the batch loop sets it, not the probe
  EXPECT_EQ(info.duration, "00:00:02.00");
  EXPECT_EQ(info.bitrate, std::to_string(rates.Overall));
  EXPECT_EQ(info.video_bitrate, std::to_string(rates.Video));
  EXPECT_EQ(info.audio_bitrate, std::to_string(rates.Audio));
  EXPECT_EQ(info.width, "160");
  EXPECT_EQ(info.height, "120");
  EXPECT_EQ(info.spare, "");
  EXPECT_NE(text.find("Duration: 00:00:02.00"), std::string::npos);
}

TEST_F(RealEngineTest, ALargerClipWithoutAudio) {
  const std::string clip = folder_.File("clip.mkv");
  test::ClipOptions options;
  options.Width = 320;
  options.Height = 240;
  options.Seconds = 1.0;
  std::string log;
  ASSERT_TRUE(test::MakeShakyClip(clip, options, &log)) << log;
  std::string code, text;
  Tffinfo info;
  ASSERT_TRUE(ProbeMediaInfo(code, clip, info, text)) << code;
  const auto seconds = ClockSeconds(info.duration);
  ASSERT_TRUE(seconds.has_value()) << info.duration;
  EXPECT_NEAR(*seconds, 1.0, 0.1);
  EXPECT_EQ(info.width, "320");
  EXPECT_EQ(info.height, "240");
  EXPECT_EQ(info.audio_bitrate, "");
}

TEST_F(RealEngineTest, AFileThatIsNotAVideoHasNoDuration) {
  const std::string notVideo = folder_.File("notes.avi");
  ASSERT_TRUE(test::WriteFileBytes(notVideo, "these are not video frames\n"));
  std::string code, text;
  Tffinfo info;
  EXPECT_FALSE(ProbeMediaInfo(code, notVideo, info, text));
  EXPECT_EQ(code, "No duration!");
  code.clear();
  EXPECT_FALSE(ProbeMediaInfo(code, folder_.File("missing.avi"), info, text));
  EXPECT_EQ(code, "No duration!");
  EXPECT_NE(text.find("No such file or directory"), std::string::npos);
}

}  // namespace
}  // namespace calmora
