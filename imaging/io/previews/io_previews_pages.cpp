// The eleven format pages of the save-parameters dialog: every control with its name, place,
// items and range. Captions are the English ones until SetLanguage replaces them.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QStringList>
#include <QTabWidget>

#include "imaging/io/previews/io_previews.h"

namespace calmora {
namespace {

constexpr int kLabelX = 8;
constexpr int kControlX = 130;
constexpr int kRowPitch = 24;
constexpr int kRowHeight = 21;
// The size captions and values of a full page sit under its other controls.
constexpr int kSizeCaptionTop = 150;
constexpr int kSizeValueTop = 166;
constexpr int kCompressedSizeX = 200;
// The pages only the simplified variant shows are short: their sizes sit where that variant
// moves the sizes of the pages it shares with the full one (label tops 61 and 77).
constexpr int kShortPageSizeCaptionTop = 58;
constexpr int kShortPageSizeValueTop = 74;

int RowTop(int row) { return 8 + row * kRowPitch; }

// Places the controls of one page (or group box) by name.
class PageBuilder {
 public:
  explicit PageBuilder(QWidget* parent) : parent_(parent) {}

  QLabel* Label(const char* name, int x, int y, const char* caption) {
    auto* label = Named(new QLabel(QString::fromUtf8(caption), parent_), name);
    label->setGeometry(x, y + 3, 120, 16);
    return label;
  }
  QComboBox* Combo(const char* name, int x, int y, int width, const QStringList& items) {
    auto* combo = Named(new QComboBox(parent_), name);
    combo->addItems(items);
    combo->setGeometry(x, y, width, kRowHeight);
    return combo;
  }
  QLineEdit* Edit(const char* name, int x, int y, int width) {
    auto* edit = Named(new QLineEdit(parent_), name);
    edit->setGeometry(x, y, width, kRowHeight);
    return edit;
  }
  // An edit with an up-down (0 to 1000) beside it; the up-down writes its position into the edit.
  QLineEdit* EditWithUpDown(const char* editName, const char* upDownName, int x, int y) {
    QLineEdit* edit = Edit(editName, x, y, 44);
    auto* upDown = Named(new QSpinBox(parent_), upDownName);
    upDown->setRange(0, 1000);
    upDown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    upDown->setGeometry(x + 44, y, 17, kRowHeight);
    QObject::connect(upDown, &QSpinBox::valueChanged,
                     [edit](int value) { edit->setText(QString::number(value)); });
    return edit;
  }
  QCheckBox* Check(const char* name, int x, int y, const char* caption) {
    auto* check = Named(new QCheckBox(QString::fromUtf8(caption), parent_), name);
    check->setGeometry(x, y, 120, kRowHeight);
    return check;
  }
  // A track bar with ticks every 5 and a thumb of 10 (FormCreate sets the thumb).
  QSlider* Track(const char* name, int x, int y, int width, int maximum) {
    auto* track = Named(new QSlider(Qt::Horizontal, parent_), name);
    track->setRange(0, maximum);
    track->setTickInterval(5);
    track->setTickPosition(QSlider::TicksBelow);
    track->setGeometry(x, y, width, kRowHeight + 4);
    return track;
  }
  QFrame* Panel(const char* name, int x, int y) {
    auto* panel = Named(new QFrame(parent_), name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(x, y, 40, kRowHeight);
    return panel;
  }
  QGroupBox* Group(const char* name, int x, int y, int width, int height, const char* caption) {
    auto* group = Named(new QGroupBox(QString::fromUtf8(caption), parent_), name);
    group->setGeometry(x, y, width, height);
    return group;
  }
  // "Original size:" and "Compressed size:" with their values ("---" until a preview).
  void Sizes(const char* originalCaption, const char* originalValue, const char* compressedCaption,
             const char* compressedValue, int captionTop = kSizeCaptionTop,
             int valueTop = kSizeValueTop) {
    Label(originalCaption, kLabelX, captionTop, "Original size:");
    Label(originalValue, kLabelX, valueTop, "---");
    Label(compressedCaption, kCompressedSizeX, captionTop, "Compressed size:");
    Label(compressedValue, kCompressedSizeX, valueTop, "---");
  }
  void ShortPageSizes(const char* originalCaption, const char* originalValue,
                      const char* compressedCaption, const char* compressedValue) {
    Sizes(originalCaption, originalValue, compressedCaption, compressedValue,
          kShortPageSizeCaptionTop, kShortPageSizeValueTop);
  }

 private:
  template <typename Widget>
  Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
  }
  QWidget* parent_;
};

const QStringList kGIFColors = {"B/W", "4", "8", "16", "32", "64", "128", "256"};
const QStringList kThreeColors = {"B/W", "256", "16M"};
const QStringList kUncompressedOrRLE = {"UNCOMPRESSED", "RLE"};

void BuildJPEG1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label23", kLabelX, RowTop(0), "Quality:");
  page.Edit("Edit22", 70, RowTop(0), 40);
  page.Track("TrackBar13", 115, RowTop(0), 150, 100);
  QGroupBox* group = page.Group("GroupBox5", 4, RowTop(1) + 4, 400, 110, " Advanced ");
  PageBuilder advanced(group);
  advanced.Label("Label26", kLabelX, 18, "DCT method:");
  advanced.Combo("ComboBox1", kControlX, 18, 100, {"ISLOW", "IFAST", "FLOAT"});
  advanced.Label("Label27", kLabelX, 42, "Smoothing factor:");
  advanced.EditWithUpDown("Edit23", "UpDown2", kControlX, 42);
  advanced.Label("Label57", kLabelX, 66, "Photometric:");
  advanced.Combo("ComboBox13", kControlX, 66, 100, {"RGB", "GrayScale", "YCbCr", "CMYK", "YCbCrK"});
  advanced.Check("CheckBox2", 250, 18, "&Optimal Huffman");
  advanced.Check("CheckBox3", 250, 42, "P&rogressive");
  page.Sizes("Label3", "Label4", "Label24", "Label25");
}

void BuildJPEG2(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label72", kLabelX, RowTop(0), "Quality:");
  page.Edit("Edit16", 70, RowTop(0), 40);
  page.Track("TrackBar2", 115, RowTop(0), 150, 100);
  page.ShortPageSizes("Label73", "Label74", "Label75", "Label76");
}

void BuildTIFF1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label5", kLabelX, RowTop(0), "Compression:");
  page.Combo("ComboBox2", 80, RowTop(0), 110, {});
  page.Label("Label6", 200, RowTop(0), "Image index:");
  page.EditWithUpDown("Edit1", "UpDown1", 290, RowTop(0));
  page.Label("Label7", kLabelX, RowTop(1), "Photometric:");
  page.Combo("ComboBox3", 80, RowTop(1), 110,
             {"WHITEISZERO/Gray", "BLACKISZERO/Gray", "RGB", "RGBPALETTE", "TRANSPMASK", "CMYK",
              "YCBCR", "CIELAB"});
  page.Label("Label19", 200, RowTop(1), "Colors:");
  page.Combo("ComboBox4", 290, RowTop(1), 80, {"B/W", "16", "256", "65536", "16M"});
  QGroupBox* group = page.Group("GroupBox1", 4, RowTop(2) + 4, 400, 90, " Scanned document info ");
  PageBuilder info(group);
  info.Label("Label8", 6, 16, "Horiz. Position (inch):");
  info.Edit("Edit2", 130, 16, 40);
  info.Label("Label10", 200, 16, "Vert. Position (inch):");
  info.Edit("Edit3", 330, 16, 40);
  info.Label("Label12", 6, 40, "Name:");
  info.Edit("Edit4", 80, 40, 110);
  info.Label("Label13", 200, 40, "Description:");
  info.Edit("Edit5", 280, 40, 110);
  info.Label("Label14", 6, 64, "Page name:");
  info.Edit("Edit6", 80, 64, 110);
  info.Label("Label15", 200, 64, "Page number:");
  info.Edit("Edit7", 280, 64, 30);
  info.Label("Label16", 315, 64, "of");
  info.Edit("Edit8", 340, 64, 30);
  page.Sizes("Label9", "Label11", "Label17", "Label18");
}

