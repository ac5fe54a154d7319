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
    file_gauge = position;
    ++reports;
  }
  void SetOverallGauge(int position) override { overall_gauge = position; }
  void SetStatus(const std::string& text) override { status = text; }
  int file_gauge = -1, overall_gauge = -1, reports = 0;
  std::string status;
};

class RealPassesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL("ffmpeg");
    CALMORA_REQUIRE_TOOL("ffprobe");
    ASSERT_TRUE(engine_.LinkRealEngine());
    previous_directory_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Path());
    input_ = folder_.File("shaky clip.mp4");
    test::ClipOptions options;
    options.audio = true;
    std::string log;
    ASSERT_TRUE(test::MakeShakyClip(input_, options, &log)) << log;
    std::string code, text;
    ASSERT_TRUE(ProbeMediaInfo(code, input_, info_, text)) << code;
    info_.filepath = input_;
    job_.info = &info_;
    job_.settings = {"5", "15", "6", "0.3", "10"};
    job_.output_folder = folder_.Path() + "/out";
    std::filesystem::create_directories(job_.output_folder);
  }
  void TearDown() override {
    if (!previous_directory_.empty()) std::filesystem::current_path(previous_directory_);
  }

  FakeEngine engine_;
  test::ScratchFolder folder_{"calmora-real-passes"};
  std::filesystem::path previous_directory_;
  std::string input_;
  Tffinfo info_;
  StabiliseJob job_;
  CountingProgress progress_;
};

TEST_F(RealPassesTest, AShakyClipIsStabilisedIntoTheOutputFolder) {
  std::string error;
  ASSERT_TRUE(RunStabilisePasses(error, job_, progress_)) << error;
  const std::string output = job_.output_folder + "/shaky clip.mp4";
  test::ProbedVideo video;
  ASSERT_TRUE(test::ProbeWithFfprobe(output, &video));
  EXPECT_EQ(video.width, 160);
  EXPECT_EQ(video.height, 120);
  EXPECT_NEAR(video.seconds, 2.0, 0.2);
  EXPECT_TRUE(std::filesystem::exists("client_calmora.trf"));
  EXPECT_GT(progress_.reports, 0);
  EXPECT_GE(progress_.file_gauge, 50);
  EXPECT_EQ(progress_.status.rfind("Process ", 0), 0u) << progress_.status;
}

TEST_F(RealPassesTest, ConvertingWritesTheOtherContainer) {
  job_.convert_format = true;
  job_.video_format = "*.MKV";
  std::string error;
  ASSERT_TRUE(RunStabilisePasses(error, job_, progress_)) << error;
  EXPECT_TRUE(test::ProbeWithFfprobe(job_.output_folder + "/shaky clip.mkv"));
}

TEST_F(RealPassesTest, AnOutputFolderThatCannotBeWrittenFailsWithTheEnginesMessage) {
  // A folder path running through a plain file: the engine says "Not a directory",
  // which is none of the texts the passes look for, and exits with a failure.
  job_.output_folder = input_;
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
  EXPECT_TRUE(test::ProbeWithFfprobe(input_));  // the input is untouched
}

TEST_F(RealPassesTest, AMissingOutputFolderGivesNoSuchFile) {
  job_.output_folder = folder_.Path() + "/does/not/exist";
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No such file");
}

}  // namespace
}  // namespace calmora
