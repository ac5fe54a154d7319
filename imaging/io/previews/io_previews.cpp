// TfIOPreviews' frame: the views, buttons and page control around the pages, the full and
// simplified variants, and the page changes.
#include "imaging/io/previews/io_previews.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QResizeEvent>
#include <QShowEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <cmath>

#include "imaging/base/defs.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/core/drawing/drawing_helpers.h"
#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/params/io_params.h"

namespace calmora {
namespace {

constexpr int kClientWidth = 527;
constexpr int kClientHeight = 425;
constexpr int kTrackThumbLength = 10;
// Where the size labels of the pages the simplified variant keeps from the full one go.
constexpr int kSimplifiedSizeCaptionTop = 61;
constexpr int kSimplifiedSizeValueTop = 77;

// One format: its page bit and its page in the full and the simplified variant.
struct FormatPages {
  TPVParamsPages bit;
  TPreviewPage full;
  TPreviewPage simplified;
  TPVFileFormatId fileType;
};

// In the order the tabs are chosen and shown.
constexpr FormatPages kFormats[] = {
    {kParamsPageJPEG, TPreviewPage::kJPEG1, TPreviewPage::kJPEG2, kFormatJPEG},
    {kParamsPageTIFF, TPreviewPage::kTIFF1, TPreviewPage::kTIFF2, kFormatTIFF},
    {kParamsPageGIF, TPreviewPage::kGIF1, TPreviewPage::kGIF2, kFormatGIF},
    {kParamsPageBMP, TPreviewPage::kBMP1, TPreviewPage::kBMP1, kFormatBMP},
    {kParamsPagePCX, TPreviewPage::kPCX1, TPreviewPage::kPCX1, kFormatPCX},
    {kParamsPagePNG, TPreviewPage::kPNG1, TPreviewPage::kPNG1, kFormatPNG},
    {kParamsPageTGA, TPreviewPage::kTGA1, TPreviewPage::kTGA1, kFormatTGA},
    {kParamsPageJPEG2000, TPreviewPage::kJ20001, TPreviewPage::kJ20001, kFormatJ2K},
};

// The size captions and values the simplified variant moves up, per page kept from the full one.
constexpr const char* kMovedSizeCaptions[] = {"Label39", "Label41", "Label45", "Label47",
                                              "Label50", "Label52", "Label58", "Label60",
                                              "Label67", "Label69"};
constexpr const char* kMovedSizeValues[] = {"Label40", "Label42", "Label46", "Label48", "Label51",
                                            "Label53", "Label59", "Label61", "Label68", "Label70"};
// Controls the simplified variant hides.
constexpr const char* kSimplifiedHidden[] = {"Label54", "Panel1",  "GroupBox3", "Label63",
                                             "Label64", "Label65", "Panel5",    "Edit13",
                                             "Edit14",  "Label71", "ComboBox15"};

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int x, int y) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(x, y, 75, 25);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  return label;
}

TPreviewPane* MakePane(QWidget* parent, const char* name, int x) {
  auto* pane = new TPreviewPane(parent);
  pane->setObjectName(QString::fromUtf8(name));
  pane->setGeometry(x, 17, 191, 135);
  return pane;
}

int32_t TruncScaled(int32_t pixelsPerInch, double factor) {
  return static_cast<int32_t>(std::trunc(pixelsPerInch * factor));
}

}  // namespace

TfIOPreviews::TfIOPreviews(TIOParamsVals& AParams, QWidget* AOwner)
    : QDialog(AOwner),
      Params(AParams),
      Result(std::make_unique<TPVBitmap>()),
      ResultParams(std::make_unique<TIOParamsVals>(nullptr)) {
  BuildForm();
  BuildPages();
  ConnectHandlers();
  ConnectPanels();
  FormCreate();
}

TfIOPreviews::~TfIOPreviews() { FormDestroy(); }

