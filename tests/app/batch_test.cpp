// The batch loop and Tprogress against a fake engine: complete batches and their gauges,
// the probe retry, the stop at the first failure, Cancel, the transform file's removal.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/main_block.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "tests/app/support/fake_engine.h"
#include "tests/support/process_state.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;
using test::FakeEngine;
using test::FakeScript;

constexpr const char* kDone = "The process completed successfully!";

// True when an argument list belongs to a run of the given kind.
bool IsRun(const std::vector<std::string>& arguments, const std::string& filter) {
  for (const std::string& argument : arguments) {
    if (argument.find(filter) != std::string::npos) return true;
  }
  return false;
}

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::create_directories(inputs_);
    fs::create_directories(outputs_);
    // Files come from the open dialog, which moves the current folder to theirs.
    fs::current_path(inputs_);
    engine_.BehaveLikeWorkingEngine();
    windows_ = CreateFrontEndWindows();
    main_ = windows_.Main.get();
    progress_ = windows_.Progress.get();
    platform::SetFolderHook([this](const platform::FolderRequest&, std::string& folder) {
      folder = outputs_;
      return true;
    });
  }
  void TearDown() override {
    platform::SetFolderHook(nullptr);
    fs::current_path(previousDir_);
  }

  std::string AddInput(const std::string& name) {
    const std::string path = inputs_ + "/" + name;
    EXPECT_TRUE(test::WriteFileBytes(path, "not really a video"));
    main_->add_file_b(path);
    return path;
  }
  // Starts the batch as the start button does (the call returns when the batch has ended)
  // and lets the end message's timer fire. The bound only stops a broken test.
  void RunBatch() {
    main_->BitBtn1->click();
    EXPECT_FALSE(progress_->isVisible());
    EXPECT_TRUE(test::ProcessEventsUntil([&] { return !main_->Timer_endmsg->isActive(); }));
    QCoreApplication::processEvents();
  }
  // Runs `action` once, at the first moment `ready` holds while events are handled (the
  // loop handles them while the engine works); no clock decides when.
  void OnceWhen(std::function<bool()> ready, std::function<void()> action) {
    watch_.setInterval(1);
    QObject::connect(&watch_, &QTimer::timeout, [this, ready, action] {
      if (!ready()) return;
      watch_.stop();
      watched_ = true;
      action();
    });
    watch_.start();
  }
  int Runs(const std::string& filter) const {
    int count = 0;
    for (const auto& call : engine_.Calls()) count += IsRun(call, filter);
    return count;
  }
  int Probes() const {
    int count = 0;
    for (const auto& call : engine_.Calls()) {
      count += !IsRun(call, "vidstabdetect=") && !IsRun(call, "vidstabtransform=");
    }
    return count;
  }

  test::ScratchFolder dir_;
  std::string inputs_ = dir_.File("in");
  std::string outputs_ = dir_.File("out");
  FakeEngine engine_;
  FrontEndWindows windows_;
  Tmain* main_ = nullptr;
  Tprogress* progress_ = nullptr;
  platform::MessageBoxLog log_;
  fs::path previousDir_;
  QTimer watch_;
  bool watched_ = false;  // OnceWhen's action ran
};

