// Toptions driven headless: layout, key filters, range checks on leaving an edit, "Default",
// "OK" and the tab order.
#include "app/options_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>

#include "platform/application.h"
#include "platform/message_box.h"
#include "tests/support/outside_tool.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/own_process.h"

namespace calmora {
namespace {

// The ways other than single keys in which text enters an edit at once.
enum class Entry { kCtrlV, kShiftInsert, kDrop, kInputMethod };

const char* EntryName(Entry entry) {
  switch (entry) {
    case Entry::kCtrlV:
      return "Ctrl+V";
    case Entry::kShiftInsert:
      return "Shift+Insert";
    case Entry::kDrop:
      return "drop";
    case Entry::kInputMethod:
      return "input method";
  }
  return "";
}

class OptionsDialogTest : public ::testing::Test {
 protected:
  // Types one key into an edit as the keyboard would deliver it.
  static void Type(QLineEdit* edit, int key, const QString& text,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(edit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(edit, &release);
  }
  static void TypeText(QLineEdit* edit, const QString& text) {
    for (QChar c : text) {
      const int key = c.isLetter() ? c.toUpper().unicode() : c.unicode();
      Type(edit, key, QString(c));
    }
  }
  static void Backspace(QLineEdit* edit) { Type(edit, Qt::Key_Backspace, QStringLiteral("\b")); }
  // Puts `text` into the edit at its cursor the way `entry` does.
  static void Enter(QLineEdit* edit, Entry entry, const QString& text) {
    switch (entry) {
      case Entry::kCtrlV:
        QGuiApplication::clipboard()->setText(text);
        Type(edit, Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier);
        return;
      case Entry::kShiftInsert:
        QGuiApplication::clipboard()->setText(text);
        Type(edit, Qt::Key_Insert, QString(), Qt::ShiftModifier);
        return;
      case Entry::kDrop: {
        QMimeData data;
        data.setText(text);
        const QPoint end(edit->width() - 2, edit->height() / 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &enter);
        QDropEvent drop(QPointF(end), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &drop);
        return;
      }
      case Entry::kInputMethod: {
        QInputMethodEvent compose;
        compose.setCommitString(text);
        QCoreApplication::sendEvent(edit, &compose);
        return;
      }
    }
  }
  void Leave(QLineEdit* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(edit, &out);
  }
  void ShowActive() {
    options_.show();
    QApplication::setActiveWindow(&options_);
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return options_.isActiveWindow(); }));
  }

  Toptions options_;
  platform::MessageBoxLog log_;
};

TEST_F(OptionsDialogTest, LayoutFollowsTheDesign) {
  EXPECT_EQ(options_.windowTitle(), "Options");
  EXPECT_EQ(options_.size(), QSize(440, 488));
  EXPECT_EQ(options_.PageControl1->geometry(), QRect(8, 7, 425, 440));
  ASSERT_EQ(options_.PageControl1->count(), 1);
  EXPECT_EQ(options_.PageControl1->tabText(0), "General");
  EXPECT_EQ(options_.Button1->text(), "OK");
  EXPECT_EQ(options_.Button1->geometry(), QRect(338, 454, 92, 28));
  EXPECT_EQ(options_.Button2->text(), "Default");
  EXPECT_EQ(options_.Button2->geometry(), QRect(7, 453, 92, 28));
  struct Expected {
    QLineEdit* Edit;
    QRect Place;
    int MaxLength;
    const char* Text;
  };
  const Expected edits[] = {{options_.ed_shakiness, {77, 17, 41, 21}, 2, "5"},
                            {options_.ed_accuracy, {73, 99, 41, 21}, 2, "15"},
                            {options_.ed_stepsize, {69, 174, 41, 21}, 3, "6"},
                            {options_.ed_mincontrast, {84, 237, 41, 21}, 4, "0.3"},
                            {options_.ed_smoothing, {79, 300, 41, 21}, 3, "10"}};
  for (const Expected& e : edits) {
    EXPECT_EQ(e.Edit->geometry(), e.Place) << e.Text;
    EXPECT_EQ(options_.MaxLength(e.Edit), e.MaxLength) << e.Text;
    EXPECT_EQ(e.Edit->text(), e.Text);
  }
}

