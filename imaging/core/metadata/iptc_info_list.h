// TPVIPTCInfoList: the IPTC datasets of an image, with the reader and writer of the IPTC block
// in its two forms: inside a "Photoshop 3.0" image-resource block, as JPEG APP13 and the TIFF
// IPTC tag hold it, or as bare datasets.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/base/defs.h"
#include "imaging/base/malloc_block.h"

namespace calmora {

// What identifies one dataset, and the length of its data.
struct TPVIPTCInfo {
  int32_t RecordNumber = 0;
  int32_t DatasetNumber = 0;
  int32_t Length = 0;
};

class TPVIPTCInfoList : public TObject {
 public:
  TPVIPTCInfoList() = default;
  TPVIPTCInfoList(const TPVIPTCInfoList&) = delete;
  TPVIPTCInfoList& operator=(const TPVIPTCInfoList&) = delete;

  int32_t GetCount() const { return static_cast<int32_t>(Info.size()); }
  int32_t GetRecordNumber(int32_t i) const;
  int32_t GetDatasetNumber(int32_t i) const;

  // Appends a dataset with a copy of Length bytes at Data and returns its index; -1 (and the
  // list as it was) for a negative length or a null Data with bytes to copy. Record and
  // dataset numbers are bytes in the block. Sets UserChanged.
  int32_t AddItem(int32_t record, int32_t dataset, int32_t Length, const void* Data);
  // Sets UserChanged.
  void Clear();
  // A copy of every dataset of Other replaces this list's; null and self are ignored. Sets
  // UserChanged.
  void Assign(const TPVIPTCInfoList* Other);

  // Writes the datasets as a new IPTC block: behind the 26-byte image-resource header
  // ("Photoshop 3.0", resource 0x0404) with WithHeader, else behind the record-version
  // dataset. The record-version datasets of the list and datasets without data are left out;
  // lengths from 0x8000 on take the extended form. An odd block gets a zero pad byte, counted
  // in Length but not in the resource's size. No datasets: a null Buffer and Length 0.
  void SaveToBuffer(UniqueMallocBlock<uint8_t>& Buffer, int64_t& Length, bool WithHeader) const;
  // Replaces the datasets by those of the block (with or without the resource header). The
  // parse ends at the first dataset that does not fit what is left, keeping those before it.
  // True when a dataset was read; UserChanged becomes false, except for an empty block.
  bool LoadFromBuffer(const void* Buffer, int64_t Length);

  // Parallel lists: dataset i is Info[i] with its data Buffers[i] (Info[i].Length bytes).
  // Change them only through the operations above.
  std::vector<TPVIPTCInfo> Info;
  std::vector<std::vector<uint8_t>> Buffers;
  // Set by every change through this list's operations, cleared by LoadFromBuffer: the I/O
  // side tells edited IPTC data from data merely loaded by it.
  bool UserChanged = false;

 private:
  void CheckIndex(int32_t i) const;
};

}  // namespace calmora
