// Taking undo and redo snapshots: a file-stored copy of the image, or a memory stream the
// attached view writes, pushed under the shared limit; and the removal of entries.
#include "imaging/core/view/view_services.h"
#include "imaging/proc/component/pictavo_proc.h"

namespace calmora {

std::unique_ptr<TObject> TPictavoProc::TakeSnapshot(TPVUndoSource Source, bool& ImageCheckFailed) {
  ImageCheckFailed = false;
  TPictavoViewServices* view = PictavoView();
  TPictavoVectServices* vect = PictavoVect();
  switch (Source) {
    case pvuImage: {
      if (!PrepareTarget({})) {
        ImageCheckFailed = true;
        return nullptr;
      }
      if (targetBitmap_->GetWidth() < 2 || targetBitmap_->GetHeight() < 2) return nullptr;
      auto copy = std::make_unique<TPVBitmap>();
      // Set before the copy, so the pixels go straight to a temporary file, not to memory.
      copy->FileThreshold = 0;
      copy->Location = UndoLocation;
      if (!copy->Assign(targetBitmap_)) return nullptr;
      copy->UserTag = view != nullptr ? view->GetCurrentLayer() : -1;
      return copy;
    }
    case pvuSelection:
      if (view == nullptr) return nullptr;
      {
        auto stream = std::make_unique<TMemoryStream>();
        view->SaveSelectionToStream(stream.get());
        return stream;
      }
    case pvuObject:
      if (vect == nullptr) return nullptr;
      {
        auto stream = std::make_unique<TMemoryStream>();
        vect->SaveToStreamPVV(stream.get());
        return stream;
      }
    case pvuLayer:
    case pvuFullLayer:
      if (view == nullptr) return nullptr;
      {
        auto stream = std::make_unique<TMemoryStream>();
        const int32_t current = view->GetCurrentLayer();
        for (int32_t i = 0; i < view->GetLayersCount(); ++i) {
          if (TPVLayerServices* layer = view->GetLayer(i))
            layer->SaveToStream(stream.get(), Source == pvuFullLayer && i == current);
        }
        return stream;
      }
    case pvuObjectsAndLayers:
      if (vect == nullptr) return nullptr;
      {
        auto stream = std::make_unique<TMemoryStream>();
        vect->SaveAllToStream(stream.get(), -1);
        return stream;
      }
    default:
      return nullptr;
  }
}

bool TPictavoProc::PushUndo(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source) {
  if (!Snapshot) return false;
  UndoLists().Push(std::move(Snapshot), Source, undoLimit_);
  return true;
}

bool TPictavoProc::PushRedo(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source) {
  if (!Snapshot) return false;
  RedoLists().Push(std::move(Snapshot), Source, undoLimit_);
  return true;
}

void TPictavoProc::SaveUndo(TPVUndoSource Source) {
  undoPushed_ = false;
  if (undoLimit_ <= 0) return;
  bool imageCheckFailed = false;
  std::unique_ptr<TObject> snapshot = TakeSnapshot(Source, imageCheckFailed);
  if (imageCheckFailed) return;
  undoPushed_ = PushUndo(std::move(snapshot), Source);
  // Heard even when nothing could be taken: listeners count requests, not entries.
  if (OnSaveUndo) OnSaveUndo(this, Source);
}

void TPictavoProc::SaveRedo(TPVUndoSource Source) {
  if (undoLimit_ <= 0) return;
  bool imageCheckFailed = false;
  std::unique_ptr<TObject> snapshot = TakeSnapshot(Source, imageCheckFailed);
  if (!imageCheckFailed) PushRedo(std::move(snapshot), Source);
}

void TPictavoProc::SaveUndoCaptioned(const std::string& Caption, TPVUndoSource Source) {
  if (!PrepareTarget({})) return;
  if (targetBitmap_->GetWidth() < 2 || targetBitmap_->GetHeight() < 2) return;
  SaveUndo(Source);
  if (undoPushed_ && !UndoCaptions.empty()) UndoCaptions.back() = Caption;
}

void TPictavoProc::ClearUndoAt(int32_t Position) {
  TPVUndoLists lists = UndoLists();
  lists.RemoveAt(lists.IndexFromNewest(Position));
}

void TPictavoProc::ClearOneRedo() {
  TPVUndoLists lists = RedoLists();
  lists.RemoveAt(lists.Count() - 1);
}

void TPictavoProc::ClearAllUndo() { UndoLists().Clear(); }

void TPictavoProc::ClearAllRedo() { RedoLists().Clear(); }

TPVUndoSource TPictavoProc::UndoSourceAt(int32_t Index) const {
  if (Index < 0 || Index >= UndoCount()) return pvuUnknown;
  return UndoSources[static_cast<size_t>(Index)];
}

}  // namespace calmora