TEST_F(OptionsDialogTest, CaptionsAndHelpTextsStandInPlace) {
  struct Expected {
    const char* Caption;
    QPoint CaptionPlace;
    const char* Help;
    QRect HelpPlace;
  };
  const Expected rows[] = {
      {"Shakiness ", {13, 20},
       "Set the shakiness of input video. It accepts an integer in the range 1-10, a value of 1 "
       "means little shakiness, a value of 10 means strong shakiness.",
       {13, 40, 386, 39}},
      {"Accuracy", {13, 102},
       "Set the accuracy of the analyzing process. It must be a value in the range 1-15. A value "
       "of 1 means low accuracy, a value of 15 means high accuracy.",
       {13, 120, 388, 39}},
      {"Stepsize", {13, 178},
       "Set stepsize of the search process. The region around minimum is scanned with 1 pixel "
       "resolution.",
       {13, 197, 383, 26}},
      {"Mincontrast", {13, 241},
       "Set minimum contrast. Below this value a local measurement field is discarded. Must be a "
       "floating point value in the range 0-1. ",
       {13, 258, 383, 26}},
      {"Smoothing", {13, 304},
       "Set the number of frames used for filtering the camera movements. For example a number "
       "of 10 means that 21 frames are used (10 in the past and 10 in the future) to smoothen "
       "the motion in the video. A larger value leads to a smoother video, but limits the "
       "acceleration of the camera. 0 is a special case where a static camera is simulated.",
       {13, 324, 382, 78}},
  };
  const QList<QLabel*> labels =
      options_.TabSheet1->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(labels.size(), 10);
  for (int i = 0; i < 5; ++i) {
    const QLabel* caption = labels[2 * i];
    const QLabel* help = labels[2 * i + 1];
    EXPECT_EQ(caption->text(), rows[i].Caption);
    EXPECT_EQ(caption->pos(), rows[i].CaptionPlace) << rows[i].Caption;
    EXPECT_EQ(help->text(), rows[i].Help);
    EXPECT_EQ(help->geometry(), rows[i].HelpPlace) << rows[i].Caption;
    EXPECT_TRUE(help->wordWrap());
  }
}

TEST_F(OptionsDialogTest, VerdanaElevenPixelsCentredOnTheScreen) {
  EXPECT_EQ(options_.font().pixelSize(), 11);
  options_.show();
  const QRect screen = options_.screen()->availableGeometry();
  EXPECT_EQ(options_.frameGeometry().center(), screen.center());
  options_.hide();
}

