// OptionValueEdit: the edit of one stabiliser value. However the user puts text into it
// (typing, a paste shortcut, a middle click, a drop, an input method), the change passes
// one filter: digits only, one decimal point where the value takes one, and no text
// longer than the edit's limit.
#pragma once

#include <QLineEdit>
#include <QString>

class QEvent;
class QWidget;

namespace calmora {

class OptionValueEdit : public QLineEdit {
  Q_OBJECT

 public:
  OptionValueEdit(int maxLength, bool decimalPoint, QWidget* parent = nullptr);

  // The most characters the user may bring the text to.
  int MaxLength() const { return maxLength_; }

  // True when the user may change the text from `before` to `after`: what the change adds
  // are digits (and a point where the value takes one, when there is none yet), and the
  // text gets no longer than the limit. Taking characters away is always allowed.
  bool AcceptsChange(const QString& before, const QString& after) const;

 protected:
  bool event(QEvent* event) override;

 private:
  class Filter;

  int maxLength_;
  bool decimalPoint_;
  QString current_;      // the text as it stands, against which a change is judged
  int userEvents_ = 0;   // above 0 while the user's input is being handled
};

}  // namespace calmora
