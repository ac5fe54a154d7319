// RunStabilisePasses against fake engines: command lines, gauges and status line, the
// engine's error texts, Cancel, failed transform passes and unreadable progress records.
#include "app/stabilise_passes.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/pass_commands.h"
#include "tests/app/support/fake_engine.h"
#include "tests/support/process_state.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/own_process.h"

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeProgressRecord;
using test::FakeScript;

class RecordingProgress : public StabiliseProgress {
 public:
  bool CancelRequested() override { return Cancel || (CancelAfterStatus && !Statuses.empty()); }
  void SetFileGauge(int position) override {
    EXPECT_GE(position, 0);
    EXPECT_LE(position, 100);
    FileGauge.push_back(position);
  }
  void SetOverallGauge(int position) override {
    EXPECT_GE(position, 0);
    EXPECT_LE(position, 100);
    OverallGauge.push_back(position);
  }
  void SetStatus(const std::string& text) override {
    Statuses.push_back(text);
    if (OnStatus) OnStatus();
  }

  bool Cancel = false;
  bool CancelAfterStatus = false;
  std::function<void()> OnStatus;
  std::vector<int> FileGauge, OverallGauge;
  std::vector<std::string> Statuses;
};

class StabilisePassesTest : public ::testing::Test {
 protected:
  StabilisePassesTest() : folder_("calmora_passes") {
    input_ = folder_.File("clip.avi");
    test::WriteFileBytes(input_, "input video");
    outputFolder_ = folder_.Path() + "/out";
    std::filesystem::create_directories(outputFolder_);
    info_.filepath = input_;
    info_.duration = "00:00:02.00";
    info_.bitrate = "374";
    info_.video_bitrate = "291";
    job_.Info = &info_;
    job_.Settings = {"5", "15", "6", "0.3", "10"};
    job_.OutputFolder = outputFolder_;
    job_.VideoFormat = "*.MP4";
    // The engine keeps its transform file in the current directory: make that ours.
    previousDirectory_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Path());
  }
  ~StabilisePassesTest() override { std::filesystem::current_path(previousDirectory_); }

  // Pass output with the given times, a carriage return after each record, each record
  // in a read of its own.
  static FakeScript Records(std::initializer_list<const char*> times) {
    FakeScript script;
    script.Print("Press [q] to stop, [?] for help\n");
    for (const char* time : times) script.WaitUntilRead().Print(FakeProgressRecord(time));
    return script;
  }

  FakeEngine engine_;
  test::ScratchFolder folder_;
  std::filesystem::path previousDirectory_;
  std::string input_, outputFolder_;
  Tffinfo info_;
  StabiliseJob job_;
  RecordingProgress progress_;
};

TEST_F(StabilisePassesTest, AWorkingEngineRunsBothPassesWithBothGaugesMoving) {
  engine_.BehaveLikeWorkingEngine();
  std::string error = "as passed";
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "as passed");
  ASSERT_EQ(engine_.CallCount(), 2);
  const auto calls = engine_.Calls();
  EXPECT_EQ(calls[0], (std::vector<std::string>{
                          "-i", input_, "-y", "-vf",
                          "vidstabdetect=shakiness=5:accuracy=15:stepsize=6:mincontrast=0.3:"
                          "result=client_calmora.trf",
                          "-f", "null", "-"}));
  EXPECT_EQ(calls[1], (std::vector<std::string>{
                          "-i", input_, "-b:v", "291k", "-q:v", "0", "-c:a", "copy", "-y", "-vf",
                          "vidstabtransform=input=client_calmora.trf:smoothing=10,"
                          "unsharp=5:5:1.0:5:5:0.0",
                          outputFolder_ + "/clip.avi"}));
  // Records at 0.5, 1, 1.5 and 2 s of 2 s in each pass: V = 25, 50, 75, 100.
  EXPECT_EQ(progress_.FileGauge, (std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100}));
  EXPECT_EQ(progress_.OverallGauge, progress_.FileGauge);  // one file
  ASSERT_EQ(progress_.Statuses.size(), 8u);
  EXPECT_EQ(progress_.Statuses.front(), "Analyze 00:00:00.50 ......");
  EXPECT_EQ(progress_.Statuses[3], "Analyze 00:00:02.00 ......");
  EXPECT_EQ(progress_.Statuses.back(), "Process 00:00:02.00 ......");
}

