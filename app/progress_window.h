// Tprogress: the modal window that runs a batch. Its one-shot timer starts the loop over
// the main window's list; the passes drive its two gauges and status line.
#pragma once

#include <QDialog>
#include <string>

#include "app/stabilise_passes.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace calmora {

class Tmain;
class Toptions;

class Tprogress : public QDialog, public StabiliseProgress {
  Q_OBJECT

 public:
  Tprogress(Tmain* mainWindow, Toptions* options);

  void Button1Click();   // Cancel
  void timer_dotimer();  // the batch loop

  // What the stabilising passes drive.
  bool CancelRequested() override;
  void SetFileGauge(int position) override;
  void SetOverallGauge(int position) override;
  void SetStatus(const std::string& text) override;

  bool BatchRunning() const { return batchRunning_; }

  QProgressBar* Gauge1 = nullptr;
  QPushButton* Button1 = nullptr;
  QTimer* timer_do = nullptr;
  QLabel* Label1 = nullptr;
  QProgressBar* Gauge2 = nullptr;
  QLabel* label_filename = nullptr;
  QLabel* Label2 = nullptr;

  int file_index = 0;  // the list row being processed

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  bool RunBatch();  // true when the batch stopped on an error
  void RemoveTransformFiles(const std::string& inputPath);

  Tmain* main_ = nullptr;
  Toptions* options_ = nullptr;
  bool batchRunning_ = false;
};

}  // namespace calmora
