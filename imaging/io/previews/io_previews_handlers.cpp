// TfIOPreviews' page handlers: each reads its page's controls into the working values, keeps
// the lists consistent and, with Lock Preview checked, makes a preview when something changed.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "imaging/base/text_helpers.h"
#include "imaging/io/previews/io_previews.h"

namespace calmora {
namespace {

// TIFF full page colours list positions.
constexpr int32_t kBlackAndWhite = 0;
constexpr int32_t kSixteen = 1;
constexpr int32_t kTwoHundredFiftySix = 2;
constexpr int32_t kTrueColor = 4;

}  // namespace

int32_t TfIOPreviews::EditNumber(const char* Name, int32_t Default) const {
  return TextToIntegerDef(Control<QLineEdit>(Name)->text().toStdString(), Default);
}

std::string TfIOPreviews::EditText(const char* Name) const {
  return Control<QLineEdit>(Name)->text().toStdString();
}

int32_t TfIOPreviews::ListIndex(const char* Name) const {
  return Control<QComboBox>(Name)->currentIndex();
}

bool TfIOPreviews::Checked(const char* Name) const { return Control<QCheckBox>(Name)->isChecked(); }

void TfIOPreviews::ValuesChanged() {
  if (chkLockPreview->isChecked()) MakePreview();
}

void TfIOPreviews::ComboBox2Click() {
  if (!Live) {
    TIFFListTouched = TIFFList::kOther;
    return;
  }
  TPreviewWorkingValues& w = Working;
  auto* colorsList = Control<QComboBox>("ComboBox4");
  auto* photometricList = Control<QComboBox>("ComboBox3");
  Live = false;
  int32_t photometric = photometricList->currentIndex();
  int32_t colors = colorsList->currentIndex();
  // The list the user did not touch follows the one they did.
  if (TIFFListTouched == TIFFList::kPhotometric) {
    if (photometric <= kPhotometricBlackIsZero) {
      if (colors != kBlackAndWhite) colors = kTwoHundredFiftySix;
    } else if (photometric == kPhotometricRGB || photometric >= kPhotometricCMYK) {
      colors = kTrueColor;
    } else if (photometric == kPhotometricRGBPalette) {
      colors = kTwoHundredFiftySix;
    }
  } else if (TIFFListTouched == TIFFList::kColors) {
    if (colors == kBlackAndWhite && photometric > kPhotometricBlackIsZero)
      photometric = kPhotometricBlackIsZero;
    if (colors == kSixteen) photometric = kPhotometricRGBPalette;
    if (colors == kTwoHundredFiftySix &&
        (photometric == kPhotometricRGB || photometric > kPhotometricRGBPalette))
      photometric = kPhotometricRGBPalette;
  }
  TIFFListTouched = TIFFList::kOther;
  photometricList->setCurrentIndex(photometric);
  colorsList->setCurrentIndex(colors);
  Live = true;
  constexpr int32_t kDepths[5][2] = {{1, 1}, {1, 4}, {1, 8}, {1, 16}, {3, 8}};
  const int32_t samples = photometric == kPhotometricCMYK ? 4 : kDepths[colors < 0 ? 4 : colors][0];
  const int32_t bits = photometric == kPhotometricCMYK ? 8 : kDepths[colors < 0 ? 4 : colors][1];
  const auto compression = static_cast<uint8_t>(IndexToCompression(ListIndex("ComboBox2")));
  if (compression != w.TIFFCompression || photometric != w.TIFFPhotometric ||
      samples != w.SamplesPerPixel || bits != w.BitsPerSample) {
    w.TIFFCompression = compression;
    w.TIFFPhotometric = static_cast<uint8_t>(photometric);
    w.SamplesPerPixel = samples;
    w.BitsPerSample = bits;
    ValuesChanged();
  }
  w.TIFFImageIndex = EditNumber("Edit1", 0);
  w.TIFFXPos = EditNumber("Edit2", 0);
  w.TIFFYPos = EditNumber("Edit3", 0);
  w.TIFFPageNumber = EditNumber("Edit7", 0);
  w.TIFFPageCount = EditNumber("Edit8", 0);
  w.TIFFDocumentName = EditText("Edit4");
  w.TIFFImageDescription = EditText("Edit5");
  w.TIFFPageName = EditText("Edit6");
  Button4->setEnabled(true);
}

void TfIOPreviews::ComboBox16Change() {
  if (!Live) {
    TIFFListTouched = TIFFList::kOther;
    return;
  }
  TPreviewWorkingValues& w = Working;
  auto* compressionList = ComboBox16;
  auto* colorsList = Control<QComboBox>("ComboBox17");
  const TPreviewWorkingValues before = w;
  Live = false;
  w.TIFFCompression = static_cast<uint8_t>(IndexToCompression(compressionList->currentIndex()));
  // A compression chosen sets the colours it needs; colours chosen may undo the compression.
  if (TIFFListTouched == TIFFList::kCompression) {
    if (w.TIFFCompression >= 1 && w.TIFFCompression <= 4) {
      colorsList->setCurrentIndex(0);
      w.TIFFPhotometric = kPhotometricBlackIsZero;
    } else if (w.TIFFCompression == 7) {
      colorsList->setCurrentIndex(3);
      w.TIFFPhotometric = kPhotometricYCbCr;
    }
  }
  TIFFListTouched = TIFFList::kOther;
  constexpr int32_t kDepths[4][2] = {{1, 1}, {1, 4}, {1, 8}, {3, 8}};
  const int32_t colors = std::max(0, colorsList->currentIndex());
  w.SamplesPerPixel = kDepths[colors][0];
  w.BitsPerSample = kDepths[colors][1];
  const bool bilevelOnly = w.TIFFCompression >= 1 && w.TIFFCompression <= 4;
  const bool jpegMisfit = w.TIFFCompression == 7 && w.BitsPerSample != 8 && w.SamplesPerPixel != 3;
  if ((bilevelOnly && w.BitsPerSample > 1) || jpegMisfit) {
    w.TIFFCompression = 0;
    compressionList->setCurrentIndex(0);
  }
  Live = true;
  if (w.TIFFCompression != before.TIFFCompression || w.TIFFPhotometric != before.TIFFPhotometric ||
      w.SamplesPerPixel != before.SamplesPerPixel || w.BitsPerSample != before.BitsPerSample)
    ValuesChanged();
  Button4->setEnabled(true);
}

void TfIOPreviews::ComboBox5Click() {
  if (!Live) return;
  TPreviewWorkingValues& w = Working;
  const int32_t bits = ListIndex("ComboBox5") + 1;
  const bool interlaced = Checked("CheckBox5");
  if (bits != w.GIFBits || interlaced != w.GIFInterlaced) {
    w.GIFBits = bits;
    w.GIFInterlaced = interlaced;
    ValuesChanged();
  }
  w.GIFImageIndex = EditNumber("Edit9", 0);
  w.GIFXPos = EditNumber("Edit10", 0);
  w.GIFYPos = EditNumber("Edit11", 0);
  w.GIFDelayTime = EditNumber("Edit12", 0);
  w.GIFTransparent = Checked("CheckBox4");
  Control<QLabel>("Label34")->setEnabled(w.GIFTransparent);
  Control<QFrame>("Panel3")->setEnabled(w.GIFTransparent);
  Button4->setEnabled(true);
}

void TfIOPreviews::ComboBox18Change() {
  if (!Live) return;
  const int32_t bits = ListIndex("ComboBox18") + 1;
  if (bits != Working.GIFBits) {
    Working.GIFBits = bits;
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::PaletteFormatChange(const char* ColorsList, const char* CompressionList,
                                       int32_t& Colors, uint8_t& Compression) {
  if (!Live) return;
  const int32_t colors = ListIndex(ColorsList);
  const uint8_t compression = ListIndex(CompressionList) != 0 ? 1 : 0;
  if (colors != Colors || compression != Compression) {
    Colors = colors;
    Compression = compression;
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::ComboBox6Change() {
  PaletteFormatChange("ComboBox7", "ComboBox6", Working.BMPColors, Working.BMPCompression);
}

void TfIOPreviews::ComboBox8Change() {
  PaletteFormatChange("ComboBox9", "ComboBox8", Working.PCXColors, Working.PCXCompression);
}

void TfIOPreviews::ComboBox10Change() {
  if (!Live) return;
  TPreviewWorkingValues& w = Working;
  const int32_t colors = ListIndex("ComboBox10");
  const bool interlaced = Checked("CheckBox6");
  const auto filter = static_cast<uint8_t>(ListIndex("ComboBox11"));
  const int32_t compression = ListIndex("ComboBox12");
  if (colors != w.PNGColors || interlaced != w.PNGInterlaced || filter != w.PNGFilter ||
      compression != w.PNGCompression) {
    w.PNGColors = colors;
    w.PNGInterlaced = interlaced;
    w.PNGFilter = filter;
    w.PNGCompression = compression;
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::ComboBox14Click() {
  if (!Live) return;
  TPreviewWorkingValues& w = Working;
  const int32_t colors = ListIndex("ComboBox14");
  const bool compressed = Checked("CheckBox1");
  if (colors != w.TGAColors || compressed != w.TGACompressed) {
    w.TGAColors = colors;
    w.TGACompressed = compressed;
    ValuesChanged();
  }
  w.TGAImageName = EditText("Edit13");
  w.TGADescriptor = EditText("Edit14");
  Button4->setEnabled(true);
}

void TfIOPreviews::Edit22Change() {
  if (!Live) return;
  const int32_t quality = EditNumber("Edit22", 50);
  const int32_t smoothing = EditNumber("Edit23", 0);
  if (quality != Working.JPEGQuality || smoothing != Working.JPEGSmoothing) {
    Live = false;
    Control<QSlider>("TrackBar13")->setValue(quality);
    Live = true;
    TrackBar13Change(quality);
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::TrackBar13Change() { TrackBar13Change(Control<QSlider>("TrackBar13")->value()); }

void TfIOPreviews::TrackBar13Change(int32_t Quality) {
  if (!Live) return;
  TPreviewWorkingValues& w = Working;
  const auto colorSpace = static_cast<uint8_t>(ListIndex("ComboBox13"));
  const auto dctMethod = static_cast<uint8_t>(ListIndex("ComboBox1"));
  const bool optimal = Checked("CheckBox2");
  const bool progressive = Checked("CheckBox3");
  const int32_t smoothing = EditNumber("Edit23", 0);
  if (Quality != w.JPEGQuality || colorSpace != w.JPEGColorSpace || dctMethod != w.JPEGDCTMethod ||
      optimal != w.JPEGOptimalHuffman || smoothing != w.JPEGSmoothing ||
      progressive != w.JPEGProgressive) {
    w.JPEGQuality = Quality;
    w.JPEGColorSpace = colorSpace;
    w.JPEGDCTMethod = dctMethod;
    w.JPEGOptimalHuffman = optimal;
    w.JPEGSmoothing = smoothing;
    w.JPEGProgressive = progressive;
    WriteEditQuietly("Edit22", QString::number(Quality));
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::Edit16Change() {
  if (!Live) return;
  const int32_t quality = EditNumber("Edit16", 50);
  if (quality != Working.JPEGQuality) {
    Live = false;
    Control<QSlider>("TrackBar2")->setValue(quality);
    Live = true;
    Working.JPEGQuality = quality;
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::TrackBar2Change() {
  if (!Live) return;
  const int32_t quality = Control<QSlider>("TrackBar2")->value();
  if (quality != Working.JPEGQuality) {
    Working.JPEGQuality = quality;
    WriteEditQuietly("Edit16", QString::number(quality));
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::Edit15Change() {
  if (!Live) return;
  const double rate = EditNumber("Edit15", 1000) / 1000.0;
  if (rate != Working.J2000Rate) {
    Working.J2000Rate = rate;
    Live = false;
    Control<QSlider>("TrackBar1")->setValue(static_cast<int32_t>(std::trunc(rate * 1000)));
    Live = true;
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::TrackBar1Change() {
  if (!Live) return;
  const double rate = Control<QSlider>("TrackBar1")->value() / 1000.0;
  const auto colorSpace = static_cast<uint8_t>(ListIndex("ComboBox15"));
  if (rate != Working.J2000Rate || colorSpace != Working.J2000ColorSpace) {
    Working.J2000Rate = rate;
    Working.J2000ColorSpace = colorSpace;
    WriteEditQuietly("Edit15", QString::number(std::lround(rate * 1000)));
    ValuesChanged();
  }
  Button4->setEnabled(true);
}

void TfIOPreviews::WriteEditQuietly(const char* Name, const QString& Text) {
  Live = false;
  Control<QLineEdit>(Name)->setText(Text);
  Live = true;
}

}  // namespace calmora
