// TPVIPTCInfoList: the dataset list itself (the block reader and writer are in iptc_block.cpp).
#include "imaging/core/metadata/iptc_info_list.h"

#include <cassert>

namespace calmora {

void TPVIPTCInfoList::CheckIndex([[maybe_unused]] int32_t i) const {
  assert(i >= 0 && i < GetCount() && "dataset index out of range");
}

int32_t TPVIPTCInfoList::GetRecordNumber(int32_t i) const {
  CheckIndex(i);
  return Info[i].RecordNumber;
}

int32_t TPVIPTCInfoList::GetDatasetNumber(int32_t i) const {
  CheckIndex(i);
  return Info[i].DatasetNumber;
}

int32_t TPVIPTCInfoList::AddItem(int32_t record, int32_t dataset, int32_t Length,
                                 const void* Data) {
  if (Length < 0 || (Data == nullptr && Length > 0)) return -1;
  const auto* bytes = static_cast<const uint8_t*>(Data);
  Buffers.emplace_back(bytes, bytes + Length);
  Info.push_back({record, dataset, Length});
  UserChanged = true;
  return GetCount() - 1;
}

void TPVIPTCInfoList::Clear() {
  Info.clear();
  Buffers.clear();
  UserChanged = true;
}

void TPVIPTCInfoList::Assign(const TPVIPTCInfoList* Other) {
  if (Other == nullptr || Other == this) return;
  Info = Other->Info;
  Buffers = Other->Buffers;
  UserChanged = true;
}

}  // namespace calmora