TEST_F(BatchTest, ProgressWindowLayout) {
  EXPECT_EQ(progress_->size(), QSize(409, 145));
  EXPECT_TRUE(progress_->windowTitle().isEmpty());
  EXPECT_FALSE(progress_->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(progress_->Gauge1->geometry(), QRect(14, 41, 381, 19));
  EXPECT_EQ(progress_->Gauge2->geometry(), QRect(14, 85, 381, 19));
  EXPECT_EQ(progress_->Gauge1->maximum(), 100);
  EXPECT_TRUE(progress_->Gauge1->isTextVisible());
  EXPECT_EQ(progress_->Gauge1->palette().color(QPalette::Highlight), QColor(192, 192, 192));
  EXPECT_EQ(progress_->Button1->geometry(), QRect(156, 110, 89, 28));
  EXPECT_EQ(progress_->Button1->text(), "Cancel");
  EXPECT_EQ(progress_->timer_do->interval(), 2);
  EXPECT_FALSE(progress_->timer_do->isActive());
  EXPECT_EQ(progress_->Label1->text(), "Process ......");
  EXPECT_EQ(progress_->Label1->pos(), QPoint(15, 22));
  EXPECT_EQ(progress_->label_filename->text(), "Current File:");
  EXPECT_EQ(progress_->label_filename->pos(), QPoint(15, 5));
  EXPECT_EQ(progress_->Label2->text(), "Overall Progress");
  EXPECT_EQ(progress_->Label2->pos(), QPoint(14, 70));
  EXPECT_EQ(progress_->font().pixelSize(), 11);
  // Shown, it stands in the middle of the screen (the loop it would start is held back).
  progress_->show();
  progress_->timer_do->stop();
  EXPECT_EQ(progress_->frameGeometry().center(), progress_->screen()->availableGeometry().center());
  progress_->hide();
}

TEST_F(BatchTest, ThreeGoodFilesCompleteWithTheEndMessage) {
  std::vector<std::string> inputs;
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) inputs.push_back(AddInput(name));
  bool modalWhileRunning = false;
  OnceWhen([&] { return progress_->BatchRunning(); },
           [&] { modalWhileRunning = progress_->isVisible() && progress_->isModal(); });
  RunBatch();
  EXPECT_TRUE(watched_);
  EXPECT_TRUE(modalWhileRunning);
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  EXPECT_EQ(log_.Requests()[0].Owner, main_);
  EXPECT_EQ(log_.Requests()[0].Icon, platform::MessageIcon::kExclamation);
  EXPECT_EQ(Probes(), 3);
  EXPECT_EQ(Runs("vidstabdetect="), 3);
  EXPECT_EQ(Runs("vidstabtransform="), 3);
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) {
    EXPECT_TRUE(fs::exists(outputs_ + "/" + name)) << name;
  }
  // 100 div 3 + 100 * 2 div 3: the overall gauge ends at 99 with three files.
  EXPECT_EQ(progress_->Gauge1->value(), 100);
  EXPECT_EQ(progress_->Gauge2->value(), 99);
  EXPECT_EQ(progress_->label_filename->text().toStdString(), "Current File: " + inputs[2]);
  EXPECT_EQ(progress_->file_index, 2);
  EXPECT_EQ(main_->Ffinfo->filepath, inputs[2]);
  EXPECT_EQ(main_->Ffinfo->duration, "00:00:02.00");
  EXPECT_FALSE(fs::exists(inputs_ + "/client_calmora.trf"));
}

TEST_F(BatchTest, TheFiveValuesAndTheFormatReachTheCommandLines) {
  AddInput("clip.mp4");
  windows_.Options->SetEditTexts({"7", "12", "4", "0.25", "05"});
  main_->cbk_videoformatconverting->setChecked(true);
  main_->cb_videoformat->setCurrentText(QStringLiteral("*.MKV"));
  RunBatch();
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  bool analysisSeen = false;
  bool transformSeen = false;
  for (const auto& call : engine_.Calls()) {
    if (IsRun(call, "vidstabdetect=")) {
      analysisSeen = true;
      EXPECT_TRUE(IsRun(call, "vidstabdetect=shakiness=7:accuracy=12:stepsize=4:mincontrast=0.25:"
                              "result=client_calmora.trf"));
    }
    if (IsRun(call, "vidstabtransform=")) {
      transformSeen = true;
      EXPECT_TRUE(IsRun(call, "smoothing=05,unsharp"));
      EXPECT_EQ(call.back(), outputs_ + "/clip.mkv");
    }
  }
  EXPECT_TRUE(analysisSeen);
  EXPECT_TRUE(transformSeen);
  EXPECT_TRUE(fs::exists(outputs_ + "/clip.mkv"));
}

