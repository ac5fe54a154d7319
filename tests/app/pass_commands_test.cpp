// The stabilising passes' pure rules: both command lines, output naming, bit-rate and
// audio options, duration and progress-time reading (also under a comma locale), and the
// gauge arithmetic.
#include "app/pass_commands.h"

#include <gtest/gtest.h>

#include <optional>

#include "app/engine_runner.h"
#include "tests/support/comma_locale.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

StabiliseSettings DefaultSettings() { return {"5", "15", "6", "0.3", "10"}; }

TEST(PassCommandsTest, TheAnalysisCommandLineWithDefaultSettings) {
  const test::ScopedEnvironmentVariable windir("CALMORA_WINDIR", "/opt/windows");
  EXPECT_EQ(EnginePath() + AnalysisArguments("/videos/clip.avi", DefaultSettings()),
            "/opt/windows/servicecmr/client.exe -i \"/videos/clip.avi\" -y -vf "
            "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:"
            "result=client_calmora.trf -f null -");
}

TEST(PassCommandsTest, TheTransformCommandLineWithAVideoBitRate) {
  const test::ScopedEnvironmentVariable windir("CALMORA_WINDIR", "/opt/windows");
  Tffinfo info;
  info.video_bitrate = "4480";
  info.bitrate = "4611";
  const std::string input = "/videos/clip.avi";
  const std::string output = OutputPath(input, "/out", false, "*.MP4");
  EXPECT_EQ(EnginePath() + TransformArguments(input, BitrateOption(info),
                                              AudioOption(input, output), "10", output),
            "/opt/windows/servicecmr/client.exe -i \"/videos/clip.avi\" -b:v 4480k -q:v 0 "
            "-c:a copy -y -vf vidstabtransform=input=client_calmora.trf:smoothing=10,"
            "unsharp=5:5:1.0:5:5:0.0 \"/out/clip.avi\"");
}

TEST(PassCommandsTest, SettingsTextsAreUsedUnchanged) {
  const std::string arguments =
      AnalysisArguments("/v/a b.mkv", StabiliseSettings{"10", "1", "32", "1.0", "0"});
  EXPECT_EQ(arguments,
            " -i \"/v/a b.mkv\" -y -vf vidstabdetect=shakiness=10:accuracy=1:stepsize=32:"
            "mincontrast=1.0:result=client_calmora.trf -f null -");
}

