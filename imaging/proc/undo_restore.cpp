// Restoring undo and redo snapshots: an image copy into the target or the layer it came from,
// view streams through the view's own readers, layer records matched to layers by their ids.
#include <algorithm>

#include "imaging/core/view_services.h"
#include "imaging/proc/pictavo_proc.h"

namespace calmora {

namespace {

// A layer record starts with its int32 length and the layer's 16-byte id.
constexpr int64_t kLayerRecordHead = 4 + 16;

}  // namespace

void TPictavoProc::Undo(bool SaveRedo) { UndoAt(0, SaveRedo); }

void TPictavoProc::UndoAt(int32_t Position, bool SaveRedo) {
  RestoreAt(UndoLists(), Position, SaveRedo);
}

void TPictavoProc::Redo() { RedoAt(0); }

void TPictavoProc::RedoAt(int32_t Position) { RestoreAt(RedoLists(), Position, false); }

void TPictavoProc::RestoreAt(TPVUndoLists Lists, int32_t Position, bool SaveRedoFirst) {
  if (!PrepareTarget({})) return;
  const int32_t index = Lists.IndexFromNewest(Position);
  if (index < 0) return;
  const TPVUndoSource source = Lists.Sources[static_cast<size_t>(index)];
  if (SaveRedoFirst) SaveRedo(source);
  RestoreSnapshot(*Lists.Snapshots[static_cast<size_t>(index)], source);
}

void TPictavoProc::RestoreSnapshot(TObject& Snapshot, TPVUndoSource Source) {
  TPictavoViewServices* view = PictavoView();
  TPictavoVectServices* vect = PictavoVect();
  if (Source == pvuImage) {
    auto* image = dynamic_cast<TPVBitmap*>(&Snapshot);
    if (image == nullptr) return;
    TPVBitmap* destination = targetBitmap_;
    if (view != nullptr && image->UserTag >= 0) {
      const int32_t layerIndex = std::min(image->UserTag, view->GetLayersCount() - 1);
      TPVLayerServices* layer = view->GetLayer(layerIndex);
      if (layer != nullptr && layer->GetBitmap() != nullptr) destination = layer->GetBitmap();
    }
    destination->Assign(image);
    ImageChanged();
    return;
  }
  auto* stream = dynamic_cast<TStream*>(&Snapshot);
  if (stream == nullptr) return;
  stream->SetPosition(0);
  switch (Source) {
    case pvuSelection:
      if (view != nullptr) view->LoadSelectionFromStream(stream, 1);
      break;
    case pvuObject:
      if (vect != nullptr) vect->LoadFromStreamPVV(stream);
      break;
    case pvuLayer:
    case pvuFullLayer:
      if (view != nullptr) {
        RestoreLayers(*stream, *view);
        attachedPictavo_->Update();
      }
      break;
    case pvuObjectsAndLayers:
      if (vect != nullptr) vect->LoadAllFromStream(stream);
      break;
    default: break;
  }
}

void TPictavoProc::RestoreLayers(TStream& Stream, TPictavoViewServices& View) {
  const int64_t size = Stream.GetSize();
  int64_t start = 0;
  // A record too short to hold its head, or longer than what is left, ends the walk: past it
  // nothing can be trusted to be a record.
  while (size - start >= kLayerRecordHead) {
    Stream.SetPosition(start);
    int32_t length = 0;
    TGUID id;
    Stream.ReadBuffer(&length, sizeof(length));
    Stream.ReadBuffer(&id, sizeof(id));
    if (length < kLayerRecordHead || length > size - start) break;
    const int64_t next = start + length;
    for (int32_t i = 0; i < View.GetLayersCount(); ++i) {
      TPVLayerServices* layer = View.GetLayer(i);
      if (layer == nullptr || !SameGUID(layer->GetGUID(), id)) continue;
      Stream.SetPosition(start);
      layer->LoadFromStream(&Stream);
      break;
    }
    start = next;
  }
}

}  // namespace calmora
