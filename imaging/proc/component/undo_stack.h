// One undo or redo stack of the processing component: three parallel lists (snapshot, kind,
// caption), oldest entry first, pushed under a shared limit that drops the oldest entries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/base/defs.h"

namespace calmora {

// The kind of a snapshot: a copy of the image, or a memory stream written by the view.
enum TPVUndoSource : uint8_t {
  pvuUnknown = 0,
  pvuImage = 1,
  pvuSelection = 2,
  pvuObject = 3,
  pvuLayer = 4,
  pvuFullLayer = 5,
  pvuObjectsAndLayers = 6,
};

// (Sender, Source): an undo snapshot of that kind was asked for.
using TPVSaveUndoEvent = std::function<void(TObject* Sender, TPVUndoSource Source)>;

using TPVSnapshotList = std::vector<std::unique_ptr<TObject>>;

// The three lists of one stack, by reference; they always have equal lengths.
struct TPVUndoLists {
  TPVSnapshotList& Snapshots;
  std::vector<TPVUndoSource>& Sources;
  std::vector<std::string>& Captions;

  int32_t Count() const { return static_cast<int32_t>(Snapshots.size()); }
  // The list index of the entry at Position counted from the newest, or -1 when there is no
  // such entry (negative positions included).
  int32_t IndexFromNewest(int32_t Position) const;
  // Drops the oldest entries while the stack holds Limit (a negative one acting as 0) or more,
  // then appends the snapshot with an empty caption.
  void Push(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source, int32_t Limit);
  // Frees and removes the entry at list index Index (nothing outside the lists).
  void RemoveAt(int32_t Index);
  // Frees and removes every entry, the oldest first.
  void Clear();
};

}  // namespace calmora
