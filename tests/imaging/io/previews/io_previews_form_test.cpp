// The save-parameters dialog as built: every control's name, kind, place and size, the lists'
// items, the ranges, the eleven pages, the simplified variant's geometry and the captions in
// another language.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/io/words/word_table.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scoped_override.h"

namespace calmora {
namespace {

class IOPreviewsForm : public ::testing::Test {
 protected:
  void SetUp() override {
    FillWordTable();
    BuildFileFormatRegistry();
  }
  TIOParamsVals params_{nullptr};
  TfIOPreviews form_{params_};
};

struct Placed {
  const char* name;
  const char* kind;
  int x, y, width, height;
};

TEST_F(IOPreviewsForm, FrameControlsSitWhereTheyBelong) {
  const Placed rows[] = {
      {"Pictavo1", "QFrame", 6, 17, 191, 135},       {"Pictavo2", "QFrame", 227, 17, 191, 135},
      {"ProgressBar1", "QProgressBar", 6, 157, 412, 10},
      {"PageControl1", "QTabWidget", 8, 172, 417, 217},
      {"Button1", "QPushButton", 432, 15, -1, -1},   {"Button2", "QPushButton", 432, 43, -1, -1},
      {"Button3", "QPushButton", 432, 76, -1, -1},   {"Button4", "QPushButton", 432, 106, -1, -1},
      {"chkLockPreview", "QCheckBox", 12, 398, -1, -1}, {"Label1", "QLabel", 5, 1, -1, -1},
      {"Label2", "QLabel", 227, 1, -1, -1},          {"Image1", nullptr, 0, 0, 527, 425},
  };
  for (const Placed& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = form_.findChild<QWidget*>(row.name);
    ASSERT_NE(control, nullptr);
    if (row.kind != nullptr) {
      EXPECT_STREQ(control->metaObject()->className(), row.kind);
    }
    EXPECT_EQ(control->x(), row.x);
    EXPECT_EQ(control->y(), row.y);
    if (row.width >= 0) {
      EXPECT_EQ(control->width(), row.width);
      EXPECT_EQ(control->height(), row.height);
    }
  }
  EXPECT_NE(dynamic_cast<platform::TImage*>(form_.findChild<QWidget*>("Image1")), nullptr);
  EXPECT_EQ(form_.size(), QSize(527, 425));
  EXPECT_EQ(form_.windowTitle(), "Parameters preview");
  EXPECT_TRUE(form_.Button1->isDefault());
  EXPECT_FALSE(form_.Button4->isEnabled());
  EXPECT_EQ(form_.CancelText, u"&Cancel");
}

TEST_F(IOPreviewsForm, BackgroundTextureFollowsTheDialogStyle) {
  platform::TBitmap& texture = *form_.Image1->GetPicture()->GetBitmap();
  {
    test::ScopedOverride<uint8_t> style(DialogBackgroundStyle, 0);
    form_.FormResize();
    EXPECT_EQ(texture.GetWidth(), 0);
  }
  test::ScopedOverride<uint8_t> style(DialogBackgroundStyle, 1);
  form_.FormResize();
  ASSERT_EQ(texture.GetWidth(), 527);
  ASSERT_EQ(texture.GetHeight(), 425);
  const uint8_t rows[] = {240, 251, 255, 251};
  for (int y = 0; y < 8; ++y) EXPECT_EQ(texture.GetScanLine(y)[0], rows[y % 4]) << y;
}

TEST_F(IOPreviewsForm, ElevenPagesInTheirOrder) {
  const std::pair<const char*, const char*> pages[] = {
      {"TabSheetJPEG1", "JPEG"}, {"TabSheetJPEG2", "JPEG"}, {"TabSheetTIFF1", "TIFF"},
      {"TabSheetTIFF2", "TIFF"}, {"TabSheetGIF1", "GIF"},   {"TabSheetGIF2", "GIF"},
      {"TabSheetBMP1", "BMP"},   {"TabSheetPCX1", "PCX"},   {"TabSheetPNG1", "PNG"},
      {"TabSheetTGA1", "TGA"},   {"TabSheetJ20001", "JPEG2000"}};
  ASSERT_EQ(form_.PageControl1->count(), 11);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(form_.PageControl1->widget(i)->objectName(), pages[i].first);
    EXPECT_EQ(form_.PageControl1->tabText(i), pages[i].second);
  }
}

struct ListItems {
  const char* name;
  const char* page;
  QStringList items;
};

TEST_F(IOPreviewsForm, ListsHoldTheirItemsOnTheirPages) {
  const QStringList gif = {"B/W", "4", "8", "16", "32", "64", "128", "256"};
  const ListItems rows[] = {
      {"ComboBox1", "TabSheetJPEG1", {"ISLOW", "IFAST", "FLOAT"}},
      {"ComboBox13", "TabSheetJPEG1", {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"}},
      {"ComboBox3", "TabSheetTIFF1",
       {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE", "TRANSPMASK", "CMYK",
        "YCBCR", "CIELAB"}},
      {"ComboBox4", "TabSheetTIFF1", {"B/W", "16", "256", "65536", "16M"}},
      {"ComboBox17", "TabSheetTIFF2", {"2", "16", "256", "16777216"}},
      {"ComboBox5", "TabSheetGIF1", gif},
      {"ComboBox18", "TabSheetGIF2", gif},
      {"ComboBox6", "TabSheetBMP1", {"UNCOMPRESSED", "RLE"}},
      {"ComboBox7", "TabSheetBMP1", {"B/W", "16", "256", "16M", "16M (32bit)"}},
      {"ComboBox8", "TabSheetPCX1", {"UNCOMPRESSED", "RLE"}},
      {"ComboBox9", "TabSheetPCX1", {"B/W", "16", "256", "16M"}},
      {"ComboBox10", "TabSheetPNG1", {"B/W", "256", "16M"}},
      {"ComboBox11", "TabSheetPNG1", {"None", "Sub", "Paeth"}},
      {"ComboBox12", "TabSheetPNG1", {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"}},
      {"ComboBox14", "TabSheetTGA1", {"B/W", "256", "16M"}},
      {"ComboBox15", "TabSheetJ20001", {"GrayScale", "RGB", "YCbCr"}},
  };
  for (const ListItems& row : rows) {
    SCOPED_TRACE(row.name);
    auto* list = form_.findChild<QComboBox*>(row.name);
    ASSERT_NE(list, nullptr);
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    EXPECT_EQ(items, row.items);
    EXPECT_TRUE(form_.findChild<QWidget*>(row.page)->isAncestorOf(list));
  }
}

TEST_F(IOPreviewsForm, TrackBarsAndUpDownsHaveTheirRanges) {
  const std::pair<const char*, int> tracks[] = {
      {"TrackBar13", 100}, {"TrackBar2", 100}, {"TrackBar1", 1000}};
  for (const auto& [name, maximum] : tracks) {
    SCOPED_TRACE(name);
    auto* track = form_.findChild<QSlider*>(name);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->minimum(), 0);
    EXPECT_EQ(track->maximum(), maximum);
    EXPECT_EQ(track->tickInterval(), 5);
  }
  for (const char* name : {"UpDown1", "UpDown2", "UpDown3"}) {
    SCOPED_TRACE(name);
    auto* upDown = form_.findChild<QSpinBox*>(name);
    ASSERT_NE(upDown, nullptr);
    EXPECT_EQ(upDown->minimum(), 0);
    EXPECT_EQ(upDown->maximum(), 1000);
  }
}

TEST_F(IOPreviewsForm, EverySizeValueStartsEmpty) {
  for (const char* name : {"Label4", "Label25", "Label74", "Label76", "Label11", "Label18",
                           "Label78", "Label80", "Label28", "Label30", "Label84", "Label86",
                           "Label40", "Label42", "Label46", "Label48", "Label51", "Label53",
                           "Label59", "Label61", "Label68", "Label70"}) {
    SCOPED_TRACE(name);
    auto* label = form_.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "---");
  }
}

TEST_F(IOPreviewsForm, SimplifiedGeometryAt96PixelsPerInch) {
  form_.SetSimplified(true, 96);
  form_.Pages = kParamsPageAll;
  form_.FormActivate();
  EXPECT_EQ(form_.PageControl1->height(), 122);
  EXPECT_EQ(form_.height(), 360);
  EXPECT_EQ(form_.chkLockPreview->y(), 302);
  // Every page the variant shows has its sizes at the same height, inside the short page.
  for (const char* name : {"Label39", "Label41", "Label45", "Label47", "Label50", "Label52",
                           "Label58", "Label60", "Label67", "Label69", "Label73", "Label75",
                           "Label77", "Label79", "Label83", "Label85"})
    EXPECT_EQ(form_.findChild<QLabel*>(name)->y(), 61) << name;
  for (const char* name : {"Label40", "Label42", "Label46", "Label48", "Label51", "Label53",
                           "Label59", "Label61", "Label68", "Label70", "Label74", "Label76",
                           "Label78", "Label80", "Label84", "Label86"}) {
    auto* label = form_.findChild<QLabel*>(name);
    EXPECT_EQ(label->y(), 77) << name;
    EXPECT_LT(label->geometry().bottom(),
              form_.PageControl1->height() - form_.PageControl1->tabBar()->sizeHint().height())
        << name;
  }
  for (const char* name : {"Label54", "Panel1", "GroupBox3", "Label63", "Panel5", "Label64",
                           "Edit13", "Label65", "Edit14", "Label71", "ComboBox15"})
    EXPECT_TRUE(form_.findChild<QWidget*>(name)->isHidden()) << name;
  const bool visible[] = {false, true, false, true, false, true, true, true, true, true, true};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(form_.PageControl1->isTabVisible(i), visible[i]) << i;
}

TEST_F(IOPreviewsForm, FullVariantShowsTheFullPagesAndEveryControl) {
  form_.Pages = kParamsPageAll;
  form_.FormActivate();
  const bool visible[] = {true, false, true, false, true, false, true, true, true, true, true};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(form_.PageControl1->isTabVisible(i), visible[i]) << i;
  EXPECT_FALSE(form_.findChild<QWidget*>("GroupBox3")->isHidden());
  EXPECT_EQ(form_.chkLockPreview->y(), 398);
}

// Word, whether a ":" follows (or blanks surround a group title), the controls showing it.
struct Caption {
  uint8_t word;
  char dress;  // ' ' plain, ':' colon, 'g' group
  std::vector<const char*> controls;
};

QString CaptionOf(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  return {};
}

TEST_F(IOPreviewsForm, CaptionsComeFromTheWordTable) {
  const Caption rows[] = {
      {1, ':', {"Label1"}}, {2, ':', {"Label2"}}, {3, ' ', {"Button1"}}, {4, ' ', {"Button2"}},
      {0, ' ', {"Button3"}}, {5, ' ', {"chkLockPreview"}}, {120, ' ', {"Button4"}},
      {38, ':', {"Label23", "Label72"}}, {39, ':', {"Label26"}}, {40, ':', {"Label27"}},
      {49, ':', {"Label57", "Label71", "Label7"}}, {42, ' ', {"CheckBox2"}},
      {46, ' ', {"CheckBox3"}},
      {43, ':', {"Label3", "Label73", "Label67", "Label9", "Label77", "Label22", "Label83",
                 "Label39", "Label45", "Label50", "Label58"}},
      {44, ':', {"Label24", "Label75", "Label69", "Label17", "Label79", "Label29", "Label85",
                 "Label41", "Label47", "Label52", "Label60"}},
      {45, 'g', {"GroupBox5", "GroupBox2", "GroupBox3"}}, {123, ':', {"Label66"}},
      {47, ':', {"Label5", "Label81", "Label37", "Label43", "Label56", "CheckBox1"}},
      {48, ':', {"Label6", "Label20"}}, {50, 'g', {"GroupBox1"}},
      {51, ':', {"Label12", "Label64"}}, {52, ':', {"Label13", "Label65"}},
      {53, ':', {"Label14"}}, {54, ':', {"Label15"}}, {55, ' ', {"Label16"}},
      {56, ':', {"Label8"}}, {57, ':', {"Label10"}},
      {58, ':', {"Label19", "Label82", "Label21", "Label87", "Label38", "Label44", "Label49",
                 "Label62"}},
      {59, ':', {"CheckBox4"}}, {60, ':', {"Label34"}}, {61, ':', {"CheckBox5"}},
      {61, ' ', {"CheckBox6"}}, {62, ':', {"Label35", "Label54", "Label63"}},
      {63, ':', {"Label31"}}, {64, ':', {"Label32"}}, {65, ':', {"Label33"}},
      {66, ':', {"Label55"}},
  };
  for (TMsgLanguage language : {msGerman, msEnglish, msPolish}) {
    form_.SetLanguage(language);
    for (const Caption& row : rows) {
      QString word = QString::fromStdU16String(GetMsgWord(row.word, language));
      if (row.dress == ':') word += ":";
      if (row.dress == 'g') word = " " + word + " ";
      for (const char* name : row.controls) {
        auto* control = form_.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(CaptionOf(control), word) << name << " in language " << int(language);
      }
    }
    EXPECT_EQ(form_.windowTitle(), QString::fromStdU16String(GetMsgWord(37, language)));
    EXPECT_EQ(form_.CancelText, u"&" + GetMsgWord(4, language));
  }
  form_.SetLanguage(msGerman);
  EXPECT_EQ(form_.Button3->text(), "Vorschau");
}

}  // namespace
}  // namespace calmora