void BuildTIFF2(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label81", kLabelX, RowTop(0), "Compression:");
  page.Combo("ComboBox16", kControlX, RowTop(0), 110, {});
  page.Label("Label82", kLabelX, RowTop(1), "Colors:");
  page.Combo("ComboBox17", kControlX, RowTop(1), 110, {"2", "16", "256", "16777216"});
  page.ShortPageSizes("Label77", "Label78", "Label79", "Label80");
}

void BuildGIF1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label20", kLabelX, RowTop(0), "Image index:");
  page.EditWithUpDown("Edit9", "UpDown3", 80, RowTop(0));
  page.Label("Label21", 200, RowTop(0), "Colors:");
  page.Combo("ComboBox5", 290, RowTop(0), 80, kGIFColors);
  page.Check("CheckBox4", kLabelX, RowTop(1), "&Transparent:");
  page.Label("Label34", 130, RowTop(1), "Transparent color:");
  page.Panel("Panel3", 250, RowTop(1));
  page.Check("CheckBox5", kLabelX, RowTop(2), "I&nterlaced:");
  page.Label("Label35", 130, RowTop(2), "Background:");
  page.Panel("Panel4", 250, RowTop(2));
  QGroupBox* group = page.Group("GroupBox2", 4, RowTop(3) + 4, 400, 44, " Advanced ");
  PageBuilder advanced(group);
  advanced.Label("Label33", 6, 16, "Delay time:");
  advanced.Edit("Edit12", 70, 16, 36);
  advanced.Label("Label36", 110, 16, "1/100 s");
  advanced.Label("Label31", 160, 16, "Horiz. Position:");
  advanced.Edit("Edit10", 240, 16, 36);
  advanced.Label("Label32", 285, 16, "Vert. Position:");
  advanced.Edit("Edit11", 360, 16, 36);
  page.Sizes("Label22", "Label28", "Label29", "Label30");
}