void TfIOPreviews::BuildForm() {
  setObjectName("fIOPreviews");
  setWindowTitle("Parameters preview");
  setFixedSize(kClientWidth, kClientHeight);
  Image1 = new platform::TImage(nullptr);
  Image1->setParent(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(0, 0, kClientWidth, kClientHeight);
  MakeLabel(this, "Label1", "Original:", 5, 1);
  MakeLabel(this, "Label2", "Result:", 227, 1);
  Pictavo1 = MakePane(this, "Pictavo1", 6);
  Pictavo2 = MakePane(this, "Pictavo2", 227);
  Pictavo1->OnViewChange = [this] { Pictavo1ViewChange(); };
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setGeometry(6, 157, 412, 10);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(8, 172, 417, 217);
  PageControl1->tabBar()->setAttribute(Qt::WA_Hover);
  Button1 = MakeButton(this, "Button1", "OK", 432, 15);
  Button1->setDefault(true);
  Button2 = MakeButton(this, "Button2", "Cancel", 432, 43);
  Button3 = MakeButton(this, "Button3", "&Preview", 432, 76);
  Button4 = MakeButton(this, "Button4", "&Apply", 432, 106);
  chkLockPreview = new QCheckBox("Lock Preview", this);
  chkLockPreview->setObjectName("chkLockPreview");
  chkLockPreview->setGeometry(12, 398, 200, 17);
  chkLockPreview->setToolTip("Automatically updates your preview with the changes you have selected");

  connect(Button1, &QPushButton::clicked, this, [this] {
    Button1Click();
    accept();
  });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(chkLockPreview, &QCheckBox::clicked, this, [this] { SpeedButton1Click(); });
  // The toolkit tells of a tab change only after it happened: a click on a tab is the moment
  // before, and every change the form makes itself turns the live flag off first.
  connect(PageControl1->tabBar(), &QTabBar::tabBarClicked, this, [this] { PageControl1Changing(); });
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
}

void TfIOPreviews::FormCreate() {
  Ready = false;
  DitherMethod = 1;
  CancelText = u"&Cancel";
  for (QSlider* track : findChildren<QSlider*>()) track->setStyleSheet(
      QString("QSlider::handle:horizontal { width: %1px; }").arg(kTrackThumbLength));
  for (const char* name : {"Panel1", "Panel3", "Panel4", "Panel5"})
    findChild<QFrame*>(name)->setAutoFillBackground(true);
  Button4->setEnabled(false);
  ComboBox2 = findChild<QComboBox*>("ComboBox2");
  ComboBox16 = findChild<QComboBox*>("ComboBox16");
}

void TfIOPreviews::resizeEvent(QResizeEvent* Event) {
  QDialog::resizeEvent(Event);
  FormResize();
}

void TfIOPreviews::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (activated_) return;
  activated_ = true;
  // From the dialog's own event loop: activation lets pending events run, and a close among
  // them must find that loop already running. Later activations (back from the colour
  // pickers) keep the user's edits.
  QMetaObject::invokeMethod(this, [this] { FormActivate(); }, Qt::QueuedConnection);
}

void TfIOPreviews::FormResize() {
  if (DialogBackgroundStyle != 1 && DialogBackgroundStyle != 2) return;
  Image1->setGeometry(0, 0, width(), height());
  platform::TBitmap& texture = *Image1->GetPicture()->GetBitmap();
  if (DialogBackgroundStyle == 1)
    PaintStripedTexture(texture, Image1->width(), Image1->height());
  else
    PaintNoisyTexture(texture, Image1->width(), Image1->height());
  Image1->GetPicture()->Modified();
}

void TfIOPreviews::SetSimplified(bool Value, int32_t APixelsPerInch) {
  Simplified = Value;
  PixelsPerInch = APixelsPerInch;
  if (!Simplified) return;
  PageControl1->resize(PageControl1->width(), TruncScaled(PixelsPerInch, 1.2708333333333333));
  setFixedSize(kClientWidth, TruncScaled(PixelsPerInch, 3.75));
}

void TfIOPreviews::ApplyPageVariant() {
  if (!Simplified) return;
  for (const char* name : kMovedSizeCaptions) {
    auto* label = findChild<QLabel*>(name);
    label->move(label->x(), kSimplifiedSizeCaptionTop);
  }
  for (const char* name : kMovedSizeValues) {
    auto* label = findChild<QLabel*>(name);
    label->move(label->x(), kSimplifiedSizeValueTop);
  }
  chkLockPreview->move(chkLockPreview->x(), TruncScaled(PixelsPerInch, 3.1458333333333333));
  for (const char* name : kSimplifiedHidden) findChild<QWidget*>(name)->setVisible(false);
}

void TfIOPreviews::RebuildCompressionLists() {
  QStringList items = {"UNCOMPRESSED", "CCITT1D", "G3FAX1D", "G3FAX2D", "G4FAX"};
  if (LZWAvailable()) items << "LZW";
  items << "JPEG" << "PACKBITS" << "ZIP";
  for (QComboBox* list : {ComboBox2, ComboBox16}) {
    list->clear();
    list->addItems(items);
  }
}

void TfIOPreviews::FormActivate() {
  Live = true;
  chkLockPreview->setChecked(DefaultLockPreview);
  Button3->setEnabled(!chkLockPreview->isChecked());
  PageControl1->setVisible(false);
  for (int32_t tab = 0; tab < kPreviewPageCount; ++tab) PageControl1->setTabVisible(tab, false);
  const TPVFileFormatInfo* entry = FindFileFormatInfo(Params.FileType);
  int32_t active = -1;
  for (const FormatPages& format : kFormats) {
    const auto page = static_cast<int32_t>(Simplified ? format.simplified : format.full);
    const bool visible = (Pages & (kParamsPageAll | format.bit)) != 0;
    PageControl1->setTabVisible(page, visible);
    if (visible && entry != nullptr && (entry->DialogPages & format.bit) != 0) active = page;
  }
  ApplyPageVariant();
  RebuildCompressionLists();
  if (active >= 0) {
    Live = false;
    PageControl1->setCurrentIndex(active);
  }
  PageControl1->setVisible(true);
  LoadWorkingCopy();
  ShowPage();
  Pictavo1->SetExternalBitmap(Source);
  Pictavo1->Fit();
  QCoreApplication::processEvents();
  PageControl1Change();
  Ready = true;
  MakePreview();
}

