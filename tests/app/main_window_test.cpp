// Tmain driven headless: layout, adding (dialog, folder, drops), removing, clearing, the
// count label, the start button's checks, the end message, settings on show and close.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <filesystem>

#include "app/main_block.h"
#include "app/options_dialog.h"
#include "app/settings_file.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "tests/app/support/settings_file_lock.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scratch_folder.h"

namespace calmora {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    windows_ = CreateFrontEndWindows();
    main_ = windows_.Main.get();
    platform::SetOpenFilesHook(
        [this](const platform::OpenFilesRequest& request, std::vector<std::string>& files) {
          openRequests_.push_back(request);
          files = dialogFiles_;
          return !dialogFiles_.empty();
        });
    platform::SetFolderHook([this](const platform::FolderRequest& request, std::string& folder) {
      folderRequests_.push_back(request);
      folder = dialogFolder_;
      return !dialogFolder_.empty();
    });
  }
  void TearDown() override {
    platform::SetOpenFilesHook(nullptr);
    platform::SetFolderHook(nullptr);
    fs::current_path(previousDir_);
  }

  // A file of `size` bytes in the temporary folder.
  std::string MakeFile(const std::string& name, size_t size = 10) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(test::WriteFileBytes(path, std::string(size, 'x')));
    return path;
  }
  std::string Label() const { return main_->label_totalfiles->text().toStdString(); }
  void Drop(const std::vector<std::string>& paths) {
    QList<QUrl> urls;
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    QMimeData data;
    data.setUrls(urls);
    // As with a real drag, the drop goes to the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->ListView1->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->ListView1->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
  }

  test::ScratchFolder dir_;
  FrontEndWindows windows_;
  Tmain* main_ = nullptr;
  fs::path previousDir_;
  std::vector<std::string> dialogFiles_;
  std::string dialogFolder_;
  std::vector<platform::OpenFilesRequest> openRequests_;
  std::vector<platform::FolderRequest> folderRequests_;
};