void BuildGIF2(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label87", kLabelX, RowTop(0), "Colors:");
  page.Combo("ComboBox18", kControlX, RowTop(0), 80, kGIFColors);
  page.ShortPageSizes("Label83", "Label84", "Label85", "Label86");
}

void BuildBMP1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label37", kLabelX, RowTop(0), "Compression:");
  page.Combo("ComboBox6", kControlX, RowTop(0), 110, kUncompressedOrRLE);
  page.Label("Label38", kLabelX, RowTop(1), "Colors:");
  page.Combo("ComboBox7", kControlX, RowTop(1), 110, {"B/W", "16", "256", "16M", "16M (32bit)"});
  page.Sizes("Label39", "Label40", "Label41", "Label42");
}

void BuildPCX1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label43", kLabelX, RowTop(0), "Compression:");
  page.Combo("ComboBox8", kControlX, RowTop(0), 110, kUncompressedOrRLE);
  page.Label("Label44", kLabelX, RowTop(1), "Colors:");
  page.Combo("ComboBox9", kControlX, RowTop(1), 110, {"B/W", "16", "256", "16M"});
  page.Sizes("Label45", "Label46", "Label47", "Label48");
}

void BuildPNG1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label49", kLabelX, RowTop(0), "Colors:");
  page.Combo("ComboBox10", kControlX, RowTop(0), 110, kThreeColors);
  page.Label("Label54", 260, RowTop(0), "Background:");
  page.Panel("Panel1", 340, RowTop(0));
  QGroupBox* group = page.Group("GroupBox3", 4, RowTop(1) + 4, 400, 70, " Advanced ");
  PageBuilder advanced(group);
  advanced.Label("Label55", 6, 16, "Filter:");
  advanced.Combo("ComboBox11", 80, 16, 90, {"None", "Sub", "Paeth"});
  advanced.Check("CheckBox6", 200, 16, "I&nterlaced:");
  advanced.Label("Label56", 6, 40, "Compression:");
  advanced.Combo("ComboBox12", 80, 40, 90,
                 {"None", "1", "2", "3", "4", "5", "6", "7", "8", "Max"});
  page.Sizes("Label50", "Label51", "Label52", "Label53");
}

void BuildTGA1(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label62", kLabelX, RowTop(0), "Colors:");
  page.Combo("ComboBox14", kControlX, RowTop(0), 110, kThreeColors);
  page.Label("Label63", 260, RowTop(0), "Background:");
  page.Panel("Panel5", 340, RowTop(0));
  page.Check("CheckBox1", kLabelX, RowTop(1), "Compression:");
  page.Label("Label64", kLabelX, RowTop(2), "Name:");
  page.Edit("Edit13", kControlX, RowTop(2), 200);
  page.Label("Label65", kLabelX, RowTop(3), "Description:");
  page.Edit("Edit14", kControlX, RowTop(3), 200);
  page.Sizes("Label58", "Label59", "Label60", "Label61");
}

void BuildJ20001(QWidget* sheet) {
  PageBuilder page(sheet);
  page.Label("Label66", kLabelX, RowTop(0), "Rate:");
  page.Edit("Edit15", 70, RowTop(0), 40);
  page.Track("TrackBar1", 115, RowTop(0), 200, 1000);
  page.Label("Label71", kLabelX, RowTop(1) + 8, "Photometric:");
  page.Combo("ComboBox15", kControlX, RowTop(1) + 8, 110, {"GrayScale", "RGB", "YCbCr"});
  page.Sizes("Label67", "Label68", "Label69", "Label70");
}

struct PageRecipe {
  const char* name;
  const char* caption;
  void (*build)(QWidget*);
};

// In the order of TPreviewPage.
constexpr PageRecipe kPages[kPreviewPageCount] = {
    {"TabSheetJPEG1", "JPEG", BuildJPEG1},    {"TabSheetJPEG2", "JPEG", BuildJPEG2},
    {"TabSheetTIFF1", "TIFF", BuildTIFF1},    {"TabSheetTIFF2", "TIFF", BuildTIFF2},
    {"TabSheetGIF1", "GIF", BuildGIF1},       {"TabSheetGIF2", "GIF", BuildGIF2},
    {"TabSheetBMP1", "BMP", BuildBMP1},       {"TabSheetPCX1", "PCX", BuildPCX1},
    {"TabSheetPNG1", "PNG", BuildPNG1},       {"TabSheetTGA1", "TGA", BuildTGA1},
    {"TabSheetJ20001", "JPEG2000", BuildJ20001},
};

}  // namespace

void TfIOPreviews::BuildPages() {
  for (int32_t index = 0; index < kPreviewPageCount; ++index) {
    auto* sheet = new QWidget();
    sheet->setObjectName(QString::fromUtf8(kPages[index].name));
    kPages[index].build(sheet);
    PageControl1->addTab(sheet, QString::fromUtf8(kPages[index].caption));
    sheets_[index] = sheet;
  }
}

}  // namespace calmora
