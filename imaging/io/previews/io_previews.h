// TfIOPreviews: the modal dialog where a user picks the save parameters of one format (one page
// per format, full or simplified) and writes them back into an I/O component's parameter record.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/pixel_types.h"
#include "imaging/io/formats/file_formats.h"
#include "imaging/params/lzw_defaults.h"
#include "platform/image_control.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace calmora {

class TIOParamsVals;
class TPVBitmap;
class TPreviewPane;

// TIFF photometric values, in the order the photometric list shows them.
inline constexpr uint8_t kPhotometricWhiteIsZero = 0;
inline constexpr uint8_t kPhotometricBlackIsZero = 1;
inline constexpr uint8_t kPhotometricRGB = 2;
inline constexpr uint8_t kPhotometricRGBPalette = 3;
inline constexpr uint8_t kPhotometricTransparencyMask = 4;
inline constexpr uint8_t kPhotometricCMYK = 5;
inline constexpr uint8_t kPhotometricYCbCr = 6;

// The dialog's copy of every setting it edits; the colour indexes are list positions.
struct TPreviewWorkingValues {
  int32_t JPEGQuality = 80;
  uint8_t JPEGColorSpace = 2;
  uint8_t JPEGDCTMethod = 0;
  int32_t JPEGSmoothing = 0;
  bool JPEGOptimalHuffman = false;
  bool JPEGProgressive = false;
  double J2000Rate = 1.0;
  uint8_t J2000ColorSpace = 1;
  TTIFFLZWDecompressFunc TIFFLZWDecompress = nullptr;
  TTIFFLZWCompressProc TIFFLZWCompress = nullptr;
  uint8_t TIFFCompression = 0;
  int32_t TIFFImageIndex = 0;
  uint8_t TIFFPhotometric = 2;
  int32_t TIFFXPos = 0;
  int32_t TIFFYPos = 0;
  std::string TIFFDocumentName;
  std::string TIFFImageDescription;
  std::string TIFFPageName;
  int32_t TIFFPageNumber = -1;
  int32_t TIFFPageCount = -1;
  int32_t SamplesPerPixel = 3;
  int32_t BitsPerSample = 8;
  int32_t GIFImageIndex = 0;
  int32_t GIFXPos = 0;
  int32_t GIFYPos = 0;
  int32_t GIFDelayTime = 0;
  bool GIFTransparent = false;
  TPVRGB GIFTransparentColor{};
  bool GIFInterlaced = false;
  TPVRGB GIFBackground{};
  int32_t GIFBits = 8;
  uint8_t BMPCompression = 0;
  int32_t BMPColors = 3;
  uint8_t PCXCompression = 1;
  int32_t PCXColors = 3;
  int32_t PNGColors = 2;
  bool PNGInterlaced = false;
  TPVRGB PNGBackground{};
  uint8_t PNGFilter = 0;
  int32_t PNGCompression = 5;
  int32_t TGAColors = 2;
  TPVRGB TGABackground{};
  bool TGACompressed = true;
  std::string TGAImageName;
  std::string TGADescriptor;
};

// The pages, in the order of the page control's tabs.
enum class TPreviewPage : int32_t {
  kJPEG1,
  kJPEG2,
  kTIFF1,
  kTIFF2,
  kGIF1,
  kGIF2,
  kBMP1,
  kPCX1,
  kPNG1,
  kTGA1,
  kJ20001,
};
inline constexpr int32_t kPreviewPageCount = 11;

// A TObject too, so that the I/O component's OnIOPreview event can hand the form over.
class TfIOPreviews : public QDialog, public TObject {
 public:
  // Builds every control (FormCreate runs at the end). The record is edited through Button1Click
  // only and must outlive the dialog.
  TfIOPreviews(TIOParamsVals& Params, QWidget* AOwner = nullptr);
  ~TfIOPreviews() override;

  // ---- Operations ----
  bool SelectPages(TPVParamsPages Pages);
  void SetLanguage(TMsgLanguage Language);
  static bool LZWAvailable();
  static int32_t CompressionToIndex(int32_t Compression);
  static int32_t IndexToCompression(int32_t Index);
  void LoadWorkingCopy();
  // Fills the active page's controls from the working values (live flag off meanwhile).
  void ShowPage();
  // Saves the source with the active page's values and shows the result and its size; a
  // format that cannot be saved or read back shows no result (see the source).
  void MakePreview();
  // The simplified variant's heights from the screen's pixels per inch.
  void SetSimplified(bool Value, int32_t PixelsPerInch);

