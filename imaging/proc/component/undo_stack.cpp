// The undo and redo stacks' list handling: positions from the newest, the trimmed push and
// removal in step across the three lists.
#include "imaging/proc/component/undo_stack.h"

#include <algorithm>

namespace calmora {

int32_t TPVUndoLists::IndexFromNewest(int32_t Position) const {
  if (Position < 0 || Position >= Count()) return -1;
  return Count() - Position - 1;
}

void TPVUndoLists::Push(std::unique_ptr<TObject> Snapshot, TPVUndoSource Source, int32_t Limit) {
  const int32_t limit = std::max(Limit, 0);
  while (Count() > 0 && Count() >= limit) RemoveAt(0);
  Snapshots.push_back(std::move(Snapshot));
  Sources.push_back(Source);
  Captions.emplace_back();
}

void TPVUndoLists::RemoveAt(int32_t Index) {
  if (Index < 0 || Index >= Count()) return;
  Snapshots.erase(Snapshots.begin() + Index);
  Sources.erase(Sources.begin() + Index);
  Captions.erase(Captions.begin() + Index);
}

void TPVUndoLists::Clear() {
  while (Count() > 0) RemoveAt(0);
}

}  // namespace calmora