TEST_F(StabilisePassesTest, TheLastOfThreeFilesEndsTheOverallGaugeAt99) {
  engine_.BehaveLikeWorkingEngine();
  job_.FileIndex = 2;
  job_.FileCount = 3;
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(progress_.FileGauge.back(), 100);
  EXPECT_EQ(progress_.OverallGauge.back(), 99);
  EXPECT_EQ(progress_.OverallGauge.front(), 12 / 3 + 200 / 3);
}

TEST_F(StabilisePassesTest, EngineErrorTextsEndTheCallEvenSplitOverTwoReads) {
  engine_.On(
      FakeEngine::Run::kAnalysis,
      FakeScript()
          .Print(input_ + ": No su")
          .WaitUntilRead()
          .Print("ch file or directory\n")
          .Exit(1));
  engine_.On(FakeEngine::Run::kTransform, Records({"00:00:01.00"}).WriteOutput("x"));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No such file");
  EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty());
}

TEST_F(StabilisePassesTest, AssertionAndConversionFailuresAreReportedAsWritten) {
  engine_.On(FakeEngine::Run::kAnalysis,
             Records({"00:00:01.00"}).Print("Assertion failed at x.c:12\n"));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "Assertion failed");

  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kTransform,
             Records({"00:00:01.00"})
                 .Print("Error initializing output stream 0:0 -- \nConversion failed!\n")
                 .Exit(1));
  error.clear();
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "Conversion failed");
}

TEST_F(StabilisePassesTest, AnEngineThatCannotStartGivesThePassCode) {
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "032");
}

TEST_F(StabilisePassesTest, CancelBeforeTheFirstReportReturnsFalseWithNoText) {
  engine_.BehaveLikeWorkingEngine();
  progress_.Cancel = true;
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "");
  EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty());
  EXPECT_TRUE(progress_.FileGauge.empty());
}

TEST_F(StabilisePassesTest, CancelAfterTheFirstReportStopsTheEngineAndReturnsTrue) {
  const std::string pidFile = folder_.File("analysis_pid");
  engine_.On(FakeEngine::Run::kAnalysis, FakeScript()
                                             .Raw("echo $$ > '" + pidFile + "'")
                                             .Print(FakeProgressRecord("00:00:00.50"))
                                             .Sleep(60));
  engine_.On(FakeEngine::Run::kTransform, Records({"00:00:01.00"}).WriteOutput("x"));
  progress_.CancelAfterStatus = true;
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  EXPECT_TRUE(test::ProcessInFileIsGone(pidFile));
  EXPECT_EQ(error, "");
  EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty());
  EXPECT_EQ(progress_.Statuses, (std::vector<std::string>{"Analyze 00:00:00.50 ......"}));
}

TEST_F(StabilisePassesTest, CancelArrivesThroughTheGuiWhileTheEngineWorks) {
  if (!test::InOwnProcess()) return;  // it makes an application object of its own
  int argc = 1;
  char name[] = "passes_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  engine_.On(FakeEngine::Run::kAnalysis, Records({"00:00:00.50"}).Sleep(60));
  // The Cancel click arrives as a GUI event once the first report is on screen; only the
  // events the runner pumps can deliver it.
  progress_.OnStatus = [this] { QTimer::singleShot(0, [this] { progress_.Cancel = true; }); };
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty());
}

TEST_F(StabilisePassesTest, ATransformPassThatExitsWithAFailureFailsWithItsLastErrorLine) {
  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kTransform,
             Records({"00:00:00.50"})
                 .Print("[webm @ 0x55] Only VP8 or VP9 video is supported for WebM.\n")
                 .Print("/out/clip.webm: Not a directory\n\n")
                 .Print(FakeProgressRecord("00:00:00.90", true))
                 .Exit(1));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "/out/clip.webm: Not a directory");
}

