// Tprogress: layout and the batch loop: probe (with one retry), the stabilising passes,
// removal of the transform file, and the end message after a complete batch.
#include "app/progress_window.h"

#include <unistd.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "app/main_window.h"
#include "app/media_probe.h"
#include "app/options_dialog.h"
#include "platform/application.h"
#include "platform/message_box.h"
#include "platform/ui_font.h"
#include "platform/window_placement.h"

namespace calmora {

namespace {

constexpr const char* kTransformFile = "client_calmora.trf";

QProgressBar* Gauge(QWidget* parent, int top, const QColor& fore) {
  auto* gauge = new QProgressBar(parent);
  gauge->setGeometry(14, top, 381, 19);
  gauge->setRange(0, 100);
  gauge->setValue(0);
  gauge->setTextVisible(true);
  gauge->setAlignment(Qt::AlignCenter);
  QPalette palette = gauge->palette();
  palette.setColor(QPalette::Highlight, fore);
  gauge->setPalette(palette);
  return gauge;
}

QLabel* Label(QWidget* parent, const char* text, int left, int top) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->move(left, top);
  label->resize(381, label->fontMetrics().height() + 2);
  return label;
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void DeleteIfPresent(const std::string& path) {
  if (access(path.c_str(), F_OK) == 0) unlink(path.c_str());
}

}  // namespace

Tprogress::Tprogress(Tmain* mainWindow, Toptions* options) : main_(mainWindow), options_(options) {
  // Dialog border, no border icons, no caption.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QString());
  setFont(platform::UiFont(11));
  setFixedSize(409, 145);
  setModal(true);

  Gauge1 = Gauge(this, 41, QColor(192, 192, 192));
  Button1 = new QPushButton(QStringLiteral("Cancel"), this);
  Button1->setGeometry(156, 110, 89, 28);
  Button1->setAutoDefault(false);
  timer_do = new QTimer(this);
  timer_do->setInterval(2);
  Label1 = Label(this, "Process ......", 15, 22);
  Gauge2 = Gauge(this, 85, QColor(0, 0, 0));
  label_filename = Label(this, "Current File:", 15, 5);
  Label2 = Label(this, "Overall Progress", 14, 70);

  connect(Button1, &QPushButton::clicked, this, &Tprogress::Button1Click);
  connect(timer_do, &QTimer::timeout, this, &Tprogress::timer_dotimer);
}

void Tprogress::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  platform::CentreOnScreen(*this);
  if (!event->spontaneous()) FormShow();
}

void Tprogress::FormShow() { timer_do->start(); }

void Tprogress::Button1Click() {
  main_->cancel_flag = true;
  // While the loop runs the window closes when the loop has stopped; the loop sees the flag.
  if (!batchRunning_) done(QDialog::Rejected);
}

void Tprogress::reject() {
  // Escape closes nothing while a batch runs: only Cancel stops it.
  if (!batchRunning_) QDialog::reject();
}

void Tprogress::closeEvent(QCloseEvent* event) {
  // The window has no close box; a close forced by the window system waits for the loop.
  if (batchRunning_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

bool Tprogress::CancelRequested() { return main_->cancel_flag; }

void Tprogress::SetFileGauge(int position) { Gauge1->setValue(std::clamp(position, 0, 100)); }

void Tprogress::SetOverallGauge(int position) { Gauge2->setValue(std::clamp(position, 0, 100)); }

void Tprogress::SetStatus(const std::string& text) { Label1->setText(QString::fromStdString(text)); }

void Tprogress::timer_dotimer() {
  timer_do->stop();
  batchRunning_ = true;
  bool error = false;
  std::string unexpected;
  try {
    error = RunBatch();
  } catch (const std::exception& failure) {
    // Whatever stopped the loop, the batch did not complete.
    error = true;
    unexpected = failure.what();
  }
  batchRunning_ = false;
  if (!main_->cancel_flag && !error) main_->Timer_endmsg->start();
  done(QDialog::Accepted);
  if (!unexpected.empty()) platform::ShowException(main_, unexpected);
}

bool Tprogress::RunBatch() {
  const int count = main_->RowCount();
  for (int row = 0; row < count; ++row) {
    if (main_->cancel_flag) break;
    Button1->setEnabled(true);
    const std::string caption = main_->RowCaption(row);
    label_filename->setText(QStringLiteral("Current File: ") + QString::fromStdString(caption));
    Label1->setText(QStringLiteral("Process ......"));
    Tffinfo& info = *main_->Ffinfo;
    info.Clear();

    std::string code;
    // Cancel stops a probe as it stops a pass: quietly, without the second attempt.
    const auto cancelled = [this] { return main_->cancel_flag; };
    bool probed = ProbeMediaInfo(code, caption, info, main_->ProbeText, cancelled);
    if (!probed && !main_->cancel_flag)
      probed = ProbeMediaInfo(code, caption, info, main_->ProbeText, cancelled);
    if (main_->cancel_flag) break;
    if (!probed) {
      platform::MessageBox(this, "File load error! " + code, "", platform::MessageIcon::kError);
      return true;
    }
    main_->edit1->setText(QString::fromStdString(main_->ProbeText));

    info.filepath = caption;
    file_index = row;
    StabiliseJob job;
    job.Info = &info;
    job.Settings = options_->EditTexts();
    job.OutputFolder = main_->output_folder;
    job.ConvertFormat = main_->cbk_videoformatconverting->isChecked();
    job.VideoFormat = main_->cb_videoformat->currentText().toStdString();
    job.FileIndex = file_index;
    job.FileCount = count;
    std::string errorText;
    if (!RunStabilisePasses(errorText, job, *this)) {
      platform::MessageBox(this, "Process error! " + errorText, "", platform::MessageIcon::kError);
      return true;
    }
    RemoveTransformFiles(info.filepath);
  }
  return false;
}

void Tprogress::RemoveTransformFiles(const std::string& inputPath) {
  DeleteIfPresent(FolderPart(inputPath) + kTransformFile);
  DeleteIfPresent(platform::Application::ExecutableFolder() + "/" + kTransformFile);
}

}  // namespace calmora