TEST_F(MainWindowTest, LayoutFollowsTheDesign) {
  EXPECT_EQ(main_->windowTitle(), "Calmora 2.3.3");
  EXPECT_EQ(main_->centralWidget()->size(), QSize(868, 401));
  EXPECT_FALSE(main_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(main_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(main_->ListView1->geometry(), QRect(5, 7, 786, 332));
  EXPECT_EQ(main_->ListView1->horizontalHeaderItem(0)->text(), "Files");
  EXPECT_EQ(main_->ListView1->horizontalHeaderItem(1)->text(), "Size");
  EXPECT_EQ(main_->ListView1->columnWidth(0), 660);
  EXPECT_EQ(main_->ListView1->columnWidth(1), 110);
  EXPECT_TRUE(main_->ListView1->showGrid());
  EXPECT_EQ(main_->ListView1->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(main_->ListView1->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(main_->ListView1->toolTip(), "Drag audio files and drop here");
  EXPECT_EQ(main_->edit1->geometry(), QRect(415, 27, 1, 21));
  EXPECT_EQ(main_->edit1->maxLength(), 5000);
  EXPECT_EQ(main_->btn_add->geometry(), QRect(807, 20, 40, 40));
  EXPECT_EQ(main_->btn_add->toolTip(), "Add");
  EXPECT_EQ(main_->btn_openfolder->geometry(), QRect(807, 72, 40, 40));
  EXPECT_EQ(main_->btn_openfolder->toolTip(), "Add Files from Folder");
  EXPECT_TRUE(main_->btn_openfolder->autoRaise());
  EXPECT_EQ(main_->btn_remove->geometry(), QRect(807, 139, 40, 40));
  EXPECT_EQ(main_->btn_remove->toolTip(), "Remove");
  EXPECT_EQ(main_->btn_clear->geometry(), QRect(807, 191, 40, 40));
  EXPECT_EQ(main_->btn_clear->toolTip(), "Clear");
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           main_->btn_add, main_->btn_openfolder, main_->btn_remove, main_->btn_clear,
           main_->BitBtn1}) {
    EXPECT_FALSE(button->icon().isNull());
  }
  EXPECT_EQ(main_->BitBtn1->geometry(), QRect(345, 351, 139, 39));
  EXPECT_EQ(main_->BitBtn1->text(), " Calmora");
  EXPECT_EQ(main_->label_totalfiles->pos(), QPoint(16, 363));
  EXPECT_EQ(Label(), "");
  EXPECT_EQ(main_->cbk_videoformatconverting->geometry(), QRect(529, 362, 168, 19));
  EXPECT_EQ(main_->cbk_videoformatconverting->text(), "Video Format Converting");
  EXPECT_FALSE(main_->cbk_videoformatconverting->isChecked());
  EXPECT_EQ(main_->cb_videoformat->geometry(), QRect(698, 360, 68, 21));
  EXPECT_FALSE(main_->cb_videoformat->isEditable());
  EXPECT_EQ(main_->cb_videoformat->maxVisibleItems(), 100);
  ASSERT_EQ(main_->cb_videoformat->count(), 14);
  EXPECT_EQ(main_->cb_videoformat->currentText(), "*.AVI");
  EXPECT_EQ(main_->cb_videoformat->itemText(13), "*.MTS");
  EXPECT_EQ(main_->Timer_endmsg->interval(), 2);
  EXPECT_FALSE(main_->Timer_endmsg->isActive());
  EXPECT_EQ(main_->File1->title(), " File ");
  EXPECT_EQ(main_->Help1->title(), " Help ");
  QStringList fileItems;
  for (QAction* action : main_->File1->actions()) {
    fileItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  EXPECT_EQ(fileItems, QStringList({"Load File", "-", "Options", "-", "Exit"}));
  QStringList helpItems;
  for (QAction* action : main_->Help1->actions()) {
    helpItems << (action->isSeparator() ? QStringLiteral("-") : action->text());
  }
  EXPECT_EQ(helpItems, QStringList({"-", "About"}));
  EXPECT_EQ(main_->About1->text(), "About");
  EXPECT_EQ(main_->ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(main_->ListView1->horizontalHeaderItem(1)->textAlignment() & Qt::AlignRight,
            Qt::AlignRight);
  EXPECT_EQ(main_->font().pixelSize(), 11);
  EXPECT_EQ(main_->frameGeometry().center(), main_->screen()->availableGeometry().center());
  ASSERT_NE(main_->Ffinfo, nullptr);
  EXPECT_TRUE(main_->output_folder.empty());
  EXPECT_FALSE(main_->cancel_flag);
}

TEST_F(MainWindowTest, DialogAddsFilesInOrderWithSizesAndMovesTheCurrentFolder) {
  dialogFiles_ = {MakeFile("b.mp4", 1536), MakeFile("a.txt", 2560), MakeFile("c.avi", 0)};
  main_->btn_add->click();
  ASSERT_EQ(openRequests_.size(), 1u);
  EXPECT_EQ(openRequests_[0].Filter,
            "Video Files|*.AVI;*.MPG;*.MPEG;*.WMV;*.MP4;*.M4V;*.FLV;*.MKV;*.WEBM;*.MOV;*.VOB;"
            "*.ASF;*.TS;*.MTS;");
  ASSERT_EQ(main_->RowCount(), 3);
  // The dialog's files are taken as chosen, without the extension test.
  EXPECT_EQ(main_->RowCaption(0), dialogFiles_[0]);
  EXPECT_EQ(main_->RowCaption(1), dialogFiles_[1]);
  EXPECT_EQ(main_->RowSizeText(0), "2 KB");
  EXPECT_EQ(main_->RowSizeText(1), "2 KB");
  EXPECT_EQ(main_->RowSizeText(2), "0 KB");
  EXPECT_EQ(main_->ListView1->item(0, 1)->textAlignment() & Qt::AlignRight, Qt::AlignRight);
  EXPECT_EQ(main_->SelectedRow(), 2);
  EXPECT_EQ(Label(), "3 Files");
  EXPECT_EQ(fs::current_path(), fs::path(dir_.Path()));
}

TEST_F(MainWindowTest, SizeOfAFileBeyondFourGigabytesIsExact) {
  // Sparse files: their sizes need 64 bits but no disk space.
  const std::string large = MakeFile("large.avi", 0);
  fs::resize_file(large, 1048576000);
  const std::string huge = MakeFile("huge.avi", 0);
  fs::resize_file(huge, 5ull * 1024 * 1024 * 1024 + 1536);
  main_->add_file_b(large);
  main_->add_file_b(huge);
  EXPECT_EQ(main_->RowSizeText(0), "1,024,000 KB");
  EXPECT_EQ(main_->RowSizeText(1), "5,242,882 KB");
}

TEST_F(MainWindowTest, MenuLoadFileIsTheAddButton) {
  dialogFiles_ = {MakeFile("one.mkv")};
  main_->LoadFile1->trigger();
  EXPECT_EQ(main_->RowCount(), 1);
  EXPECT_EQ(Label(), "1 Files");
}

TEST_F(MainWindowTest, CancelledDialogAddsNothing) {
  main_->btn_addClick();
  EXPECT_EQ(main_->RowCount(), 0);
  EXPECT_EQ(fs::current_path(), previousDir_);
}

TEST_F(MainWindowTest, FileThatCannotBeOpenedStopsTheDialogsListWithAMessage) {
  platform::MessageBoxLog log;
  dialogFiles_ = {MakeFile("a.avi"), dir_.File("gone.avi"), MakeFile("c.avi")};
  main_->btn_addClick();
  // The failing file gets no row; the files after it are not added.
  ASSERT_EQ(main_->RowCount(), 1);
  EXPECT_EQ(main_->RowCaption(0), dialogFiles_[0]);
  EXPECT_EQ(Label(), "1 Files");
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].Icon, platform::MessageIcon::kError);
  EXPECT_NE(log.Requests()[0].Text.find("gone.avi"), std::string::npos);
}

TEST_F(MainWindowTest, RemovingFollowsTheSelectionRules) {
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) main_->add_file_b(MakeFile(name));
  // Removing the last row of three selects the new last row.
  main_->btn_removeClick();
  ASSERT_EQ(main_->RowCount(), 2);
  EXPECT_EQ(main_->SelectedRow(), 1);
  EXPECT_EQ(Label(), "2 Files");
  // Removing the first row selects the row that took its place.
  main_->add_file_b(MakeFile("d.avi"));
  main_->ListView1->selectRow(0);
  main_->btn_remove->click();
  ASSERT_EQ(main_->RowCount(), 2);
  EXPECT_EQ(main_->SelectedRow(), 0);
  EXPECT_EQ(main_->RowCaption(0), dir_.File("b.avi"));
  // Nothing selected: nothing removed.
  main_->ListView1->clearSelection();
  main_->btn_removeClick();
  EXPECT_EQ(main_->RowCount(), 2);
  // Removing the only row leaves nothing selected and "0 Files".
  main_->btn_clearClick();
  main_->add_file_b(MakeFile("only.avi"));
  EXPECT_EQ(Label(), "1 Files");
  main_->btn_removeClick();
  EXPECT_EQ(main_->RowCount(), 0);
  EXPECT_EQ(main_->SelectedRow(), -1);
  EXPECT_EQ(Label(), "0 Files");
}

TEST_F(MainWindowTest, ClearEmptiesTheListAndCountsZero) {
  for (const char* name : {"a.avi", "b.avi"}) main_->add_file_b(MakeFile(name));
  main_->btn_clear->click();
  EXPECT_EQ(main_->RowCount(), 0);
  EXPECT_EQ(Label(), "0 Files");
}

TEST_F(MainWindowTest, SameFileMayStandTwice) {
  const std::string path = MakeFile("a.avi");
  main_->add_file_b(path);
  main_->add_file_b(path);
  EXPECT_EQ(main_->RowCount(), 2);
  EXPECT_EQ(Label(), "2 Files");
}

TEST_F(MainWindowTest, DropsPassTheExtensionTest) {
  Drop({MakeFile("a.mp"), MakeFile("README"), MakeFile("clip.AVI"), MakeFile("notes.txt")});
  ASSERT_EQ(main_->RowCount(), 2);
  EXPECT_EQ(main_->RowCaption(0), dir_.File("a.mp"));
  EXPECT_EQ(main_->RowCaption(1), dir_.File("clip.AVI"));
  EXPECT_EQ(Label(), "2 Files");
}

TEST_F(MainWindowTest, DropStopsQuietlyAtAFileThatCannotBeOpened) {
  platform::MessageBoxLog log;
  Drop({MakeFile("a.avi"), dir_.File("gone.avi"), MakeFile("c.avi")});
  ASSERT_EQ(main_->RowCount(), 1);
  EXPECT_EQ(main_->RowCaption(0), dir_.File("a.avi"));
  EXPECT_TRUE(log.Requests().empty());
}

TEST_F(MainWindowTest, DraggingFilesOverTheListIsAccepted) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x.avi"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(main_->ListView1->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(main_->RowCount(), 0);
}

