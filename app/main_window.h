// Tmain: the window the user works in. It keeps the list of video files, the conversion
// choice, the output folder and the Cancel flag of a batch, and owns Tffinfo and the
// settings file.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "app/tffinfo.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QTimer;
class QToolButton;

namespace calmora {

class Tabout;
class Toptions;
class Tprogress;

class Tmain : public QMainWindow {
  Q_OBJECT

 public:
  Tmain();
  ~Tmain() override;

  // The windows created after this one (start-up order), which its handlers show.
  void SetCompanions(Toptions* options, Tabout* about, Tprogress* progress);
  Toptions* OptionsWindow() const { return options_; }

  // The list's rows: full paths, in order.
  int RowCount() const;
  std::string RowCaption(int row) const;
  std::string RowSizeText(int row) const;
  int SelectedRow() const;  // -1 when none

  // Handlers, callable as the user's actions would call them.
  void add_file_b(const std::string& path);  // throws std::runtime_error (nothing added)
  void dragAppMessage(const std::vector<std::string>& droppedPaths);
  void btn_addClick();
  void btn_openfolderClick();
  void btn_removeClick();
  void btn_clearClick();
  void ListView1Change();
  void btn_fixClick();
  void Timer_endmsgTimer();
  void Options1Click();
  void About1Click();
  void Exit1Click();

  // BrowseForFolder: lets the user choose a folder; folder is in-out (the initial folder,
  // forgotten when it no longer exists, then the choice). No caller limits the dialog to
  // a root folder, so there is no root.
  bool BrowseForFolder(const std::string& title, std::string& folder);

  QTableWidget* ListView1 = nullptr;
  QLineEdit* edit1 = nullptr;
  QPushButton* btn_add = nullptr;
  QToolButton* btn_openfolder = nullptr;
  QPushButton* btn_remove = nullptr;
  QPushButton* btn_clear = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* label_totalfiles = nullptr;
  QCheckBox* cbk_videoformatconverting = nullptr;
  QComboBox* cb_videoformat = nullptr;
  QTimer* Timer_endmsg = nullptr;
  QMenu* File1 = nullptr;
  QMenu* Help1 = nullptr;
  QAction* LoadFile1 = nullptr;
  QAction* Options1 = nullptr;
  QAction* Exit1 = nullptr;
  QAction* About1 = nullptr;

  std::unique_ptr<Tffinfo> Ffinfo;  // the media information of the file being worked on
  std::string ProbeText;            // the probe's collected engine output
  std::string output_folder;        // chosen last; not kept between runs
  bool cancel_flag = false;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormMouseDown(QMouseEvent* event);
  void SelectRow(int row);

  Toptions* options_ = nullptr;
  Tabout* about_ = nullptr;
  Tprogress* progress_ = nullptr;
  std::unique_ptr<SettingsFile> settings_;
  // The client area behind the controls: dragging it moves the window.
  QWidget* freeArea_ = nullptr;
  QWidget* listViewport_ = nullptr;  // where files are dropped
  bool dragging_ = false;  // moving by mouse deltas where the window system cannot
  QPoint dragOffset_;
};

}  // namespace calmora