  // ---- Handlers ----
  void FormCreate();
  void FormDestroy() {}
  // Runs once, when the form is first shown (see showEvent).
  void FormActivate();
  // Paints the background texture the dialogs use (DialogBackgroundStyle) behind the controls.
  void FormResize();
  void PageControl1Change();
  void PageControl1Changing();
  void Button1Click();
  void Button3Click() { MakePreview(); }
  void Button4Click();
  void SpeedButton1Click();
  void ComboBox2Click();
  void ComboBox5Click();
  void ComboBox6Change();
  void ComboBox8Change();
  void ComboBox10Change();
  void ComboBox14Click();
  void ComboBox16Change();
  void ComboBox18Change();
  void Edit15Change();
  void Edit16Change();
  void Edit22Change();
  void TrackBar1Change();
  void TrackBar2Change();
  void TrackBar13Change();
  void Panel1Click();
  void Panel3Click();
  void Panel4Click();
  void Panel5Click();
  // The result view takes the source view's zoom and origin.
  void Pictavo1ViewChange();
  // Percent from the save or the load of a preview.
  void Pictavo1Progress(int32_t Percent);

  // A control of the form by its name; null when there is none of that kind.
  template <typename Widget>
  Widget* Control(const char* Name) const {
    return findChild<Widget*>(QString::fromUtf8(Name));
  }
  // The size value labels of the active page.
  QLabel* OriginalSizeLabel() const;
  QLabel* CompressedSizeLabel() const;
  static QString SizeText(int64_t Bytes);
  // A colour panel's colour as a pixel, and back.
  void SetPanelColor(const char* Name, TPVRGB Color);
  TPVRGB PanelColor(const char* Name) const;

  // The page of the active tab.
  TPreviewPage ActivePage() const;
  // The widget of a page (its tab).
  QWidget* Sheet(TPreviewPage Page) const { return sheets_[static_cast<int32_t>(Page)]; }

  // ---- State ----
  TIOParamsVals& Params;
  TPVParamsPages Pages = 0;
  bool Simplified = false;
  bool DefaultLockPreview = false;
  int32_t DitherMethod = 1;
  std::u16string CancelText = u"&Cancel";
  bool Live = false;
  bool Ready = false;
  int32_t ProgressBase = 0;
  int32_t ProgressDivisor = 1;
  TPreviewWorkingValues Working;
  // Which TIFF list the user changed last: the other one follows it.
  enum class TIFFList { kOther, kPhotometric, kColors, kCompression };
  TIFFList TIFFListTouched = TIFFList::kOther;
  TPVBitmap* Source = nullptr;  // the image previewed; not owned
  // The last preview's image and record; empty when none could be made.
  std::unique_ptr<TPVBitmap> Result;
  std::unique_ptr<TIOParamsVals> ResultParams;
  int32_t PreviewCount = 0;            // previews shown
  std::vector<int32_t> ProgressTrace;  // every position the progress bar took
  int32_t PixelsPerInch = 96;

  // ---- Controls the operations reach by name ----
  platform::TImage* Image1 = nullptr;
  TPreviewPane* Pictavo1 = nullptr;  // the source
  TPreviewPane* Pictavo2 = nullptr;  // the result
  QTabWidget* PageControl1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QCheckBox* chkLockPreview = nullptr;
  QComboBox* ComboBox2 = nullptr;
  QComboBox* ComboBox16 = nullptr;

 protected:
  // Clicks on the colour panels.
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;

 private:
  void BuildForm();
  void ConnectPanels();
  // The palette picker with that many entries of the result's palette, or the colour dialog
  // when the result has no such palette; the panel takes the picked colour.
  void PickPanelColor(const char* Name, int32_t PaletteEntries);
  void BuildPages();
  void ApplyPageVariant();
  void RebuildCompressionLists();
  void ConnectHandlers();
  void LoadPreviewParams(TIOParamsVals& Target) const;
  void ReduceLikeSaved(TPVBitmap& Image, TIOParamsVals& ImageParams, const TIOParamsVals& Saved);
  void ShowNoResult();
  // With Lock Preview checked, a preview of the new working values.
  void ValuesChanged();
  void TrackBar13Change(int32_t Quality);
  void PaletteFormatChange(const char* ColorsList, const char* CompressionList, int32_t& Colors,
                           uint8_t& Compression);
  void WriteEditQuietly(const char* Name, const QString& Text);
  int32_t EditNumber(const char* Name, int32_t Default) const;
  std::string EditText(const char* Name) const;
  int32_t ListIndex(const char* Name) const;
  bool Checked(const char* Name) const;

  QWidget* sheets_[kPreviewPageCount] = {};
  bool activated_ = false;
};

}  // namespace calmora