TEST_F(MainWindowTest, FolderAddsOnlyItsVideoFiles) {
  const std::string folder = dir_.File("videos");
  fs::create_directories(folder + "/x.mp4");
  ASSERT_TRUE(test::WriteFileBytes(folder + "/clip.AVI", "data"));
  ASSERT_TRUE(test::WriteFileBytes(folder + "/notes.txt", "data"));
  ASSERT_TRUE(test::WriteFileBytes(folder + "/x.mp4/inner.avi", "data"));
  dialogFolder_ = "  " + folder + "  ";
  main_->btn_openfolder->click();
  ASSERT_EQ(folderRequests_.size(), 1u);
  EXPECT_EQ(folderRequests_[0].Title, "");
  EXPECT_EQ(folderRequests_[0].InitialFolder, "");
  ASSERT_EQ(main_->RowCount(), 1);
  EXPECT_EQ(main_->RowCaption(0), folder + "/clip.AVI");
  EXPECT_EQ(Label(), "1 Files");
}

TEST_F(MainWindowTest, FolderDialogCancelledOrFolderMissingAddsNothing) {
  main_->btn_openfolderClick();
  dialogFolder_ = dir_.File("missing");
  main_->btn_openfolderClick();
  EXPECT_EQ(main_->RowCount(), 0);
}