TEST_F(BatchTest, FileThatIsNoVideoStopsTheBatchAfterTwoProbes) {
  engine_.On(FakeEngine::Run::kProbe,
             FakeScript()
                 .Raw("case \"$*\" in *bad.avi*) printf 'Invalid data found\\n' >&2; exit 1;; esac")
                 .Print(test::FakeProbeOutput("input"))
                 .Exit(1));
  AddInput("good.avi");
  const std::string bad = AddInput("bad.avi");
  AddInput("later.avi");
  RunBatch();
  ASSERT_EQ(log_.Requests().size(), 1u);
  EXPECT_EQ(log_.Requests()[0].Text, "File load error! No duration!");
  EXPECT_EQ(log_.Requests()[0].Title, "");
  EXPECT_EQ(log_.Requests()[0].Icon, platform::MessageIcon::kError);
  EXPECT_EQ(log_.Requests()[0].Owner, progress_);
  // good.avi: one probe and two passes; bad.avi: two probes; later.avi: nothing.
  EXPECT_EQ(Probes(), 3);
  EXPECT_EQ(Runs("vidstabdetect="), 1);
  EXPECT_EQ(Runs("later.avi"), 0);
  EXPECT_TRUE(fs::exists(outputs_ + "/good.avi"));
  EXPECT_FALSE(fs::exists(outputs_ + "/later.avi"));
  EXPECT_EQ(progress_->label_filename->text().toStdString(), "Current File: " + bad);
}

TEST_F(BatchTest, AProbeThatFailsOnceIsRetried) {
  const std::string marker = dir_.File("probed_once");
  engine_.On(FakeEngine::Run::kProbe,
             FakeScript()
                 .Raw("if [ ! -e '" + marker + "' ]; then : > '" + marker + "'; exit 1; fi")
                 .Print(test::FakeProbeOutput("input"))
                 .Exit(1));
  AddInput("a.avi");
  RunBatch();
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  EXPECT_EQ(Probes(), 2);
}

TEST_F(BatchTest, MissingEngineGivesTheProbesCode) {
  AddInput("a.avi");
  engine_.Remove();
  RunBatch();
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{"File load error! 012"});
}

TEST_F(BatchTest, EngineErrorTextStopsTheBatchWithProcessError) {
  engine_.On(FakeEngine::Run::kAnalysis,
             FakeScript()
                 .Print("input.avi: No such ")
                 .WaitUntilRead()
                 .Print("file or directory\n")
                 .WaitForFile(dir_.File("never")));
  AddInput("a.avi");
  AddInput("b.avi");
  RunBatch();
  ASSERT_EQ(log_.Requests().size(), 1u);
  EXPECT_EQ(log_.Requests()[0].Text, "Process error! No such file");
  EXPECT_EQ(log_.Requests()[0].Owner, progress_);
  EXPECT_EQ(Runs("vidstabdetect="), 1);
  EXPECT_EQ(Runs("vidstabtransform="), 0);
}

TEST_F(BatchTest, CancelDuringTheSecondAnalysisStopsQuietly) {
  const std::string pidFile = dir_.File("analysis_pid");
  // The second file's analysis reports once and then works on until it is stopped.
  engine_.On(FakeEngine::Run::kAnalysis, FakeScript()
                                             .Raw("printf 'motion' > client_calmora.trf")
                                             .Raw("case \"$*\" in */b.avi*)")
                                             .Raw("echo $$ > '" + pidFile + "'")
                                             .Print(test::FakeProgressRecord("00:00:00.50"))
                                             .WaitForFile(dir_.File("never"))
                                             .Raw(";; esac")
                                             .Print(test::FakeProgressRecord("00:00:02.00", true)));
  AddInput("a.avi");
  const std::string second = AddInput("b.avi");
  AddInput("c.avi");
  int fileGauge = -1;
  int overallGauge = -1;
  OnceWhen(
      [&] {
        return progress_->label_filename->text().endsWith(QStringLiteral("/b.avi")) &&
               progress_->Label1->text().startsWith(QStringLiteral("Analyze"));
      },
      [&] {
        fileGauge = progress_->Gauge1->value();
        overallGauge = progress_->Gauge2->value();
        progress_->Button1->click();
      });
  RunBatch();
  EXPECT_TRUE(watched_);
  // 0.5 of 2 seconds: 25 % of the analysis half; the second of three files overall.
  EXPECT_EQ(fileGauge, 12);
  EXPECT_EQ(overallGauge, 12 / 3 + 100 * 1 / 3);
  EXPECT_EQ(progress_->Label1->text(), "Analyze 00:00:00.50 ......");
  EXPECT_EQ(progress_->label_filename->text().toStdString(), "Current File: " + second);
  EXPECT_TRUE(main_->cancel_flag);
  EXPECT_TRUE(log_.Requests().empty());
  EXPECT_FALSE(progress_->isVisible());
  // The engine was stopped, the transform pass never started, the third file was untouched.
  EXPECT_TRUE(test::ProcessInFileIsGone(pidFile));
  EXPECT_EQ(Runs("vidstabdetect="), 2);
  EXPECT_EQ(Runs("vidstabtransform="), 1);
  EXPECT_EQ(Runs("c.avi"), 0);
  EXPECT_TRUE(fs::exists(outputs_ + "/a.avi"));
  EXPECT_FALSE(fs::exists(outputs_ + "/b.avi"));
  // The transform file is removed even so.
  EXPECT_FALSE(fs::exists(inputs_ + "/client_calmora.trf"));
}

