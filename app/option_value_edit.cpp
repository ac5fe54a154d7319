// OptionValueEdit: the one filter on every change the user makes to a stabiliser value.
#include "app/option_value_edit.h"

#include <QEvent>
#include <QValidator>
#include <algorithm>

namespace calmora {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return true;
    default:
      return false;
  }
}

}  // namespace

// Every change of the edit's text passes through here before it is made. Texts that the
// program sets are taken whole (a value from the settings file may be longer than the
// user could type); the user's changes are judged. A refused change is answered with the
// text as it stood rather than with Invalid: Qt takes an Invalid text back only after a
// valid one, so an Invalid answer to, say, an undo would let the next change through.
class OptionValueEdit::Filter : public QValidator {
 public:
  explicit Filter(OptionValueEdit* edit) : QValidator(edit), edit_(edit) {}

  State validate(QString& input, int& position) const override {
    if (edit_->userEvents_ == 0 || edit_->AcceptsChange(edit_->current_, input)) return Acceptable;
    input = edit_->current_;
    position = std::min<int>(position, static_cast<int>(input.size()));
    return Acceptable;
  }

 private:
  OptionValueEdit* edit_;
};

OptionValueEdit::OptionValueEdit(int maxLength, bool decimalPoint, QWidget* parent)
    : QLineEdit(parent), maxLength_(maxLength), decimalPoint_(decimalPoint) {
  connect(this, &QLineEdit::textChanged, this, [this](const QString& text) { current_ = text; });
  setValidator(new Filter(this));
}

bool OptionValueEdit::AcceptsChange(const QString& before, const QString& after) const {
  // What the change added lies between the text it kept at the start and at the end.
  qsizetype keptStart = 0;
  const qsizetype shorter = std::min(before.size(), after.size());
  while (keptStart < shorter && before[keptStart] == after[keptStart]) ++keptStart;
  qsizetype keptEnd = 0;
  while (keptEnd < shorter - keptStart &&
         before[before.size() - 1 - keptEnd] == after[after.size() - 1 - keptEnd])
    ++keptEnd;
  const QString added = after.mid(keptStart, after.size() - keptStart - keptEnd);
  if (added.isEmpty()) return true;
  for (const QChar c : added) {
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const bool point = decimalPoint_ && c == QLatin1Char('.');
    if (!digit && !point) return false;
  }
  if (added.contains(QLatin1Char('.')) && after.count(QLatin1Char('.')) > 1) return false;
  return after.size() <= maxLength_;
}

bool OptionValueEdit::event(QEvent* event) {
  const bool userInput = IsUserInput(event->type());
  userEvents_ += userInput ? 1 : 0;
  const bool handled = QLineEdit::event(event);
  userEvents_ -= userInput ? 1 : 0;
  return handled;
}

}  // namespace calmora
