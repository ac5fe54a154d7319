// The media probe: the parsers on recorded engine descriptions, the text collector, and
// whole probes against fake engines.
#include "app/media_probe.h"

#include <gtest/gtest.h>

#include "app/probe_parser.h"
#include "tests/app/support/fake_engine.h"
#include "tests/support/process_state.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeScript;

constexpr char kClassic[] =
    "  Duration: 00:00:12.48, start: 0.000000, bitrate: 4611 kb/s\n"
    "  Stream #0:0(und): Video: h264 (High), yuv420p, 1280x720 [SAR 1:1 DAR 16:9], 4480 kb/s, "
    "29.97 fps\n"
    "  Stream #0:1(und): Audio: aac (LC), 48000 Hz, stereo, fltp, 125 kb/s\n";

struct ParseCase {
  const char* Name;
  std::string Text;
  Tffinfo Expected;  // filepath and spare stay empty
};

Tffinfo Info(std::string duration, std::string bitrate, std::string video, std::string audio,
             std::string width, std::string height) {
  Tffinfo info;
  info.duration = std::move(duration);
  info.bitrate = std::move(bitrate);
  info.video_bitrate = std::move(video);
  info.audio_bitrate = std::move(audio);
  info.width = std::move(width);
  info.height = std::move(height);
  return info;
}

void ExpectInfo(const Tffinfo& actual, const Tffinfo& expected, const char* name) {
  EXPECT_EQ(actual.filepath, expected.filepath) << name;
  EXPECT_EQ(actual.duration, expected.duration) << name;
  EXPECT_EQ(actual.bitrate, expected.bitrate) << name;
  EXPECT_EQ(actual.video_bitrate, expected.video_bitrate) << name;
  EXPECT_EQ(actual.audio_bitrate, expected.audio_bitrate) << name;
  EXPECT_EQ(actual.width, expected.width) << name;
  EXPECT_EQ(actual.height, expected.height) << name;
  EXPECT_EQ(actual.spare, expected.spare) << name;
}

TEST(MediaProbeParseTest, ReadsTheDescription) {
  const ParseCase cases[] = {
      {"classic three lines", kClassic, Info("00:00:12.48", "4611", "4480", "125", "1280", "720")},
      {"two video streams",
       "Duration: 00:01:00.00, start: 0.000000, bitrate: 900 kb/s\n"
       "Stream #0:0: Video: mpeg4, yuv420p, 640x480, 300 kb/s, 25 fps\n"
       "Stream #0:1: Video: h264, yuv420p, 1920x1080, 500 kb/s, 25 fps\n",
       Info("00:01:00.00", "900", "500", "", "1920", "1080")},
      {"widest and tallest taken apart",
       "Duration: 00:00:01.00, start: 0, bitrate: 1 kb/s\n"
       "Stream #0:0: Video: a, 1920x200, 1 kb/s\nStream #0:1: Video: b, 300x1080, 2 kb/s\n",
       Info("00:00:01.00", "1", "2", "", "1920", "1080")},
      {"hexadecimal codec tags count for nothing",
       "Duration: 00:00:02.00, start: 0.000000, bitrate: 374 kb/s\n"
       "Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(progressive), "
       "160x120 [SAR 1:1 DAR 4:3], 291 kb/s, 25 fps, 25 tbr, 12800 tbn (default)\n"
       "Stream #0:1[0x2](und): Audio: aac (LC) (mp4a / 0x6134706D), 44100 Hz, mono, fltp, 69 "
       "kb/s (default)\n",
       Info("00:00:02.00", "374", "291", "69", "160", "120")},
      {"only a codec tag", "Stream #0:0: Video: h264 (avc1 / 0x31637661), yuv420p\n",
       Info("", "", "", "", "", "")},
      {"zero sizes are ignored", "Stream #0:0: Video: raw, 0x480, 640x0, 2x3, 9x9\n",
       Info("", "", "", "", "2", "3")},
      {"a size keeps the text that carried it",
       "Stream #0:0: Video: raw, 0640x+480, 320x0481, 25 fps\n",
       Info("", "", "", "", "0640", "0481")},
      {"video line without bit rate",
       "Duration: 00:00:05.00, start: 0.000000, bitrate: 800 kb/s\n"
       "Stream #0:0: Video: h264, yuv420p, 320x240, 25 fps, 25 tbr, 12800 tbn\n"
       "Stream #0:1: Audio: aac, 44100 Hz, mono, fltp, 64 kb/s\n",
       Info("00:00:05.00", "800", "", "64", "320", "240")},
      {"duration not available",
       "Duration: N/A, start: 0.000000, bitrate: N/A\n"
       "Stream #0:0: Video: mjpeg, yuvj420p, 640x480, 25 tbr\n",
       Info("N/A", "", "", "", "640", "480")},
      {"no description at all", "tex.png/clip.avi: No such file or directory\n",
       Info("", "", "", "", "", "")},
      {"duration without a following comma", "Duration: 00:00:03.00", Info("", "", "", "", "", "")},
  };
  for (const ParseCase& c : cases) {
    Tffinfo info;
    ParseProbeText(c.Text, info);
    ExpectInfo(info, c.Expected, c.Name);
  }
}

