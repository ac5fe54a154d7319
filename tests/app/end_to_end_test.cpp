// Whole batches through Tmain and Tprogress with the real engine: shaky clips come out
// steadier, and the failure paths stop the batch without losing a file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <limits>
#include <vector>

#include "app/main_block.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "tests/app/support/fake_engine.h"
#include "tests/app/support/test_clips.h"
#include "tests/support/outside_tool.h"
#include "tests/support/process_state.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDone = "The process completed successfully!";
constexpr int kWidth = 160;
constexpr int kHeight = 120;

// A grey picture and its size.
struct Grey {
  int Width = 0;
  int Height = 0;
  std::vector<unsigned char> Pixels;
  int At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Every frame of a video as 8-bit grey pixels, decoded by ffmpeg.
std::vector<Grey> GreyFrames(const std::string& path) {
  const std::string command = "ffmpeg -nostdin -v error -i " + test::ShellQuoted(path) +
                              " -vf scale=" + std::to_string(kWidth) + ":" +
                              std::to_string(kHeight) + " -f rawvideo -pix_fmt gray -";
  std::vector<Grey> frames;
  const test::ToolResult ffmpeg = test::RunTool(command, false);
  const std::size_t frameSize = std::size_t{kWidth} * kHeight;
  for (std::size_t start = 0; start + frameSize <= ffmpeg.Output.size(); start += frameSize) {
    frames.push_back(Grey{kWidth, kHeight,
                          std::vector<unsigned char>(ffmpeg.Output.begin() + start,
                                                     ffmpeg.Output.begin() + start + frameSize)});
  }
  return frames;
}

// The picture with each 4 by 4 block averaged into one pixel.
Grey Quarter(const Grey& full) {
  Grey small{full.Width / 4, full.Height / 4, {}};
  small.Pixels.resize(static_cast<size_t>(small.Width) * small.Height);
  for (int y = 0; y < small.Height; ++y) {
    for (int x = 0; x < small.Width; ++x) {
      int sum = 0;
      for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) sum += full.At(4 * x + i, 4 * y + j);
      }
      small.Pixels[static_cast<size_t>(y) * small.Width + x] = static_cast<unsigned char>(sum / 16);
    }
  }
  return small;
}

// Mean absolute difference between a's centre (a margin left free, every step-th pixel)
// and b displaced by (dx, dy).
double Difference(const Grey& a, const Grey& b, int dx, int dy, int margin, int step) {
  long sum = 0;
  long count = 0;
  for (int y = margin; y < a.Height - margin; y += step) {
    for (int x = margin; x < a.Width - margin; x += step) {
      sum += std::abs(a.At(x, y) - b.At(x + dx, y + dy));
      ++count;
    }
  }
  return static_cast<double>(sum) / static_cast<double>(count);
}

// The displacement within `range` of (cx, cy) with the least difference.
void BestShift(const Grey& a, const Grey& b, int cx, int cy, int range, int margin, int step,
               int& bestDx, int& bestDy) {
  double best = std::numeric_limits<double>::max();
  for (int dy = cy - range; dy <= cy + range; ++dy) {
    for (int dx = cx - range; dx <= cx + range; ++dx) {
      const double difference = Difference(a, b, dx, dy, margin, step);
      if (difference < best) {
        best = difference;
        bestDx = dx;
        bestDy = dy;
      }
    }
  }
}

// The whole-picture shift from one frame to the next, in pixels: searched on quarter-size
// pictures first (up to 20 pixels), then refined at full size.
double FrameShift(const Grey& a, const Grey& b) {
  int dx = 0;
  int dy = 0;
  BestShift(Quarter(a), Quarter(b), 0, 0, 5, 6, 1, dx, dy);
  BestShift(a, b, 4 * dx, 4 * dy, 3, 24, 2, dx, dy);
  return std::hypot(dx, dy);
}