TEST_F(StabilisePassesTest, ATransformPassThatWritesNothingFails) {
  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kTransform,
             Records({"00:00:02.00"}).Print("encoder gave up\n").Exit(0));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "encoder gave up");

  engine_.On(FakeEngine::Run::kTransform, FakeScript().WriteOutput("").Exit(0));
  error.clear();
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No output file was written.");

  engine_.On(FakeEngine::Run::kTransform, FakeScript().WriteOutput("data").Exit(3));
  error.clear();
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "The engine stopped with exit status 3.");
}

TEST_F(StabilisePassesTest, AnAnalysisThatFailsOrIsKilledStopsBeforeTheTransform) {
  // Each analysis leaves at most partial motion data; transforming with it would pass a
  // partly stabilised video for a result.
  struct Case {
    const char* Name;
    FakeScript Analysis;
    const char* Error;
  };
  const std::string partialMotion = "printf 'VID.STAB 1' > client_calmora.trf";
  const Case cases[] = {
      {"exits with a failure",
       Records({"00:00:01.00"}).Raw(partialMotion).Print("too low contrast\n").Exit(1),
       "too low contrast"},
      {"exits with a failure and no message",
       FakeScript().Print(FakeProgressRecord("00:00:01.00")).Raw(partialMotion).Exit(2),
       "The engine stopped with exit status 2."},
      // The signal is named, not the unrelated line printed before the records.
      {"killed", Records({"00:00:01.00"}).Raw(partialMotion).WaitUntilRead().Raw("kill -KILL $$"),
       "The engine ended by signal 9"},
      {"terminated",
       Records({"00:00:01.00"}).Raw(partialMotion).WaitUntilRead().Raw("kill -TERM $$"),
       "The engine ended by signal 15"},
      {"leaves no transform file",
       FakeScript().Print(FakeProgressRecord("00:00:02.00", true)).Exit(0),
       "No transform file was written."},
  };
  engine_.BehaveLikeWorkingEngine();
  for (const Case& c : cases) {
    engine_.ClearCalls();
    engine_.On(FakeEngine::Run::kAnalysis, c.Analysis);
    progress_ = RecordingProgress();
    std::string error;
    EXPECT_FALSE(RunStabilisePasses(error, job_, progress_)) << c.Name;
    EXPECT_EQ(error, c.Error) << c.Name;
    EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty()) << c.Name;
  }
}

TEST_F(StabilisePassesTest, ATransformFileLeftByAnEarlierRunDoesNotCount) {
  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kAnalysis,
             FakeScript().Print(FakeProgressRecord("00:00:02.00", true)).Exit(0));
  ASSERT_TRUE(
      test::WriteFileBytes(folder_.File("client_calmora.trf"), "VID.STAB 1 of another run"));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No transform file was written.");
  EXPECT_TRUE(engine_.CallsWith("vidstabtransform").empty());
}

TEST_F(StabilisePassesTest, NoReportInEitherPassGivesFalseWithTheTextAsPassed) {
  engine_.On(FakeEngine::Run::kAnalysis,
             FakeScript().Print("working\n").Raw("printf 'motion' > client_calmora.trf"));
  engine_.On(FakeEngine::Run::kTransform, FakeScript().Print("working\n").WriteOutput("video"));
  std::string error = "as passed";
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "as passed");
}

TEST_F(StabilisePassesTest, UnreadableRecordsAreSkippedWithoutStoppingTheRun) {
  engine_.On(FakeEngine::Run::kAnalysis,
             FakeScript()
                 .Print("frame=    0 fps=0.0 q=0.0 size=N/A time=N/A bitrate=N/A speed=N/A    \r")
                 .WaitUntilRead()
                 .Print("frame=   10 fps=0.0 q=0.0 size=N/A time=00:00:00.40 speed=1x    \r")
                 .WaitUntilRead()
                 .Print(FakeProgressRecord("00:00:01.00"))
                 .Raw("printf 'motion' > client_calmora.trf"));
  engine_.On(FakeEngine::Run::kTransform, Records({"00:00:02.00"}).WriteOutput("video"));
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(progress_.FileGauge, (std::vector<int>{25, 100}));
  EXPECT_EQ(progress_.Statuses,
            (std::vector<std::string>{"Analyze 00:00:01.00 ......", "Process 00:00:02.00 ......"}));
}

