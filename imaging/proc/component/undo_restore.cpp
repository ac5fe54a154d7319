// Restoring undo and redo snapshots: an image copy into the target or the layer it came from,
// view streams through the view's own readers, layer records matched to layers by their ids.
#include <algorithm>
#include <cstring>
#include <utility>

#include "imaging/core/view/view_services.h"
#include "imaging/proc/component/pictavo_proc.h"

namespace calmora {

namespace {

// A layer record starts with its int32 length and the layer's 16-byte id.
constexpr int64_t kLayerRecordHead = 4 + 16;

// What Assign gives, but into the destination's own storage when it already has the
// snapshot's geometry: restoring is then one pass of reads, with no new pixel memory to fault
// in. Any other destination is assigned.
void RestoreImage(TPVBitmap& destination, TPVBitmap& snapshot) {
  const bool sameGeometry = !destination.IsEmpty() && destination.Location != pvTBitmap &&
                            destination.GetWidth() == snapshot.GetWidth() &&
                            destination.GetHeight() == snapshot.GetHeight() &&
                            destination.GetPixelFormat() == snapshot.GetPixelFormat() &&
                            destination.RowAlignment == snapshot.RowAlignment &&
                            destination.GetRowLen() == snapshot.GetRowLen();
  if (!sameGeometry) {
    destination.Assign(&snapshot);
    return;
  }
  const TPVDataAccess access = destination.DataAccess;
  destination.DataAccess = pvdWrite;  // every byte is replaced: nothing needs reading first
  const auto length = static_cast<size_t>(destination.GetRowLen());
  for (int32_t y = 0; y < destination.GetHeight(); ++y) {
    const uint8_t* from = std::as_const(snapshot).GetScanline(y);
    uint8_t* to = destination.GetScanline(y);
    if (from == nullptr || to == nullptr) break;
    std::memcpy(to, from, length);
  }
  destination.DataAccess = access;
  snapshot.CopyPaletteTo(&destination);
  if (snapshot.HasAlphaChannel()) {
    TPVBitmap* alpha = destination.GetAlphaChannel();
    if (alpha != nullptr) RestoreImage(*alpha, *snapshot.AlphaBitmap);
  } else {
    destination.RemoveAlphaChannel(false, 0);
  }
  destination.Opaque = snapshot.Opaque;
  destination.DitherMethod = snapshot.DitherMethod;
}

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
    RestoreImage(*destination, *image);
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
    default:
      break;
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
