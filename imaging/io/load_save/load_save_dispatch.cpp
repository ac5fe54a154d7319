// The I/O component's general entry points: load or save by file name, stream, format id or
// buffer. Each decides on the caller's thread which load or save serves the request (a format's
// per-format method, read off its description, or a registry entry's callbacks) and calls it;
// the one that runs hands itself to a worker at most once, and nothing calls back up here.
#include "imaging/base/file_names.h"
#include "imaging/io/formats/format_description.h"
#include "imaging/io/formats/format_detection.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

namespace {

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

// ---- Loads by name ----

void TPictavoIO::LoadFromFile(const std::u16string& FileName) {
  if (WorkBitmap == nullptr) return;
  if (FileName.empty()) return FailLoad();
  if (GetURLKindW(FileName) != 0) return LoadFromURL(FileName);
  if (ExtractLowerExtensionW(FileName, true) == u".avi") {
    // The open, the frame and the close belong to one worker: a frame handed over alone would
    // find its file closed.
    if (HandedToWorker(TPVIOWorkKind::kFileProc,
                       [FileName](TPictavoIO& IO) { IO.RunAVIFileLoad(FileName); }))
      return;
    return RunAVIFileLoad(FileName);
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

void TPictavoIO::RunAVIFileLoad(const std::u16string& FileName) {
  OpenAVIFile(FileName);
  RunAVIFrameLoad(static_cast<uint32_t>(Params->ImageIndex));
  CloseAVIFile();
  Params->FileName = FileName;
  Params->FileType = kFormatAVI;
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
  // The worker keeps its own copy of the entry: the registry may change meanwhile.
  const TPVIOWorkKind kind = Guarded ? TPVIOWorkKind::kFileIntProc : TPVIOWorkKind::kFileProc;
  if (HandedToWorker(kind, [Entry, FileName, Guarded](TPictavoIO& IO) {
        IO.RunRegistryFileLoad(Entry, FileName, Guarded);
      }))
    return;
  RunRegistryFileLoad(Entry, FileName, Guarded);
}

// ---- Loads from streams ----

void TPictavoIO::LoadFromStream(TStream* Stream) {
  if (Stream == nullptr) return FailLoad();
  const int64_t start = Stream->GetPosition();
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FindStreamFormat(Stream));
  // Unknown content, AVI and metafiles have no stream reader: a load that loads nothing says so.
  if (entry == nullptr) return FailLoad();
  Stream->SetPosition(start);
  LoadStreamByEntry(*entry, Stream, TPVIOWorkKind::kStreamProc);
}

void TPictavoIO::LoadFromStreamFormat(TStream* Stream, TPVFileFormatId FileType) {
  if (FileType == kFormatUnknown) return LoadFromStream(Stream);
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
  if (entry == nullptr || Stream == nullptr) return FailLoad();
  LoadStreamByEntry(*entry, Stream, TPVIOWorkKind::kStreamIntProc);
}

void TPictavoIO::LoadStreamByEntry(const TPVFileFormatInfo& Entry, TStream* Stream,
                                   TPVIOWorkKind RegistryKind) {
  if (Entry.Internal) {
    switch (LoadRouteOf(Entry.FileType)) {
      case TPVLoadRoute::kMetafile:
      case TPVLoadRoute::kByName:
        return FailLoad();
      case TPVLoadRoute::kGIFFrames:
        LoadFromStreamGIF(Stream);
        return;
      case TPVLoadRoute::kViewFile:
        LoadFromStreamPVV(Stream, Entry.FileType);
        return;
      case TPVLoadRoute::kMethod:
      case TPVLoadRoute::kFormatOnly:
        LoadFormatFromStream(Entry.FileType, Stream);
        return;
    }
  }
  if (Entry.ReadProc == nullptr) {
    Params->ResetInfo();
    Params->FileName.clear();
    Params->FileType = kFormatUnknown;
    return FailLoad();
  }
  if (HandedToWorker(RegistryKind,
                     [Entry, Stream](TPictavoIO& IO) { IO.RunRegistryStreamLoad(Entry, Stream); }))
    return;
  RunRegistryStreamLoad(Entry, Stream);
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
  if (HandedToWorker(TPVIOWorkKind::kFileProc, [Entry = *entry, FileName](TPictavoIO& IO) {
        IO.RunRegistryFileSave(Entry, FileName);
      }))
    return;
  RunRegistryFileSave(*entry, FileName);
}

void TPictavoIO::SaveToStream(TStream* Stream, TPVFileFormatId FileType) {
  if (HasStreamSaveMethod(FileType)) return SaveFormatToStream(FileType, Stream);
  const TPVFileFormatInfo* entry = FindFileFormatInfo(FileType);
  if (entry == nullptr || entry->WriteProc == nullptr || entry->Internal || Stream == nullptr) {
    Aborting = true;
    return;
  }
  if (HandedToWorker(TPVIOWorkKind::kStreamIntProc, [Entry = *entry, Stream](TPictavoIO& IO) {
        IO.RunRegistryStreamSave(Entry, Stream);
      }))
    return;
  RunRegistryStreamSave(*entry, Stream);
}

}  // namespace calmora
