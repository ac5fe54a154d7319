// Vector-object and layer files (kinds 25 to 27): loaded by an attached view of the kind that
// holds such content. The temporary views that would load them without one belong to a layer
// above this one, so without a fitting view such a load fails honestly.
#include "imaging/core/view/view_services.h"
#include "imaging/io/load_save/load_save_names.h"
#include "imaging/io/io_thread.h"
#include "imaging/io/load_save/finish_work_guard.h"
#include "imaging/io/pictavo_io.h"

namespace calmora {

namespace {

bool IsViewFileKind(TPVFileFormatId Kind) {
  return Kind == kFormatPVV || Kind == kFormatLayers || Kind == kFormatLayersAndObjects;
}

// The objects stand on a transparent white page as large as their extent.
void PutObjectsOnTransparentPage(TPVView& View, TPictavoVectServices& Vect) {
  TRect extent;
  Vect.GetObjectsExtent(extent);
  TPVBitmap* page = View.GetPVBitmap();
  if (page == nullptr || extent.Right < 1 || extent.Bottom < 1) return;
  if (!page->Allocate(extent.Right, extent.Bottom, pv24RGB)) return;
  page->Fill(0xFFFFFF);
  if (TPVBitmap* alpha = page->GetAlphaChannel()) alpha->Fill(0);
}

}  // namespace

void TPictavoIO::LoadFromFilePVV(const std::u16string& FileName, TPVFileFormatId Kind) {
  if (HandedToWorker(TPVIOWorkKind::kFileIntProc,
                     [FileName, Kind](TPictavoIO& IO) { IO.RunViewFileLoad(FileName, Kind); }))
    return;
  RunViewFileLoad(FileName, Kind);
}

void TPictavoIO::RunViewFileLoad(const std::u16string& FileName, TPVFileFormatId Kind) {
  const TPVFinishWorkGuard finish(*this);
  // The kind is reported on every way out, before the finish event.
  struct TKindOnExit {
    TIOParamsVals& Params;
    const TPVFileFormatId Kind;
    ~TKindOnExit() { Params.FileType = Kind; }
  } const kindOnExit{*Params, Kind};
  Params->ResetInfo();
  Aborting = false;
  auto* vect = dynamic_cast<TPictavoVectServices*>(AttachedPictavo);
  auto* view = dynamic_cast<TPictavoViewServices*>(AttachedPictavo);
  const std::string name = Utf8Of(FileName);
  bool loaded = false;
  if (Kind == kFormatPVV && vect != nullptr) {
    vect->LoadFromFilePVV(name);
    PutObjectsOnTransparentPage(*AttachedPictavo, *vect);
    loaded = true;
  } else if (Kind == kFormatLayers && view != nullptr) {
    view->LoadLayersFromFile(name);
    loaded = true;
  } else if (Kind == kFormatLayersAndObjects && vect != nullptr) {
    vect->LoadAllFromFile(name);
    loaded = true;
  }
  if (!loaded) Aborting = true;
}

void TPictavoIO::LoadFromStreamPVV(TStream* Stream, TPVFileFormatId Kind) {
  if (HandedToWorker(TPVIOWorkKind::kStreamIntProc,
                     [Stream, Kind](TPictavoIO& IO) { IO.RunViewStreamLoad(Stream, Kind); }))
    return;
  RunViewStreamLoad(Stream, Kind);
}

void TPictavoIO::RunViewStreamLoad(TStream* Stream, TPVFileFormatId Kind) {
  Params->ResetInfo();
  auto* vect = dynamic_cast<TPictavoVectServices*>(AttachedPictavo);
  auto* view = dynamic_cast<TPictavoViewServices*>(AttachedPictavo);
  bool loaded = false;
  if (Stream != nullptr && IsViewFileKind(Kind)) {
    if (Kind == kFormatPVV && vect != nullptr) {
      loaded = vect->LoadFromStreamPVV(Stream);
    } else if (Kind == kFormatLayers && view != nullptr) {
      view->LoadLayersFromStream(Stream);
      loaded = true;
    } else if (Kind == kFormatLayersAndObjects && vect != nullptr) {
      loaded = vect->LoadAllFromStream(Stream);
    }
  }
  // The stream form tells only through the flag: it has no finish event.
  Aborting = !loaded;
  Params->FileType = Kind;
}

}  // namespace calmora