TEST_F(BatchTest, CancelDuringAProbeStopsItQuietly) {
  const std::string pidFile = dir_.File("probe_pid");
  // The probe never ends by itself, as on a named pipe that nobody writes.
  engine_.On(FakeEngine::Run::kProbe, FakeScript()
                                          .Raw("echo $$ > '" + pidFile + "'")
                                          .WaitForFile(dir_.File("never"))
                                          .Print(test::FakeProbeOutput("input"))
                                          .Exit(1));
  AddInput("a.avi");
  AddInput("b.avi");
  OnceWhen([&] { return fs::exists(pidFile); }, [&] { progress_->Button1->click(); });
  RunBatch();
  EXPECT_TRUE(watched_);
  EXPECT_TRUE(main_->cancel_flag);
  EXPECT_TRUE(log_.Requests().empty());
  EXPECT_TRUE(test::ProcessInFileIsGone(pidFile));
  // Stopped, not tried again, and nothing else started.
  EXPECT_EQ(engine_.CallCount(), 1);
  EXPECT_FALSE(progress_->isVisible());
}

TEST_F(BatchTest, StartResetsTheWindowAndTheCancelFlag) {
  AddInput("a.avi");
  main_->cancel_flag = true;
  progress_->Gauge1->setValue(40);
  progress_->Gauge2->setValue(70);
  // Looked at once the loop runs, before any pass has moved a gauge.
  int fileGaugeAtStart = -1;
  int overallGaugeAtStart = -1;
  bool flagAtStart = true;
  OnceWhen([&] { return progress_->BatchRunning(); },
           [&] {
             fileGaugeAtStart = progress_->Gauge1->value();
             overallGaugeAtStart = progress_->Gauge2->value();
             flagAtStart = main_->cancel_flag;
           });
  RunBatch();
  EXPECT_TRUE(watched_);
  EXPECT_FALSE(main_->cancel_flag);
  EXPECT_FALSE(flagAtStart);
  EXPECT_EQ(fileGaugeAtStart, 0);
  EXPECT_EQ(overallGaugeAtStart, 0);
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{kDone});
}

TEST_F(BatchTest, TransformFileInTheProgramsFolderIsRemovedToo) {
  const std::string besideProgram =
      platform::Application::ExecutableFolder() + "/client_calmora.trf";
  ASSERT_TRUE(test::WriteFileBytes(besideProgram, "old"));
  AddInput("a.avi");
  RunBatch();
  EXPECT_FALSE(fs::exists(besideProgram));
}

TEST_F(BatchTest, TransformFileInAnotherCurrentFolderStaysThere) {
  const std::string elsewhere = dir_.File("elsewhere");
  fs::create_directories(elsewhere);
  fs::current_path(elsewhere);
  AddInput("a.avi");
  RunBatch();
  EXPECT_EQ(log_.Texts(), std::vector<std::string>{kDone});
  EXPECT_TRUE(fs::exists(elsewhere + "/client_calmora.trf"));
}

}  // namespace
}  // namespace calmora
