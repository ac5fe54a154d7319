// TfIOPreviews::MakePreview: saves the source with the active page's values through the
// registered writer, shows the bytes it took and the image the saved file would give.
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <memory>

#include "imaging/base/row_bits.h"
#include "imaging/base/streams/streams.h"
#include "imaging/core/bitmap/bitmap.h"
#include "imaging/io/previews/io_preview_pane.h"
#include "imaging/io/previews/io_previews.h"
#include "imaging/params/io_params.h"
#include "imaging/proc/component/pictavo_proc.h"

namespace calmora {
namespace {

constexpr char kNoResultCaption[] = "Result can not be shown but parameters may be entered";
// The hourglass while a preview runs, whatever way it ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

TPVFileFormatId FormatOfPage(TPreviewPage page) {
  switch (page) {
    case TPreviewPage::kJPEG1:
    case TPreviewPage::kJPEG2:
      return kFormatJPEG;
    case TPreviewPage::kTIFF1:
    case TPreviewPage::kTIFF2:
      return kFormatTIFF;
    case TPreviewPage::kGIF1:
    case TPreviewPage::kGIF2:
      return kFormatGIF;
    case TPreviewPage::kBMP1:
      return kFormatBMP;
    case TPreviewPage::kPCX1:
      return kFormatPCX;
    case TPreviewPage::kPNG1:
      return kFormatPNG;
    case TPreviewPage::kTGA1:
      return kFormatTGA;
    case TPreviewPage::kJ20001:
      return kFormatJ2K;
  }
  return kFormatUnknown;
}

void SetDepth(TIOParamsVals& params, int32_t samples, int32_t bits) {
  params.SamplesPerPixel = samples;
  params.BitsPerSample = bits;
}

}  // namespace

// The active page's working values in a record of the preview's own (never the caller's).
void TfIOPreviews::LoadPreviewParams(TIOParamsVals& Target) const {
  const TPreviewWorkingValues& w = Working;
  Target.Assign(&Params);
  switch (ActivePage()) {
    case TPreviewPage::kJPEG1:
    case TPreviewPage::kJPEG2:
      Target.JPEG_Quality = w.JPEGQuality;
      Target.JPEG_ColorSpace = w.JPEGColorSpace;
      if (w.JPEGDCTMethod <= 2) Target.JPEG_DCTMethod = w.JPEGDCTMethod;
      Target.JPEG_OptimalHuffman = w.JPEGOptimalHuffman;
      Target.JPEG_Smoothing = w.JPEGSmoothing;
      Target.JPEG_Progressive = w.JPEGProgressive;
      break;
    case TPreviewPage::kJ20001:
      Target.J2000_Rate = w.J2000Rate;
      Target.J2000_ColorSpace = w.J2000ColorSpace;
      SetDepth(Target, 3, 8);
      break;
    case TPreviewPage::kTIFF1:
    case TPreviewPage::kTIFF2:
      Target.TIFF_LZWDecompress = w.TIFFLZWDecompress;
      Target.TIFF_LZWCompress = w.TIFFLZWCompress;
      Target.TIFF_Compression = w.TIFFCompression;
      Target.TIFF_Photometric = w.TIFFPhotometric;
      SetDepth(Target, w.SamplesPerPixel, w.BitsPerSample);
      break;
    case TPreviewPage::kGIF1:
    case TPreviewPage::kGIF2:
      SetDepth(Target, 1, w.GIFBits);
      Target.GIF_Interlaced = w.GIFInterlaced;
      break;
    case TPreviewPage::kBMP1:
    case TPreviewPage::kPCX1: {
      const int32_t colors = ActivePage() == TPreviewPage::kBMP1 ? w.BMPColors : w.PCXColors;
      constexpr int32_t kDepths[5][2] = {{1, 1}, {1, 4}, {1, 8}, {3, 8}, {3, 8}};
      const int32_t row = colors < 0 || colors > 4 ? 3 : colors;
      SetDepth(Target, kDepths[row][0], kDepths[row][1]);
      Target.BMP_Compression = w.BMPCompression;
      Target.PCX_Compression = w.PCXCompression;
      break;
    }
    case TPreviewPage::kPNG1:
    case TPreviewPage::kTGA1: {
      const bool png = ActivePage() == TPreviewPage::kPNG1;
      const int32_t colors = png ? w.PNGColors : w.TGAColors;
      SetDepth(Target, colors >= 2 ? 3 : 1, colors == 0 ? 1 : 8);
      Target.PNG_Interlaced = w.PNGInterlaced;
      Target.PNG_Filter = w.PNGFilter;
      Target.PNG_Compression = w.PNGCompression;
      Target.TGA_Compressed = w.TGACompressed;
      break;
    }
  }
}

void TfIOPreviews::ShowNoResult() {
  CompressedSizeLabel()->setText("---");
  setWindowTitle(kNoResultCaption);
  Pictavo2->Blank();
  Result = std::make_unique<TPVBitmap>();
  ResultParams = std::make_unique<TIOParamsVals>(nullptr);
}

void TfIOPreviews::MakePreview() {
  if (!Ready || Source == nullptr) return;
  BusyCursor busy;
  const TPVFileFormatInfo* format = FindFileFormatInfo(FormatOfPage(ActivePage()));
  TIOParamsVals previewParams(nullptr);
  LoadPreviewParams(previewParams);
  bool aborting = false;
  TPVProgressRecord progress;
  progress.Aborting = &aborting;
  progress.OnProgress = [this](TObject*, int percent) { Pictavo1Progress(percent); };
  ProgressBase = 0;
  const TPVFileFormatId id = format != nullptr ? format->FileType : kFormatUnknown;
  const bool decoded = id == kFormatJPEG || id == kFormatJ2K;
  ProgressDivisor = decoded ? 2 : 1;
  bool made = format != nullptr && format->WriteProc != nullptr &&
              (!decoded || format->ReadProc != nullptr);
  int64_t bytes = 0;
  auto result = std::make_unique<TPVBitmap>();
  auto resultParams = std::make_unique<TIOParamsVals>(nullptr);
  try {
    if (made && decoded) {
      TMemoryStream stream;
      format->WriteProc(&stream, Source, previewParams, progress);
      bytes = stream.GetSize();
      stream.Seek(0, soBeginning);
      ProgressBase = 50;
      if (!aborting) format->ReadProc(&stream, result.get(), *resultParams, false, progress);
    } else if (made) {
      TNulStream counter;
      format->WriteProc(&counter, Source, previewParams, progress);
      bytes = counter.GetSize();
      if (!aborting) {
        made = result->Assign(Source);
        resultParams->Assign(&Params);
        if (made) ReduceLikeSaved(*result, *resultParams, previewParams);
      }
    }
  } catch (const std::exception&) {
    made = false;
  }
  made = made && !aborting && bytes > 0;
  ProgressBar1->setValue(0);
  if (!made) {
    ShowNoResult();
    return;
  }
  CompressedSizeLabel()->setText(SizeText(bytes));
  Result = std::move(result);
  ResultParams = std::move(resultParams);
  Pictavo2->SetExternalBitmap(Result.get());
  Pictavo1ViewChange();
  ++PreviewCount;
}

// What a palette or grey format does to the colours: the result shows the saved depth.
void TfIOPreviews::ReduceLikeSaved(TPVBitmap& Image, TIOParamsVals& ImageParams,
                                   const TIOParamsVals& Saved) {
  TPictavoProc proc(nullptr);
  proc.AttachBitmap(&Image);
  const auto dither = static_cast<TPVDitherMethod>(DitherMethod);
  const int32_t samples = Saved.SamplesPerPixel;
  const int32_t bits = Saved.BitsPerSample;
  const TPVFileFormatId id = FormatOfPage(ActivePage());
  if (id == kFormatBMP || id == kFormatPCX) {
    const int32_t colors = CalcColorCount(bits, samples);
    if (colors <= 256) proc.ConvertTo(colors, dither);
    return;
  }
  const uint8_t photometric = id == kFormatTIFF ? Saved.TIFF_Photometric : 0;
  if (id == kFormatTIFF && (photometric == kPhotometricWhiteIsZero || photometric == kPhotometricBlackIsZero) &&
      bits == 8 && samples == 1) {
    proc.ConvertToGray();
    ImageParams.ColorMap.reset();
    ImageParams.ColorMapCount = 0;
    return;
  }
  if (id == kFormatTIFF && photometric >= kPhotometricCMYK) return;
  const int32_t colors = CalcColorCount(bits, samples);
  if (colors > 256) {
    ImageParams.ColorMap.reset();
    ImageParams.ColorMapCount = 0;
    return;
  }
  ImageParams.ColorMap = std::make_unique<TPVRGB[]>(static_cast<size_t>(colors));
  ImageParams.ColorMapCount = colors;
  proc.ConvertToPalette(colors, ImageParams.ColorMap.get(), dither);
}

void TfIOPreviews::Pictavo1Progress(int32_t Percent) {
  ProgressBar1->setValue(Percent / ProgressDivisor + ProgressBase);
  ProgressTrace.push_back(ProgressBar1->value());
}

}  // namespace calmora