TEST_F(MainWindowTest, StartingWithAnEmptyListAsksForFilesFirst) {
  platform::MessageBoxLog log;
  main_->BitBtn1->click();
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].Text, "Please add files at first!");
  EXPECT_EQ(log.Requests()[0].Title, "Error");
  EXPECT_EQ(log.Requests()[0].Icon, platform::MessageIcon::kError);
  EXPECT_EQ(log.Requests()[0].Owner, main_);
  EXPECT_TRUE(folderRequests_.empty());
}

TEST_F(MainWindowTest, StartAsksForTheOutputFolderAndForgetsAVanishedOne) {
  main_->add_file_b(MakeFile("a.avi"));
  main_->output_folder = dir_.File("vanished");
  main_->btn_fixClick();  // the dialog is cancelled: nothing else happens
  ASSERT_EQ(folderRequests_.size(), 1u);
  EXPECT_EQ(folderRequests_[0].Title, "Select an output folder for output files");
  EXPECT_EQ(folderRequests_[0].InitialFolder, "");
  EXPECT_EQ(main_->output_folder, "");
  EXPECT_FALSE(windows_.Progress->isVisible());

  main_->output_folder = dir_.Path();
  main_->btn_fixClick();
  EXPECT_EQ(folderRequests_[1].InitialFolder, dir_.Path());
  EXPECT_EQ(main_->output_folder, dir_.Path());
}

