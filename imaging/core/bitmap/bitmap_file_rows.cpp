// Rows of a file-stored bitmap: the row window behind GetScanline, and the rows held at once
// through MapRow until UnmapRow or UnmapAllRows.
#include <algorithm>
#include <cstring>

#include "imaging/core/bitmap/bitmap.h"

namespace calmora {

// The window state is mutable storage: a read through a const bitmap moves the window too.
uint8_t* TPVBitmap::FileScanline(int32_t row, TPVDataAccess access) const {
  TPVFileBuffer& file = *Storage.FileStore;
  if (!file.IsOpen() || RowBytes < 1) return nullptr;
  TPVRowWindow& window = Storage.CurrentRow;
  if (window.RowCount > 0 && window.Access == access && row >= window.FirstRow &&
      row < window.FirstRow + window.RowCount) {
    if (window.HandedLast < window.HandedFirst) {
      window.HandedFirst = window.HandedLast = row;
    } else if (row == window.HandedLast + 1) {
      window.HandedLast = row;
    } else if (row == window.HandedFirst - 1) {
      window.HandedFirst = row;
    } else if (row < window.HandedFirst || row > window.HandedLast) {
      FlushHandedRows();
      window.HandedFirst = window.HandedLast = row;
    }
    return Storage.CurrentRowBlock.get() + static_cast<int64_t>(row - window.FirstRow) * RowBytes;
  }

  ReleaseRowWindow(true);
  const int32_t previousFirst = window.PreviousFirst;
  const int32_t previousCount = window.PreviousCount;
  const int32_t maxRows =
      static_cast<int32_t>(std::clamp<int64_t>(RowWindowBytes / RowBytes, 1, Height));
  int32_t first = row;
  int32_t count = 1;
  if (previousCount > 0 && row == previousFirst + previousCount) {
    count = std::min<int64_t>(int64_t{previousCount} * 2, maxRows);
  } else if (previousCount > 0 && row == previousFirst - 1) {
    count = std::min<int64_t>(int64_t{previousCount} * 2, maxRows);
    first = std::max(0, row - count + 1);
  }
  count = std::min(count, Height - first);

  const int64_t bytes = static_cast<int64_t>(count) * RowBytes;
  if (Storage.CurrentRowCapacity < bytes) {
    Storage.CurrentRowBlock.reset();  // a failing new below must not leave a freed block behind
    Storage.CurrentRowCapacity = 0;
    Storage.CurrentRowBlock.reset(new uint8_t[static_cast<size_t>(bytes)]);
    Storage.CurrentRowCapacity = bytes;
  }
  uint8_t* block = Storage.CurrentRowBlock.get();
  if (access & pvdRead)
    file.ReadAt(static_cast<int64_t>(first) * RowBytes, block, bytes);
  else
    std::memset(block, 0, static_cast<size_t>(bytes));  // not read: start defined

  window.FirstRow = first;
  window.RowCount = count;
  window.Access = access;
  window.HandedFirst = window.HandedLast = row;
  return block + static_cast<int64_t>(row - first) * RowBytes;
}

// Writes the run of rows handed out since the last write-back, when the window may write.
void TPVBitmap::FlushHandedRows() const {
  TPVRowWindow& window = Storage.CurrentRow;
  const int32_t first = window.HandedFirst;
  const int32_t last = window.HandedLast;
  window.HandedLast = window.HandedFirst - 1;
  if (window.RowCount == 0 || !(window.Access & pvdWrite) || last < first) return;
  Storage.FileStore->WriteAt(
      static_cast<int64_t>(first) * RowBytes,
      Storage.CurrentRowBlock.get() + static_cast<int64_t>(first - window.FirstRow) * RowBytes,
      static_cast<int64_t>(last - first + 1) * RowBytes);
}

// Ends the window (writing back what it handed out when asked); the window is gone even when
// the write fails.
void TPVBitmap::ReleaseRowWindow(bool writeBack) const {
  if (Storage.CurrentRow.RowCount == 0) return;
  struct Ending {
    TPVRowWindow& window;
    ~Ending() {
      const int32_t first = window.FirstRow, count = window.RowCount;
      window = TPVRowWindow{};
      window.PreviousFirst = first;
      window.PreviousCount = count;
    }
  } ending{Storage.CurrentRow};
  if (writeBack) FlushHandedRows();
}

uint8_t* TPVBitmap::MapRow(int32_t row) {
  if (Location != pvFile) return GetScanline(row);
  TPVFileBuffer& file = *Storage.FileStore;
  if (row < 0 || row >= Height || !file.IsOpen()) return nullptr;
  ReleaseRowWindow(true);
  uint8_t* block = file.Map(DataAccess, static_cast<int64_t>(row) * RowBytes, RowBytes);
  Storage.HeldRowPointers.push_back(block);
  Storage.HeldRowNumbers.push_back(row);
  return block;
}

void TPVBitmap::UnmapRow(int32_t row) {
  if (Location != pvFile) return;
  std::vector<uint8_t*>& pointers = Storage.HeldRowPointers;
  std::vector<int32_t>& numbers = Storage.HeldRowNumbers;
  const auto found = std::find(numbers.begin(), numbers.end(), row);
  if (found == numbers.end()) return;
  const auto index = found - numbers.begin();
  uint8_t* block = pointers[index];
  pointers.erase(pointers.begin() + index);
  numbers.erase(found);
  Storage.FileStore->Unmap(block);
}

void TPVBitmap::UnmapAllRows() {
  ReleaseRowWindow(true);
  std::vector<uint8_t*>& pointers = Storage.HeldRowPointers;
  while (!pointers.empty()) {
    uint8_t* block = pointers.back();
    pointers.pop_back();
    Storage.HeldRowNumbers.pop_back();
    Storage.FileStore->Unmap(block);
  }
}

}  // namespace calmora