TEST(MediaProbeParseTest, OnlyWritesWhatItFindsButAlwaysThePictureSize) {
  Tffinfo info = Info("00:00:09.00", "1", "2", "3", "4", "5");
  info.filepath = "kept";
  info.spare = "kept too";
  ParseProbeText("nothing useful here", info);
  Tffinfo expected = Info("00:00:09.00", "1", "2", "3", "", "");
  expected.filepath = "kept";
  expected.spare = "kept too";
  ExpectInfo(info, expected, "kept fields");
}

TEST(MediaProbeParseTest, UsableDurations) {
  const std::pair<const char*, bool> cases[] = {{"00:00:12.48", true}, {"00:00:00.00", true},
                                                {"", false},           {"  ", false},
                                                {"0", false},          {"N/A", false}};
  for (const auto& [duration, usable] : cases) {
    Tffinfo info;
    info.duration = duration;
    EXPECT_EQ(HasUsableDuration(info), usable) << duration;
  }
}

TEST(MediaProbeParseTest, TheCollectorKeepsEveryReadAsItCame) {
  std::string text = "old text";
  ProbeTextCollector collector(text);
  collector.Started();
  EXPECT_EQ(text, "");
  // The engine writes the label and the value apart; the blank between them must stay.
  EXPECT_TRUE(collector.Chunk("  Duration: "));
  collector.Idle("  Duration: ");  // idle polls offer the last read again: not appended
  EXPECT_TRUE(collector.Chunk("00:00:01.00"));
  collector.Idle("00:00:01.00");
  EXPECT_TRUE(collector.Chunk(", start: 0.000000, bitrate: 20 kb/s\n"));
  EXPECT_TRUE(collector.Chunk(" kb/s"));  // seen before, still kept
  collector.Idle("   ");
  EXPECT_EQ(text, "  Duration: 00:00:01.00, start: 0.000000, bitrate: 20 kb/s\n kb/s");
  collector.Idle("not collected before");
  EXPECT_EQ(
      text,
      "  Duration: 00:00:01.00, start: 0.000000, bitrate: 20 kb/s\n kb/snot collected before");
}

TEST(MediaProbeTest, FillsTheRecordFromTheEnginesDescription) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe,
            FakeScript().Print(test::FakeProbeOutput("/videos/clip.mp4")).Exit(1));
  std::string code = "unchanged";
  std::string text = "previous probe";
  Tffinfo info;
  EXPECT_TRUE(ProbeMediaInfo(code, "/videos/clip.mp4", info, text));
  EXPECT_EQ(code, "unchanged");
  ExpectInfo(info, Info("00:00:12.48", "4611", "4480", "125", "1280", "720"), "fake");
  EXPECT_NE(text.find("Duration: 00:00:12.48"), std::string::npos);
  EXPECT_EQ(text.find("previous probe"), std::string::npos);
  ASSERT_EQ(engine.CallCount(), 1);
  EXPECT_EQ(engine.Calls()[0], (std::vector<std::string>{"-i", "/videos/clip.mp4"}));
}

TEST(MediaProbeTest, APathWithBlanksReachesTheEngineWhole) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe, FakeScript().Print(test::FakeProbeOutput("x")).Exit(1));
  const std::string path = "/home/me/My Videos/summer holiday (2).avi";
  std::string code, text;
  Tffinfo info;
  EXPECT_TRUE(ProbeMediaInfo(code, path, info, text));
  ASSERT_EQ(engine.CallCount(), 1);
  EXPECT_EQ(engine.Calls()[0], (std::vector<std::string>{"-i", path}));
}

TEST(MediaProbeTest, AQuoteInTheFileNameCannotAddEngineOptions) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe, FakeScript().Print(test::FakeProbeOutput("x")).Exit(1));
  const std::string path = "/tmp/a\" -y -f null \"b.avi";
  std::string code, text;
  Tffinfo info;
  ProbeMediaInfo(code, path, info, text);
  ASSERT_EQ(engine.CallCount(), 1);
  EXPECT_EQ(engine.Calls()[0], (std::vector<std::string>{"-i", path}));
}