TEST_F(StabilisePassesTest, AZeroOrUnreadableDurationMovesNoGauge) {
  engine_.BehaveLikeWorkingEngine();
  for (const char* duration : {"00:00:00.00", "garbage"}) {
    info_.duration = duration;
    progress_ = RecordingProgress();
    std::string error;
    EXPECT_TRUE(RunStabilisePasses(error, job_, progress_)) << duration;
    EXPECT_TRUE(progress_.FileGauge.empty()) << duration;
    EXPECT_TRUE(progress_.OverallGauge.empty()) << duration;
    EXPECT_EQ(progress_.Statuses.size(), 8u) << duration;
  }
}

TEST_F(StabilisePassesTest, WritingIntoTheInputsFolderAddsNewAndKeepsTheInput) {
  engine_.BehaveLikeWorkingEngine();
  job_.OutputFolder = folder_.Path();
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  const auto transform = engine_.CallsWith("vidstabtransform");
  ASSERT_EQ(transform.size(), 1u);
  EXPECT_EQ(transform[0].back(), folder_.File("NEW_clip.avi"));
  EXPECT_NE(std::find(transform[0].begin(), transform[0].end(), "copy"), transform[0].end());
}

TEST_F(StabilisePassesTest, TheSameFileUnderAnotherSpellingIsNeverOverwritten) {
  engine_.BehaveLikeWorkingEngine();
  job_.OutputFolder = folder_.Path() + "/out/..";  // names the input's folder
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  const auto transform = engine_.CallsWith("vidstabtransform");
  ASSERT_EQ(transform.size(), 1u);
  EXPECT_EQ(transform[0].back(), folder_.Path() + "/out/../NEW_clip.avi");
}

TEST_F(StabilisePassesTest, ConvertingChangesTheExtensionAndReencodesTheAudio) {
  engine_.BehaveLikeWorkingEngine();
  info_.video_bitrate.clear();
  job_.ConvertFormat = true;
  job_.VideoFormat = "*.MKV";
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  const auto transform = engine_.CallsWith("vidstabtransform");
  ASSERT_EQ(transform.size(), 1u);
  EXPECT_EQ(transform[0], (std::vector<std::string>{
                              "-i", input_, "-b:v", "374k", "-q:v", "0", "-q:a", "0", "-y", "-vf",
                              "vidstabtransform=input=client_calmora.trf:smoothing=10,"
                              "unsharp=5:5:1.0:5:5:0.0",
                              outputFolder_ + "/clip.mkv"}));
}

TEST_F(StabilisePassesTest, NoBitRateProbedMeansNoBitRateOption) {
  engine_.BehaveLikeWorkingEngine();
  info_.video_bitrate.clear();
  info_.bitrate.clear();
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_));
  const auto transform = engine_.CallsWith("vidstabtransform");
  ASSERT_EQ(transform.size(), 1u);
  EXPECT_EQ(std::find(transform[0].begin(), transform[0].end(), "-b:v"), transform[0].end());
}