// The next widget that the Tab key reaches.
QWidget* NextTabStop(QWidget* widget) {
  QWidget* next = widget->nextInFocusChain();
  while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

TEST_F(OptionsDialogTest, TabOrderPutsSmoothingThird) {
  EXPECT_EQ(NextTabStop(options_.ed_shakiness), options_.ed_accuracy);
  EXPECT_EQ(NextTabStop(options_.ed_accuracy), options_.ed_smoothing);
  EXPECT_EQ(NextTabStop(options_.ed_smoothing), options_.ed_stepsize);
  EXPECT_EQ(NextTabStop(options_.ed_stepsize), options_.ed_mincontrast);
}

TEST_F(OptionsDialogTest, WholeNumberEditsTakeDigitsAndBackspaceOnly) {
  for (QLineEdit* edit : {options_.ed_shakiness, options_.ed_accuracy, options_.ed_stepsize,
                          options_.ed_smoothing}) {
    edit->clear();
    TypeText(edit, QStringLiteral("a -.,+e7"));
    EXPECT_EQ(edit->text(), "7");
    Backspace(edit);
    EXPECT_EQ(edit->text(), "");
  }
}

TEST_F(OptionsDialogTest, TypingStopsAtTheLengthLimit) {
  options_.ed_shakiness->clear();
  TypeText(options_.ed_shakiness, QStringLiteral("123"));
  EXPECT_EQ(options_.ed_shakiness->text(), "12");
  // A typed digit may replace the selection.
  options_.ed_shakiness->selectAll();
  TypeText(options_.ed_shakiness, QStringLiteral("9"));
  EXPECT_EQ(options_.ed_shakiness->text(), "9");
  options_.ed_stepsize->clear();
  TypeText(options_.ed_stepsize, QStringLiteral("12345"));
  EXPECT_EQ(options_.ed_stepsize->text(), "123");
}

TEST_F(OptionsDialogTest, MincontrastTakesOnePoint) {
  QLineEdit* edit = options_.ed_mincontrast;
  TypeText(edit, QStringLiteral("."));
  EXPECT_EQ(edit->text(), "0.3");  // it holds a point already
  edit->clear();
  TypeText(edit, QStringLiteral("0.2.5-x"));
  EXPECT_EQ(edit->text(), "0.25");
}

TEST_F(OptionsDialogTest, ControlCharactersAreDropped) {
  options_.ed_shakiness->setText(QStringLiteral("5"));
  Type(options_.ed_shakiness, Qt::Key_Return, QStringLiteral("\r"));
  Type(options_.ed_shakiness, Qt::Key_Tab, QStringLiteral("\t"));
  EXPECT_EQ(options_.ed_shakiness->text(), "5");
  EXPECT_EQ(options_.ed_shakiness->contextMenuPolicy(), Qt::NoContextMenu);
  EXPECT_FALSE(options_.ed_shakiness->acceptDrops());
}

TEST_F(OptionsDialogTest, PastesDropsAndInputMethodsPassTheSameFilterAndLimit) {
  struct Offer {
    const char* Text;
    const char* WholeNumberResult;  // in an edit holding "1"
    const char* MincontrastResult;  // in ed_mincontrast holding "1"
  };
  const Offer offers[] = {
      // An engine option would split the command line.
      {"7 -an:zz", "1", "1"},
      {"-an", "1", "1"},
      {"5\n", "1", "1"},
      // Longer than any edit takes.
      {"12345", "1", "1"},
      // A point only where the value takes one.
      {".5", "1", "1.5"},
      {"0", "10", "10"},
  };
  const Entry entries[] = {Entry::kCtrlV, Entry::kShiftInsert, Entry::kDrop, Entry::kInputMethod};
  ShowActive();
  for (QLineEdit* edit : {options_.ed_shakiness, options_.ed_accuracy, options_.ed_stepsize,
                          options_.ed_mincontrast, options_.ed_smoothing}) {
    for (const Entry entry : entries) {
      for (const Offer& offer : offers) {
        edit->setText(QStringLiteral("1"));
        edit->setFocus();
        Enter(edit, entry, QString::fromLatin1(offer.Text));
        // The edits take no drops at all; the other ways get what the filter lets through.
        const char* expected = entry == Entry::kDrop             ? "1"
                               : edit == options_.ed_mincontrast ? offer.MincontrastResult
                                                                 : offer.WholeNumberResult;
        EXPECT_EQ(edit->text(), expected)
            << EntryName(entry) << " of \"" << offer.Text << "\" at x " << edit->x();
      }
    }
  }
  // A second point is refused however it comes.
  for (const Entry entry : entries) {
    options_.ed_mincontrast->setText(QStringLiteral("0.3"));
    Enter(options_.ed_mincontrast, entry, QStringLiteral("."));
    EXPECT_EQ(options_.ed_mincontrast->text(), "0.3") << EntryName(entry);
  }
  options_.hide();
}

TEST_F(OptionsDialogTest, AValueLongerThanTheLimitCanBeShortenedButNotLengthened) {
  // The program sets values whole (from the settings file, say); the user may only cut
  // them down to what the edit takes.
  QLineEdit* edit = options_.ed_shakiness;
  edit->setText(QStringLiteral("1500"));
  TypeText(edit, QStringLiteral("7"));
  EXPECT_EQ(edit->text(), "1500");
  Backspace(edit);
  EXPECT_EQ(edit->text(), "150");
  Enter(edit, Entry::kCtrlV, QStringLiteral("-an"));
  EXPECT_EQ(edit->text(), "150");
  Backspace(edit);
  TypeText(edit, QStringLiteral("x"));
  EXPECT_EQ(edit->text(), "15");
}

// Middle-click paste takes the window system's selection, which only platforms such as
// X11 have. Without one here, the test runs itself again under a virtual X display.
TEST_F(OptionsDialogTest, MiddleClickPastePassesTheSameFilter) {
  if (!QGuiApplication::clipboard()->supportsSelection()) {
    ASSERT_EQ(std::getenv("CALMORA_UNDER_XVFB"), nullptr) << "the X display has no selection";
    CALMORA_REQUIRE_TOOL("xvfb-run");
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    // The X11 keyboard library reads past the end of a string it copies with strndup, which
    // AddressSanitizer's strict string checks take for an overflow of ours.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string sanitizerOptions =
        std::string(sanitizer != nullptr ? sanitizer : "") + ":strict_string_checks=0";
    const test::ToolResult underX =
        test::RunTool(std::string(test::WithoutSharding()) +
                      "xvfb-run -a env QT_QPA_PLATFORM=xcb CALMORA_UNDER_XVFB=1 ASAN_OPTIONS=" +
                      test::ShellQuoted(sanitizerOptions) + " " + test::ShellQuoted(self) +
                      " --gtest_filter=OptionsDialogTest.MiddleClickPastePassesTheSameFilter");
    EXPECT_EQ(underX.Status, 0) << underX.Output;
    EXPECT_NE(underX.Output.find("[  PASSED  ] 1 test"), std::string::npos) << underX.Output;
    return;
  }
  ShowActive();
  for (QLineEdit* edit : {options_.ed_shakiness, options_.ed_accuracy, options_.ed_stepsize,
                          options_.ed_mincontrast, options_.ed_smoothing}) {
    for (const char* offer : {"7 -an:zz", "12345", "2"}) {
      edit->setText(QStringLiteral("1"));
      QGuiApplication::clipboard()->setText(QString::fromLatin1(offer), QClipboard::Selection);
      const QPointF end(edit->width() - 2, edit->height() / 2);
      QMouseEvent press(QEvent::MouseButtonPress, end, edit->mapToGlobal(end), Qt::MiddleButton,
                        Qt::MiddleButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &press);
      QMouseEvent release(QEvent::MouseButtonRelease, end, edit->mapToGlobal(end), Qt::MiddleButton,
                          Qt::NoButton, Qt::NoModifier);
      QCoreApplication::sendEvent(edit, &release);
      EXPECT_EQ(edit->text(), std::string(offer) == "2" ? "12" : "1") << offer;
    }
  }
  options_.hide();
}

TEST_F(OptionsDialogTest, EmptyEditsGetTheirFillInWithoutAMessage) {
  struct Case {
    QLineEdit* Edit;
    const char* FillIn;
  };
  const Case cases[] = {{options_.ed_shakiness, "1"}, {options_.ed_accuracy, "1"},
                        {options_.ed_stepsize, "1"},  {options_.ed_mincontrast, "0"},
                        {options_.ed_smoothing, "0"}};
  for (const Case& c : cases) {
    c.Edit->setText(QStringLiteral("  "));
    EXPECT_TRUE(options_.CheckRange(c.Edit));
    EXPECT_EQ(c.Edit->text(), c.FillIn);
  }
  EXPECT_TRUE(log_.Requests().empty());
}

TEST_F(OptionsDialogTest, RangeChecksAcceptAndRefuseAsTheTableSays) {
  struct Case {
    QLineEdit* Edit;
    const char* Text;
    const char* Message;  // nullptr: accepted
  };
  const char* shakiness = "Shakiness accepts an integer in the range 1-10 !";
  const char* accuracy = "Accuracy accepts an integer in the range 1-15 !";
  const char* stepsize = "Stepsize accepts an integer more than 0 !";
  const char* mincontrast = "Mincontrast accepts a floating point value in the range 0-1 !";
  const char* smoothing = "Smoothing accepts an integer more than -1 !";
  const Case cases[] = {
      {options_.ed_shakiness, "1", nullptr},     {options_.ed_shakiness, "10", nullptr},
      {options_.ed_shakiness, "0", shakiness},   {options_.ed_shakiness, "11", shakiness},
      {options_.ed_accuracy, "15", nullptr},     {options_.ed_accuracy, "16", accuracy},
      {options_.ed_accuracy, "0", accuracy},     {options_.ed_stepsize, "0", stepsize},
      {options_.ed_stepsize, "999", nullptr},    {options_.ed_mincontrast, "1", nullptr},
      {options_.ed_mincontrast, "0", nullptr},   {options_.ed_mincontrast, "1.5", mincontrast},
      {options_.ed_mincontrast, ".5", nullptr},  {options_.ed_mincontrast, "1.", nullptr},
      {options_.ed_smoothing, "0", nullptr},     {options_.ed_smoothing, "999", nullptr},
      {options_.ed_smoothing, "abc", smoothing}, {options_.ed_mincontrast, "x", mincontrast},
  };
  ShowActive();
  for (const Case& c : cases) {
    log_.Clear();
    c.Edit->setText(QString::fromLatin1(c.Text));
    Leave(c.Edit);
    if (c.Message == nullptr) {
      EXPECT_TRUE(log_.Requests().empty()) << c.Text;
    } else {
      ASSERT_EQ(log_.Requests().size(), 1u) << c.Text;
      EXPECT_EQ(log_.Requests()[0].Text, c.Message);
      EXPECT_EQ(log_.Requests()[0].Title, "");
      EXPECT_EQ(log_.Requests()[0].Icon, platform::MessageIcon::kError);
      EXPECT_EQ(log_.Requests()[0].Owner, &options_);
    }
    // The check never rewrites a text.
    EXPECT_EQ(c.Edit->text(), c.Text);
  }
}

TEST_F(OptionsDialogTest, ValidTextIsNotRewritten) {
  options_.ed_smoothing->setText(QStringLiteral("05"));
  EXPECT_TRUE(options_.CheckRange(options_.ed_smoothing));
  EXPECT_EQ(options_.ed_smoothing->text(), "05");
  EXPECT_EQ(options_.EditTexts().Smoothing, "05");
}

TEST_F(OptionsDialogTest, LeavingABadValueTakesTheFocusBack) {
  ShowActive();
  options_.ed_stepsize->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return options_.ed_stepsize->hasFocus(); }));
  options_.ed_stepsize->setText(QStringLiteral("0"));
  options_.ed_mincontrast->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  ASSERT_EQ(log_.Texts(), std::vector<std::string>{"Stepsize accepts an integer more than 0 !"});
  EXPECT_EQ(QApplication::focusWidget(), options_.ed_stepsize);
  // A good value lets the focus go.
  options_.ed_stepsize->setText(QStringLiteral("4"));
  options_.ed_mincontrast->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(log_.Requests().size(), 1u);
  EXPECT_EQ(QApplication::focusWidget(), options_.ed_mincontrast);
  options_.hide();
}

