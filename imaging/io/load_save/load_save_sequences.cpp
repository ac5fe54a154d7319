// The one load sequence and the one save sequence behind every per-format method of the I/O
// component; the format's row says where a method differs.
#include <limits>
#include <optional>

#include "imaging/core/mask/mask.h"
#include "imaging/core/view/view_services.h"
#include "imaging/io/load_save/load_save_jpeg_markers.h"
#include "imaging/io/load_save/load_save_psd.h"
#include "imaging/io/load_save/load_save_stream_header.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"
#include "imaging/base/color_helpers.h"

namespace calmora {

namespace {

constexpr uint16_t kOpenForLoad = fmOpenRead | fmShareDenyWrite;

// Another registry entry may claim the camera-raw extension: raw content then goes to it.
TPVFileFormatId CameraRawClaimant(TPVFileFormatId Id) {
  if (Id != kFormatCameraRaw) return Id;
  const TPVFileFormatId claimant = ExtensionToFileType("RAW");
  return claimant == kFormatUnknown ? Id : claimant;
}

// The icon writer writes every size it is given: for the save's length it is given only the
// leading entries up to the first zero width, the rest (with their bit counts) cleared.
class TLeadingIconSizes {
 public:
  explicit TLeadingIconSizes(TIOParamsVals& Params)
      : Params_(Params), Sizes_(Params.ICO_Sizes), BitCounts_(Params.ICO_BitCounts) {
    size_t leading = 0;
    while (leading < Sizes_.size() && Sizes_[leading].Width > 0) ++leading;
    for (size_t i = leading; i < Sizes_.size(); ++i) {
      Params.ICO_Sizes[i] = TICOSize{};
      Params.ICO_BitCounts[i] = 0;
    }
  }
  ~TLeadingIconSizes() {
    Params_.ICO_Sizes = Sizes_;
    Params_.ICO_BitCounts = BitCounts_;
  }
  TLeadingIconSizes(const TLeadingIconSizes&) = delete;
  TLeadingIconSizes& operator=(const TLeadingIconSizes&) = delete;

