// Toptions: the five stabiliser values in edits that filter what the user puts in and check
// their range when the user leaves them. The edits are the values' only store while the
// program runs.
#pragma once

#include <QDialog>
#include <string>

#include "app/stabilise_passes.h"

class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace calmora {

class Toptions : public QDialog {
  Q_OBJECT

 public:
  explicit Toptions(QWidget* parent = nullptr);

  // The edits' texts, unchanged, as the passes use them.
  StabiliseSettings EditTexts() const;
  void SetEditTexts(const StabiliseSettings& values);

  void Button1Click();  // "OK"
  void Button2Click();  // "Default"

  // The range check of one edit (run when it loses the focus); false when it refused the
  // value and took the focus back.
  bool CheckRange(QLineEdit* edit);

  // The most characters a user may type into edit (2 for shakiness ... 4 for mincontrast).
  int MaxLength(const QLineEdit* edit) const;

  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QLineEdit* ed_shakiness = nullptr;
  QLineEdit* ed_accuracy = nullptr;
  QLineEdit* ed_stepsize = nullptr;
  QLineEdit* ed_mincontrast = nullptr;
  QLineEdit* ed_smoothing = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct ValueRow;                  // one value of the page: controls, place, range check
  static const ValueRow kRows[];    // the page from top to bottom
  const ValueRow* RowOf(const QLineEdit* edit) const;  // the row of edit, or null

  bool checking_ = false;  // a refused value is being reported; focus moves are not the user's
};

}  // namespace calmora