TEST_F(OptionsDialogTest, TwoRefusedValuesGiveOneMessageAndKeepTheFirstEdit) {
  // The edit about to receive the focus loses it at once, unentered: it is not checked.
  ShowActive();
  options_.ed_shakiness->setText(QStringLiteral("0"));
  options_.ed_accuracy->setText(QStringLiteral("99"));
  options_.ed_shakiness->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return options_.ed_shakiness->hasFocus(); }));
  options_.ed_accuracy->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  EXPECT_EQ(log_.Texts(),
            std::vector<std::string>{"Shakiness accepts an integer in the range 1-10 !"});
  EXPECT_EQ(QApplication::focusWidget(), options_.ed_shakiness);
  options_.hide();
}

TEST_F(OptionsDialogTest, DefaultRestoresTheFiveValuesWithoutChecks) {
  options_.SetEditTexts({"99", "0", "", "7", "x"});
  options_.Button2->click();
  const StabiliseSettings values = options_.EditTexts();
  EXPECT_EQ(values.Shakiness, "5");
  EXPECT_EQ(values.Accuracy, "15");
  EXPECT_EQ(values.Stepsize, "6");
  EXPECT_EQ(values.Mincontrast, "0.3");
  EXPECT_EQ(values.Smoothing, "10");
  EXPECT_TRUE(log_.Requests().empty());
}

TEST_F(OptionsDialogTest, ValuesSetByTheProgramAreTakenWhole) {
  options_.SetEditTexts({"100", "1500", "1234", "0.125", "1000"});
  EXPECT_EQ(options_.EditTexts().Accuracy, "1500");
  EXPECT_EQ(options_.EditTexts().Mincontrast, "0.125");
}

TEST_F(OptionsDialogTest, OkClosesAndKeepsTheTexts) {
  ShowActive();
  options_.ed_accuracy->setText(QStringLiteral("12"));
  options_.Button1->click();
  EXPECT_FALSE(options_.isVisible());
  EXPECT_EQ(options_.EditTexts().Accuracy, "12");
}

TEST_F(OptionsDialogTest, EnterInAnEditPressesNoButton) {
  ShowActive();
  options_.ed_accuracy->setFocus();
  options_.ed_accuracy->setText(QStringLiteral("12"));
  Type(options_.ed_accuracy, Qt::Key_Return, QStringLiteral("\r"));
  QCoreApplication::processEvents();
  EXPECT_TRUE(options_.isVisible());
  EXPECT_EQ(options_.EditTexts().Accuracy, "12");
  options_.hide();
}

}  // namespace
}  // namespace calmora
