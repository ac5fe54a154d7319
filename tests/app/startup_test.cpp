// Start-up headless: splash, engine check, the four windows and the loop, or the one
// message without a working engine; the about box and its links.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <filesystem>

#include "app/about_box.h"
#include "app/main_block.h"
#include "app/settings_file.h"
#include "app/splash_window.h"
#include "platform/application.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "tests/app/support/fake_engine.h"
#include "tests/app/support/settings_file_lock.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

using test::FakeEngine;
using test::FakeScript;

template <typename Window>
Window* FindWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<Window*>(widget)) return window;
  }
  return nullptr;
}

bool SplashOnScreen() {
  Tflash* splash = FindWindow<Tflash>();
  return splash != nullptr && splash->isVisible();
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove(SettingsFile::DefaultPath()); }
  void TearDown() override { std::filesystem::remove(SettingsFile::DefaultPath()); }

  test::SettingsFileLock lock_;  // the main window writes the file when it closes
};

TEST_F(StartupTest, WorkingEngineOpensTheMainWindowAndTheSplashGoes) {
  FakeEngine engine;
  test::ScratchFolder dir;
  const std::string checkStarted = dir.File("checkStarted");
  const std::string splashSeen = dir.File("splashSeen");
  // The check answers only once the test has looked at the screen while it waits.
  engine.On(FakeEngine::Run::kCheck, FakeScript()
                                         .Raw(": > '" + checkStarted + "'")
                                         .WaitForFile(splashSeen)
                                         .Print(test::kFakeBanner)
                                         .Exit(1));
  ASSERT_TRUE(test::WriteFileBytes(SettingsFile::DefaultPath(), "[options]\nshakiness=7\n"));

  bool splashDuringCheck = false;
  bool mainDuringCheck = true;
  QTimer look;
  look.setInterval(5);
  QObject::connect(&look, &QTimer::timeout, [&] {
    if (!std::filesystem::exists(checkStarted)) return;
    look.stop();
    splashDuringCheck = SplashOnScreen();
    mainDuringCheck = FindWindow<Tmain>() != nullptr;
    EXPECT_TRUE(test::WriteFileBytes(splashSeen, ""));
  });
  look.start();
  bool mainSeen = false;
  bool splashGone = false;
  std::string shakiness;
  int windowsHidden = 0;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    Tmain* main = FindWindow<Tmain>();
    if (main == nullptr || !main->isVisible()) return;
    poll.stop();
    mainSeen = true;
    splashGone = FindWindow<Tflash>() == nullptr;
    if (Toptions* options = FindWindow<Toptions>()) {
      shakiness = options->ed_shakiness->text().toStdString();
      windowsHidden += options->isHidden();
    }
    if (Tabout* about = FindWindow<Tabout>()) windowsHidden += about->isHidden();
    if (Tprogress* progress = FindWindow<Tprogress>()) windowsHidden += progress->isHidden();
    main->close();
  });
  poll.start();

  platform::MessageBoxLog log;
  platform::Application& application = *platform::Application::Instance();
  EXPECT_EQ(RunMainBlock(application), 0);
  EXPECT_FALSE(look.isActive());
  EXPECT_TRUE(splashDuringCheck);
  EXPECT_FALSE(mainDuringCheck);
  EXPECT_TRUE(mainSeen);
  EXPECT_TRUE(splashGone);
  EXPECT_EQ(shakiness, "7");
  EXPECT_EQ(windowsHidden, 3);
  EXPECT_EQ(application.Title(), "Calmora");
  EXPECT_TRUE(log.Requests().empty());
  EXPECT_EQ(engine.CallCount(), 1);
  // The windows are gone with the main block.
  EXPECT_EQ(FindWindow<Tmain>(), nullptr);
  EXPECT_EQ(FindWindow<Tprogress>(), nullptr);
}

TEST_F(StartupTest, MissingEngineShowsCode002AndNoMainWindow) {
  FakeEngine engine;  // an empty Windows directory
  platform::MessageBoxLog log;
  bool mainWindowExisted = true;
  bool splashUp = false;
  log.OnRequest = [&](const platform::MessageBoxRequest&) {
    mainWindowExisted = FindWindow<Tmain>() != nullptr;
    splashUp = SplashOnScreen();
  };
  EXPECT_EQ(RunMainBlock(*platform::Application::Instance()), 0);
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].Text, "Client program error! 002");
  EXPECT_TRUE(log.Requests()[0].Simple);
  EXPECT_FALSE(mainWindowExisted);
  EXPECT_TRUE(splashUp);
  EXPECT_EQ(FindWindow<Tmain>(), nullptr);
  EXPECT_EQ(FindWindow<Tflash>(), nullptr);
}

