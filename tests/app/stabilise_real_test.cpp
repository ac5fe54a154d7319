// Both stabilising passes with the real ffmpeg on a tiny shaky clip: the output exists
// and is a readable video; a failure of the engine's own is reported with its message.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/media_probe.h"
#include "app/stabilise_passes.h"
#include "tests/app/support/fake_engine.h"
#include "tests/app/support/test_clips.h"
#include "tests/support/outside_tool.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FakeEngine;

class CountingProgress : public StabiliseProgress {
 public:
  bool CancelRequested() override { return false; }
  void SetFileGauge(int position) override {
    FileGauge = position;
    ++Reports;
  }
  void SetOverallGauge(int position) override { OverallGauge = position; }
  void SetStatus(const std::string& text) override { Status = text; }
  int FileGauge = -1, OverallGauge = -1, Reports = 0;
  std::string Status;
};

class RealPassesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL("ffmpeg");
    CALMORA_REQUIRE_TOOL("ffprobe");
    ASSERT_TRUE(engine_.LinkRealEngine());
    previousDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Path());
    input_ = folder_.File("shaky clip.mp4");
    test::ClipOptions options;
    options.Audio = true;
    std::string log;
    ASSERT_TRUE(test::MakeShakyClip(input_, options, &log)) << log;
    std::string code, text;
    ASSERT_TRUE(ProbeMediaInfo(code, input_, info_, text)) << code;
    info_.filepath = input_;
    job_.Info = &info_;
    job_.Settings = {"5", "15", "6", "0.3", "10"};
    job_.OutputFolder = folder_.Path() + "/out";
    std::filesystem::create_directories(job_.OutputFolder);
  }
  void TearDown() override {
    if (!previousDirectory_.empty()) std::filesystem::current_path(previousDirectory_);
  }

  FakeEngine engine_;
  test::ScratchFolder folder_{"calmora-real-passes"};
  std::filesystem::path previousDirectory_;
  std::string input_;
  Tffinfo info_;
  StabiliseJob job_;
  CountingProgress progress_;
};

TEST_F(RealPassesTest, AShakyClipIsStabilisedIntoTheOutputFolder) {
  std::string error;
  ASSERT_TRUE(RunStabilisePasses(error, job_, progress_)) << error;
  const std::string output = job_.OutputFolder + "/shaky clip.mp4";
  test::ProbedVideo video;
  ASSERT_TRUE(test::ProbeWithFfprobe(output, &video));
  EXPECT_EQ(video.Width, 160);
  EXPECT_EQ(video.Height, 120);
  EXPECT_NEAR(video.Seconds, 2.0, 0.2);
  EXPECT_TRUE(std::filesystem::exists("client_calmora.trf"));
  EXPECT_GT(progress_.Reports, 0);
  EXPECT_GE(progress_.FileGauge, 50);
  EXPECT_EQ(progress_.Status.rfind("Process ", 0), 0u) << progress_.Status;
}

TEST_F(RealPassesTest, ConvertingWritesTheOtherContainer) {
  job_.ConvertFormat = true;
  job_.VideoFormat = "*.MKV";
  std::string error;
  ASSERT_TRUE(RunStabilisePasses(error, job_, progress_)) << error;
  EXPECT_TRUE(test::ProbeWithFfprobe(job_.OutputFolder + "/shaky clip.mkv"));
}

TEST_F(RealPassesTest, AnOutputFolderThatCannotBeWrittenFailsWithTheEnginesMessage) {
  // A folder path running through a plain file: the engine says "Not a directory",
  // which is none of the texts the passes look for, and exits with a failure.
  job_.OutputFolder = input_;
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
  EXPECT_TRUE(test::ProbeWithFfprobe(input_));  // the input is untouched
}

TEST_F(RealPassesTest, AMissingOutputFolderGivesNoSuchFile) {
  job_.OutputFolder = folder_.Path() + "/does/not/exist";
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No such file");
}

}  // namespace
}  // namespace calmora