// Mean frame-to-frame shift of a video in pixels; negative when it cannot be decoded.
double MeanShift(const std::string& path) {
  const auto frames = GreyFrames(path);
  if (frames.size() < 2) return -1;
  double total = 0;
  for (size_t i = 1; i < frames.size(); ++i) total += FrameShift(frames[i - 1], frames[i]);
  return total / static_cast<double>(frames.size() - 1);
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CALMORA_REQUIRE_TOOL("ffmpeg");
    CALMORA_REQUIRE_TOOL("ffprobe");
    ASSERT_TRUE(engine_.LinkRealEngine());
    previousDir_ = fs::current_path();
    fs::create_directories(inputs_);
    fs::create_directories(outputs_);
    windows_ = CreateFrontEndWindows();
    main_ = windows_.Main.get();
    platform::SetOpenFilesHook(
        [this](const platform::OpenFilesRequest&, std::vector<std::string>& files) {
          files = chosenFiles_;
          return true;
        });
    platform::SetFolderHook([this](const platform::FolderRequest&, std::string& folder) {
      folder = outputFolder_;
      return true;
    });
  }
  void TearDown() override {
    platform::SetOpenFilesHook(nullptr);
    platform::SetFolderHook(nullptr);
    if (!previousDir_.empty()) fs::current_path(previousDir_);
  }

  std::string MakeClip(const std::string& name, unsigned seed, test::ClipOptions options = {}) {
    const std::string path = inputs_ + "/" + name;
    options.Seed = seed;
    std::string log;
    EXPECT_TRUE(test::MakeShakyClip(path, options, &log)) << log;
    return path;
  }
  // Adds the files through the open dialog and runs the batch from the start button.
  void RunBatch(const std::vector<std::string>& files, const std::string& outputFolder) {
    chosenFiles_ = files;
    outputFolder_ = outputFolder;
    main_->btn_addClick();
    main_->btn_fixClick();
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !main_->Timer_endmsg->isActive(); }));
    QCoreApplication::processEvents();
  }

  test::FakeEngine engine_;
  test::ScratchFolder dir_;
  std::string inputs_ = dir_.File("in");
  std::string outputs_ = dir_.File("out");
  FrontEndWindows windows_;
  Tmain* main_ = nullptr;
  std::vector<std::string> chosenFiles_;
  std::string outputFolder_;
  platform::MessageBoxLog log_;
  fs::path previousDir_;
};

TEST_F(EndToEndTest, TwoShakyClipsComeOutSteadier) {
  const std::string first = MakeClip("first.mp4", 7);
  const std::string second = MakeClip("second.mkv", 11);
  RunBatch({first, second}, outputs_);
  ASSERT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  EXPECT_FALSE(windows_.Progress->isVisible());
  EXPECT_FALSE(fs::exists(inputs_ + "/client_calmora.trf"));
  for (const std::string& input : {first, second}) {
    const std::string output = outputs_ + "/" + fs::path(input).filename().string();
    test::ProbedVideo video;
    ASSERT_TRUE(test::ProbeWithFfprobe(output, &video)) << output;
    EXPECT_EQ(video.Width, kWidth);
    EXPECT_EQ(video.Height, kHeight);
    EXPECT_NEAR(video.Seconds, 2.0, 0.2);
    const double shaky = MeanShift(input);
    const double steady = MeanShift(output);
    EXPECT_GT(shaky, 3.0) << input;
    EXPECT_GE(steady, 0.0);
    EXPECT_LE(steady, shaky / 2) << input << ": " << shaky << " px -> " << steady << " px";
  }
}

TEST_F(EndToEndTest, OutputIntoTheInputFolderWritesANewCopy) {
  const std::string clip = MakeClip("clip.mp4", 5);
  const std::string before = test::ReadFileBytes(clip);
  RunBatch({clip}, inputs_);
  ASSERT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  EXPECT_EQ(test::ReadFileBytes(clip), before);
  EXPECT_TRUE(test::ProbeWithFfprobe(inputs_ + "/NEW_clip.mp4"));
  EXPECT_FALSE(fs::exists(inputs_ + "/client_calmora.trf"));
}