TEST_F(MainWindowTest, EndMessageTimerShowsTheMessageOnce) {
  platform::MessageBoxLog log;
  main_->Timer_endmsg->start();
  ASSERT_TRUE(test::ProcessEventsUntil([&] { return !log.Requests().empty(); }));
  EXPECT_FALSE(main_->Timer_endmsg->isActive());
  QCoreApplication::processEvents();
  ASSERT_EQ(log.Requests().size(), 1u);
  EXPECT_EQ(log.Requests()[0].Text, "The process completed successfully!");
  EXPECT_EQ(log.Requests()[0].Title, "");
  EXPECT_EQ(log.Requests()[0].Icon, platform::MessageIcon::kExclamation);
  EXPECT_EQ(log.Requests()[0].Owner, main_);
}

TEST_F(MainWindowTest, DraggingTheFreeAreaMovesTheWindow) {
  main_->show();
  QCoreApplication::processEvents();
  const QPoint start = main_->pos();
  QWidget* area = main_->centralWidget();
  const QPointF inside(300, 200);
  QMouseEvent press(QEvent::MouseButtonPress, inside, area->mapToGlobal(inside), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(area, &press);
  const QPointF moved = inside + QPointF(30, 20);
  QMouseEvent move(QEvent::MouseMove, moved, area->mapToGlobal(inside) + QPointF(30, 20),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(area, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, moved, area->mapToGlobal(moved), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(area, &release);
  EXPECT_EQ(main_->pos(), start + QPoint(30, 20));
  main_->hide();
}

class MainWindowSettingsTest : public MainWindowTest {
 protected:
  test::SettingsFileLock lock_;
  void SetUp() override {
    MainWindowTest::SetUp();
    path_ = SettingsFile::DefaultPath();
    fs::remove(path_);
  }
  void TearDown() override {
    fs::remove(path_);
    MainWindowTest::TearDown();
  }
  std::string Contents() const { return test::ReadFileBytes(path_); }
  std::string path_;
};

TEST_F(MainWindowSettingsTest, ShowReadsTheFileAndCloseWritesItTrimmed) {
  ASSERT_TRUE(test::WriteFileBytes(path_, "[other]\nkeep=1\n[options]\nshakiness=7\n"));
  Toptions& options = *windows_.Options;
  main_->show();
  EXPECT_EQ(options.ed_shakiness->text(), "7");
  EXPECT_EQ(options.ed_accuracy->text(), "15");
  EXPECT_EQ(options.ed_mincontrast->text(), "0.3");
  options.ed_smoothing->setText(QStringLiteral(" 20 "));
  main_->Exit1->trigger();
  EXPECT_FALSE(main_->isVisible());
  EXPECT_EQ(Contents(),
            "[other]\nkeep=1\n[options]\nshakiness=7\naccuracy=15\nstepsize=6\n"
            "mincontrast=0.3\nsmoothing=20\n");
}

TEST_F(MainWindowSettingsTest, MissingFileGivesDefaultsAndCloseCreatesIt) {
  Toptions& options = *windows_.Options;
  options.ed_shakiness->setText(QStringLiteral("9"));
  main_->show();
  EXPECT_EQ(options.ed_shakiness->text(), "5");
  main_->close();
  EXPECT_EQ(Contents(),
            "[options]\nshakiness=5\naccuracy=15\nstepsize=6\nmincontrast=0.3\nsmoothing=10\n");
}

}  // namespace
}  // namespace calmora
