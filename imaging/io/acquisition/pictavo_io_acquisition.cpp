// The I/O component's acquisition objects: made on first use, the device object's progress
// reported through the component, the media object's messages sent to the attached view.
#include "imaging/io/pictavo_io.h"

namespace calmora {

TPVWia* TPictavoIO::GetWIA() {
  if (WIA == nullptr) WIA = std::make_unique<TPVWia>(this);
  return WIA.get();
}

bool TPictavoIO::WIAProgress(int32_t Percent) {
  if (ProgressMethod) ProgressMethod(this, Percent);
  return !Aborting;
}

TPVDirectShow* TPictavoIO::GetDirectShow() {
  if (DirectShow == nullptr) {
    DirectShow = std::make_unique<TPVDirectShow>();
    SyncDirectShowWindow();
  }
  return DirectShow.get();
}

void TPictavoIO::SyncDirectShowWindow() {
  if (DirectShow == nullptr || AttachedPictavo == nullptr) return;
  // A control stands for its own window.
  DirectShow->SetNotifyWindow(AttachedPictavo, PVM_DSNEWFRAME, PVM_DSEVENT);
}

void TPictavoIO::CloseMediaFile() {
  if (MediaFile == nullptr) return;
  MediaFile->Disconnect();
  MediaFile.reset();
}

}  // namespace calmora
