// The I/O component's general entry points: load or save by file name, stream, format id or
// buffer, choosing the per-format method for built-in formats and a registry entry's
// callbacks for any other.
#include "imaging/base/file_names.h"
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

namespace {

constexpr uint16_t kOpenForLoad = fmOpenRead | fmShareDenyWrite;

// How a described id is loaded; an id without a description has no method of its own.
TPVLoadRoute LoadRouteOf(TPVFileFormatId Id) {
  const TPVFormatDescription* format = FormatDescriptionOf(Id);
  return format != nullptr ? format->LoadRoute : TPVLoadRoute::kMethod;
}

// The registry's extensions are plain ASCII: another character matches none of them.
std::string NarrowExtension(const std::u16string& Extension) {
  std::string narrow;
  for (char16_t c : Extension) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '\x7F');
  return narrow;
}

// The ids SaveToStream serves with a per-format method.
bool HasStreamSaveMethod(TPVFileFormatId Id) {
  const TPVFormatDescription* format = FormatDescriptionOf(Id);
  return format != nullptr && format->StreamSave;
}

}  // namespace

void TPictavoIO::FailLoad() {
  Aborting = true;
  DoFinishWork();
}

TPVProgressRecord TPictavoIO::MakeProgress() {
  TPVProgressRecord progress;
  progress.OnProgress = ProgressMethod;
  progress.Sender = this;
  progress.Aborting = &Aborting;
  return progress;
}

// ---- Loads by name ----

void TPictavoIO::LoadFromFile(const std::u16string& FileName) {
  if (WorkBitmap == nullptr) return;
  if (FileName.empty()) return FailLoad();
  if (GetURLKindW(FileName) != 0) return LoadFromURL(FileName);
  if (ExtractLowerExtensionW(FileName, true) == u".avi") {
    // The open, the frame and the close belong to one worker: a frame handed over alone would
    // find its file closed.
    if (HandedToWorker(&TPictavoIO::LoadFromFile, FileName)) return;
    OpenAVIFile(FileName);
    LoadFromAVI(static_cast<uint32_t>(Params->ImageIndex));
    CloseAVIFile();
    Params->FileName = FileName;
    Params->FileType = kFormatAVI;
    return;
  }
  const TPVFileFormatInfo* entry =
      FindFileFormatByExt(NarrowExtension(ExtractLowerExtensionW(FileName, false)));
  if (entry == nullptr) return FailLoad();
  if (entry->Internal) {
    switch (LoadRouteOf(entry->FileType)) {
      case TPVLoadRoute::kMethod:
        LoadFormatFromFile(entry->FileType, FileName);
        return;
      case TPVLoadRoute::kGIFFrames:
        LoadFromFileGIF(FileName);
        return;
      case TPVLoadRoute::kViewFile:
        LoadFromFilePVV(FileName, entry->FileType);
        return;
      case TPVLoadRoute::kMetafile:
        ImportMetafile(FileName, -1, -1, true);
        return;
      case TPVLoadRoute::kByName:
      case TPVLoadRoute::kFormatOnly:
        break;  // on to the entry's own reader
    }
  }
  LoadFileThroughRegistry(*entry, FileName, false);
}

void TPictavoIO::LoadFromFileAuto(const std::u16string& FileName) {
  const TPVFileFormatId id = FindFileFormat(FileName, false);
  if (id == kFormatUnknown)
    LoadFromFile(FileName);
  else
    LoadFromFileFormat(FileName, id);
}

void TPictavoIO::LoadFromFileFormat(const std::u16string& FileName, TPVFileFormatId FileType) {
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
  if (entry == nullptr) return FailLoad();
  if (entry->Internal) {
    switch (LoadRouteOf(FileType)) {
      case TPVLoadRoute::kMethod:
      case TPVLoadRoute::kFormatOnly:
        LoadFormatFromFile(FileType, FileName);
        return;
      case TPVLoadRoute::kGIFFrames:
        LoadFromFileGIF(FileName);
        return;
      case TPVLoadRoute::kViewFile:
        LoadFromFilePVV(FileName, FileType);
        return;
      case TPVLoadRoute::kMetafile:
        ImportMetafile(FileName, -1, -1, true);
        return;
      case TPVLoadRoute::kByName:
        LoadFromFile(FileName);
        return;
    }
  }
  LoadFileThroughRegistry(*entry, FileName, true);
}

void TPictavoIO::LoadFileThroughRegistry(const TPVFileFormatInfo& Entry,
                                         const std::u16string& FileName, bool Guarded) {
  Params->ResetInfo();
  Params->FileName.clear();
  Params->FileType = kFormatUnknown;
  if (Entry.ReadProc == nullptr) return FailLoad();
  // The whole call again, by name or by name and id as the caller asked.
  if (Guarded ? HandedToWorker(&TPictavoIO::LoadFromFileFormat, FileName, Entry.FileType)
              : HandedToWorker(&TPictavoIO::LoadFromFile, FileName))
    return;
  Aborting = true;
  if (!PrepareBitmap({})) {
    if (Guarded) DoFinishWork();
    return;
  }
  std::unique_ptr<TPVWideFileStream> file;
  try {
    file = std::make_unique<TPVWideFileStream>(FileName, kOpenForLoad);
  } catch (...) {
    if (Guarded) DoFinishWork();
    throw;
  }
  Aborting = false;
  TPVProgressRecord progress = MakeProgress();
  Params->FileName = FileName;
  Params->FileType = Entry.FileType;
  try {
    Entry.ReadProc(file.get(), WorkBitmap, *Params, false, progress);
  } catch (...) {
    Aborting = true;
    if (Guarded) {
      DoFinishWork();
      throw;
    }
  }
  if (!Aborting || Guarded) {
    if (AutoAdjustDPI) AdjustDPI();
    UpdateViewDPI();
  }
  Update();
  file.reset();
  DoFinishWork();
}