TEST_F(EndToEndTest, FileThatIsNoVideoStopsTheBatch) {
  const std::string junk = inputs_ + "/junk.avi";
  ASSERT_TRUE(test::WriteFileBytes(junk, std::string(4096, 'j')));
  const std::string later = MakeClip("later.mp4", 3);
  RunBatch({junk, later}, outputs_);
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{"File load error! No duration!"});
  EXPECT_TRUE(fs::is_empty(outputs_));
}

TEST_F(EndToEndTest, UnwritableOutputGivesAProcessErrorAndLosesNothing) {
  const std::string clip = MakeClip("clip.mp4", 9);
  const std::string before = test::ReadFileBytes(clip);
  // A folder in the place of the output file: the engine cannot write it, whoever runs.
  fs::create_directories(outputs_ + "/clip.mp4");
  ASSERT_TRUE(test::WriteFileBytes(outputs_ + "/clip.mp4/keep", "kept"));
  RunBatch({clip}, outputs_);
  ASSERT_EQ(log_.Requests().size(), 1u);
  const std::string& message = log_.Requests()[0].Text;
  EXPECT_EQ(message.rfind("Process error! ", 0), 0u) << message;
  EXPECT_GT(message.size(), std::string("Process error! ").size()) << message;
  EXPECT_EQ(test::ReadFileBytes(clip), before);
  EXPECT_EQ(test::ReadFileBytes(outputs_ + "/clip.mp4/keep"), "kept");
}

TEST_F(EndToEndTest, CancelDuringTheAnalysisEndsTheEngineQuietly) {
  test::ClipOptions longer;
  longer.Seconds = 8;
  const std::string clip = MakeClip("long.mp4", 13, longer);
  const std::string second = MakeClip("second.mp4", 3);
  // The real engine, but its analysis reads the input at the clip's own pace (-re), so
  // that the pass is still at work when the test presses Cancel, however fast the machine.
  const std::string ffmpeg = test::ShellQuoted(test::ToolPath("ffmpeg"));
  engine_.OnEveryRun(test::FakeScript().Raw("exec " + ffmpeg + " \"$@\""));
  engine_.On(test::FakeEngine::Run::kAnalysis,
             test::FakeScript().Raw("exec " + ffmpeg + " -re \"$@\""));
  QTimer poll;
  poll.setInterval(5);
  int enginesAtCancel = 0;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!windows_.Progress->Label1->text().startsWith(QStringLiteral("Analyze"))) return;
    poll.stop();
    enginesAtCancel = test::ChildProcessCount();
    windows_.Progress->Button1->click();
  });
  poll.start();
  RunBatch({clip, second}, outputs_);
  EXPECT_EQ(enginesAtCancel, 1);
  EXPECT_EQ(test::ChildProcessCount(), 0);
  EXPECT_TRUE(main_->cancel_flag);
  EXPECT_TRUE(log_.Requests().empty());
  EXPECT_FALSE(windows_.Progress->isVisible());
  EXPECT_TRUE(fs::is_empty(outputs_));
  EXPECT_FALSE(fs::exists(inputs_ + "/client_calmora.trf"));
}

TEST_F(EndToEndTest, AnOutputFolderNobodyCanWriteGivesAProcessError) {
  // Permission bits do not stop root, who runs the CI; a folder below a regular file
  // cannot be written by anyone.
  const std::string clip = MakeClip("clip.mp4", 9);
  const std::string blocker = dir_.File("blocker");
  ASSERT_TRUE(test::WriteFileBytes(blocker, "a file, not a folder"));
  RunBatch({clip}, blocker + "/out");
  ASSERT_EQ(log_.Requests().size(), 1u);
  const std::string& message = log_.Requests()[0].Text;
  EXPECT_EQ(message.rfind("Process error! ", 0), 0u) << message;
  EXPECT_NE(message.find("Not a directory"), std::string::npos) << message;
  EXPECT_EQ(test::ReadFileBytes(blocker), "a file, not a folder");
}

}  // namespace
}  // namespace calmora