TEST(PassCommandsTest, OutputPaths) {
  struct Case {
    const char* Input;
    const char* Folder;
    bool Convert;
    const char* Format;
    const char* Output;
  };
  const Case cases[] = {
      {"/videos/clip.avi", "/out", false, "*.MP4", "/out/clip.avi"},
      {"/videos/clip.avi", "/out/", false, "*.MP4", "/out/clip.avi"},
      {"/videos/clip.avi", "/videos", false, "*.MP4", "/videos/NEW_clip.avi"},
      {"/videos/Clip.AVI", "/VIDEOS", false, "*.MP4", "/VIDEOS/NEW_Clip.AVI"},
      {"/videos/clip.avi", "/out", true, "*.MKV", "/out/clip.mkv"},
      {"/videos/clip.mp4", "/out", true, "*.MKV", "/out/clip.mkv"},
      {"/videos/holiday.avi.avi", "/out", true, "*.MKV", "/out/holiday.mkv"},
      {"/videos/my.avi.trip.avi", "/out", true, "*.MP4", "/out/my.mp4"},
      {"/videos/clip.mp4", "/videos", true, "*.MP4", "/videos/NEW_clip.mp4"},
      {"/videos/clip.avi", "/", false, "*.MP4", "/clip.avi"},
      {"/videos/clip.avi", "/", true, "*.WEBM", "/clip.webm"},
      {"/clip.avi", "/", false, "*.MP4", "/NEW_clip.avi"},
      {"/videos/My Clip.Mts", "/out dir", true, "*.M4V", "/out dir/My Clip.m4v"},
      // A name without extension still gets a separate one.
      {"/videos/clip", "/out", true, "*.MP4", "/out/clip.mp4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OutputPath(c.Input, c.Folder, c.Convert, c.Format), c.Output) << c.Input;
  }
}

TEST(PassCommandsTest, FileNameParts) {
  EXPECT_EQ(FileNameOf("/a/b/clip.avi"), "clip.avi");
  EXPECT_EQ(FolderOf("/a/b/clip.avi"), "/a/b/");
  EXPECT_EQ(ExtensionOf("/a/b.d/clip.avi"), ".avi");
  EXPECT_EQ(ExtensionOf("/a/b.d/clip"), "");
  EXPECT_EQ(WithNewPrefix("/out/clip.avi"), "/out/NEW_clip.avi");
}

TEST(PassCommandsTest, BitRateOption) {
  Tffinfo info;
  EXPECT_EQ(BitrateOption(info), "");
  info.bitrate = "4611";
  EXPECT_EQ(BitrateOption(info), " -b:v 4611k");
  info.video_bitrate = "4480";
  EXPECT_EQ(BitrateOption(info), " -b:v 4480k");
}

TEST(PassCommandsTest, AudioOption) {
  EXPECT_EQ(AudioOption("/v/clip.avi", "/v/NEW_clip.avi"), " -c:a copy");
  EXPECT_EQ(AudioOption("/v/clip.AVI", "/o/clip.avi"), " -c:a copy");
  EXPECT_EQ(AudioOption("/v/clip.mp4", "/o/clip.mkv"), " -q:a 0");
}

TEST(PassCommandsTest, ClockTexts) {
  struct Case {
    const char* Text;
    bool Readable;
    double Seconds;
  };
  const Case cases[] = {
      {"00:01:23.45", true, 83.45},
      {"01:00:00.00", true, 3600.0},
      {"00:00:00.00", true, 0.0},
      {"00:00:02.02", true, 2.02},
      {"1:2:3", true, 3723.0},
      {"N/A", false, 0},
      {"12.5", false, 0},
      {"00:12.5", false, 0},
      {"00:00:xx", false, 0},
      {"00:00:01,50", false, 0},
      {"", false, 0},
      {"00:00:inf", false, 0},
  };
  for (const Case& c : cases) {
    const auto seconds = ClockSeconds(c.Text);
    ASSERT_EQ(seconds.has_value(), c.Readable) << c.Text;
    if (c.Readable) {
      EXPECT_DOUBLE_EQ(*seconds, c.Seconds) << c.Text;
    }
  }
}

TEST(PassCommandsTest, DecimalPointWhateverTheLocale) {
  std::optional<double> seconds, comma;
  ProgressReport report;
  {
    const test::CommaLocale locale;
    CALMORA_REQUIRE_COMMA_LOCALE(locale);
    seconds = ClockSeconds("00:01:23.45");
    report = ReadProgressReport(
        "frame=   25 fps=0.0 q=-0.0 size=N/A time=00:00:01.50 bitrate=N/A speed=2.04x    \r");
    comma = ClockSeconds("00:00:01,50");
  }
  ASSERT_TRUE(seconds.has_value());
  EXPECT_DOUBLE_EQ(*seconds, 83.45);
  ASSERT_TRUE(report.TimeReadable);
  EXPECT_DOUBLE_EQ(report.SecondsTotal, 1.5);
  EXPECT_FALSE(comma.has_value());
}

TEST(PassCommandsTest, ProgressRecords) {
  struct Case {
    const char* Chunk;
    bool IsReport;
    bool Readable;
    const char* SecondsText;
    double Seconds;
  };
  const Case cases[] = {
      {"frame=   50 fps=0.0 q=-0.0 size=N/A time=00:00:02.00 bitrate=N/A speed=32.7x    \r", true,
       true, "02.00", 2.0},
      {"frame=   50 fps=0.0 q=-0.0 Lsize=N/A time=00:00:02.02 bitrate=N/A speed=32.7x    \n", true,
       true, "02.02", 2.02},
      {"frame=    1 fps=0.0 q=-1.0 size=       3kB time=-00:00:00.07 bitrate=N/A speed=N/A  \r",
       true, true, "00.07", 0.07},
      {"frame=1 size=0kB time=00:00:01.00bitrate=1", true, true, "01.0", 1.0},
      {"frame=  50 size=N/A time=N/A bitrate=N/A speed=N/A\r", true, false, "", 0},
      {"frame=  50 size=N/A time=00:00:0", true, false, "", 0},  // cut by a read
      {"frame=  50 size=N/A time=00:00:01.00 speed=1x\r", true, false, "", 0},
      {"bitrate= 1 size=2 time=00:00:01.00", true, false, "", 0},
      {"[vidstabdetect @ 0x5] time=00:00:01.00 bitrate=", false, false, "", 0},
      {"Duration: 00:00:02.00, start: 0.000000, bitrate: 374 kb/s", false, false, "", 0},
  };
  for (const Case& c : cases) {
    const ProgressReport report = ReadProgressReport(c.Chunk);
    EXPECT_EQ(report.IsReport, c.IsReport) << c.Chunk;
    EXPECT_EQ(report.TimeReadable, c.Readable) << c.Chunk;
    if (c.Readable) {
      EXPECT_EQ(report.Seconds, c.SecondsText) << c.Chunk;
      EXPECT_DOUBLE_EQ(report.SecondsTotal, c.Seconds) << c.Chunk;
    }
  }
}

TEST(PassCommandsTest, StatusLine) {
  const ProgressReport report =
      ReadProgressReport("frame= 5 size=N/A time=00:00:01.50 bitrate=N/A\r");
  EXPECT_EQ(ProgressStatus("Analyze", report), "Analyze 00:00:01.50 ......");
  EXPECT_EQ(ProgressStatus("Process", report), "Process 00:00:01.50 ......");
}

TEST(PassCommandsTest, GaugeArithmetic) {
  // A report at the full duration: 50 after the analysis, 100 after the transform.
  ASSERT_EQ(PercentDone(2.0, 2.0), 100);
  EXPECT_EQ(AnalysisFileGauge(100), 50);
  EXPECT_EQ(TransformFileGauge(100), 100);
  // Three files: the last file's end leaves the overall gauge at 99.
  EXPECT_EQ(OverallGauge(100, 2, 3), 99);
  EXPECT_EQ(OverallGauge(50, 0, 1), 50);
  EXPECT_EQ(OverallGauge(25, 1, 2), 62);
  // Halves go to the even neighbour.
  EXPECT_EQ(PercentDone(0.125, 1.0), 12);
  EXPECT_EQ(PercentDone(0.375, 1.0), 38);
  EXPECT_EQ(PercentDone(1.0, 3.0), 33);
  // Reports past the end or before the start stay inside 0..100.
  EXPECT_EQ(TransformFileGauge(*PercentDone(2.04, 2.0)), 100);
  EXPECT_EQ(AnalysisFileGauge(*PercentDone(1e9, 1e-9)), 100);
  EXPECT_EQ(AnalysisFileGauge(*PercentDone(-5.0, 2.0)), 0);
  EXPECT_EQ(OverallGauge(100, 5, 3), 100);
  EXPECT_EQ(OverallGauge(100, 0, 0), 100);
  // No duration: no share can be computed.
  EXPECT_FALSE(PercentDone(1.0, 0.0).has_value());
  EXPECT_FALSE(PercentDone(1.0, -1.0).has_value());
}

}  // namespace
}  // namespace calmora