TEST(MediaProbeTest, ADescriptionReadInPiecesGivesTheSameRecord) {
  FakeEngine engine;
  const std::string output = test::FakeProbeOutput("/videos/clip.mp4");
  // Pieces cut the way the engine writes them (label and value apart), and inside the
  // size, the stream bit rate and "kb/s"; each piece arrives in a read of its own.
  FakeScript script;
  std::size_t start = 0;
  for (const char* cut : {"  Duration: ", "bitrate: ", "1280x", "44", "k", "kb/s"}) {
    const std::size_t end = output.find(cut, start) + std::string(cut).size();
    script.Print(output.substr(start, end - start)).WaitUntilRead();
    start = end;
  }
  script.Print(output.substr(start)).Exit(1);
  engine.On(FakeEngine::Run::kProbe, script);
  std::string code, text;
  Tffinfo info;
  EXPECT_TRUE(ProbeMediaInfo(code, "/videos/clip.mp4", info, text));
  ExpectInfo(info, Info("00:00:12.48", "4611", "4480", "125", "1280", "720"), "pieces");
}

TEST(MediaProbeTest, NotAvailableDurationFails) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe,
            FakeScript()
                .Print("Input #0, image2, from 'x.avi':\n  Duration: N/A, start: 0.000000, "
                       "bitrate: N/A\n  Stream #0:0: Video: mjpeg, yuvj420p, 640x480, 25 tbr\n")
                .Exit(1));
  std::string code, text;
  Tffinfo info;
  EXPECT_FALSE(ProbeMediaInfo(code, "x.avi", info, text));
  EXPECT_EQ(code, "No duration!");
  EXPECT_EQ(info.duration, "N/A");
}

TEST(MediaProbeTest, NoDurationLineFails) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe,
            FakeScript().Print("x.avi: Invalid data found when processing input\n").Exit(1));
  std::string code, text;
  Tffinfo info;
  EXPECT_FALSE(ProbeMediaInfo(code, "x.avi", info, text));
  EXPECT_EQ(code, "No duration!");
  EXPECT_EQ(text, "x.avi: Invalid data found when processing input\n");
}

TEST(MediaProbeTest, AMissingEngineGives012AndLeavesTheText) {
  FakeEngine engine;
  std::string code, text = "previous";
  Tffinfo info;
  EXPECT_FALSE(ProbeMediaInfo(code, "x.avi", info, text));
  EXPECT_EQ(code, "012");
  EXPECT_EQ(text, "previous");
}

TEST(MediaProbeParseTest, OnlyAStreamLineNamesAVideoStream) {
  EXPECT_TRUE(DescribesVideoStream(kClassic, "/videos/clip.mp4"));
  const std::string audioOnly =
      "Input #0, mp3, from '/music/song.mp4':\n"
      "  Duration: 00:03:00.00, start: 0.025057, bitrate: 128 kb/s\n"
      "  Stream #0:0: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n";
  EXPECT_FALSE(DescribesVideoStream(audioOnly, "/music/song.mp4"));
  // A cover picture is shown as a video stream but is one still image.
  EXPECT_FALSE(DescribesVideoStream(
      audioOnly +
          "  Stream #0:1: Video: png, rgb24(pc), 300x300, 90k tbr, 90k tbn (attached pic)\n",
      "/music/song.mp4"));
  // The engine repeats the file's name; a name may read like a stream line.
  const std::string tricky = "/music/a\n  Stream #0:0: Video: h264.mp4";
  EXPECT_FALSE(DescribesVideoStream("Input #0, mp3, from '" + tricky + "':\n" + audioOnly, tricky));
}

TEST(MediaProbeTest, AFileWithoutAVideoStreamFails) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kProbe,
            FakeScript()
                .Print("Input #0, mp3, from 'song.mp4':\n"
                       "  Duration: 00:00:05.00, start: 0.000000, bitrate: 64 kb/s\n"
                       "  Stream #0:0: Audio: mp3, 44100 Hz, mono, fltp, 64 kb/s\n")
                .Exit(1));
  std::string code, text;
  Tffinfo info;
  EXPECT_FALSE(ProbeMediaInfo(code, "song.mp4", info, text));
  EXPECT_EQ(code, "No video stream!");
  EXPECT_EQ(info.duration, "00:00:05.00");
}

TEST(MediaProbeTest, CancelStopsAProbeThatNeverEnds) {
  FakeEngine engine;
  test::ScratchFolder dir;
  const std::string pidFile = dir.File("pid");
  engine.On(FakeEngine::Run::kProbe, FakeScript()
                                         .Raw("echo $$ > '" + pidFile + "'")
                                         .Print("Input #0")
                                         .WaitForFile(dir.File("never")));
  std::string code = "as passed", text;
  Tffinfo info;
  int polls = 0;
  // Cancel comes once the engine has printed, so it is surely running.
  EXPECT_FALSE(
      ProbeMediaInfo(code, "pipe.mp4", info, text, [&] { return ++polls > 1 && !text.empty(); }));
  EXPECT_EQ(code, "as passed");
  EXPECT_TRUE(test::ProcessInFileIsGone(pidFile));
}

}  // namespace
}  // namespace calmora