 private:
  TIOParamsVals& Params_;
  const TICOSizes Sizes_;
  const TICOBitCounts BitCounts_;
};

}  // namespace

// ---- Loads ----

int32_t TPictavoIO::LoadFormatFromStream(TPVFileFormatId Id, TStream* Stream) {
  if (HandedToWorker(&TPictavoIO::LoadFormatFromStream, Id, Stream)) return -1;
  if (const TPVFileFormatId claimant = CameraRawClaimant(Id); claimant != Id) {
    LoadFromStreamFormat(Stream, claimant);
    return 0;
  }
  int32_t count = 0;
  Aborting = false;
  try {
    if (Stream == nullptr)
      Aborting = true;
    else
      count = RunLoad(FormatMethodOf(Id), *Stream, nullptr);
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
  return count;
}

int32_t TPictavoIO::LoadFormatFromFile(TPVFileFormatId Id, const std::u16string& FileName) {
  if (HandedToWorker(&TPictavoIO::LoadFormatFromFile, Id, FileName)) return -1;
  int32_t count = 0;
  // Until the file is open the load counts as failed.
  Aborting = true;
  try {
    TPVWideFileStream file(FileName, kOpenForLoad);
    Aborting = false;
    if (const TPVFileFormatId claimant = CameraRawClaimant(Id); claimant != Id) {
      LoadFromStreamFormat(&file, claimant);
      return 0;
    }
    count = RunLoad(FormatMethodOf(Id), file, &FileName);
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
  return count;
}

int32_t TPictavoIO::RunLoad(const TPVFormatMethod& Method, TStream& Stream,
                            const std::u16string* FileName) {
  TPVProgressRecord progress;
  progress.Aborting = &Aborting;
  if (!PrepareBitmap({})) {
    Aborting = true;
    return 0;
  }
  Params->ResetInfo();
  progress.OnProgress = ProgressMethod;
  progress.Sender = this;
  WorkBitmap->RemoveAlphaChannel(false, 0);

  // Data marked by a stream header is read from a copy of exactly its bytes, so the reader
  // cannot run past them; the stream is then left just after them.
  TStream* source = &Stream;
  TMemoryStream window;
  int64_t dataEnd = -1;
  const bool looksForHeader = FileName == nullptr && Method.HeaderMagic != nullptr &&
                              (Method.AlwaysLooksForHeader || StreamHeaders);
  if (looksForHeader) {
    const TPVStreamHeader header =
        ReadStreamHeader(Stream, Method.HeaderMagic, Method.Id == kFormatPCX);
    const bool missing = header.Kind == TPVStreamHeader::kNone && !Method.AlwaysLooksForHeader;
    if (header.Kind == TPVStreamHeader::kBad || missing) {
      Aborting = true;
      return 0;
    }
    if (header.Kind == TPVStreamHeader::kFound) {
      if (header.DataLength > 0) window.CopyFrom(&Stream, header.DataLength);
      window.SetPosition(0);
      source = &window;
      dataEnd = header.DataStart + header.DataLength;
    }
  }

  int32_t count = 0;
  std::unique_ptr<TPVMask> mask;
  const TPVCodecReader reader = Method.CanLoad ? CodecOf(Method.Id).Read : nullptr;
  // A PNG file without a background chunk keeps the background in force.
  if (Method.Id == kFormatPNG && FileName != nullptr)
    Params->PNG_Background = ColorToRGBRecord(GetBackground());
  if (Method.Id == kFormatPSD) ClearLayersBeforePSDLoad(AttachedPictavo, *Params);
  if (reader == nullptr)
    Aborting = true;  // no reader built: fails as a failing reader does
  else
    count = reader(*source, *WorkBitmap, *Params, false, progress, mask);
  if (dataEnd >= 0) Stream.SetPosition(dataEnd);
  if (Method.Id == kFormatPNG)
    SetBackground(static_cast<TColor>(SwapRedBlue(Params->PNG_Background)));

  if (Method.ApplyDefaultDPI) ApplyDefaultDPI();
  if (mask != nullptr && Method.LoadsMask) {
    TPVBitmap* alpha = WorkBitmap->GetAlphaChannel();
    if (alpha != nullptr) alpha->CopyFromMask(mask.get());
  }
  if (Method.AdjustDPI && AutoAdjustDPI) AdjustDPI();
  if (FileName != nullptr ? Method.UpdateViewDPIFromFile : Method.UpdateViewDPIFromStream)
    UpdateViewDPI();
  Params->FileName = FileName != nullptr ? *FileName : std::u16string();
  Params->FileType = Method.Id;
  Update();
  return count;
}

// ---- Saves ----

void TPictavoIO::SaveFormatToStream(TPVFileFormatId Id, TStream* Stream) {
  if (HandedToWorker(&TPictavoIO::SaveFormatToStream, Id, Stream)) return;
  Aborting = false;
  try {
    const TPVFormatMethod& method = FormatMethodOf(Id);
    if (Stream == nullptr)
      Aborting = true;
    else if (PrepareForSave(method, false))
      WriteFormat(method, *Stream, false);
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TPictavoIO::SaveFormatToFile(TPVFileFormatId Id, const std::u16string& FileName) {
  if (HandedToWorker(&TPictavoIO::SaveFormatToFile, Id, FileName)) return;
  const TPVFormatMethod& method = FormatMethodOf(Id);
  Aborting = true;
  try {
    const bool hasWriter = method.CanSave && CodecOf(Id).Write != nullptr;
    // Without a writer, and for most formats without a usable bitmap, no file is made.
    const bool ready = hasWriter && (method.CreatesFileFirst || PrepareForSave(method, true));
    if (ready) {
      TPVWideFileStream file(FileName, fmCreate);
      Aborting = false;
      if (!method.CreatesFileFirst || PrepareForSave(method, true)) WriteFormat(method, file, true);
      Params->FileName = FileName;
      Params->FileType = Id;
    }
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

bool TPictavoIO::PrepareForSave(const TPVFormatMethod& Method, bool ToFile) {
  const bool ready = Method.CanSave && CodecOf(Method.Id).Write != nullptr && PrepareBitmap({});
  if (!ready) {
    Aborting = true;
    return false;
  }
  if (!Method.ConvertOnSave) return true;
  const TPVPixelFormat format = WorkBitmap->GetPixelFormat();
  const bool kept =
      format == pv24RGB || format == pv1g || (ToFile && Method.FileKeepsRGB48 && format == pvRGB48);
  if (!kept && !WorkBitmap->SetPixelFormat(pv24RGB)) {
    Aborting = true;
    return false;
  }
  return true;
}

void TPictavoIO::WriteFormat(const TPVFormatMethod& Method, TStream& Stream, bool ToFile) {
  TPVProgressRecord progress;
  progress.Aborting = &Aborting;
  progress.OnProgress = ProgressMethod;
  progress.Sender = this;
  std::unique_ptr<TPVMask> mask;
  if (Method.SavesMask && WorkBitmap->HasAlphaChannel()) {
    mask = std::make_unique<TPVMask>();
    if (!WorkBitmap->CopyToMask(*mask)) mask.reset();
  }
  const TPVCodecWriter writer = CodecOf(Method.Id).Write;
  if (Method.PreparesJPEGMarkers && !PrepareJPEGMarkers(*Params)) {
    Aborting = true;
    return;
  }
  // A layered view's document is written as the composite of all its layers.
  TPVBitmap* picture = WorkBitmap;
  std::unique_ptr<TPVBitmap> composite;
  auto* layeredView = dynamic_cast<TPictavoViewServices*>(AttachedPictavo);
  if (Method.Id == kFormatPSD && layeredView != nullptr) {
    composite = PSDSaveComposite(*layeredView);
    if (composite == nullptr) {
      Aborting = true;
      return;
    }
    picture = composite.get();
  }
  std::optional<TLeadingIconSizes> iconSizes;
  if (Method.Id == kFormatICO) iconSizes.emplace(*Params);
  if (!ToFile && Method.TruncatesStream) Stream.SetSize(0);
  const bool withHeader = !ToFile && StreamHeaders && Method.HeaderMagic != nullptr;
  // TIFF offsets count from the data's start, and a header needs the data's length: both
  // are encoded into memory first.
  const bool throughMemory = !ToFile && (withHeader || Method.Id == kFormatTIFF);
  if (!throughMemory) {
    writer(Stream, *picture, *Params, progress, mask.get());
    return;
  }
  TMemoryStream encoded;
  writer(encoded, *picture, *Params, progress, mask.get());
  if (Aborting) return;
  const int64_t size = encoded.GetSize();
  if (size > std::numeric_limits<int32_t>::max()) {
    Aborting = true;
    return;
  }
  if (withHeader) WriteStreamHeader(Stream, Method.HeaderMagic, static_cast<int32_t>(size));
  if (size > 0) Stream.WriteBuffer(encoded.GetMemory(), static_cast<int32_t>(size));
}

}  // namespace calmora
