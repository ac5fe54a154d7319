// TfIOPreviews::ShowPage: the controls of the active page from the working values, with the
// rules that derive a list position from samples, bits and photometric.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <cmath>

#include "imaging/core/bitmap/bitmap.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/base/color_helpers.h"

namespace calmora {
namespace {

// The value labels of the sizes, per page in the order of TPreviewPage.
constexpr const char* kOriginalSizeLabels[kPreviewPageCount] = {
    "Label4", "Label74", "Label11", "Label78", "Label28", "Label84",
    "Label40", "Label46", "Label51", "Label59", "Label68"};
constexpr const char* kCompressedSizeLabels[kPreviewPageCount] = {
    "Label25", "Label76", "Label18", "Label80", "Label30", "Label86",
    "Label42", "Label48", "Label53", "Label61", "Label70"};

// The TIFF full page's colours ("B/W", "16", "256", "65536", "16M") of a record's depth and
// photometric.
int32_t TIFFColorsIndex(int32_t samples, int32_t bits, uint8_t photometric) {
  int32_t index = 4;
  if (samples == 1) {
    if (bits == 1) index = 0;
    else if (bits >= 2 && bits <= 4) index = 1;
    else if (bits >= 5 && bits <= 8) index = 2;
    else if (bits == 16) index = 3;
  }
  if (photometric >= kPhotometricCMYK) return 4;
  if (photometric > kPhotometricBlackIsZero && photometric <= kPhotometricTransparencyMask) return index == 0 ? 4 : index;
  return bits == 1 ? 0 : 2;
}

}  // namespace

QString TfIOPreviews::SizeText(int64_t Bytes) { return QString::number(Bytes) + " bytes"; }

QLabel* TfIOPreviews::OriginalSizeLabel() const {
  return Control<QLabel>(kOriginalSizeLabels[static_cast<int32_t>(ActivePage())]);
}

QLabel* TfIOPreviews::CompressedSizeLabel() const {
  return Control<QLabel>(kCompressedSizeLabels[static_cast<int32_t>(ActivePage())]);
}

void TfIOPreviews::SetPanelColor(const char* Name, TPVRGB Color) {
  QFrame* panel = Control<QFrame>(Name);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, QColor(Color.r, Color.g, Color.b));
  panel->setPalette(palette);
}

TPVRGB TfIOPreviews::PanelColor(const char* Name) const {
  const QColor color = Control<QFrame>(Name)->palette().color(QPalette::Window);
  const TPVRGB pixel{static_cast<uint8_t>(color.blue()), static_cast<uint8_t>(color.green()),
                     static_cast<uint8_t>(color.red())};
  return ColorToRGBRecord(static_cast<TColor>(SwapRedBlue(pixel)));
}

