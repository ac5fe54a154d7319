// Tmain: layout of the main window and the handlers of its list, buttons and menus.
#include "app/main_window.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <exception>

#include "app/about_box.h"
#include "app/app_resources.h"
#include "app/engine_text.h"
#include "app/file_list.h"
#include "app/options_dialog.h"
#include "app/output_plan.h"
#include "app/progress_window.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/ui_font.h"
#include "platform/window_placement.h"

namespace calmora {

namespace {

constexpr int kPathRole = Qt::UserRole;  // the path's exact bytes; the caption is for show

bool IsFolder(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

QString DisplayName(const std::string& path) { return QFile::decodeName(path.c_str()); }

QPushButton* GlyphButton(QWidget* parent, const char* glyph, const char* hint, QRect place) {
  auto* button = new QPushButton(parent);
  button->setGeometry(place);
  button->setIcon(Glyph(glyph));
  button->setIconSize(QSize(32, 32));
  button->setToolTip(QString::fromLatin1(hint));
  return button;
}

}  // namespace

Tmain::Tmain() {
  setWindowTitle(QStringLiteral("Calmora 2.3.3"));
  // Single border with system menu and minimise box: no maximise box, no resizing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(platform::UiFont(11));

  freeArea_ = new QWidget(this);
  freeArea_->setFixedSize(868, 401);
  freeArea_->installEventFilter(this);
  setCentralWidget(freeArea_);

  ListView1 = new QTableWidget(0, 2, freeArea_);
  ListView1->setGeometry(5, 7, 786, 332);
  ListView1->setHorizontalHeaderLabels({QStringLiteral("Files"), QStringLiteral("Size")});
  ListView1->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->horizontalHeader()->setSectionsClickable(false);
  ListView1->setColumnWidth(0, 660);
  ListView1->setColumnWidth(1, 110);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
  ListView1->setShowGrid(true);
  ListView1->setWordWrap(false);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setToolTip(QStringLiteral("Drag audio files and drop here"));
  // The selection stays as visible when the list has no focus.
  QPalette palette = ListView1->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  ListView1->setPalette(palette);

  edit1 = new QLineEdit(freeArea_);
  edit1->setGeometry(415, 27, 1, 21);
  edit1->setMaxLength(5000);
  edit1->setFocusPolicy(Qt::NoFocus);
  // It only holds the probe's text; a visible one-pixel sliver over the list helps nobody.
  edit1->hide();

  btn_add = GlyphButton(freeArea_, "add", "Add", {807, 20, 40, 40});
  btn_openfolder = new QToolButton(freeArea_);
  btn_openfolder->setGeometry(807, 72, 40, 40);
  btn_openfolder->setAutoRaise(true);  // a flat speed button
  btn_openfolder->setIcon(Glyph("folder"));
  btn_openfolder->setIconSize(QSize(32, 32));
  btn_openfolder->setToolTip(QStringLiteral("Add Files from Folder"));
  btn_openfolder->setFocusPolicy(Qt::NoFocus);
  btn_remove = GlyphButton(freeArea_, "remove", "Remove", {807, 139, 40, 40});
  btn_clear = GlyphButton(freeArea_, "clear", "Clear", {807, 191, 40, 40});

  BitBtn1 = new QPushButton(QStringLiteral(" Calmora"), freeArea_);
  BitBtn1->setGeometry(345, 351, 139, 39);
  BitBtn1->setIcon(Glyph("start"));
  BitBtn1->setIconSize(QSize(24, 24));

  label_totalfiles = new QLabel(freeArea_);
  label_totalfiles->move(16, 363);
  label_totalfiles->resize(200, label_totalfiles->fontMetrics().height() + 2);

  cbk_videoformatconverting = new QCheckBox(QStringLiteral("Video Format Converting"), freeArea_);
  cbk_videoformatconverting->setGeometry(529, 362, 168, 19);

  cb_videoformat = new QComboBox(freeArea_);
  cb_videoformat->setGeometry(698, 360, 68, 21);
  cb_videoformat->setEditable(false);
  cb_videoformat->setMaxVisibleItems(100);

  Timer_endmsg = new QTimer(this);
  Timer_endmsg->setInterval(2);

  File1 = menuBar()->addMenu(QStringLiteral(" File "));
  LoadFile1 = File1->addAction(QStringLiteral("Load File"));
  File1->addSeparator();
  Options1 = File1->addAction(QStringLiteral("Options"));
  File1->addSeparator();
  Exit1 = File1->addAction(QStringLiteral("Exit"));
  Help1 = menuBar()->addMenu(QStringLiteral(" Help "));
  Help1->addSeparator();
  About1 = Help1->addAction(QStringLiteral("About"));

  connect(btn_add, &QPushButton::clicked, this, &Tmain::btn_addClick);
  connect(LoadFile1, &QAction::triggered, this, &Tmain::btn_addClick);
  connect(btn_openfolder, &QToolButton::clicked, this, &Tmain::btn_openfolderClick);
  connect(btn_remove, &QPushButton::clicked, this, &Tmain::btn_removeClick);
  connect(btn_clear, &QPushButton::clicked, this, &Tmain::btn_clearClick);
  connect(BitBtn1, &QPushButton::clicked, this, &Tmain::btn_fixClick);
  connect(Timer_endmsg, &QTimer::timeout, this, &Tmain::Timer_endmsgTimer);
  connect(Options1, &QAction::triggered, this, &Tmain::Options1Click);
  connect(About1, &QAction::triggered, this, &Tmain::About1Click);
  connect(Exit1, &QAction::triggered, this, &Tmain::Exit1Click);
  connect(ListView1, &QTableWidget::itemSelectionChanged, this, &Tmain::ListView1Change);
  connect(ListView1->model(), &QAbstractItemModel::rowsInserted, this, &Tmain::ListView1Change);
  connect(ListView1->model(), &QAbstractItemModel::rowsRemoved, this, &Tmain::ListView1Change);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  platform::CentreOnScreen(*this);
  FormCreate();
}

Tmain::~Tmain() = default;

void Tmain::SetCompanions(Toptions* options, Tabout* about, Tprogress* progress) {
  options_ = options;
  about_ = about;
  progress_ = progress;
}

void Tmain::FormCreate() {
  // Dropped files reach the list's viewport; the filter takes them there.
  listViewport_ = ListView1->viewport();
  listViewport_->setAcceptDrops(true);
  listViewport_->installEventFilter(this);
  Ffinfo = std::make_unique<Tffinfo>();
  for (const std::string& item : VideoFormatItems()) {
    cb_videoformat->addItem(QString::fromStdString(item));
  }
  cb_videoformat->setCurrentIndex(0);
}

int Tmain::RowCount() const { return ListView1->rowCount(); }

std::string Tmain::RowCaption(int row) const {
  const QTableWidgetItem* item = ListView1->item(row, 0);
  return item != nullptr ? item->data(kPathRole).toByteArray().toStdString() : std::string();
}

std::string Tmain::RowSizeText(int row) const {
  const QTableWidgetItem* item = ListView1->item(row, 1);
  return item != nullptr ? item->text().toStdString() : std::string();
}

int Tmain::SelectedRow() const {
  const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void Tmain::SelectRow(int row) { ListView1->selectRow(row); }

void Tmain::add_file_b(const std::string& path) {
  // A file that cannot be opened, or that is no regular file (a folder, a named pipe on
  // which the engine would wait forever), is refused before it gets a row.
  const std::uint64_t size = FileSizeOf(path);
  const int row = ListView1->rowCount();
  ListView1->insertRow(row);
  auto* caption = new QTableWidgetItem(DisplayName(path));
  caption->setData(kPathRole, QByteArray::fromStdString(path));
  ListView1->setItem(row, 0, caption);
  auto* sizeItem = new QTableWidgetItem(QString::fromStdString(SizeText(size)));
  sizeItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  ListView1->setItem(row, 1, sizeItem);
  SelectRow(row);
}

void Tmain::dragAppMessage(const std::vector<std::string>& droppedPaths) {
  try {
    for (const std::string& path : droppedPaths) {
      if (PassesExtensionTest(path)) add_file_b(path);
    }
  } catch (const std::exception&) {
    // A file that cannot be added ends this drop quietly; the files before it stay.
  }
}

void Tmain::btn_addClick() {
  std::vector<std::string> files;
  if (!platform::RunOpenFilesDialog(this, VideoFilesFilter(), files)) return;
  try {
    for (const std::string& file : files) add_file_b(file);
  } catch (const std::exception& error) {
    platform::ShowException(this, error.what());
  }
}

void Tmain::btn_openfolderClick() {
  std::string folder;
  if (!BrowseForFolder("", folder)) return;
  folder = std::string(TrimText(folder));
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (!IsFolder(folder)) return;
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(listing)) names.emplace_back(entry->d_name);
  closedir(listing);
  try {
    for (const std::string& name : names) {
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if (IsFolder(path)) continue;  // sub-folders are not entered, whatever their name
      if (PassesExtensionTest(path)) add_file_b(path);
    }
  } catch (const std::exception& error) {
    platform::ShowException(this, error.what());
  }
}

void Tmain::btn_removeClick() {
  const int row = SelectedRow();
  if (row < 0) return;
  ListView1->removeRow(row);
  if (row < RowCount()) {
    SelectRow(row);
  } else if (RowCount() > 0) {
    SelectRow(row - 1);
  }
  ListView1->setFocus();
  label_totalfiles->setText(QString::number(RowCount()) + QStringLiteral(" Files"));
}

void Tmain::btn_clearClick() {
  ListView1->setRowCount(0);
  label_totalfiles->setText(QString::number(RowCount()) + QStringLiteral(" Files"));
}

void Tmain::ListView1Change() {
  if (SelectedRow() >= 0) {
    label_totalfiles->setText(QString::number(RowCount()) + QStringLiteral(" Files"));
  }
}

bool Tmain::BrowseForFolder(const std::string& title, std::string& folder) {
  if (!IsFolder(folder)) folder.clear();  // a vanished folder is forgotten
  std::string chosen;
  if (!platform::RunFolderDialog(this, title, folder, chosen)) return false;
  folder = chosen;
  return true;
}

void Tmain::btn_fixClick() {
  if (RowCount() == 0) {
    platform::MessageBox(this, "Please add files at first!", "Error",
                         platform::MessageIcon::kError);
    return;
  }
  if (!BrowseForFolder("Select an output folder for output files", output_folder)) return;
  // Engine runs overwrite their output without asking, so a batch whose outputs would
  // replace one of its own files, or each other, never starts.
  std::vector<std::string> inputs;
  for (int row = 0; row < RowCount(); ++row) inputs.push_back(RowCaption(row));
  if (const auto collision =
          FindOutputCollision(inputs, output_folder, cbk_videoformatconverting->isChecked(),
                              cb_videoformat->currentText().toStdString())) {
    platform::MessageBox(this, CollisionMessage(*collision), "Error",
                         platform::MessageIcon::kError);
    return;
  }
  if (progress_ == nullptr) return;
  progress_->Label1->clear();
  progress_->label_filename->clear();
  progress_->Gauge1->setValue(0);
  progress_->Gauge2->setValue(0);
  cancel_flag = false;
  progress_->exec();
}

void Tmain::Timer_endmsgTimer() {
  Timer_endmsg->stop();
  platform::MessageBox(this, "The process completed successfully!", "",
                       platform::MessageIcon::kExclamation);
}

void Tmain::Options1Click() {
  if (options_ != nullptr) options_->exec();
}

void Tmain::About1Click() {
  if (about_ != nullptr) about_->exec();
}

void Tmain::Exit1Click() { close(); }

void Tmain::FormShow() {
  if (!settings_) settings_ = std::make_unique<SettingsFile>();
  if (options_ != nullptr) options_->SetEditTexts(settings_->Read());
}

void Tmain::FormClose() {
  if (options_ == nullptr) return;
  if (!settings_) settings_ = std::make_unique<SettingsFile>();
  try {
    settings_->Write(options_->EditTexts());
  } catch (const platform::EIniFileException& error) {
    platform::ShowException(this, error.what());
  }
}

void Tmain::FormMouseDown(QMouseEvent* event) {
  // Moving as if the title bar had been grabbed; where the window system cannot do that
  // itself, the window follows the mouse's movement.
  QWindow* window = windowHandle();
  if (window != nullptr && window->startSystemMove()) return;
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void Tmain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void Tmain::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == listViewport_ && listViewport_ != nullptr) {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!drag->mimeData()->hasUrls()) return false;
        drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths;
        for (const QUrl& url : drop->mimeData()->urls()) {
          if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
        if (paths.empty()) return false;
        drop->acceptProposedAction();
        dragAppMessage(paths);
        return true;
      }
      default:
        return false;
    }
  }
  if (watched == freeArea_ && freeArea_ != nullptr) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
        FormMouseDown(static_cast<QMouseEvent*>(event));
        return true;
      case QEvent::MouseMove:
        if (dragging_) {
          move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
          return true;
        }
        return false;
      case QEvent::MouseButtonRelease:
        dragging_ = false;
        return false;
      default:
        return false;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace calmora