void TfIOPreviews::ConnectHandlers() {
  using Handler = void (TfIOPreviews::*)();
  auto lists = [this](std::initializer_list<const char*> names, Handler handler) {
    for (const char* name : names)
      connect(Control<QComboBox>(name), &QComboBox::currentIndexChanged, this,
              [this, handler] { (this->*handler)(); });
  };
  auto edits = [this](std::initializer_list<const char*> names, Handler handler) {
    for (const char* name : names)
      connect(Control<QLineEdit>(name), &QLineEdit::textChanged, this,
              [this, handler] { (this->*handler)(); });
  };
  auto checks = [this](std::initializer_list<const char*> names, Handler handler) {
    for (const char* name : names)
      connect(Control<QCheckBox>(name), &QCheckBox::toggled, this,
              [this, handler] { (this->*handler)(); });
  };
  auto track = [this](const char* name, Handler handler) {
    connect(Control<QSlider>(name), &QSlider::valueChanged, this,
            [this, handler] { (this->*handler)(); });
  };
  // The TIFF lists tell their handler which of them the user changed.
  auto tiffList = [this](const char* name, TIFFList list, Handler handler) {
    connect(Control<QComboBox>(name), &QComboBox::currentIndexChanged, this,
            [this, list, handler] {
              TIFFListTouched = list;
              (this->*handler)();
            });
  };
  lists({"ComboBox2"}, &TfIOPreviews::ComboBox2Click);
  tiffList("ComboBox3", TIFFList::kPhotometric, &TfIOPreviews::ComboBox2Click);
  tiffList("ComboBox4", TIFFList::kColors, &TfIOPreviews::ComboBox2Click);
  edits({"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "Edit8"},
        &TfIOPreviews::ComboBox2Click);
  tiffList("ComboBox16", TIFFList::kCompression, &TfIOPreviews::ComboBox16Change);
  tiffList("ComboBox17", TIFFList::kColors, &TfIOPreviews::ComboBox16Change);
  lists({"ComboBox5"}, &TfIOPreviews::ComboBox5Click);
  edits({"Edit9", "Edit10", "Edit11", "Edit12"}, &TfIOPreviews::ComboBox5Click);
  checks({"CheckBox4", "CheckBox5"}, &TfIOPreviews::ComboBox5Click);
  lists({"ComboBox18"}, &TfIOPreviews::ComboBox18Change);
  lists({"ComboBox6", "ComboBox7"}, &TfIOPreviews::ComboBox6Change);
  lists({"ComboBox8", "ComboBox9"}, &TfIOPreviews::ComboBox8Change);
  lists({"ComboBox10", "ComboBox11", "ComboBox12"}, &TfIOPreviews::ComboBox10Change);
  checks({"CheckBox6"}, &TfIOPreviews::ComboBox10Change);
  lists({"ComboBox14"}, &TfIOPreviews::ComboBox14Click);
  checks({"CheckBox1"}, &TfIOPreviews::ComboBox14Click);
  edits({"Edit13", "Edit14"}, &TfIOPreviews::ComboBox14Click);
  edits({"Edit22", "Edit23"}, &TfIOPreviews::Edit22Change);
  track("TrackBar13", &TfIOPreviews::TrackBar13Change);
  lists({"ComboBox1", "ComboBox13"}, &TfIOPreviews::TrackBar13Change);
  checks({"CheckBox2", "CheckBox3"}, &TfIOPreviews::TrackBar13Change);
  edits({"Edit16"}, &TfIOPreviews::Edit16Change);
  track("TrackBar2", &TfIOPreviews::TrackBar2Change);
  edits({"Edit15"}, &TfIOPreviews::Edit15Change);
  track("TrackBar1", &TfIOPreviews::TrackBar1Change);
  lists({"ComboBox15"}, &TfIOPreviews::TrackBar1Change);
}

void TfIOPreviews::Pictavo1ViewChange() {
  Pictavo2->SetZoom(Pictavo1->GetZoom());
  Pictavo2->SetViewXY(Pictavo1->GetViewX(), Pictavo1->GetViewY());
}

TPreviewPage TfIOPreviews::ActivePage() const {
  return static_cast<TPreviewPage>(PageControl1->currentIndex());
}

void TfIOPreviews::PageControl1Changing() { Live = false; }

void TfIOPreviews::PageControl1Change() {
  Live = true;
  LoadWorkingCopy();
  ShowPage();
  if (chkLockPreview->isChecked()) MakePreview();
  Button4->setEnabled(false);
}

void TfIOPreviews::SpeedButton1Click() {
  if (chkLockPreview->isChecked()) MakePreview();
  Button3->setEnabled(!chkLockPreview->isChecked());
}

void TfIOPreviews::Button4Click() {
  Button1Click();
  Button4->setEnabled(false);
}

}  // namespace calmora