void TfIOPreviews::ShowPage() {
  Live = false;
  TPreviewWorkingValues& w = Working;
  auto setText = [this](const char* name, const QString& text) {
    Control<QLineEdit>(name)->setText(text);
  };
  auto setNumber = [&setText](const char* name, int64_t value) {
    setText(name, QString::number(value));
  };
  auto setIndex = [this](const char* name, int32_t index) {
    Control<QComboBox>(name)->setCurrentIndex(index);
  };
  auto setChecked = [this](const char* name, bool value) {
    Control<QCheckBox>(name)->setChecked(value);
  };
  auto setTrack = [this](const char* name, int32_t value) {
    Control<QSlider>(name)->setValue(value);
  };
  if (Source != nullptr)
    OriginalSizeLabel()->setText(
        SizeText(static_cast<int64_t>(Source->GetRowLen()) * Source->GetHeight()));
  switch (ActivePage()) {
    case TPreviewPage::kJPEG1:
      setNumber("Edit22", w.JPEGQuality);
      setTrack("TrackBar13", w.JPEGQuality);
      setIndex("ComboBox1", w.JPEGDCTMethod);
      setNumber("Edit23", w.JPEGSmoothing);
      setIndex("ComboBox13", w.JPEGColorSpace);
      setChecked("CheckBox2", w.JPEGOptimalHuffman);
      setChecked("CheckBox3", w.JPEGProgressive);
      break;
    case TPreviewPage::kJPEG2:
      setNumber("Edit16", w.JPEGQuality);
      setTrack("TrackBar2", w.JPEGQuality);
      break;
    case TPreviewPage::kTIFF1:
      // A compression the list cannot show (LZW without an encoder) is what the list shows.
      w.TIFFCompression = static_cast<uint8_t>(IndexToCompression(CompressionToIndex(w.TIFFCompression)));
      setIndex("ComboBox2", CompressionToIndex(w.TIFFCompression));
      setNumber("Edit1", w.TIFFImageIndex);
      setIndex("ComboBox3", w.TIFFPhotometric);
      setIndex("ComboBox4", TIFFColorsIndex(w.SamplesPerPixel, w.BitsPerSample, w.TIFFPhotometric));
      setNumber("Edit2", w.TIFFXPos);
      setNumber("Edit3", w.TIFFYPos);
      setText("Edit4", QString::fromStdString(w.TIFFDocumentName));
      setText("Edit5", QString::fromStdString(w.TIFFImageDescription));
      setText("Edit6", QString::fromStdString(w.TIFFPageName));
      setNumber("Edit7", w.TIFFPageNumber);
      setNumber("Edit8", w.TIFFPageCount);
      break;
    case TPreviewPage::kTIFF2: {
      w.TIFFCompression = static_cast<uint8_t>(IndexToCompression(CompressionToIndex(w.TIFFCompression)));
      if (w.TIFFCompression >= 1 && w.TIFFCompression <= 4) {
        w.SamplesPerPixel = 1;
        w.BitsPerSample = 1;
      } else if (w.TIFFCompression == 7) {
        w.SamplesPerPixel = 3;
        w.BitsPerSample = 8;
      }
      setIndex("ComboBox16", CompressionToIndex(w.TIFFCompression));
      int32_t colors = 3;
      if (w.SamplesPerPixel == 1) colors = w.BitsPerSample == 1 ? 0 : (w.BitsPerSample <= 4 ? 1 : 2);
      setIndex("ComboBox17", colors);
      break;
    }
    case TPreviewPage::kGIF1:
      setNumber("Edit9", w.GIFImageIndex);
      setIndex("ComboBox5", w.GIFBits - 1);
      setChecked("CheckBox4", w.GIFTransparent);
      Control<QLabel>("Label34")->setEnabled(w.GIFTransparent);
      Control<QFrame>("Panel3")->setEnabled(w.GIFTransparent);
      setChecked("CheckBox5", w.GIFInterlaced);
      SetPanelColor("Panel3", w.GIFTransparentColor);
      SetPanelColor("Panel4", w.GIFBackground);
      setNumber("Edit12", w.GIFDelayTime);
      setNumber("Edit10", w.GIFXPos);
      setNumber("Edit11", w.GIFYPos);
      break;
    case TPreviewPage::kGIF2:
      setIndex("ComboBox18", w.GIFBits - 1);
      break;
    case TPreviewPage::kBMP1:
      setIndex("ComboBox6", w.BMPCompression != 0 ? 1 : 0);
      setIndex("ComboBox7", w.BMPColors);
      break;
    case TPreviewPage::kPCX1:
      setIndex("ComboBox8", w.PCXCompression != 0 ? 1 : 0);
      setIndex("ComboBox9", w.PCXColors);
      break;
    case TPreviewPage::kPNG1:
      setIndex("ComboBox10", w.PNGColors);
      SetPanelColor("Panel1", w.PNGBackground);
      setIndex("ComboBox11", w.PNGFilter);
      setChecked("CheckBox6", w.PNGInterlaced);
      setIndex("ComboBox12", w.PNGCompression);
      break;
    case TPreviewPage::kTGA1:
      setIndex("ComboBox14", w.TGAColors);
      SetPanelColor("Panel5", w.TGABackground);
      setChecked("CheckBox1", w.TGACompressed);
      setText("Edit13", QString::fromStdString(w.TGAImageName));
      setText("Edit14", QString::fromStdString(w.TGADescriptor));
      break;
    case TPreviewPage::kJ20001:
      setNumber("Edit15", std::llround(w.J2000Rate * 1000));
      setTrack("TrackBar1", static_cast<int32_t>(std::lround(w.J2000Rate * 1000)));
      setIndex("ComboBox15", w.J2000ColorSpace);
      break;
  }
  Live = true;
}

}  // namespace calmora
