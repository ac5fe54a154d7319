// Toptions: layout, input filters and range checks of the five stabiliser values.
#include "app/options_dialog.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <charconv>
#include <limits>

#include "app/option_value_edit.h"
#include "app/settings_file.h"
#include "platform/message_box.h"
#include "platform/ui_font.h"

namespace calmora {

namespace {

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// The whole text as a number (whole or decimal with "."); false when it is none.
bool ReadNumber(const std::string& text, bool decimal, double& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (decimal) {
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    return error == std::errc() && end == last;
  }
  long long whole = 0;
  auto [end, error] = std::from_chars(first, last, whole);
  value = static_cast<double>(whole);
  return error == std::errc() && end == last;
}

}  // namespace

// One value of the page: its controls, where they stand, and its range check.
struct Toptions::ValueRow {
  QLineEdit* Toptions::*Edit;
  std::string StabiliseSettings::*Value;
  const char* Caption;
  int CaptionLeft, CaptionTop;
  int EditLeft, EditTop, MaxLength;
  const char* Initial;
  const char* Help;
  int HelpLeft, HelpTop, HelpWidth, HelpHeight;
  const char* FillIn;  // what an empty edit becomes when it is left
  bool Decimal;        // read with a decimal point, not as a whole number
  double Low, High;
  const char* Message;  // when the value is out of range
};

// The page from top to bottom.
const Toptions::ValueRow Toptions::kRows[] = {
    {&Toptions::ed_shakiness, &StabiliseSettings::Shakiness, "Shakiness ", 13, 20, 77, 17, 2, "5",
     "Set the shakiness of input video. It accepts an integer in the range 1-10, a value of 1 "
     "means little shakiness, a value of 10 means strong shakiness.",
     13, 40, 386, 39, "1", false, 1, 10, "Shakiness accepts an integer in the range 1-10 !"},
    {&Toptions::ed_accuracy, &StabiliseSettings::Accuracy, "Accuracy", 13, 102, 73, 99, 2, "15",
     "Set the accuracy of the analyzing process. It must be a value in the range 1-15. A value "
     "of 1 means low accuracy, a value of 15 means high accuracy.",
     13, 120, 388, 39, "1", false, 1, 15, "Accuracy accepts an integer in the range 1-15 !"},
    {&Toptions::ed_stepsize, &StabiliseSettings::Stepsize, "Stepsize", 13, 178, 69, 174, 3, "6",
     "Set stepsize of the search process. The region around minimum is scanned with 1 pixel "
     "resolution.",
     13, 197, 383, 26, "1", false, 1, kNoLimit, "Stepsize accepts an integer more than 0 !"},
    {&Toptions::ed_mincontrast, &StabiliseSettings::Mincontrast, "Mincontrast", 13, 241, 84, 237, 4,
     "0.3",
     "Set minimum contrast. Below this value a local measurement field is discarded. Must be a "
     "floating point value in the range 0-1. ",
     13, 258, 383, 26, "0", true, 0, 1,
     "Mincontrast accepts a floating point value in the range 0-1 !"},
    {&Toptions::ed_smoothing, &StabiliseSettings::Smoothing, "Smoothing", 13, 304, 79, 300, 3, "10",
     "Set the number of frames used for filtering the camera movements. For example a number of "
     "10 means that 21 frames are used (10 in the past and 10 in the future) to smoothen the "
     "motion in the video. A larger value leads to a smoother video, but limits the "
     "acceleration of the camera. 0 is a special case where a static camera is simulated.",
     13, 324, 382, 78, "0", false, 0, kNoLimit, "Smoothing accepts an integer more than -1 !"},
};

Toptions::Toptions(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Options"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFont(platform::UiFont(11));
  setFixedSize(440, 488);

  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(8, 7, 425, 440);
  TabSheet1 = new QWidget;
  PageControl1->addTab(TabSheet1, QStringLiteral("General"));

  for (const ValueRow& row : kRows) {
    auto* caption = new QLabel(QString::fromLatin1(row.Caption), TabSheet1);
    caption->move(row.CaptionLeft, row.CaptionTop);
    caption->adjustSize();
    // The edit filters whatever the user puts in, since its text reaches the engine's
    // command line; values that the program sets are taken whole.
    auto* edit = new OptionValueEdit(row.MaxLength, row.Decimal, TabSheet1);
    edit->setText(QString::fromLatin1(row.Initial));
    edit->setGeometry(row.EditLeft, row.EditTop, 41, 21);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setAcceptDrops(false);
    edit->installEventFilter(this);
    this->*row.Edit = edit;
    auto* help = new QLabel(QString::fromLatin1(row.Help), TabSheet1);
    help->setGeometry(row.HelpLeft, row.HelpTop, row.HelpWidth, row.HelpHeight);
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setGeometry(338, 454, 92, 28);
  Button2 = new QPushButton(QStringLiteral("Default"), this);
  Button2->setGeometry(7, 453, 92, 28);
  // Neither button is the dialog's default: Enter in an edit presses nothing.
  for (QPushButton* button : {Button1, Button2}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  connect(Button1, &QPushButton::clicked, this, &Toptions::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &Toptions::Button2Click);

  // Smoothing comes third, before the step size.
  setTabOrder(ed_shakiness, ed_accuracy);
  setTabOrder(ed_accuracy, ed_smoothing);
  setTabOrder(ed_smoothing, ed_stepsize);
  setTabOrder(ed_stepsize, ed_mincontrast);
  setTabOrder(ed_mincontrast, Button2);
  setTabOrder(Button2, Button1);
}

const Toptions::ValueRow* Toptions::RowOf(const QLineEdit* edit) const {
  for (const ValueRow& row : kRows) {
    if (this->*row.Edit == edit) return &row;
  }
  return nullptr;
}

int Toptions::MaxLength(const QLineEdit* edit) const {
  const ValueRow* row = RowOf(edit);
  return row != nullptr ? row->MaxLength : 0;
}

StabiliseSettings Toptions::EditTexts() const {
  StabiliseSettings values;
  for (const ValueRow& row : kRows) values.*row.Value = (this->*row.Edit)->text().toStdString();
  return values;
}

void Toptions::SetEditTexts(const StabiliseSettings& values) {
  for (const ValueRow& row : kRows)
    (this->*row.Edit)->setText(QString::fromStdString(values.*row.Value));
}

void Toptions::Button1Click() { close(); }

void Toptions::Button2Click() { SetEditTexts(DefaultSettings()); }

bool Toptions::CheckRange(QLineEdit* edit) {
  const ValueRow* row = RowOf(edit);
  if (row == nullptr) return true;
  if (edit->text().trimmed().isEmpty()) edit->setText(QString::fromLatin1(row->FillIn));
  double value = 0;
  // A text that is no number at all (only a hand-edited settings file can bring one) gets
  // the same message as a number out of range.
  const bool valid = ReadNumber(edit->text().toStdString(), row->Decimal, value) &&
                     value >= row->Low && value <= row->High;
  if (valid) return true;
  // Until the focus is back, focus moves are ours: the edit that was about to get the focus
  // loses it again without ever having been entered, so it is not checked.
  checking_ = true;
  platform::MessageBox(this, row->Message, "", platform::MessageIcon::kError);
  edit->setFocus(Qt::OtherFocusReason);
  checking_ = false;
  return false;
}

bool Toptions::eventFilter(QObject* watched, QEvent* event) {
  auto* edit = qobject_cast<QLineEdit*>(watched);
  if (edit == nullptr) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::FocusOut && !checking_ && isVisible()) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Another window or a popup taking the focus is not leaving the edit.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) CheckRange(edit);
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace calmora
