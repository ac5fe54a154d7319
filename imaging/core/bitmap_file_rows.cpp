// Rows of a file-stored bitmap: the row window behind GetScanline, and the rows held at once
// through MapRow until UnmapRow or UnmapAllRows.
#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/core/bitmap.h"

namespace calmora {

uint8_t* TPVBitmap::FileScanline(int32_t row) {
  if (!FileStore->IsOpen() || RowBytes < 1) return nullptr;
  TPVRowWindow& window = CurrentRow;
  if (window.RowCount > 0 && window.Access == DataAccess && row >= window.FirstRow &&
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
    return CurrentRowBlock + static_cast<int64_t>(row - window.FirstRow) * RowBytes;
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
  if (CurrentRowCapacity < bytes) {
    delete[] CurrentRowBlock;
    CurrentRowBlock = nullptr;  // a failing new below must not leave a freed block behind
    CurrentRowCapacity = 0;
    CurrentRowBlock = new uint8_t[static_cast<size_t>(bytes)];
    CurrentRowCapacity = bytes;
  }
  if (DataAccess & pvdRead)
    FileStore->ReadAt(static_cast<int64_t>(first) * RowBytes, CurrentRowBlock, bytes);
  else
    std::memset(CurrentRowBlock, 0, static_cast<size_t>(bytes));  // not read: start defined

  window.FirstRow = first;
  window.RowCount = count;
  window.Access = DataAccess;
  window.HandedFirst = window.HandedLast = row;
  return CurrentRowBlock + static_cast<int64_t>(row - first) * RowBytes;
}

// Writes the run of rows handed out since the last write-back, when the window may write.
void TPVBitmap::FlushHandedRows() {
  TPVRowWindow& window = CurrentRow;
  const int32_t first = window.HandedFirst;
  const int32_t last = window.HandedLast;
  window.HandedLast = window.HandedFirst - 1;
  if (window.RowCount == 0 || !(window.Access & pvdWrite) || last < first) return;
  FileStore->WriteAt(static_cast<int64_t>(first) * RowBytes,
                     CurrentRowBlock + static_cast<int64_t>(first - window.FirstRow) * RowBytes,
                     static_cast<int64_t>(last - first + 1) * RowBytes);
}

// Ends the window (writing back what it handed out when asked); the window is gone even when
// the write fails.
void TPVBitmap::ReleaseRowWindow(bool writeBack) {
  if (CurrentRow.RowCount == 0) return;
  struct Ending {
    TPVRowWindow& window;
    ~Ending() {
      const int32_t first = window.FirstRow, count = window.RowCount;
      window = TPVRowWindow{};
      window.PreviousFirst = first;
      window.PreviousCount = count;
    }
  } ending{CurrentRow};
  if (writeBack) FlushHandedRows();
}

uint8_t* TPVBitmap::MapRow(int32_t row) {
  if (Location != pvFile) return GetScanline(row);
  if (row < 0 || row >= Height || !FileStore->IsOpen()) return nullptr;
  ReleaseRowWindow(true);
  uint8_t* block = FileStore->Map(DataAccess, static_cast<int64_t>(row) * RowBytes, RowBytes);
  HeldRowPointers.push_back(block);
  HeldRowNumbers.push_back(row);
  return block;
}

void TPVBitmap::UnmapRow(int32_t row) {
  if (Location != pvFile) return;
  const auto found = std::find(HeldRowNumbers.begin(), HeldRowNumbers.end(), row);
  if (found == HeldRowNumbers.end()) return;
  const auto index = found - HeldRowNumbers.begin();
  uint8_t* block = HeldRowPointers[index];
  HeldRowPointers.erase(HeldRowPointers.begin() + index);
  HeldRowNumbers.erase(found);
  FileStore->Unmap(block);
}

void TPVBitmap::UnmapAllRows() {
  ReleaseRowWindow(true);
  while (!HeldRowPointers.empty()) {
    uint8_t* block = HeldRowPointers.back();
    HeldRowPointers.pop_back();
    HeldRowNumbers.pop_back();
    FileStore->Unmap(block);
  }
}

}  // namespace calmora