TEST_F(StabilisePassesTest, AFailedOrStoppedTransformLeavesNoFileUnderTheOutputName) {
  const std::string output = outputFolder_ + "/clip.avi";
  struct Case {
    const char* Name;
    FakeScript Transform;
    bool CancelAfterStatus;
  };
  const Case cases[] = {
      {"killed",
       Records({"00:00:01.00"}).WriteOutput("half a video").WaitUntilRead().Raw("kill -KILL $$"),
       false},
      {"failing",
       Records({"00:00:01.00"})
           .WriteOutput("half a video")
           .Print("No space left on device\n")
           .Exit(1),
       false},
      {"stopping at an error text",
       Records({"00:00:01.00"}).WriteOutput("half a video").Print("Conversion failed!\n").Sleep(60),
       false},
      {"cancelled",
       FakeScript().WriteOutput("half a video").Print(FakeProgressRecord("00:00:01.00")).Sleep(60),
       true},
  };
  engine_.BehaveLikeWorkingEngine();
  for (const Case& c : cases) {
    engine_.On(FakeEngine::Run::kTransform, c.Transform);
    progress_ = RecordingProgress();
    // The analysis reports before the transform starts: Cancel waits for a transform record.
    progress_.OnStatus = [this, &c] {
      if (c.CancelAfterStatus && progress_.Statuses.back().rfind("Process", 0) == 0)
        progress_.Cancel = true;
    };
    std::string error;
    RunStabilisePasses(error, job_, progress_);
    EXPECT_EQ(engine_.CallsWith("vidstabtransform").size(), 1u) << c.Name;
    EXPECT_FALSE(std::filesystem::exists(output)) << c.Name;
    engine_.ClearCalls();
  }
}

TEST_F(StabilisePassesTest, AFileThatStoodUnderTheOutputNameIsNeverRemoved) {
  const std::string output = outputFolder_ + "/clip.avi";
  ASSERT_TRUE(test::WriteFileBytes(output, "an earlier result"));
  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kTransform,
             Records({"00:00:01.00"}).Print("No space left on device\n").Exit(1));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No space left on device");
  EXPECT_TRUE(std::filesystem::exists(output));
}

TEST_F(StabilisePassesTest, FileNamesThatReadLikeErrorTextsAreNotTheEnginesWords) {
  // The engine echoes both paths; reads may cut them anywhere, here inside each name.
  input_ = folder_.File("No such file.avi");
  ASSERT_TRUE(test::WriteFileBytes(input_, "input video"));
  info_.filepath = input_;
  job_.OutputFolder = folder_.Path() + "/Conversion failed";
  std::filesystem::create_directories(job_.OutputFolder);
  const std::string output = job_.OutputFolder + "/No such file.avi";
  const std::string inputEcho = "Input #0, avi, from '" + input_ + "':\n";
  const std::string outputEcho = "Output #0, avi, to '" + output + "':\n";
  const std::size_t inputCut = inputEcho.find("such") + 2;
  const std::size_t outputCut = outputEcho.find("failed") + 3;
  engine_.BehaveLikeWorkingEngine();
  engine_.On(FakeEngine::Run::kAnalysis, FakeScript()
                                             .Print(inputEcho.substr(0, inputCut))
                                             .WaitUntilRead()
                                             .Print(inputEcho.substr(inputCut))
                                             .Raw("printf 'motion' > client_calmora.trf")
                                             .WaitUntilRead()
                                             .Print(FakeProgressRecord("00:00:02.00", true)));
  engine_.On(FakeEngine::Run::kTransform, FakeScript()
                                              .Print(inputEcho)
                                              .Print(outputEcho.substr(0, outputCut))
                                              .WaitUntilRead()
                                              .Print(outputEcho.substr(outputCut))
                                              .WriteOutput("video")
                                              .WaitUntilRead()
                                              .Print(FakeProgressRecord("00:00:02.00", true)));
  std::string error;
  EXPECT_TRUE(RunStabilisePasses(error, job_, progress_)) << error;
  EXPECT_EQ(error, "");
  EXPECT_TRUE(std::filesystem::exists(output));
}

TEST_F(StabilisePassesTest, AnErrorAboutAnEchoedFileIsStillFound) {
  input_ = folder_.File("No such file.avi");
  info_.filepath = input_;
  engine_.On(FakeEngine::Run::kAnalysis,
             FakeScript().Print(input_ + ": No such file or directory\n").Exit(1));
  std::string error;
  EXPECT_FALSE(RunStabilisePasses(error, job_, progress_));
  EXPECT_EQ(error, "No such file");
}

}  // namespace
}  // namespace calmora
