// The loads and saves through a registry entry's own callbacks (formats not described here, or
// a claimant of the camera-raw extension), each running in place on the thread it is called on.
// Both the dispatch and the load sequences end here; nothing here calls back up.
#include "imaging/io/load_save/finish_work_guard.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

namespace {

constexpr uint16_t kOpenForLoad = fmOpenRead | fmShareDenyWrite;

}  // namespace

TPVProgressRecord TPictavoIO::MakeProgress() {
  TPVProgressRecord progress;
  progress.OnProgress = ProgressMethod;
  progress.Sender = this;
  progress.Aborting = &Aborting;
  return progress;
}

void TPictavoIO::RunRegistryFileLoad(const TPVFileFormatInfo& Entry,
                                     const std::u16string& FileName, bool Guarded) {
  // Declared first, so that the file is closed before the finish event.
  TPVFinishWorkGuard finish(*this, Guarded);
  Aborting = true;
  if (!PrepareBitmap({})) return;
  TPVWideFileStream file(FileName, kOpenForLoad);
  finish.Arm();
  Aborting = false;
  TPVProgressRecord progress = MakeProgress();
  Params->FileName = FileName;
  Params->FileType = Entry.FileType;
  try {
    Entry.ReadProc(&file, WorkBitmap, *Params, false, progress);
  } catch (...) {
    Aborting = true;
    if (Guarded) throw;
  }
  if (!Aborting || Guarded) {
    if (AutoAdjustDPI) AdjustDPI();
    UpdateViewDPI();
  }
  Update();
}

void TPictavoIO::RunRegistryStreamLoad(const TPVFileFormatInfo& Entry, TStream* Stream) {
  const TPVFinishWorkGuard finish(*this);
  Params->ResetInfo();
  Params->FileName.clear();
  Params->FileType = kFormatUnknown;
  Aborting = true;
  if (Entry.ReadProc == nullptr || Stream == nullptr || !PrepareBitmap({})) return;
  Aborting = false;
  TPVProgressRecord progress = MakeProgress();
  Params->FileType = Entry.FileType;
  Entry.ReadProc(Stream, WorkBitmap, *Params, false, progress);
  if (AutoAdjustDPI) AdjustDPI();
  UpdateViewDPI();
  Update();
}

void TPictavoIO::RunRegistryFileSave(const TPVFileFormatInfo& Entry,
                                     const std::u16string& FileName) {
  const TPVFinishWorkGuard finish(*this);
  Aborting = true;
  if (!PrepareBitmap({}) || !ConvertForRegistryWriter()) return;
  TPVWideFileStream file(FileName, fmCreate);
  Aborting = false;
  TPVProgressRecord progress = MakeProgress();
  Params->FileName = FileName;
  Params->FileType = Entry.FileType;
  Entry.WriteProc(&file, WorkBitmap, *Params, progress);
}

void TPictavoIO::RunRegistryStreamSave(const TPVFileFormatInfo& Entry, TStream* Stream) {
  const TPVFinishWorkGuard finish(*this);
  Aborting = true;
  if (!PrepareBitmap({}) || !ConvertForRegistryWriter()) return;
  Aborting = false;
  TPVProgressRecord progress = MakeProgress();
  Params->FileType = Entry.FileType;
  Entry.WriteProc(Stream, WorkBitmap, *Params, progress);
}

bool TPictavoIO::ConvertForRegistryWriter() {
  const TPVPixelFormat format = WorkBitmap->GetPixelFormat();
  if (format == pv24RGB || format == pv1g) return true;
  return WorkBitmap->SetPixelFormat(pv24RGB);
}

}  // namespace calmora