TEST_F(StartupTest, EngineWithoutBannerShowsTheMessageWithoutCode) {
  FakeEngine engine;
  engine.On(FakeEngine::Run::kCheck, FakeScript().Print("something else\n").Exit(1));
  platform::MessageBoxLog log;
  RunMainBlock(*platform::Application::Instance());
  EXPECT_EQ(log.Texts(), std::vector<std::string>{"Client program error! "});
  EXPECT_EQ(FindWindow<Tmain>(), nullptr);
}

TEST(SplashWindowTest, BorderlessPictureOfThreeHundredFiftyByOneHundredEighty) {
  Tflash splash;
  EXPECT_EQ(splash.windowTitle(), "flash");
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(splash.size(), QSize(350, 180));
  EXPECT_EQ(splash.flash->geometry(), QRect(0, 0, 350, 180));
  EXPECT_EQ(splash.flash->pixmap().size(), QSize(350, 180));
  EXPECT_EQ(splash.frameGeometry().center(), splash.screen()->availableGeometry().center());
}

class AboutBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetShellHook([this](const std::string& url) {
      opened_.push_back(url);
      return true;
    });
  }
  void TearDown() override { platform::SetShellHook(nullptr); }
  static void Click(QWidget* widget) {
    const QPointF inside(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, inside, widget->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, inside, widget->mapToGlobal(inside),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
  }

  Tabout about_;
  std::vector<std::string> opened_;
};

TEST_F(AboutBoxTest, LayoutAndNoticeWithTheYear) {
  EXPECT_EQ(about_.windowTitle(), "About");
  EXPECT_EQ(about_.size(), QSize(387, 140));
  EXPECT_EQ(about_.Label8->text(), "Calmora");
  EXPECT_TRUE(about_.Label8->font().bold());
  EXPECT_EQ(about_.Label8->pos(), QPoint(7, 11));
  EXPECT_EQ(about_.Label5->pos(), QPoint(7, 27));
  EXPECT_EQ(about_.Label2->pos(), QPoint(7, 44));
  EXPECT_EQ(about_.Label3->pos(), QPoint(8, 64));
  EXPECT_EQ(about_.Label1->pos(), QPoint(7, 81));
  EXPECT_TRUE(about_.Label5->font().underline());
  EXPECT_TRUE(about_.Label2->font().underline());
  EXPECT_EQ(about_.Label5->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(about_.Button1->geometry(), QRect(291, 106, 81, 25));
  EXPECT_TRUE(about_.Button1->isDefault());
  EXPECT_TRUE(about_.Label1->wordWrap());
  EXPECT_FALSE(about_.Label1->text().isEmpty());
  EXPECT_EQ(about_.font().pixelSize(), 11);
  about_.show();
  EXPECT_EQ(about_.frameGeometry().center(), about_.screen()->availableGeometry().center());
  EXPECT_EQ(about_.Label3->text(), "Copyright (c) Calmora developers " +
                                       QDate::currentDate().toString(QStringLiteral("yyyy")));
  about_.Button1->click();
  EXPECT_FALSE(about_.isVisible());
}

TEST_F(AboutBoxTest, LinksOpenWithTheDefaultHandler) {
  Click(about_.Label5);
  Click(about_.Label2);
  ASSERT_EQ(opened_.size(), 2u);
  EXPECT_EQ(opened_[0], "https://calmora.example.org");
  EXPECT_EQ(opened_[1], "mailto:support@calmora.example.org");
}

TEST(MainWindowMenusTest, OptionsAndAboutAreShownModally) {
  FrontEndWindows windows = CreateFrontEndWindows();
  bool optionsModal = false;
  QTimer::singleShot(0, [&] {
    optionsModal = windows.Options->isVisible() && windows.Options->isModal();
    windows.Options->Button1->click();
  });
  windows.Main->Options1->trigger();
  EXPECT_TRUE(optionsModal);
  bool aboutModal = false;
  QTimer::singleShot(0, [&] {
    aboutModal = windows.About->isVisible() && windows.About->isModal();
    windows.About->Button1->click();
  });
  windows.Main->About1->trigger();
  EXPECT_TRUE(aboutModal);
}

}  // namespace
}  // namespace calmora