// ---- Loads from streams ----

void TPictavoIO::LoadFromStream(TStream* Stream) {
  if (Stream == nullptr) return FailLoad();
  const int64_t start = Stream->GetPosition();
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FindStreamFormat(Stream));
  // Unknown content, AVI and metafiles have no stream reader: a load that loads nothing says so.
  if (entry == nullptr) return FailLoad();
  Stream->SetPosition(start);
  if (!entry->Internal && HandedToWorker(&TPictavoIO::LoadFromStream, Stream)) return;
  LoadStreamByEntry(*entry, Stream);
}

void TPictavoIO::LoadFromStreamFormat(TStream* Stream, TPVFileFormatId FileType) {
  if (FileType == kFormatUnknown) return LoadFromStream(Stream);
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
  if (entry == nullptr || Stream == nullptr) return FailLoad();
  if (!entry->Internal && HandedToWorker(&TPictavoIO::LoadFromStreamFormat, Stream, FileType))
    return;
  LoadStreamByEntry(*entry, Stream);
}

void TPictavoIO::LoadStreamByEntry(const TPVFileFormatInfo& Entry, TStream* Stream) {
  if (Entry.Internal) {
    if (LoadRouteOf(Entry.FileType) == TPVLoadRoute::kMetafile ||
        LoadRouteOf(Entry.FileType) == TPVLoadRoute::kByName)
      return FailLoad();
    if (LoadRouteOf(Entry.FileType) == TPVLoadRoute::kGIFFrames)
      LoadFromStreamGIF(Stream);
    else if (LoadRouteOf(Entry.FileType) == TPVLoadRoute::kViewFile)
      LoadFromStreamPVV(Stream, Entry.FileType);
    else
      LoadFormatFromStream(Entry.FileType, Stream);
    return;
  }
  Params->ResetInfo();
  Params->FileName.clear();
  Params->FileType = kFormatUnknown;
  if (Entry.ReadProc == nullptr) return FailLoad();
  Aborting = false;
  try {
    if (!PrepareBitmap({})) {
      Aborting = true;
    } else {
      TPVProgressRecord progress = MakeProgress();
      Params->FileType = Entry.FileType;
      Entry.ReadProc(Stream, WorkBitmap, *Params, false, progress);
      if (AutoAdjustDPI) AdjustDPI();
      UpdateViewDPI();
      Update();
    }
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TPictavoIO::LoadFromBuffer(const void* Buffer, int64_t BufferSize, TPVFileFormatId FileType) {
  if (Buffer == nullptr || BufferSize < 0) return FailLoad();
  TPVMemStream stream(Buffer, BufferSize);
  const TPVInPlaceScope inPlace(*this);
  if (FileType == kFormatUnknown)
    LoadFromStream(&stream);
  else
    LoadFromStreamFormat(&stream, FileType);
}

// ---- Saves ----

void TPictavoIO::SaveToFile(const std::u16string& FileName) {
  if (FileName.empty()) return;
  const std::u16string extension = ExtractLowerExtensionW(FileName, true);
  // The described formats' own extensions go to their per-format method, before any writer
  // of the registry is asked.
  if (const TPVFormatDescription* format = SaveByNameOf(NarrowExtension(extension)))
    return SaveFormatToFile(format->Id, FileName);
  const TPVFileFormatInfo* entry =
      FindFileFormatByExt(NarrowExtension(ExtractLowerExtensionW(FileName, false)));
  // Built-in entries the chain does not name (a view's layer and object files among them)
  // have no writer here: nothing is saved rather than an empty file.
  if (entry == nullptr || entry->WriteProc == nullptr || entry->Internal) {
    Aborting = true;
    return;
  }
  if (HandedToWorker(&TPictavoIO::SaveToFile, FileName)) return;
  Aborting = true;
  try {
    if (PrepareBitmap({}) && ConvertForRegistryWriter()) {
      TPVWideFileStream file(FileName, fmCreate);
      Aborting = false;
      TPVProgressRecord progress = MakeProgress();
      Params->FileName = FileName;
      Params->FileType = entry->FileType;
      entry->WriteProc(&file, WorkBitmap, *Params, progress);
    }
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TPictavoIO::SaveToStream(TStream* Stream, TPVFileFormatId FileType) {
  if (HasStreamSaveMethod(FileType)) return SaveFormatToStream(FileType, Stream);
  if (HandedToWorker(&TPictavoIO::SaveToStream, Stream, FileType)) return;
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
  if (entry == nullptr || entry->WriteProc == nullptr || entry->Internal || Stream == nullptr) {
    Aborting = true;
    return;
  }
  Aborting = false;
  try {
    if (PrepareBitmap({}) && ConvertForRegistryWriter()) {
      TPVProgressRecord progress = MakeProgress();
      Params->FileType = FileType;
      entry->WriteProc(Stream, WorkBitmap, *Params, progress);
    } else {
      Aborting = true;
    }
  } catch (...) {
    Aborting = true;
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

bool TPictavoIO::ConvertForRegistryWriter() {
  const TPVPixelFormat format = WorkBitmap->GetPixelFormat();
  if (format == pv24RGB || format == pv1g) return true;
  return WorkBitmap->SetPixelFormat(pv24RGB);
}

}  // namespace calmora
