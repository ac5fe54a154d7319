// The one load sequence and the one save sequence behind every per-format method of the I/O
// component; the format's row says where a method differs.
#include <limits>

#include "imaging/core/mask/mask.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/load_save/finish_work_guard.h"
#include "imaging/io/load_save/load_save_jpeg_markers.h"
#include "imaging/io/load_save/load_save_stream_header.h"
#include "imaging/io/pictavo_io.h"
#include "imaging/io/load_save/pictavo_io_codecs.h"

namespace calmora {

namespace {

constexpr uint16_t kOpenForLoad = fmOpenRead | fmShareDenyWrite;

// Another registry entry may claim the camera-raw extension: raw content then goes to it.
TPVFileFormatId CameraRawClaimant(TPVFileFormatId Id) {
  if (Id != kFormatCameraRaw) return Id;
  const TPVFileFormatId claimant = ExtensionToFileType("RAW");
  return claimant == kFormatUnknown ? Id : claimant;
}

}  // namespace

// ---- Loads ----

int32_t TPictavoIO::LoadFormatFromStream(TPVFileFormatId Id, TStream* Stream) {
  if (HandedToWorker(FormatLoadKind(Id, false),
                     [Id, Stream](TPictavoIO& IO) { IO.RunFormatLoadFromStream(Id, Stream); }))
    return -1;
  return RunFormatLoadFromStream(Id, Stream);
}

int32_t TPictavoIO::LoadFormatFromFile(TPVFileFormatId Id, const std::u16string& FileName) {
  if (HandedToWorker(FormatLoadKind(Id, true),
                     [Id, FileName](TPictavoIO& IO) { IO.RunFormatLoadFromFile(Id, FileName); }))
    return -1;
  return RunFormatLoadFromFile(Id, FileName);
}

int32_t TPictavoIO::RunFormatLoadFromStream(TPVFileFormatId Id, TStream* Stream) {
  if (const TPVFileFormatId claimant = CameraRawClaimant(Id); claimant != Id) {
    LoadClaimedCameraRaw(claimant, Stream);
    return 0;
  }
  const TPVFinishWorkGuard finish(*this);
  Aborting = Stream == nullptr;
  return Stream == nullptr ? 0 : RunLoad(FormatMethodOf(Id), *Stream, nullptr);
}

int32_t TPictavoIO::RunFormatLoadFromFile(TPVFileFormatId Id, const std::u16string& FileName) {
  // Declared first, so that the file is closed before the finish event.
  TPVFinishWorkGuard finish(*this);
  // Until the file is open the load counts as failed.
  Aborting = true;
  TPVWideFileStream file(FileName, kOpenForLoad);
  Aborting = false;
  if (const TPVFileFormatId claimant = CameraRawClaimant(Id); claimant != Id) {
    finish.Dismiss();
    LoadClaimedCameraRaw(claimant, &file);
    return 0;
  }
  return RunLoad(FormatMethodOf(Id), file, &FileName);
}

void TPictavoIO::LoadClaimedCameraRaw(TPVFileFormatId Claimant, TStream* Stream) {
  const TPVFileFormatInfo* entry = FindFileFormatInfo(Claimant);
  if (entry == nullptr || Stream == nullptr) return FailLoad();
  if (entry->Internal) {
    RunFormatLoadFromStream(Claimant, Stream);
    return;
  }
  RunRegistryStreamLoad(*entry, Stream);
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
        ReadStreamHeader(Stream, Method.HeaderMagic, Method.AcceptsOldHeader);
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
  if (Method.BeforeRead != nullptr) Method.BeforeRead(*this, FileName != nullptr);
  if (reader == nullptr)
    Aborting = true;  // no reader built: fails as a failing reader does
  else
    count = reader(*source, *WorkBitmap, *Params, false, progress, mask);
  if (dataEnd >= 0) Stream.SetPosition(dataEnd);
  if (Method.AfterRead != nullptr) Method.AfterRead(*this, FileName != nullptr);

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
  if (HandedToWorker(TPVIOWorkKind::kStreamProc,
                     [Id, Stream](TPictavoIO& IO) { IO.RunFormatSaveToStream(Id, Stream); }))
    return;
  RunFormatSaveToStream(Id, Stream);
}

void TPictavoIO::SaveFormatToFile(TPVFileFormatId Id, const std::u16string& FileName) {
  if (HandedToWorker(TPVIOWorkKind::kFileProc,
                     [Id, FileName](TPictavoIO& IO) { IO.RunFormatSaveToFile(Id, FileName); }))
    return;
  RunFormatSaveToFile(Id, FileName);
}

void TPictavoIO::RunFormatSaveToStream(TPVFileFormatId Id, TStream* Stream) {
  const TPVFinishWorkGuard finish(*this);
  Aborting = false;
  const TPVFormatMethod& method = FormatMethodOf(Id);
  if (Stream == nullptr)
    Aborting = true;
  else if (PrepareForSave(method, false))
    WriteFormat(method, *Stream, false);
}

void TPictavoIO::RunFormatSaveToFile(TPVFileFormatId Id, const std::u16string& FileName) {
  const TPVFinishWorkGuard finish(*this);
  const TPVFormatMethod& method = FormatMethodOf(Id);
  Aborting = true;
  const bool hasWriter = method.CanSave && CodecOf(Id).Write != nullptr;
  // Without a writer, and for most formats without a usable bitmap, no file is made.
  const bool ready = hasWriter && (method.CreatesFileFirst || PrepareForSave(method, true));
  if (!ready) return;
  TPVWideFileStream file(FileName, fmCreate);
  Aborting = false;
  if (!method.CreatesFileFirst || PrepareForSave(method, true)) WriteFormat(method, file, true);
  Params->FileName = FileName;
  Params->FileType = Id;
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
    // The mask is made from the alpha channel, not from the picture's colours.
    const TPVBitmap* alpha = WorkBitmap->GetAlphaChannel();
    if (alpha == nullptr || !alpha->CopyToMask(*mask)) mask.reset();
  }
  const TPVCodecWriter writer = CodecOf(Method.Id).Write;
  if (Method.PreparesJPEGMarkers && !PrepareJPEGMarkers(*Params)) {
    Aborting = true;
    return;
  }
  std::unique_ptr<TPVBitmap> replacement;
  if (Method.SavePicture != nullptr && !Method.SavePicture(*this, replacement)) {
    Aborting = true;
    return;
  }
  TPVBitmap* picture = replacement != nullptr ? replacement.get() : WorkBitmap;
  if (!ToFile && Method.TruncatesStream) Stream.SetSize(0);
  const bool withHeader = !ToFile && StreamHeaders && Method.HeaderMagic != nullptr;
  // Data whose offsets count from its start, and data that gets a header (which needs its
  // length), are encoded into memory first.
  const bool throughMemory = !ToFile && (withHeader || Method.WritesFromOffsetZero);
  TMemoryStream encoded;
  TStream& target = throughMemory ? static_cast<TStream&>(encoded) : Stream;
  const auto write = [&] { writer(target, *picture, *Params, progress, mask.get()); };
  if (Method.AroundWrite != nullptr)
    Method.AroundWrite(*Params, write);
  else
    write();
  if (!throughMemory || Aborting) return;
  const int64_t size = encoded.GetSize();
  if (size > std::numeric_limits<int32_t>::max()) {
    Aborting = true;
    return;
  }
  if (withHeader) WriteStreamHeader(Stream, Method.HeaderMagic, static_cast<int32_t>(size));
  if (size > 0) Stream.WriteBuffer(encoded.GetMemory(), static_cast<int32_t>(size));
}

}  // namespace calmora
